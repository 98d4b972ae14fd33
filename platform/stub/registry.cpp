// The stand-in's registry: one in-memory tree below HKEY_CURRENT_USER.
//
// Names compare without case, subkeys enumerate in creation order, values are stored as the
// bytes given. Handles remember the access they were opened with: reading needs
// KEY_QUERY_VALUE, enumerating KEY_ENUMERATE_SUB_KEYS, writing KEY_SET_VALUE (as in Windows).
#include "platform/stub/world.h"

#include <algorithm>
#include <cstring>

namespace stub::detail {
namespace {

constexpr LSTATUS kInvalidParameter = 87;
constexpr LSTATUS kKeyDeleted = 1018;
constexpr REGSAM kQueryValue = 0x0001;
constexpr REGSAM kSetValue = 0x0002;
constexpr REGSAM kEnumerateSubKeys = 0x0008;

std::vector<std::string> splitPath(const std::string& path) {
    std::vector<std::string> parts;
    std::string part;
    for (const char c : path) {
        if (c == '\\') {
            if (!part.empty()) {
                parts.push_back(part);
            }
            part.clear();
        } else {
            part += c;
        }
    }
    if (!part.empty()) {
        parts.push_back(part);
    }
    return parts;
}

std::string joinLower(const std::vector<std::string>& parts) {
    std::string joined;
    for (const std::string& part : parts) {
        if (!joined.empty()) {
            joined += '\\';
        }
        joined += lower(part);
    }
    return joined;
}

std::string normalise(const std::string& path) {
    return joinLower(splitPath(path));
}

// The path of a live node below HKEY_CURRENT_USER, lower case, "" for the root.
std::string pathOf(const RegNode* node) {
    std::vector<std::string> parts;
    for (; node != nullptr && node->parent != nullptr; node = node->parent) {
        parts.push_back(node->name);
    }
    std::reverse(parts.begin(), parts.end());
    return joinLower(parts);
}

RegNode* child(RegNode* node, const std::string& name) {
    for (const auto& c : node->children) {
        if (equalNoCase(c->name, name)) {
            return c.get();
        }
    }
    return nullptr;
}

std::shared_ptr<RegNode> childShared(const RegNode* node, const std::string& name) {
    for (const auto& c : node->children) {
        if (equalNoCase(c->name, name)) {
            return c;
        }
    }
    return nullptr;
}

RegNode* find(const std::string& path) {
    RegNode* node = world().root.get();
    for (const std::string& part : splitPath(path)) {
        node = child(node, part);
        if (node == nullptr) {
            return nullptr;
        }
    }
    return node;
}

RegNode* create(const std::string& path) {
    RegNode* node = world().root.get();
    for (const std::string& part : splitPath(path)) {
        RegNode* next = child(node, part);
        if (next == nullptr) {
            auto made = std::make_shared<RegNode>();
            made->name = part;
            made->parent = node;
            next = made.get();
            node->children.push_back(std::move(made));
        }
        node = next;
    }
    return node;
}

RegValue* findValue(RegNode* node, const std::string& name) {
    for (RegValue& value : node->values) {
        if (equalNoCase(value.name, name)) {
            return &value;
        }
    }
    return nullptr;
}

void storeValue(RegNode* node, const std::string& name, DWORD type, std::vector<BYTE> data) {
    RegValue* value = findValue(node, name);
    if (value == nullptr) {
        node->values.push_back(RegValue{name, type, {}});
        value = &node->values.back();
    }
    value->type = type;
    value->data = std::move(data);
}

void markDeleted(RegNode* node) {
    node->deleted = true;
    for (const auto& c : node->children) {
        markDeleted(c.get());
    }
}

bool isPredefined(HKEY key) {
    return key == HKEY_CURRENT_USER;
}

// The node of an open handle (or of HKEY_CURRENT_USER) and the access it was opened with.
struct Resolved {
    RegNode* node = nullptr;
    REGSAM access = 0;
    std::shared_ptr<RegNode> keepAlive;
};
LSTATUS resolve(HKEY key, REGSAM needed, Resolved* out) {
    World& w = world();
    if (isPredefined(key)) {
        out->node = w.root.get();
        out->access = ~REGSAM{0};
        out->keepAlive = w.root;
    } else {
        const auto found = w.keys.find(raw(key));
        if (found == w.keys.end()) {
            return ERROR_INVALID_HANDLE;
        }
        out->node = found->second.node.get();
        out->access = found->second.access;
        out->keepAlive = found->second.node;
    }
    if (out->node->deleted) {
        return kKeyDeleted;
    }
    if ((out->access & needed) != needed) {
        return ERROR_ACCESS_DENIED;
    }
    return ERROR_SUCCESS;
}

// A key at or below a path scripted with regRefuseWrite: its values cannot change.
bool writeRefused(const std::string& path) {
    for (const std::string& refused : world().refusedWrite) {
        if (path == refused || refused.empty() ||
            (path.size() > refused.size() && path.compare(0, refused.size(), refused) == 0 &&
             path[refused.size()] == '\\')) {
            return true;
        }
    }
    return false;
}

std::string valueLabel(LPCSTR valueName) {
    return valueName == nullptr || valueName[0] == '\0' ? std::string("(default)")
                                                        : std::string(valueName);
}

}  // namespace
}  // namespace stub::detail

