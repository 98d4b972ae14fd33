// Commands on any top-level window found by its class: a real emulator such as Free42, which
// the end-to-end checks place, size and photograph. Called by the driver's main.cpp only.
#pragma once

#include <string>

// Prints "client WxH at X,Y window L,T,R,B title=TEXT" of the first visible window of the
// class: its client size and where the client area starts on the screen (the X screen's
// coordinates, since the checks' windows are unmanaged). Waits for the window to show.
int windowInfo(const std::string& windowClass);

// Sizes the window so that its client area is width x height (the frame and the menu bar kept
// as they are), then waits until the window reports that client size and prints as
// windowInfo. A program may keep its own aspect; the size it settles on is printed and a
// different one fails the command.
int windowResize(const std::string& windowClass, int width, int height);

// Moves the window's top-left corner to x, y on the screen and prints as windowInfo.
int windowMove(const std::string& windowClass, int x, int y);

// Asks the window to close, as its close box does (WM_CLOSE, posted), and waits until it is
// gone.
int windowClose(const std::string& windowClass);
