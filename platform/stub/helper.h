// How tests script the calls only the helper pixmote-add.exe makes (platform/stub/helper.cpp):
// the mouse for its window finder. Only tests include this header.
#pragma once

#include "platform/win32.h"

namespace stub {

// GetCursorPos gives `at`; WindowFromPoint(at) gives `window` (nullptr: none there).
void placeCursor(POINT at, HWND window);
HWND capturedWindow();  // the window given to SetCapture, until ReleaseCapture

}  // namespace stub