using namespace stub::detail;

LSTATUS WINAPI RegOpenKeyExA(HKEY parent, LPCSTR subKey, DWORD /*options*/, REGSAM access,
                             PHKEY result) {
    const std::string sub = subKey == nullptr ? std::string() : std::string(subKey);
    const std::vector<std::string> parts = splitPath(sub);
    const std::string leaf = parts.empty() ? std::string() : parts.back();
    log("RegOpenKeyExA " + leaf);
    if (result == nullptr) {
        return kInvalidParameter;
    }
    *result = nullptr;
    Resolved from;
    const LSTATUS status = resolve(parent, 0, &from);
    if (status != ERROR_SUCCESS) {
        return status;
    }
    std::string target = pathOf(from.node);
    for (const std::string& part : parts) {
        target += target.empty() ? "" : "\\";
        target += lower(part);
    }
    World& w = world();
    if (std::find(w.refusedOpen.begin(), w.refusedOpen.end(), target) != w.refusedOpen.end()) {
        return ERROR_ACCESS_DENIED;
    }
    std::shared_ptr<RegNode> node = from.keepAlive;
    for (const std::string& part : parts) {
        node = childShared(node.get(), part);
        if (node == nullptr) {
            return ERROR_FILE_NOT_FOUND;
        }
    }
    const std::uintptr_t handle = newHandle();
    w.keys[handle] = RegHandle{node, access, leaf};
    *result = handleOf<HKEY>(handle);
    return ERROR_SUCCESS;
}

LSTATUS WINAPI RegEnumKeyExA(HKEY key, DWORD index, LPSTR name, LPDWORD nameLength,
                             LPDWORD /*reserved*/, LPSTR className, LPDWORD classLength,
                             PFILETIME lastWriteTime) {
    Resolved at;
    const LSTATUS status = resolve(key, kEnumerateSubKeys, &at);
    if (status != ERROR_SUCCESS) {
        return status;
    }
    if (name == nullptr || nameLength == nullptr) {
        return kInvalidParameter;
    }
    if (index >= at.node->children.size()) {
        return ERROR_NO_MORE_ITEMS;
    }
    const std::string& found = at.node->children[index]->name;
    if (found.size() + 1 > *nameLength) {
        return ERROR_MORE_DATA;
    }
    std::memcpy(name, found.c_str(), found.size() + 1);
    *nameLength = static_cast<DWORD>(found.size());
    if (className != nullptr && classLength != nullptr && *classLength > 0) {
        className[0] = '\0';
        *classLength = 0;
    }
    if (lastWriteTime != nullptr) {
        *lastWriteTime = FILETIME{0, 0};
    }
    return ERROR_SUCCESS;
}

LSTATUS WINAPI RegQueryValueExA(HKEY key, LPCSTR valueName, LPDWORD /*reserved*/, LPDWORD type,
                                LPBYTE data, LPDWORD dataSize) {
    log("RegQueryValueExA " + valueLabel(valueName));
    Resolved at;
    const LSTATUS status = resolve(key, kQueryValue, &at);
    if (status != ERROR_SUCCESS) {
        return status;
    }
    if (data != nullptr && dataSize == nullptr) {
        return kInvalidParameter;
    }
    const RegValue* value =
        findValue(at.node, valueName == nullptr ? std::string() : std::string(valueName));
    if (value == nullptr) {
        return ERROR_FILE_NOT_FOUND;
    }
    if (type != nullptr) {
        *type = value->type;
    }
    const auto size = static_cast<DWORD>(value->data.size());
    if (data != nullptr) {
        if (size > *dataSize) {
            *dataSize = size;
            return ERROR_MORE_DATA;
        }
        if (size > 0) {
            std::memcpy(data, value->data.data(), size);
        }
    }
    if (dataSize != nullptr) {
        *dataSize = size;
    }
    return ERROR_SUCCESS;
}

