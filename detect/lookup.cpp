// Finding an emulator's top-level window by class and caption, and the window inside it that
// shows the calculator screen.
#include "detect/lookup.h"

#include <cstddef>

namespace {

// Captions and class names compared here are at most 63 characters, read into 64 bytes; a
// longer class name is read into one more byte, so that it cannot equal a 63-character one.
constexpr int kTextBytes = 64;
constexpr int kClassBytes = kTextBytes + 1;
// A desktop that keeps handing out windows (one being reordered while we walk) ends the walk.
constexpr int kMaxWindows = 32768;

char folded(char c) {
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

bool beginsWith(const char* text, const char* prefix) {
    for (std::size_t i = 0; prefix[i] != '\0'; ++i) {
        if (text[i] == '\0' || folded(text[i]) != folded(prefix[i])) {
            return false;
        }
    }
    return true;
}

bool equalNoCase(const char* a, const char* b) {
    return beginsWith(a, b) && beginsWith(b, a);
}

struct ScreenSearch {
    const char* screenClass;
    HWND found;
};

BOOL CALLBACK visitDescendant(HWND window, LPARAM data) {
    auto* search = reinterpret_cast<ScreenSearch*>(data);
    char name[kClassBytes] = {};
    if (GetClassNameA(window, name, kClassBytes) > 0 && equalNoCase(name, search->screenClass) &&
        IsWindowVisible(window) != FALSE) {
        search->found = window;
        return FALSE;
    }
    return TRUE;
}

}  // namespace

HWND findEmulatorWindow(const char* className, const char* caption, CaptionMatch match) {
    if (match == CaptionMatch::Exact) {
        return FindWindowA(className, caption);
    }
    HWND window = nullptr;
    for (int seen = 0; seen < kMaxWindows; ++seen) {
        window = FindWindowExA(nullptr, window, className, nullptr);
        if (window == nullptr) {
            return nullptr;
        }
        if (IsWindowVisible(window) == FALSE) {
            continue;
        }
        if (match == CaptionMatch::Any) {
            return window;
        }
        char text[kTextBytes] = {};
        GetWindowTextA(window, text, kTextBytes);
        if (beginsWith(text, caption)) {
            return window;
        }
    }
    return nullptr;
}

HWND findScreenWindow(HWND window, const char* screenClass) {
    ScreenSearch search = {screenClass, nullptr};
    EnumChildWindows(window, visitDescendant, reinterpret_cast<LPARAM>(&search));
    return search.found;
}
