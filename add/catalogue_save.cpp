// The catalogue write and its checks.
#include "add/catalogue_save.h"

#include "detect/detect.h"

#include <cctype>
#include <utility>

namespace {

constexpr char kCatalogue[] = "Software\\Pixmote";
constexpr std::size_t kMaxKeyName = 63;
constexpr DWORD kTextSize = 256;

bool sameNoCase(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(a[i])) !=
            std::tolower(static_cast<unsigned char>(b[i]))) {
            return false;
        }
    }
    return true;
}

std::string readText(HKEY key, const char* value) {
    char text[kTextSize] = "";
    DWORD type = 0;
    DWORD size = kTextSize - 1;
    if (RegQueryValueExA(key, value, nullptr, &type, reinterpret_cast<LPBYTE>(text), &size) !=
            ERROR_SUCCESS ||
        type != REG_SZ) {
        return {};
    }
    text[size < kTextSize ? size : kTextSize - 1] = '\0';
    return text;
}

DWORD readDword(HKEY key, const char* value) {
    DWORD data = 0;
    DWORD type = 0;
    DWORD size = sizeof data;
    if (RegQueryValueExA(key, value, nullptr, &type, reinterpret_cast<LPBYTE>(&data), &size) !=
            ERROR_SUCCESS ||
        type != REG_DWORD) {
        return 0;
    }
    return data;
}

bool describes(HKEY profile, const std::string& className, const std::string& caption) {
    const std::string wantedCaption = readText(profile, "Caption");
    if (!sameNoCase(readText(profile, "ClassName"), className)) {
        return false;
    }
    if (readDword(profile, "CaptionMatch") == 1) {
        return caption.size() >= wantedCaption.size() &&
               sameNoCase(caption.substr(0, wantedCaption.size()), wantedCaption);
    }
    return sameNoCase(wantedCaption, caption);
}

std::string subkeyName(HKEY key, DWORD index, bool* more) {
    char name[kTextSize] = "";
    DWORD length = kTextSize;
    const LSTATUS status =
        RegEnumKeyExA(key, index, name, &length, nullptr, nullptr, nullptr, nullptr);
    *more = status == ERROR_SUCCESS || status == ERROR_MORE_DATA;
    return status == ERROR_SUCCESS ? std::string(name) : std::string();
}

bool setText(HKEY key, const char* value, const std::string& text) {
    return RegSetValueExA(key, value, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                          static_cast<DWORD>(text.size() + 1)) == ERROR_SUCCESS;
}

bool setDword(HKEY key, const char* value, int number) {
    const auto data = static_cast<DWORD>(number);
    return RegSetValueExA(key, value, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&data),
                          sizeof data) == ERROR_SUCCESS;
}

}  // namespace

bool pixmoteInstalled() {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, kCatalogue, 0, KEY_READ, &key) != ERROR_SUCCESS) {
        return false;
    }
    RegCloseKey(key);
    return true;
}

bool validKeyName(const std::string& name) {
    return !name.empty() && name.size() <= kMaxKeyName && name.find('\\') == std::string::npos;
}

std::string profileDescribing(const std::string& className, const std::string& caption,
                              const std::string& group, const std::string& name, bool before) {
    HKEY catalogue = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, kCatalogue, 0, KEY_READ, &catalogue) != ERROR_SUCCESS) {
        return {};
    }
    std::string found;
    bool reachedOwn = false;
    bool moreGroups = true;
    for (DWORD g = 0; moreGroups && found.empty() && !reachedOwn; ++g) {
        const std::string groupName = subkeyName(catalogue, g, &moreGroups);
        HKEY groupKey = nullptr;
        if (groupName.empty() ||
            RegOpenKeyExA(catalogue, groupName.c_str(), 0, KEY_READ, &groupKey) != ERROR_SUCCESS) {
            continue;
        }
        bool moreProfiles = true;
        for (DWORD p = 0; moreProfiles && found.empty(); ++p) {
            const std::string profileName = subkeyName(groupKey, p, &moreProfiles);
            if (profileName.empty()) {
                continue;
            }
            if (sameNoCase(groupName, group) && sameNoCase(profileName, name)) {
                reachedOwn = before;
                if (reachedOwn) {
                    break;
                }
                continue;
            }
            HKEY profileKey = nullptr;
            if (RegOpenKeyExA(groupKey, profileName.c_str(), 0, KEY_READ, &profileKey) !=
                ERROR_SUCCESS) {
                continue;
            }
            if (describes(profileKey, className, caption)) {
                found = groupName + "\\" + profileName;
            }
            RegCloseKey(profileKey);
        }
        RegCloseKey(groupKey);
    }
    RegCloseKey(catalogue);
    return found;
}

