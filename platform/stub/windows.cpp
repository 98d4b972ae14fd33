// The stand-in's top-level windows: the emulators that tests put on the desktop, and the
// program's dialog, which is a window like them.
#include "platform/stub/world.h"

#include <algorithm>

namespace stub::detail {

Window* liveWindow(HWND hwnd) {
    World& w = world();
    const auto found = w.windows.find(raw(hwnd));
    if (found == w.windows.end() || found->second.destroyed) {
        return nullptr;
    }
    return &found->second;
}

std::string windowName(HWND hwnd) {
    if (hwnd == nullptr) {
        return "screen";
    }
    World& w = world();
    if (raw(hwnd) == w.dialog) {
        return "dialog";
    }
    const auto found = w.windows.find(raw(hwnd));
    return found == w.windows.end() ? std::string("?") : found->second.caption;
}

namespace {

Window* anyWindow(HWND hwnd) {
    World& w = world();
    const auto found = w.windows.find(raw(hwnd));
    return found == w.windows.end() ? nullptr : &found->second;
}

}  // namespace
}  // namespace stub::detail

using namespace stub::detail;

HWND WINAPI FindWindowA(LPCSTR className, LPCSTR windowName) {
    log(std::string("FindWindowA ") + (className == nullptr ? "(any)" : className) + "|" +
        (windowName == nullptr ? "(any)" : windowName));
    World& w = world();
    for (const std::uintptr_t handle : w.windowOrder) {
        const Window& window = w.windows[handle];
        if (window.destroyed || window.parent != 0) {
            continue;
        }
        if (className != nullptr && !equalNoCase(window.className, className)) {
            continue;
        }
        if (windowName != nullptr && !equalNoCase(window.caption, windowName)) {
            continue;
        }
        return handleOf<HWND>(handle);
    }
    return nullptr;
}

HWND WINAPI FindWindowExA(HWND parent, HWND childAfter, LPCSTR className, LPCSTR windowName) {
    World& w = world();
    if (parent != nullptr && liveWindow(parent) == nullptr) {
        return nullptr;
    }
    bool started = childAfter == nullptr;
    for (const std::uintptr_t handle : w.windowOrder) {
        const Window& window = w.windows[handle];
        if (window.parent != raw(parent)) {
            continue;
        }
        if (!started) {
            started = handle == raw(childAfter);
            continue;
        }
        if (window.destroyed ||
            (className != nullptr && !equalNoCase(window.className, className)) ||
            (windowName != nullptr && !equalNoCase(window.caption, windowName))) {
            continue;
        }
        return handleOf<HWND>(handle);
    }
    return nullptr;
}

namespace {

int copyText(const std::string& text, LPSTR out, int maxCount) {
    if (out == nullptr || maxCount <= 0) {
        return 0;
    }
    const std::size_t count = std::min(text.size(), static_cast<std::size_t>(maxCount - 1));
    text.copy(out, count);
    out[count] = '\0';
    return static_cast<int>(count);
}

// Pre-order, each window's children in Z-order; false when the procedure stopped the walk.
bool enumDescendants(std::uintptr_t parent, WNDENUMPROC enumProc, LPARAM lParam) {
    World& w = world();
    const std::vector<std::uintptr_t> order = w.windowOrder;  // the procedure may add windows
    for (const std::uintptr_t handle : order) {
        const Window& window = w.windows[handle];
        if (window.parent != parent || window.destroyed) {
            continue;
        }
        if (enumProc(handleOf<HWND>(handle), lParam) == FALSE ||
            !enumDescendants(handle, enumProc, lParam)) {
            return false;
        }
    }
    return true;
}

}  // namespace

int WINAPI GetWindowTextA(HWND hwnd, LPSTR text, int maxCount) {
    const Window* window = liveWindow(hwnd);
    return copyText(window == nullptr ? std::string() : window->caption, text, maxCount);
}

int WINAPI GetClassNameA(HWND hwnd, LPSTR className, int maxCount) {
    const Window* window = liveWindow(hwnd);
    return copyText(window == nullptr ? std::string() : window->className, className, maxCount);
}

BOOL WINAPI EnumChildWindows(HWND parent, WNDENUMPROC enumProc, LPARAM lParam) {
    if (liveWindow(parent) == nullptr || enumProc == nullptr) {
        return FALSE;
    }
    enumDescendants(raw(parent), enumProc, lParam);
    return TRUE;
}

BOOL WINAPI GetClientRect(HWND hwnd, LPRECT rect) {
    const Window* window = liveWindow(hwnd);
    if (window == nullptr || rect == nullptr) {
        return FALSE;
    }
    *rect = RECT{0, 0, window->width, window->height};
    return TRUE;
}

BOOL WINAPI ShowWindow(HWND hwnd, int command) {
    log("ShowWindow " + std::to_string(command));
    Window* window = liveWindow(hwnd);
    if (window == nullptr) {
        return FALSE;
    }
    const bool wasVisible = window->visible;
    window->visible = command != SW_HIDE;
    if (command == SW_MINIMIZE) {
        window->minimized = true;
    } else if (command == SW_RESTORE || command == SW_SHOWNORMAL) {
        window->minimized = false;
    }
    return wasVisible ? TRUE : FALSE;
}

// Visible when it and every window above it are shown.
BOOL WINAPI IsWindowVisible(HWND hwnd) {
    for (const Window* window = liveWindow(hwnd); window != nullptr;
         window = liveWindow(handleOf<HWND>(window->parent))) {
        if (!window->visible) {
            return FALSE;
        }
        if (window->parent == 0) {
            return TRUE;
        }
    }
    return FALSE;
}

