// Emulator detection: the depth-first walk over the catalogue below
// HKEY_CURRENT_USER\Software\Pixmote (groups, then profiles, in the registry's enumeration
// order) and the geometry test of each profile against the open windows.
//
// Keys are opened, used and closed within one call, innermost first, on every path, and all of
// them are closed before it returns (so before its caller shows a warning). Nothing is kept
// between calls.
#include "detect/detect.h"

#include "detect/fit.h"
#include "detect/lookup.h"

#include <cstdint>
#include <cstring>

namespace {

// Group and profile names, ClassName and Caption: at most 63 characters and the NUL.
constexpr DWORD kNameChars = 64;
constexpr DWORD kTextBytes = 64;
// Each level is counted with a signed 16-bit index: at most 32768 entries.
constexpr int kMaxEntries = 32768;

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

// What reading a number gave: missing (absent, of another type, not a whole DWORD), out of
// the range the value allows, or a valid number.
enum class Read { Missing, OutOfRange, Valid };

// A REG_DWORD value whose low 16 bits, read as a signed number, lie within least..most.
// *number is set only when Valid (negative numbers lie outside the catalogue's range, and
// sizes must not be zero).
Read readNumber(HKEY key, const char* valueName, std::int16_t least, std::int16_t most,
                std::int16_t* number) {
    DWORD type = REG_NONE;
    DWORD data = 0;
    DWORD size = sizeof data;
    if (RegQueryValueExA(key, valueName, nullptr, &type, reinterpret_cast<LPBYTE>(&data), &size) !=
            ERROR_SUCCESS ||
        type != REG_DWORD || size != sizeof data) {
        return Read::Missing;
    }
    const auto value = static_cast<std::int16_t>(static_cast<std::uint16_t>(data & 0xFFFFu));
    if (value < least || value > most) {
        return Read::OutOfRange;
    }
    *number = value;
    return Read::Valid;
}

bool readNumber(HKEY key, const char* valueName, std::int16_t least, std::int16_t* number) {
    return readNumber(key, valueName, least, INT16_MAX, number) == Read::Valid;
}

// RCX, RCY, RX and RY, in that order: all four valid make a layout, none at all a bare screen,
// anything between a layout that only the whole-client test can get past.
void readLayout(HKEY profile, ScreenShape* shape) {
    std::int16_t values[4] = {};
    const Read reads[4] = {readNumber(profile, "RCX", 1, INT16_MAX, &values[0]),
                           readNumber(profile, "RCY", 1, INT16_MAX, &values[1]),
                           readNumber(profile, "RX", 0, INT16_MAX, &values[2]),
                           readNumber(profile, "RY", 0, INT16_MAX, &values[3])};
    int valid = 0;
    int missing = 0;
    for (const Read read : reads) {
        valid += read == Read::Valid ? 1 : 0;
        missing += read == Read::Missing ? 1 : 0;
    }
    if (valid == 4) {
        shape->layout = LayoutKind::Valid;
        shape->layoutWidth = values[0];
        shape->layoutHeight = values[1];
        shape->screenX = values[2];
        shape->screenY = values[3];
    } else {
        shape->layout = missing == 4 ? LayoutKind::None : LayoutKind::Broken;
    }
}

// AnyScale 1 allows any factor; then DotWidth and DotHeight (1 when missing) give the dot.
// AnyScale 2, with a layout, fits the picture into any client area: DotWidth and DotHeight as
// for 1, then FitWidth and FitHeight (1..RCX, 1..RCY), without which it counts as 0. AnyScale
// of another value, or a dot size out of range, leaves whole factors only.
void readAnyScale(HKEY profile, ScreenShape* shape) {
    std::int16_t anyScale = 0;
    if (readNumber(profile, "AnyScale", 0, 2, &anyScale) != Read::Valid || anyScale == 0) {
        return;
    }
    std::int16_t dotWidth = 1;
    std::int16_t dotHeight = 1;
    if (readNumber(profile, "DotWidth", 1, INT16_MAX, &dotWidth) == Read::OutOfRange ||
        readNumber(profile, "DotHeight", 1, INT16_MAX, &dotHeight) == Read::OutOfRange) {
        return;
    }
    if (anyScale == 2) {
        std::int16_t fitWidth = 0;
        std::int16_t fitHeight = 0;
        if (shape->layout != LayoutKind::Valid ||
            readNumber(profile, "FitWidth", 1, shape->layoutWidth, &fitWidth) != Read::Valid ||
            readNumber(profile, "FitHeight", 1, shape->layoutHeight, &fitHeight) != Read::Valid) {
            return;
        }
        shape->fitWidth = fitWidth;
        shape->fitHeight = fitHeight;
    } else {
        shape->anyScale = true;
    }
    shape->dotWidth = dotWidth;
    shape->dotHeight = dotHeight;
}

// The top-level window the profile names, by ClassName, Caption and CaptionMatch, or null.
// CaptionMatch missing is the exact caption; out of its range 0..2 the profile cannot match.
HWND profileWindow(HKEY profile) {
    char className[kTextBytes];
    char caption[kTextBytes];
    if (!readText(profile, "ClassName", className)) {
        return nullptr;
    }
    const bool hasCaption = readText(profile, "Caption", caption);
    std::int16_t match = 0;
    if (readNumber(profile, "CaptionMatch", 0, 2, &match) == Read::OutOfRange) {
        return nullptr;
    }
    const auto captionMatch = static_cast<CaptionMatch>(match);
    if (!hasCaption && captionMatch != CaptionMatch::Any) {
        return nullptr;
    }
    return findEmulatorWindow(className, hasCaption ? caption : nullptr, captionMatch);
}

// One profile against the open windows. True with *geometry set when every test passes; a
// profile that fails any test leaves *geometry as it was.
bool evaluateProfile(HKEY profile, CaptureGeometry* geometry) {
    HWND window = profileWindow(profile);
    if (window == nullptr) {
        return false;
    }
    // The screen may be a window of its own inside the emulator's: its client area is then
    // what the tests measure and the grab copies.
    HWND screen = window;
    char screenClass[kTextBytes];
    if (readText(profile, "ScreenClass", screenClass)) {
        screen = findScreenWindow(window, screenClass);
        if (screen == nullptr) {
            return false;
        }
    }
    ScreenShape shape;
    if (!readNumber(profile, "CX", 1, &shape.width) ||
        !readNumber(profile, "CY", 1, &shape.height)) {
        return false;
    }
    RECT client = {};
    if (!GetClientRect(screen, &client)) {
        return false;
    }
    const std::int64_t cw = std::int64_t{client.right} - client.left;
    const std::int64_t ch = std::int64_t{client.bottom} - client.top;
    // Read whatever the tests reach or not: a recording works the source out again from the
    // same numbers when the window changes size.
    readLayout(profile, &shape);
    readAnyScale(profile, &shape);
    const ScreenFit fit = fitScreen(shape, cw, ch);
    if (fit.kind == FitKind::None) {
        return false;
    }
    // Colors 1 records the screen's own colours; absent, 0 or any other value, 16 grays.
    std::int16_t colors = 0;
    const bool colour = readNumber(profile, "Colors", 0, 1, &colors) == Read::Valid && colors == 1;
    *geometry = {window,
                 shape.width,
                 shape.height,
                 fit.sourceX,
                 fit.sourceY,
                 fit.sourceWidth,
                 fit.sourceHeight,
                 screen,
                 fit.kind == FitKind::Sampled,
                 shape,
                 static_cast<std::int16_t>(cw),
                 static_cast<std::int16_t>(ch),
                 colour};
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
