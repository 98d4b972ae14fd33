// The second way to copy an emulator's screen drawn in a child window, for the grab's two ways
// of copying (capture/grab.cpp, capture/sampling.cpp).
//
// The grab copies out of the screen window's own device context. Wine copies nothing out of a
// child window of another process (the copy fails), while it copies the top-level window's
// client area whole; there the child's pixels are at the child's place.
#pragma once

#include "platform/win32.h"

// After a copy out of screen's own context failed: when screen is a child of window, runs
// copy(context, dx, dy) on window's context, with (dx, dy) the screen's client origin in
// window's client area, to be added to every source coordinate. True when that copy was made;
// false at once when screen is window itself. The context is released before it returns.
template <typename Copy>
bool copyAtChildsPlace(HWND screen, HWND window, Copy copy) {
    if (screen == window) {
        return false;
    }
    POINT origin = {0, 0};
    MapWindowPoints(screen, window, &origin, 1);
    HDC context = GetDC(window);
    if (context == nullptr) {
        return false;
    }
    const bool copied = copy(context, static_cast<int>(origin.x), static_cast<int>(origin.y));
    ReleaseDC(window, context);
    return copied;
}
