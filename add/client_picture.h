// A picture of a window's client area, taken through the Win32 calls the frame grab makes
// (window context, memory context, compatible bitmap, a 1:1 StretchBlt in COLORONCOLOR mode,
// GetDIBits of 32-bit top-down pixels). Called by the /locate command and the helper's windows.
#pragma once

#include "add/picture.h"
#include "platform/win32.h"

// False when the window is gone, its client area is empty or a step failed; *picture is then
// untouched. Every context and bitmap it made is given back on every path.
bool grabClientPicture(HWND window, Picture* picture);
