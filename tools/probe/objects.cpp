// Counting what a process holds; see objects.h.
#include "tools/probe/objects.h"

#include <psapi.h>
#include <winternl.h>

#include <cstdio>
#include <cstdint>
#include <vector>

namespace {

// PEB.GdiSharedHandleTable in a 64-bit process.
constexpr SIZE_T kPebGdiTableOffset = 0xF8;
constexpr std::size_t kGdiEntries = 0x10000;

// One entry of the GDI handle table as Wine and 64-bit Windows lay it out (24 bytes).
struct GdiEntry {
    std::uint64_t object;
    std::uint32_t owner;
    std::uint16_t unique;
    std::uint8_t type;
    std::uint8_t flags;
    std::uint64_t userPointer;
};
static_assert(sizeof(GdiEntry) == 24, "GDI handle table entry layout");

// Type numbers (the low five bits): device contexts 1 (memory contexts too); bitmaps 5 on
// Windows, 9 in Wine.
constexpr std::uint8_t kTypeDc = 0x01;
constexpr std::uint8_t kTypeSurface = 0x05;
constexpr std::uint8_t kTypeWineBitmap = 0x09;

// The process's GDI handle table; false when it cannot be read.
bool readGdiTable(HANDLE process, std::vector<GdiEntry>* entries) {
    PROCESS_BASIC_INFORMATION basic = {};
    ULONG length = 0;
    if (NtQueryInformationProcess(process, ProcessBasicInformation, &basic, sizeof basic,
                                  &length) != 0 ||
        basic.PebBaseAddress == nullptr) {
        return false;
    }
    std::uint64_t table = 0;
    SIZE_T got = 0;
    const auto* tableField =
        reinterpret_cast<const char*>(basic.PebBaseAddress) + kPebGdiTableOffset;
    if (!ReadProcessMemory(process, tableField, &table, sizeof table, &got) || table == 0) {
        return false;
    }
    entries->assign(kGdiEntries, GdiEntry{});
    return ReadProcessMemory(process, reinterpret_cast<const void*>(table), entries->data(),
                             entries->size() * sizeof(GdiEntry), &got) &&
           got == entries->size() * sizeof(GdiEntry);
}

void countGdi(HANDLE process, ProcessObjects* out) {
    std::vector<GdiEntry> entries;
    if (!readGdiTable(process, &entries)) {
        return;
    }
    long used = 0;
    for (const GdiEntry& e : entries) {
        if (e.type == 0) {
            continue;
        }
        ++used;
        if ((e.type & 0x1F) == kTypeDc) {
            ++out->gdiDc;
        } else if ((e.type & 0x1F) == kTypeSurface || (e.type & 0x1F) == kTypeWineBitmap) {
            ++out->gdiBitmap;
        }
    }
    out->gdi = used;
}

struct WindowCount {
    DWORD pid;
    long count;
};

BOOL CALLBACK countChild(HWND w, LPARAM data) {
    auto* c = reinterpret_cast<WindowCount*>(data);
    DWORD pid = 0;
    GetWindowThreadProcessId(w, &pid);
    if (pid == c->pid) {
        ++c->count;
    }
    return TRUE;
}

BOOL CALLBACK countTop(HWND w, LPARAM data) {
    auto* c = reinterpret_cast<WindowCount*>(data);
    DWORD pid = 0;
    GetWindowThreadProcessId(w, &pid);
    if (pid == c->pid) {
        ++c->count;
        EnumChildWindows(w, countChild, data);  // every descendant, not only the children
    }
    return TRUE;
}

long countWindows(DWORD pid) {
    WindowCount c = {pid, 0};
    EnumWindows(countTop, reinterpret_cast<LPARAM>(&c));
    HWND w = nullptr;
    while ((w = FindWindowExA(HWND_MESSAGE, w, nullptr, nullptr)) != nullptr) {
        DWORD owner = 0;
        GetWindowThreadProcessId(w, &owner);
        if (owner == pid) {
            ++c.count;
        }
    }
    return c.count;
}

// The system's handle list, or false when the system does not give it.
bool systemHandles(std::vector<char>& buffer) {
    buffer.resize(1 << 20);
    for (int attempt = 0; attempt < 6; ++attempt) {
        ULONG needed = 0;
        NTSTATUS status = NtQuerySystemInformation(SystemHandleInformation, buffer.data(),
                                                   static_cast<ULONG>(buffer.size()), &needed);
        if (status == 0) {
            return true;
        }
        if (static_cast<ULONG>(status) != 0xC0000004u) {  // STATUS_INFO_LENGTH_MISMATCH
            return false;
        }
        buffer.resize(needed > buffer.size() ? needed + 65536 : buffer.size() * 2);
    }
    return false;
}

// A UNICODE_STRING result of NtQueryObject as plain text (ASCII only, the rest as '?').
std::string objectText(HANDLE h, OBJECT_INFORMATION_CLASS what) {
    std::vector<char> buffer(4096);
    ULONG length = 0;
    if (NtQueryObject(h, what, buffer.data(), static_cast<ULONG>(buffer.size()), &length) != 0) {
        return "?";
    }
    const auto* text = reinterpret_cast<const UNICODE_STRING*>(buffer.data());
    std::string out;
    for (USHORT i = 0; text->Buffer != nullptr && i < text->Length / 2; ++i) {
        out += text->Buffer[i] < 128 ? static_cast<char>(text->Buffer[i]) : '?';
    }
    return out;
}

// The process's kernel handles, and of them the keys Wine's file dialog leaves open.
void countHandles(DWORD pid, ProcessObjects* out) {
    std::vector<char> buffer;
    if (!systemHandles(buffer)) {
        return;
    }
    HANDLE process = OpenProcess(PROCESS_DUP_HANDLE, FALSE, pid);
    const auto* info = reinterpret_cast<const SYSTEM_HANDLE_INFORMATION*>(buffer.data());
    long n = 0;
    long mru = 0;
    for (ULONG i = 0; i < info->Count; ++i) {
        const SYSTEM_HANDLE_ENTRY& e = info->Handle[i];
        if (e.OwnerPid != pid) {
            continue;
        }
        ++n;
        HANDLE copy = nullptr;
        if (process != nullptr &&
            DuplicateHandle(process,
                            reinterpret_cast<HANDLE>(static_cast<ULONG_PTR>(e.HandleValue)),
                            GetCurrentProcess(), &copy, 0, FALSE, DUPLICATE_SAME_ACCESS)) {
            const std::string name = objectText(copy, ObjectNameInformation);
            const std::string tail = "\\ComDlg32\\LastVisitedMRU";
            if (name.size() >= tail.size() &&
                name.compare(name.size() - tail.size(), tail.size(), tail) == 0) {
                ++mru;
            }
            CloseHandle(copy);
        }
    }
    if (process != nullptr) {
        CloseHandle(process);
    }
    out->handles = n;
    out->mruKeys = mru;
}

}  // namespace

