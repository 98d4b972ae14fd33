// The stand-in for the calls only the helper pixmote-add.exe makes: its dialog's extra calls
// (no controls are windows here: GetDlgItem finds none, the dialog manager handles no key),
// the top-level window walk, the mouse for the finder, the creation of registry keys and the
// upload of a preview picture into a bitmap.
#include "platform/stub/helper.h"
#include "platform/stub/world.h"

#include <cstring>

using namespace stub::detail;

namespace {

constexpr LSTATUS kInvalidParameter = 87;

}  // namespace

HWND WINAPI GetDlgItem(HWND /*dialog*/, int /*id*/) {
    return nullptr;
}

BOOL WINAPI IsDialogMessageA(HWND /*dialog*/, LPMSG /*msg*/) {
    return FALSE;
}

HWND WINAPI GetFocus() {
    return nullptr;
}

BOOL WINAPI EnumWindows(WNDENUMPROC enumProc, LPARAM lParam) {
    if (enumProc == nullptr) {
        return FALSE;
    }
    World& w = world();
    const std::vector<std::uintptr_t> order = w.windowOrder;  // the procedure may add windows
    for (const std::uintptr_t handle : order) {
        const Window& window = w.windows[handle];
        if (window.parent == 0 && !window.destroyed &&
            enumProc(handleOf<HWND>(handle), lParam) == FALSE) {
            break;
        }
    }
    return TRUE;
}

HWND WINAPI GetAncestor(HWND hwnd, UINT flags) {
    const Window* window = liveWindow(hwnd);
    if (window == nullptr || flags != GA_ROOT) {
        return nullptr;
    }
    while (window->parent != 0) {
        hwnd = handleOf<HWND>(window->parent);
        window = liveWindow(hwnd);
        if (window == nullptr) {
            return nullptr;
        }
    }
    return hwnd;
}

HWND WINAPI WindowFromPoint(POINT point) {
    World& w = world();
    if (point.x != w.cursor.x || point.y != w.cursor.y) {
        return nullptr;
    }
    const HWND there = handleOf<HWND>(w.windowAtCursor);
    return liveWindow(there) != nullptr ? there : nullptr;
}

BOOL WINAPI GetCursorPos(POINT* point) {
    if (point == nullptr) {
        return FALSE;
    }
    *point = world().cursor;
    return TRUE;
}

// No window has a place on the stand-in's screen: each lies at (0, 0).
BOOL WINAPI GetWindowRect(HWND hwnd, LPRECT rect) {
    const Window* window = liveWindow(hwnd);
    if (window == nullptr || rect == nullptr) {
        return FALSE;
    }
    *rect = RECT{0, 0, window->width, window->height};
    return TRUE;
}

HWND WINAPI SetCapture(HWND hwnd) {
    log("SetCapture " + windowName(hwnd));
    World& w = world();
    const HWND previous = handleOf<HWND>(w.capture);
    w.capture = liveWindow(hwnd) != nullptr ? raw(hwnd) : 0;
    return previous;
}

BOOL WINAPI ReleaseCapture() {
    log("ReleaseCapture");
    world().capture = 0;
    return TRUE;
}

int WINAPI SetDIBits(HDC /*dc*/, HBITMAP bitmap, UINT start, UINT lines, const void* bits,
                     const BITMAPINFO* info, UINT /*usage*/) {
    log("SetDIBits " + std::to_string(start) + " " + std::to_string(lines));
    World& w = world();
    const auto found = w.bitmaps.find(raw(bitmap));
    if (found == w.bitmaps.end() || bits == nullptr || info == nullptr ||
        info->bmiHeader.biBitCount != 32 || info->bmiHeader.biWidth != found->second.width) {
        return 0;
    }
    Bitmap& target = found->second;
    const bool topDown = info->bmiHeader.biHeight < 0;
    const auto* source = static_cast<const std::uint32_t*>(bits);
    int copied = 0;
    for (UINT line = 0; line < lines; ++line) {
        const int scan = static_cast<int>(start + line);
        const int y = topDown ? scan : target.height - 1 - scan;
        if (y < 0 || y >= target.height) {
            break;
        }
        std::memcpy(
            &target.pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(target.width)],
            source + static_cast<std::size_t>(line) * static_cast<std::size_t>(target.width),
            static_cast<std::size_t>(target.width) * sizeof(std::uint32_t));
        ++copied;
    }
    return copied;
}

// Keys below HKEY_CURRENT_USER only, as the helper makes them.
LSTATUS WINAPI RegCreateKeyExA(HKEY parent, LPCSTR subKey, DWORD /*reserved*/, LPSTR /*className*/,
                               DWORD /*options*/, REGSAM access, void* /*security*/, PHKEY result,
                               LPDWORD /*disposition*/) {
    const std::string sub = subKey == nullptr ? std::string() : std::string(subKey);
    log("RegCreateKeyExA " + sub.substr(sub.rfind('\\') + 1));
    if (result == nullptr || sub.empty()) {
        return kInvalidParameter;
    }
    if (parent != HKEY_CURRENT_USER) {
        return ERROR_INVALID_HANDLE;
    }
    HKEY opened = nullptr;
    if (RegOpenKeyExA(parent, subKey, 0, access, &opened) == ERROR_SUCCESS) {
        *result = opened;
        return ERROR_SUCCESS;
    }
    stub::regCreateKey(sub);
    return RegOpenKeyExA(parent, subKey, 0, access, result);
}

void WINAPI InitCommonControls() {}

LONG WINAPI GetWindowLongA(HWND hwnd, int index) {
    const Window* window = liveWindow(hwnd);
    return window != nullptr && index == GWL_EXSTYLE ? window->exStyle : 0;
}

// The system cursors are shared: their handles are their numbers, and nothing is held.
HCURSOR WINAPI LoadCursorA(HINSTANCE instance, LPCSTR name) {
    return instance == nullptr ? reinterpret_cast<HCURSOR>(const_cast<LPSTR>(name)) : nullptr;
}

HCURSOR WINAPI SetCursor(HCURSOR cursor) {
    World& w = world();
    const auto previous = w.cursorShape;
    w.cursorShape = reinterpret_cast<std::uintptr_t>(cursor);
    return reinterpret_cast<HCURSOR>(previous);
}

namespace stub {

void placeCursor(POINT at, HWND window) {
    world().cursor = at;
    world().windowAtCursor = raw(window);
}

HWND capturedWindow() {
    return handleOf<HWND>(world().capture);
}

int cursorShape() {
    return static_cast<int>(world().cursorShape);
}

void setExStyle(HWND window, LONG exStyle) {
    if (Window* w = liveWindow(window)) {
        w->exStyle = exStyle;
    }
}

}  // namespace stub
