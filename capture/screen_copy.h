// The other ways to copy an emulator's screen, for the grab's two ways of copying
// (capture/grab.cpp, capture/sampling.cpp).
//
// The grab copies out of the screen window's own device context. Wine copies nothing out of a
// child window of another process (the copy fails), while it copies the top-level window's
// client area whole; there the child's pixels are at the child's place. A window drawn by the
// GPU (Direct3D under desktop composition) may give a copy that is all black, while the screen
// shows it: its pixels are then copied out of the screen's context at the window's place.
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

// Runs copy(context, dx, dy) on the screen's context, with (dx, dy) screen's client origin on
// the screen, to be added to every source coordinate. What it copies is what the screen shows
// there: the window while nothing covers it. True when that copy was made. The context is
// released before it returns.
template <typename Copy>
bool copyAtScreensPlace(HWND screen, Copy copy) {
    POINT origin = {0, 0};
    MapWindowPoints(screen, nullptr, &origin, 1);
    HDC context = GetDC(nullptr);
    if (context == nullptr) {
        return false;
    }
    const bool copied = copy(context, static_cast<int>(origin.x), static_cast<int>(origin.y));
    ReleaseDC(nullptr, context);
    return copied;
}