LSTATUS WINAPI RegSetValueExA(HKEY key, LPCSTR valueName, DWORD /*reserved*/, DWORD type,
                              const BYTE* data, DWORD dataSize) {
    log("RegSetValueExA " + valueLabel(valueName));
    Resolved at;
    const LSTATUS status = resolve(key, kSetValue, &at);
    if (status != ERROR_SUCCESS) {
        return status;
    }
    if (data == nullptr && dataSize > 0) {
        return kInvalidParameter;
    }
    if (writeRefused(pathOf(at.node))) {
        return ERROR_ACCESS_DENIED;
    }
    std::vector<BYTE> bytes;
    if (dataSize > 0) {
        bytes.assign(data, data + dataSize);
    }
    storeValue(at.node, valueName == nullptr ? std::string() : std::string(valueName), type,
               std::move(bytes));
    return ERROR_SUCCESS;
}

LSTATUS WINAPI RegDeleteValueA(HKEY key, LPCSTR valueName) {
    log("RegDeleteValueA " + valueLabel(valueName));
    Resolved at;
    const LSTATUS status = resolve(key, kSetValue, &at);
    if (status != ERROR_SUCCESS) {
        return status;
    }
    if (writeRefused(pathOf(at.node))) {
        return ERROR_ACCESS_DENIED;
    }
    const std::string name = valueName == nullptr ? std::string() : std::string(valueName);
    std::vector<RegValue>& values = at.node->values;
    const auto found = std::find_if(values.begin(), values.end(), [&name](const RegValue& v) {
        return equalNoCase(v.name, name);
    });
    if (found == values.end()) {
        return ERROR_FILE_NOT_FOUND;
    }
    values.erase(found);
    return ERROR_SUCCESS;
}

LSTATUS WINAPI RegCloseKey(HKEY key) {
    if (isPredefined(key)) {
        log("RegCloseKey HKEY_CURRENT_USER");
        return ERROR_SUCCESS;
    }
    World& w = world();
    const auto found = w.keys.find(raw(key));
    if (found == w.keys.end()) {
        log("RegCloseKey ?");
        return ERROR_INVALID_HANDLE;
    }
    log("RegCloseKey " + found->second.openedAs);
    w.keys.erase(found);
    return ERROR_SUCCESS;
}

namespace stub {

void regCreateKey(const std::string& path) {
    create(path);
}

void regDeleteKey(const std::string& path) {
    RegNode* node = find(path);
    if (node == nullptr || node->parent == nullptr) {
        return;
    }
    markDeleted(node);
    auto& siblings = node->parent->children;
    siblings.erase(std::remove_if(siblings.begin(), siblings.end(),
                                  [node](const auto& c) { return c.get() == node; }),
                   siblings.end());
}

void regSetString(const std::string& path, const std::string& name, const std::string& text,
                  DWORD type) {
    std::vector<BYTE> bytes(text.begin(), text.end());
    bytes.push_back(0);
    storeValue(create(path), name, type, std::move(bytes));
}

void regSetDword(const std::string& path, const std::string& name, DWORD value) {
    std::vector<BYTE> bytes(4);
    for (std::size_t i = 0; i < 4; ++i) {
        bytes[i] = static_cast<BYTE>((value >> (8 * i)) & 0xFF);
    }
    storeValue(create(path), name, REG_DWORD, std::move(bytes));
}

void regSetBinary(const std::string& path, const std::string& name, const std::vector<BYTE>& data,
                  DWORD type) {
    storeValue(create(path), name, type, data);
}

bool regHasValue(const std::string& path, const std::string& name) {
    RegNode* node = find(path);
    return node != nullptr && findValue(node, name) != nullptr;
}

bool regGetValue(const std::string& path, const std::string& name, DWORD* type,
                 std::vector<BYTE>* data) {
    RegNode* node = find(path);
    const RegValue* value = node == nullptr ? nullptr : findValue(node, name);
    if (value == nullptr) {
        return false;
    }
    if (type != nullptr) {
        *type = value->type;
    }
    if (data != nullptr) {
        *data = value->data;
    }
    return true;
}

void regRefuseOpen(const std::string& path) {
    world().refusedOpen.push_back(normalise(path));
}

void regRefuseWrite(const std::string& path) {
    world().refusedWrite.push_back(normalise(path));
}

}  // namespace stub