// Client coordinates of from into those of to, through the chain of parents (the screen is
// the top-level windows' common parent, at their origin).
int WINAPI MapWindowPoints(HWND from, HWND to, POINT* points, UINT count) {
    const auto origin = [](HWND hwnd, LONG& x, LONG& y) {
        x = 0;
        y = 0;
        for (const Window* w = anyWindow(hwnd); w != nullptr && w->parent != 0;
             w = anyWindow(handleOf<HWND>(w->parent))) {
            x += w->x;
            y += w->y;
        }
    };
    LONG fromX = 0;
    LONG fromY = 0;
    LONG toX = 0;
    LONG toY = 0;
    origin(from, fromX, fromY);
    origin(to, toX, toY);
    for (UINT i = 0; i < count; ++i) {
        points[i].x += fromX - toX;
        points[i].y += fromY - toY;
    }
    return ((fromX - toX) & 0xFFFF) | ((fromY - toY) * 0x10000);
}

BOOL WINAPI IsWindow(HWND hwnd) {
    return liveWindow(hwnd) != nullptr ? TRUE : FALSE;
}

BOOL WINAPI IsIconic(HWND hwnd) {
    const Window* window = liveWindow(hwnd);
    return window != nullptr && window->minimized ? TRUE : FALSE;
}

BOOL WINAPI SetForegroundWindow(HWND hwnd) {
    log("SetForegroundWindow " + windowName(hwnd));
    if (liveWindow(hwnd) == nullptr) {
        return FALSE;
    }
    world().foreground = raw(hwnd);
    return TRUE;
}

namespace stub {

HWND addChildWindow(HWND parent, const std::string& className, const std::string& caption,
                    int width, int height) {
    if (anyWindow(parent) == nullptr) {
        return nullptr;
    }
    HWND child = addWindow(className, caption, width, height);
    world().windows[raw(child)].parent = raw(parent);
    return child;
}

void placeChildWindow(HWND child, int x, int y) {
    if (Window* found = anyWindow(child)) {
        found->x = x;
        found->y = y;
    }
}

void raiseWindow(HWND window) {
    std::vector<std::uintptr_t>& order = world().windowOrder;
    const auto found = std::find(order.begin(), order.end(), raw(window));
    if (found != order.end()) {
        std::rotate(order.begin(), found, found + 1);
    }
}

void setCaption(HWND window, const std::string& caption) {
    if (Window* found = anyWindow(window)) {
        found->caption = caption;
    }
}

HWND addWindow(const std::string& className, const std::string& caption, int width, int height) {
    World& w = world();
    const std::uintptr_t handle = newHandle();
    Window window;
    window.className = className;
    window.caption = caption;
    window.width = std::max(width, 0);
    window.height = std::max(height, 0);
    window.pixels.assign(
        static_cast<std::size_t>(window.width) * static_cast<std::size_t>(window.height), 0);
    window.visible = true;
    w.windows[handle] = std::move(window);
    w.windowOrder.push_back(handle);
    return handleOf<HWND>(handle);
}

void destroyWindow(HWND window) {
    Window* found = anyWindow(window);
    if (found == nullptr) {
        return;
    }
    found->destroyed = true;
    found->visible = false;
    for (const auto& [handle, other] : world().windows) {
        if (other.parent == raw(window) && !other.destroyed) {
            destroyWindow(handleOf<HWND>(handle));
        }
    }
}

void resizeWindow(HWND window, int width, int height) {
    Window* found = anyWindow(window);
    if (found == nullptr) {
        return;
    }
    width = std::max(width, 0);
    height = std::max(height, 0);
    std::vector<std::uint32_t> pixels(
        static_cast<std::size_t>(width) * static_cast<std::size_t>(height), 0);
    for (int y = 0; y < std::min(height, found->height); ++y) {
        for (int x = 0; x < std::min(width, found->width); ++x) {
            pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) +
                   static_cast<std::size_t>(x)] =
                found->pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(found->width) +
                              static_cast<std::size_t>(x)];
        }
    }
    found->width = width;
    found->height = height;
    found->pixels = std::move(pixels);
}

void setPixel(HWND window, int x, int y, std::uint32_t rgb) {
    fillRect(window, x, y, 1, 1, rgb);
}

void fillRect(HWND window, int x, int y, int width, int height, std::uint32_t rgb) {
    Window* found = anyWindow(window);
    if (found == nullptr) {
        return;
    }
    const int x0 = std::max(x, 0);
    const int y0 = std::max(y, 0);
    const int x1 = std::min(x + width, found->width);
    const int y1 = std::min(y + height, found->height);
    for (int row = y0; row < y1; ++row) {
        for (int col = x0; col < x1; ++col) {
            found->pixels[static_cast<std::size_t>(row) * static_cast<std::size_t>(found->width) +
                          static_cast<std::size_t>(col)] = rgb & 0xFFFFFFu;
        }
    }
}

std::uint32_t pixel(HWND window, int x, int y) {
    const Window* found = anyWindow(window);
    if (found == nullptr || x < 0 || y < 0 || x >= found->width || y >= found->height) {
        return 0;
    }
    return found->pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(found->width) +
                         static_cast<std::size_t>(x)];
}

HWND foregroundWindow() {
    return handleOf<HWND>(world().foreground);
}

}  // namespace stub