void listGdi(DWORD pid) {
    HANDLE process = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, pid);
    std::vector<GdiEntry> entries;
    if (process == nullptr || !readGdiTable(process, &entries)) {
        std::printf("no GDI table\n");
        if (process != nullptr) {
            CloseHandle(process);
        }
        return;
    }
    SIZE_T got = 0;
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const GdiEntry& e = entries[i];
        if (e.type == 0) {
            continue;
        }
        std::printf("%#06zx type=%#04x flags=%#04x", i, e.type, e.flags);
        if ((e.type & 0x1F) == kTypeWineBitmap) {
            // Wine's bitmap object: a 16-byte header, then its BITMAP.
            struct {
                std::uint64_t funcs;
                std::uint16_t selected;
                std::uint16_t flags;
                std::uint32_t pad;
                BITMAP bitmap;
            } object = {};
            if (ReadProcessMemory(process, reinterpret_cast<const void*>(e.object), &object,
                                  sizeof object, &got)) {
                std::printf(" bitmap %ldx%ld bpp=%u selected=%u", object.bitmap.bmWidth,
                            object.bitmap.bmHeight, object.bitmap.bmBitsPixel, object.selected);
            }
        }
        std::printf("\n");
    }
    CloseHandle(process);
}

void listHandles(DWORD pid) {
    std::vector<char> buffer;
    if (!systemHandles(buffer)) {
        std::printf("no handle list\n");
        return;
    }
    HANDLE process = OpenProcess(PROCESS_DUP_HANDLE, FALSE, pid);
    const auto* info = reinterpret_cast<const SYSTEM_HANDLE_INFORMATION*>(buffer.data());
    for (ULONG i = 0; i < info->Count; ++i) {
        const SYSTEM_HANDLE_ENTRY& e = info->Handle[i];
        if (e.OwnerPid != pid) {
            continue;
        }
        HANDLE copy = nullptr;
        std::string type = "?";
        std::string name;
        if (process != nullptr &&
            DuplicateHandle(process,
                            reinterpret_cast<HANDLE>(static_cast<ULONG_PTR>(e.HandleValue)),
                            GetCurrentProcess(), &copy, 0, FALSE, DUPLICATE_SAME_ACCESS)) {
            type = objectText(copy, ObjectTypeInformation);
            name = objectText(copy, ObjectNameInformation);
            CloseHandle(copy);
        }
        std::printf("%#06x type=%u %s %s\n", e.HandleValue, e.ObjectType, type.c_str(),
                    name.c_str());
    }
    if (process != nullptr) {
        CloseHandle(process);
    }
}

ProcessObjects countObjects(DWORD pid) {
    ProcessObjects out;
    HANDLE process = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, pid);
    if (process != nullptr) {
        // A tick's memory device context lives for a fraction of a millisecond: the least of
        // three readings 37 ms apart is what is held between ticks.
        for (int reading = 0; reading < 3; ++reading) {
            ProcessObjects one;
            countGdi(process, &one);
            if (out.gdi < 0 || (one.gdi >= 0 && one.gdi < out.gdi)) {
                out.gdi = one.gdi;
                out.gdiDc = one.gdiDc;
                out.gdiBitmap = one.gdiBitmap;
            }
            if (reading < 2) {
                Sleep(37);
            }
        }
        PROCESS_MEMORY_COUNTERS_EX mem = {};
        mem.cb = sizeof mem;
        if (GetProcessMemoryInfo(process, reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&mem),
                                 sizeof mem)) {
            out.workingSet = mem.WorkingSetSize;
            // Wine may leave PrivateUsage at 0; PagefileUsage is the same figure on Windows.
            out.privateBytes = mem.PrivateUsage != 0 ? mem.PrivateUsage : mem.PagefileUsage;
        }
        CloseHandle(process);
    }
    out.windows = countWindows(pid);
    countHandles(pid, &out);
    return out;
}

std::string formatObjects(const ProcessObjects& o) {
    char line[256];
    std::snprintf(line, sizeof line,
                  "gdi=%ld dc=%ld bitmap=%ld windows=%ld handles=%ld mru=%ld workingset=%llu "
                  "private=%llu",
                  o.gdi, o.gdiDc, o.gdiBitmap, o.windows, o.handles, o.mruKeys, o.workingSet,
                  o.privateBytes);
    return line;
}
