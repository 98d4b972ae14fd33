// Enumerating and describing the windows the helper offers.
#include "add/window_list.h"

namespace {

constexpr int kTextSize = 256;

struct Walk {
    HWND exclude;
    std::vector<WindowEntry>* entries;
};

BOOL CALLBACK addChild(HWND child, LPARAM data) {
    auto* walk = reinterpret_cast<Walk*>(data);
    WindowEntry entry;
    if (IsWindowVisible(child) != FALSE && describeWindow(child, &entry) && entry.width > 0 &&
        entry.height > 0) {
        walk->entries->push_back(entry);
    }
    return TRUE;
}

BOOL CALLBACK addTopLevel(HWND window, LPARAM data) {
    auto* walk = reinterpret_cast<Walk*>(data);
    WindowEntry entry;
    // Tool windows (the tray's, floating palettes) are no emulator's main window.
    if (window == walk->exclude || IsWindowVisible(window) == FALSE ||
        (GetWindowLongA(window, GWL_EXSTYLE) & WS_EX_TOOLWINDOW) != 0 ||
        !describeWindow(window, &entry) || entry.width <= 0 || entry.height <= 0) {
        return TRUE;
    }
    walk->entries->push_back(entry);
    EnumChildWindows(window, addChild, data);
    return TRUE;
}

}  // namespace

bool describeWindow(HWND window, WindowEntry* entry) {
    RECT client = {};
    if (window == nullptr || IsWindow(window) == FALSE || !GetClientRect(window, &client)) {
        return false;
    }
    char caption[kTextSize] = "";
    char className[kTextSize] = "";
    GetWindowTextA(window, caption, kTextSize);
    GetClassNameA(window, className, kTextSize);
    const HWND root = GetAncestor(window, GA_ROOT);
    entry->window = window;
    entry->topLevel = root != nullptr ? root : window;
    entry->caption = caption;
    entry->className = className;
    entry->width = static_cast<int>(client.right - client.left);
    entry->height = static_cast<int>(client.bottom - client.top);
    return true;
}

std::vector<WindowEntry> listWindows(HWND exclude) {
    std::vector<WindowEntry> entries;
    Walk walk{exclude, &entries};
    EnumWindows(addTopLevel, reinterpret_cast<LPARAM>(&walk));
    return entries;
}

std::string windowRowText(const WindowEntry& entry) {
    const bool child = entry.window != entry.topLevel;
    const std::string caption = entry.caption.empty() ? "(no title)" : entry.caption;
    return std::string(child ? "      child: " : "") + caption + "  [" + entry.className + "]  " +
           std::to_string(entry.width) + " x " + std::to_string(entry.height);
}

HWND windowUnderPoint(POINT point, HWND exclude) {
    const HWND there = WindowFromPoint(point);
    if (there == nullptr) {
        return nullptr;
    }
    const HWND root = GetAncestor(there, GA_ROOT);
    if (there == exclude || (exclude != nullptr && root == exclude)) {
        return nullptr;
    }
    return there;
}
