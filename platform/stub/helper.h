// How tests script the calls only the helper pixmote-add.exe makes (platform/stub/helper.cpp):
// the mouse for its window finder. Only tests include this header.
#pragma once

#include "platform/win32.h"

namespace stub {

// GetCursorPos gives `at`; WindowFromPoint(at) gives `window` (nullptr: none there).
void placeCursor(POINT at, HWND window);
HWND capturedWindow();  // the window given to SetCapture, until ReleaseCapture
// The system cursor last given to SetCursor (LoadCursorA(nullptr, IDC_...)): 32515 for the
// cross, 32512 for the arrow, 0 before any.
int cursorShape();
// The window's extended style, as GetWindowLongA(GWL_EXSTYLE) reads it (WS_EX_TOOLWINDOW).
void setExStyle(HWND window, LONG exStyle);

}  // namespace stub
