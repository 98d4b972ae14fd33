// Emulator detection: walks the EmulatorCatalogue below HKEY_CURRENT_USER\Software\Pixmote and
// finds the first catalogued emulator window that is open. Called only by prepareRecording.
#pragma once

#include "platform/win32.h"

#include <cstdint>

struct CaptureGeometry {
    HWND window = nullptr;  // the emulator's top-level window; never owned
    std::int16_t width = 0;   // W, the profile's CX
    std::int16_t height = 0;  // H, the profile's CY
    std::int16_t sourceX = 0;  // source rectangle in the window's client coordinates
    std::int16_t sourceY = 0;
    std::int16_t sourceWidth = 0;
    std::int16_t sourceHeight = 0;
};

// True with *result set on a match. False after its warning has been shown; *result untouched.
// Every key it opened is closed before it returns or shows a warning.
bool detectEmulator(CaptureGeometry* result);
