// Placing and measuring a top-level window by its class, through the calls a user's window
// manager would make (SetWindowPos), never through the program's own messages.
#include "tools/driver/window.h"

#include <windows.h>

#include <cstdio>

#include "tools/driver/find.h"

namespace {

HWND waitVisible(const std::string& windowClass) {
    HWND w = waitFor([&windowClass] { return findVisibleOfClass(windowClass); });
    if (w == nullptr) {
        std::printf("FAIL no visible window of class %s\n", windowClass.c_str());
    }
    return w;
}

SIZE clientSize(HWND w) {
    RECT c = {};
    GetClientRect(w, &c);
    return SIZE{c.right - c.left, c.bottom - c.top};
}

void printInfo(HWND w) {
    SIZE c = clientSize(w);
    POINT origin = {0, 0};
    ClientToScreen(w, &origin);
    RECT r = {};
    GetWindowRect(w, &r);
    std::printf("client %ldx%ld at %ld,%ld window %ld,%ld,%ld,%ld title=%s\n", c.cx, c.cy, origin.x,
                origin.y, r.left, r.top, r.right, r.bottom, windowText(w).c_str());
}

}  // namespace

int windowInfo(const std::string& windowClass) {
    HWND w = waitVisible(windowClass);
    if (w == nullptr) {
        return 1;
    }
    printInfo(w);
    return 0;
}

int windowResize(const std::string& windowClass, int width, int height) {
    HWND w = waitVisible(windowClass);
    if (w == nullptr) {
        return 1;
    }
    RECT r = {};
    GetWindowRect(w, &r);
    SIZE c = clientSize(w);
    const int frameWidth = static_cast<int>(r.right - r.left - c.cx);
    const int frameHeight = static_cast<int>(r.bottom - r.top - c.cy);
    SetWindowPos(w, nullptr, 0, 0, width + frameWidth, height + frameHeight,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    const bool settled = waitUntil([w, width, height] {
        SIZE now = clientSize(w);
        return now.cx == width && now.cy == height;
    });
    printInfo(w);
    if (!settled) {
        std::printf("FAIL the client area did not become %dx%d\n", width, height);
        return 1;
    }
    return 0;
}

int windowMove(const std::string& windowClass, int x, int y) {
    HWND w = waitVisible(windowClass);
    if (w == nullptr) {
        return 1;
    }
    SetWindowPos(w, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    const bool moved = waitUntil([w, x, y] {
        RECT r = {};
        GetWindowRect(w, &r);
        return r.left == x && r.top == y;
    });
    printInfo(w);
    if (!moved) {
        std::printf("FAIL the window did not move to %d,%d\n", x, y);
        return 1;
    }
    return 0;
}

int windowClose(const std::string& windowClass) {
    HWND w = waitVisible(windowClass);
    if (w == nullptr) {
        return 1;
    }
    PostMessageA(w, WM_CLOSE, 0, 0);
    if (!waitUntil([w] { return IsWindow(w) == FALSE; })) {
        std::printf("FAIL the window of class %s stayed\n", windowClass.c_str());
        return 1;
    }
    std::printf("closed\n");
    return 0;
}