bool writeProfile(const Profile& p, const std::string& group, const std::string& name) {
    if (!validKeyName(group) || !validKeyName(name)) {
        return false;
    }
    const std::string path = std::string(kCatalogue) + "\\" + group + "\\" + name;
    HKEY key = nullptr;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                        KEY_WRITE, nullptr, &key, nullptr) != ERROR_SUCCESS) {
        return false;
    }
    bool ok = setText(key, "ClassName", p.className) && setText(key, "Caption", p.caption) &&
              setDword(key, "CX", p.cx) && setDword(key, "CY", p.cy);
    if (ok && p.captionMatch != 0) {
        ok = setDword(key, "CaptionMatch", p.captionMatch);
    }
    if (ok && !p.screenClass.empty()) {
        ok = setText(key, "ScreenClass", p.screenClass);
    }
    if (ok && p.kind == ProfileKind::Layout) {
        ok = setDword(key, "RCX", p.rcx) && setDword(key, "RCY", p.rcy) &&
             setDword(key, "RX", p.rx) && setDword(key, "RY", p.ry);
    }
    if (ok && p.anyScale != 0) {
        ok = setDword(key, "AnyScale", p.anyScale);
    }
    if (ok && p.dotWidth != 0) {
        ok = setDword(key, "DotWidth", p.dotWidth) && setDword(key, "DotHeight", p.dotHeight);
    }
    if (ok && p.fitWidth != 0) {
        ok = setDword(key, "FitWidth", p.fitWidth) && setDword(key, "FitHeight", p.fitHeight);
    }
    if (ok && p.colors != 0) {
        ok = setDword(key, "Colors", p.colors);
    }
    // Saved again over an earlier profile: the values this one does without are taken out.
    const bool layout = p.kind == ProfileKind::Layout;
    const std::pair<const char*, bool> optional[] = {{"CaptionMatch", p.captionMatch != 0},
                                                     {"ScreenClass", !p.screenClass.empty()},
                                                     {"RCX", layout},
                                                     {"RCY", layout},
                                                     {"RX", layout},
                                                     {"RY", layout},
                                                     {"AnyScale", p.anyScale != 0},
                                                     {"DotWidth", p.dotWidth != 0},
                                                     {"DotHeight", p.dotWidth != 0},
                                                     {"Colors", p.colors != 0}};
    for (const auto& [value, used] : optional) {
        if (ok && !used) {
            const LSTATUS status = RegDeleteValueA(key, value);
            ok = status == ERROR_SUCCESS || status == ERROR_FILE_NOT_FOUND;
        }
    }
    RegCloseKey(key);
    return ok;
}

std::string detectionCheck(HWND topLevel, const Profile& profile, const std::string& group,
                           const std::string& name) {
    CaptureGeometry geometry;
    const char* warning = nullptr;
    if (!detectEmulator(&geometry, &warning)) {
        return std::string("Pixmote does not find the window with this profile: ") +
               (warning != nullptr ? warning : "no emulator found") + ".";
    }
    if (geometry.window == topLevel && geometry.width == profile.cx &&
        geometry.height == profile.cy) {
        return {};
    }
    char caption[kTextSize] = "";
    char className[kTextSize] = "";
    GetWindowTextA(topLevel, caption, static_cast<int>(kTextSize));
    GetClassNameA(topLevel, className, static_cast<int>(kTextSize));
    const std::string earlier = profileDescribing(className, caption, group, name, true);
    if (geometry.window == topLevel && !earlier.empty()) {
        return "Pixmote finds this window through the profile " + earlier +
               " first, which records it at " + std::to_string(geometry.width) + " x " +
               std::to_string(geometry.height) + ".";
    }
    if (geometry.window != topLevel) {
        char other[kTextSize] = "";
        GetWindowTextA(geometry.window, other, static_cast<int>(kTextSize));
        return std::string("Pixmote finds another open emulator first: \"") + other +
               "\". Close it to record this one.";
    }
    return "Pixmote finds this window, but records it at " + std::to_string(geometry.width) +
           " x " + std::to_string(geometry.height) + ".";
}
