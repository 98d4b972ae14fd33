// Emulator detection: walks the EmulatorCatalogue below HKEY_CURRENT_USER\Software\Pixmote and
// finds the first catalogued emulator window that is open. Called only by prepareRecording,
// which shows the warning a failed detection returns.
#pragma once

#include "detect/fit.h"
#include "platform/win32.h"

#include <cstdint>

struct CaptureGeometry {
    HWND window = nullptr;     // the emulator's top-level window; never owned
    std::int16_t width = 0;    // W, the profile's CX
    std::int16_t height = 0;   // H, the profile's CY
    std::int16_t sourceX = 0;  // source rectangle in the screen window's client coordinates
    std::int16_t sourceY = 0;
    std::int16_t sourceWidth = 0;
    std::int16_t sourceHeight = 0;
    // The window whose client area shows the calculator screen and whose device context the
    // grab copies: window itself, or its ScreenClass descendant.
    HWND screen = nullptr;
    // False: the source is shrunk to W x H by whole factors. True (AnyScale at a factor that is
    // not whole): the source is copied 1:1 and each dot is read at its centre.
    bool sampled = false;
    // The profile's numbers, from which the grab works the source out again when the screen
    // window's client area changes size, and the client size this source was worked out for.
    ScreenShape shape = {};
    std::int16_t clientWidth = 0;
    std::int16_t clientHeight = 0;
    // The profile's Colors 1: recorded in the screen's own colours rather than 16 grays.
    bool colour = false;

    bool operator==(const CaptureGeometry&) const = default;
};

// Searches the catalogue afresh and returns true with *result set to the first profile, in
// enumeration order, that describes an open window (a profile's optional values CaptionMatch,
// ScreenClass, AnyScale, DotWidth, DotHeight, FitWidth, FitHeight and Colors are described in
// docs/catalogue.md; AnyScale 2 with FitWidth x FitHeight, the size of the fitted picture in the
// RCX x RCY client area, describes a window that fits its picture into any client size, one
// factor across and down, centred with bars: detect/fit.h). On a match
// width and height are at least 1, every source value is at least 0 (a size is 0 only where the
// client area's is), and the far edges sourceX + sourceWidth and sourceY + sourceHeight fit a
// signed 16-bit number. False with *warning set to the text to show the user (a static string);
// *result untouched. Every key it opened is closed before it returns.
bool detectEmulator(CaptureGeometry* result, const char** warning);
