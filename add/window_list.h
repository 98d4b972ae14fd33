// The windows the helper offers: the visible top-level windows with their child windows, and
// the window under the finder. Called by the helper's dialog; tested through the stand-in.
#pragma once

#include "platform/win32.h"

#include <string>
#include <vector>

struct WindowEntry {
    HWND window = nullptr;    // the window whose client area shows the screen
    HWND topLevel = nullptr;  // its top-level window (window itself for a top-level one)
    std::string caption;
    std::string className;
    int width = 0;  // client size
    int height = 0;
};

// What is known of a window now; false when it is gone.
bool describeWindow(HWND window, WindowEntry* entry);

// The visible top-level windows with a client area, in Z-order, each followed by its visible
// child windows with a client area; `exclude` (the helper's own dialog) and its children, and
// tool windows (WS_EX_TOOLWINDOW, as the tray's), left out.
std::vector<WindowEntry> listWindows(HWND exclude);

// The row text: "My Calc  [MyCalc]  192 x 128", a child window indented under its parent.
std::string windowRowText(const WindowEntry& entry);

// The window under the screen point, as the finder picks it on release: the innermost window
// there, or nullptr over nothing or over a window of `exclude`.
HWND windowUnderPoint(POINT point, HWND exclude);
