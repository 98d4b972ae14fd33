// Emulator detection: the depth-first walk over the catalogue below
// HKEY_CURRENT_USER\Software\Pixmote (groups, then profiles, in the registry's enumeration
// order) and the geometry test of each profile against the open windows.
//
// Keys are opened, used and closed within one call, innermost first, on every path, and all of
// them are closed before it returns (so before its caller shows a warning). Nothing is kept
// between calls.
#include "detect/detect.h"

#include <cstdint>
#include <cstring>

namespace {

// Group and profile names, ClassName and Caption: at most 63 characters and the NUL.
constexpr DWORD kNameChars = 64;
constexpr DWORD kTextBytes = 64;
// Each level is counted with a signed 16-bit index: at most 32768 entries.
constexpr int kMaxEntries = 32768;
constexpr std::int64_t kMaxCoordinate = INT16_MAX;

constexpr const char kNoSoftwareKey[] = "Unable to open registry key HKEY_CURRENT_USER/Software";
constexpr const char kNoProgramKey[] =
    "Unable to open registry key HKEY_CURRENT_USER/Software/PIXMOTE";
constexpr const char kNoEmulator[] = "The software was unable to detect a supported emulator.";

// The index-th subkey name of key. False ends the level: no more subkeys, a name of 64
// characters or more, or any other failure.
bool subkeyName(HKEY key, int index, char (&name)[kNameChars]) {
    DWORD length = kNameChars;
    if (RegEnumKeyExA(key, static_cast<DWORD>(index), name, &length, nullptr, nullptr, nullptr,
                      nullptr) != ERROR_SUCCESS) {
        return false;
    }
    name[length < kNameChars ? length : kNameChars - 1] = '\0';
    return true;
}

// A REG_SZ value of at most 63 characters, NUL-terminated in text. False when it is missing,
// of another type or too long. A text stored without its NUL is terminated here; 64 bytes
// without any NUL are a text of 64 characters or more.
bool readText(HKEY key, const char* valueName, char (&text)[kTextBytes]) {
    DWORD type = REG_NONE;
    DWORD size = kTextBytes;
    if (RegQueryValueExA(key, valueName, nullptr, &type, reinterpret_cast<LPBYTE>(text), &size) !=
            ERROR_SUCCESS ||
        type != REG_SZ) {
        return false;
    }
    if (size < kTextBytes) {
        text[size] = '\0';
        return true;
    }
    return size == kTextBytes && std::memchr(text, '\0', kTextBytes) != nullptr;
}

// A REG_DWORD value whose low 16 bits, read as a signed number, are at least least. False when
// it is missing, of another type, not a whole DWORD, or below least (negative numbers lie
// outside the catalogue's range, and sizes must not be zero).
bool readNumber(HKEY key, const char* valueName, std::int16_t least, std::int16_t* number) {
    DWORD type = REG_NONE;
    DWORD data = 0;
    DWORD size = sizeof data;
    if (RegQueryValueExA(key, valueName, nullptr, &type, reinterpret_cast<LPBYTE>(&data), &size) !=
            ERROR_SUCCESS ||
        type != REG_DWORD || size != sizeof data) {
        return false;
    }
    const auto value = static_cast<std::int16_t>(static_cast<std::uint16_t>(data & 0xFFFFu));
    if (value < least) {
        return false;
    }
    *number = value;
    return true;
}

bool fitsCoordinate(std::int64_t value) {
    return value >= 0 && value <= kMaxCoordinate;
}

// One profile against the open windows. True with *geometry set when every test passes; a
// profile that fails any test leaves *geometry as it was.
bool evaluateProfile(HKEY profile, CaptureGeometry* geometry) {
    char className[kTextBytes];
    char caption[kTextBytes];
    if (!readText(profile, "ClassName", className) || !readText(profile, "Caption", caption)) {
        return false;
    }
    HWND window = FindWindowA(className, caption);
    if (window == nullptr) {
        return false;
    }
    std::int16_t cx = 0;
    std::int16_t cy = 0;
    if (!readNumber(profile, "CX", 1, &cx) || !readNumber(profile, "CY", 1, &cy)) {
        return false;
    }
    RECT client = {};
    if (!GetClientRect(window, &client)) {
        return false;
    }
    const std::int64_t cw = std::int64_t{client.right} - client.left;
    const std::int64_t ch = std::int64_t{client.bottom} - client.top;
    // Every coordinate of the capture is a signed 16-bit number: a client area beyond that
    // cannot be described without truncating it.
    if (!fitsCoordinate(cw) || !fitsCoordinate(ch)) {
        return false;
    }

    // Bare screen: the client area is the screen enlarged by whole factors (this test comes
    // first, whatever else the profile holds). A 0 x 0 client area passes.
    if (cw % cx == 0 && ch % cy == 0) {
        *geometry = {
            window, cx, cy, 0, 0, static_cast<std::int16_t>(cw), static_cast<std::int16_t>(ch)};
        return true;
    }

    // Layout: the client area is the RCX x RCY picture enlarged by whole factors, with the
    // screen's top-left pixel at (RX, RY) of the picture.
    std::int16_t rcx = 0;
    std::int16_t rcy = 0;
    if (!readNumber(profile, "RCX", 1, &rcx) || !readNumber(profile, "RCY", 1, &rcy)) {
        return false;
    }
    if (cw % rcx != 0 || ch % rcy != 0) {
        return false;
    }
    std::int16_t rx = 0;
    std::int16_t ry = 0;
    if (!readNumber(profile, "RX", 0, &rx) || !readNumber(profile, "RY", 0, &ry)) {
        return false;
    }
    const std::int64_t sx = cw / rcx;
    const std::int64_t sy = ch / rcy;
    const std::int64_t left = rx * sx;
    const std::int64_t top = ry * sy;
    const std::int64_t width = cx * sx;
    const std::int64_t height = cy * sy;
    // All four are at least 0, so the far edges fitting means every part fits.
    if (!fitsCoordinate(left + width) || !fitsCoordinate(top + height)) {
        return false;
    }
    *geometry = {window,
                 cx,
                 cy,
                 static_cast<std::int16_t>(left),
                 static_cast<std::int16_t>(top),
                 static_cast<std::int16_t>(width),
                 static_cast<std::int16_t>(height)};
    return true;
}

// The profiles of one group, in enumeration order, until one matches. A profile key that
// cannot be opened is passed over.
bool searchGroup(HKEY group, CaptureGeometry* geometry) {
    char name[kNameChars];
    for (int index = 0; index < kMaxEntries && subkeyName(group, index, name); ++index) {
        HKEY profile = nullptr;
        if (RegOpenKeyExA(group, name, 0, KEY_READ, &profile) != ERROR_SUCCESS) {
            continue;
        }
        const bool matched = evaluateProfile(profile, geometry);
        RegCloseKey(profile);
        if (matched) {
            return true;
        }
    }
    return false;
}

// The groups of the program key, in enumeration order, until one holds a match; later groups
// are not opened. A group key that cannot be opened is passed over.
bool searchCatalogue(HKEY program, CaptureGeometry* geometry) {
    char name[kNameChars];
    for (int index = 0; index < kMaxEntries && subkeyName(program, index, name); ++index) {
        HKEY group = nullptr;
        if (RegOpenKeyExA(program, name, 0, KEY_READ, &group) != ERROR_SUCCESS) {
            continue;
        }
        const bool matched = searchGroup(group, geometry);
        RegCloseKey(group);
        if (matched) {
            return true;
        }
    }
    return false;
}

}  // namespace

bool detectEmulator(CaptureGeometry* result, const char** warning) {
    HKEY software = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, "Software", 0, KEY_READ, &software) != ERROR_SUCCESS) {
        *warning = kNoSoftwareKey;
        return false;
    }
    HKEY program = nullptr;
    if (RegOpenKeyExA(software, "Pixmote", 0, KEY_READ, &program) != ERROR_SUCCESS) {
        RegCloseKey(software);
        *warning = kNoProgramKey;
        return false;
    }
    CaptureGeometry found;
    const bool matched = searchCatalogue(program, &found);
    RegCloseKey(program);
    RegCloseKey(software);
    if (!matched) {
        *warning = kNoEmulator;
        return false;
    }
    *result = found;
    return true;
}
