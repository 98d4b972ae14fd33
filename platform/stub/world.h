// The stand-in's one world, shared by the files of platform/stub/ and by nothing else.
//
// Every Win32 call of the stand-in and every function of stub.h works on this state. Handles
// are plain numbers handed out by one counter (never pointers to our objects), so an unknown,
// stale or wrongly typed handle is simply not found and the call fails as Windows would.
#pragma once

#include "platform/stub/stub.h"

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace stub::detail {

// ---- Registry ----
struct RegValue {
    std::string name;  // as first written; "" is the default value
    DWORD type = REG_NONE;
    std::vector<BYTE> data;
};
struct RegNode {
    std::string name;
    RegNode* parent = nullptr;
    std::vector<std::shared_ptr<RegNode>> children;  // in creation order
    std::vector<RegValue> values;
    bool deleted = false;  // removed by regDeleteKey while a handle still held it
};
struct RegHandle {
    std::shared_ptr<RegNode> node;
    REGSAM access = 0;
    std::string openedAs;  // the leaf name the caller used, for the log
};

// ---- Windows and GDI ----
struct Window {
    std::string className;
    std::string caption;
    int width = 0;
    int height = 0;
    std::vector<std::uint32_t> pixels;  // 0x00RRGGBB, row-major, top row first
    bool destroyed = false;
    bool visible = false;
    bool minimized = false;     // SW_MINIMIZE until SW_RESTORE or SW_SHOWNORMAL
    std::uintptr_t parent = 0;  // 0 for a top-level window
    int x = 0;                  // a child's client origin in its parent's client area
    int y = 0;
    LONG exStyle = 0;          // GetWindowLongA(GWL_EXSTYLE)
    bool blackCopies = false;  // copies out of its DC come back black (drawn by the GPU)
};
struct Bitmap {
    int width = 0;
    int height = 0;
    bool mono = false;                  // made compatible with a memory DC holding no bitmap
    std::vector<std::uint32_t> pixels;  // 0x00RRGGBB; only 0 or 0xFFFFFF when mono
    std::uintptr_t selectedInto = 0;    // the DC it is selected into, or 0
};
enum class DcKind { Window, Memory };
struct Dc {
    DcKind kind = DcKind::Window;
    std::uintptr_t window = 0;    // window DCs: the window (0 for the screen)
    std::uintptr_t selected = 0;  // memory DCs: the selected bitmap, or the stock placeholder
    int stretchMode = 1;          // BLACKONWHITE until set
};

// ---- Memory, icons, timers, tray ----
struct GlobalBlock {
    int ordinal = 0;  // 1 for the first GlobalAlloc since reset, and so on
    std::unique_ptr<BYTE[]> data;
    SIZE_T size = 0;
    int locks = 0;
};
struct Icon {
    int resource = 0;
    int width = 0;  // the size asked of LoadImageA
    int height = 0;
};
struct TrayState {
    bool present = false;
    HWND window = nullptr;
    UINT id = 0;
    int resource = 0;
    std::string tip;
};

// ---- The dialog ----
enum class ControlKind { PushButton, Edit, CheckBox, Radio, Static, HotKey };
struct Control {
    ControlKind kind = ControlKind::PushButton;
    std::string text;
    int limit = -1;  // EM_LIMITTEXT value, -1 when never set
    bool checked = false;
    WORD hotKey = 0;  // a hotkey control's key: virtual key, HOTKEYF_ flags in the high byte
};

struct World {
    std::uintptr_t nextHandle = 0x10000;
    std::vector<std::string> calls;

    // Registry: the HKEY_CURRENT_USER tree and the open handles.
    std::shared_ptr<RegNode> root;
    std::map<std::uintptr_t, RegHandle> keys;
    std::vector<std::string> refusedOpen;   // lower-case paths
    std::vector<std::string> refusedWrite;  // lower-case paths

    // Windows in Z-order, topmost first (a new window goes to the bottom; the dialog among
    // them, and child windows too), DCs and bitmaps.
    std::map<std::uintptr_t, Window> windows;
    std::vector<std::uintptr_t> windowOrder;
    std::uintptr_t foreground = 0;
    std::map<std::uintptr_t, Dc> dcs;
    std::map<std::uintptr_t, Bitmap> bitmaps;
    bool failNextGetDC = false;
    std::function<void()> duringNextCopy;
    bool childCopiesFail = false;  // copies from a child window's DC fail (as under Wine)
    bool failNextBitmap = false;
    bool shortDibQuery = false;
    DWORD shortDibSize = 0;
    int stretchBltCalls = 0;
    int rowsCopied = 0;

    // The dialog.
    std::uintptr_t dialog = 0;
    DLGPROC proc = nullptr;
    bool failDialog = false;
    bool dialogEnded = false;
    std::map<int, Control> controls;

    // Messages.
    std::deque<MSG> queue;
    int quitCode = -1;

    // Boxes and file dialogs.
    std::vector<Box> boxes;
    std::deque<std::function<void()>> boxActions;
    std::deque<std::function<void()>> fileDialogActions;
    struct FileOutcome {
        bool choose = false;
        std::string name;
    };
    std::deque<FileOutcome> fileOutcomes;
    std::vector<FileDialogSeen> fileDialogs;

    // Memory.
    std::map<std::uintptr_t, GlobalBlock> blocks;
    int allocations = 0;
    int allocSuccessesLeft = -1;  // -1: never fail

    // Timers: (window, id) -> interval.
    std::map<std::pair<std::uintptr_t, UINT_PTR>, UINT> timers;
    UINT_PTR nextTimerId = 0x7FF0;
    bool failNextTimer = false;

    // Icons and the tray.
    std::map<std::uintptr_t, Icon> icons;
    bool failIcons = false;
    int smallIconSize = 16;  // GetSystemMetrics(SM_CXSMICON), (SM_CYSMICON): 100 %
    std::vector<TrayCall> trayCalls;
    TrayState tray;

    // Start/stop keys: (window, id) -> (modifiers, virtual key); keys other programs hold.
    std::map<std::pair<std::uintptr_t, int>, std::pair<UINT, UINT>> hotKeys;
    std::vector<std::pair<UINT, UINT>> takenHotKeys;

    // Registered window messages: lower-case name -> id.
    std::map<std::string, UINT> registeredMessages;

    // The helper's window finder: the mouse capture, the cursor and the window under it.
    std::uintptr_t capture = 0;
    std::uintptr_t cursorShape = 0;  // the system cursor's number given to SetCursor (0: none)
    POINT cursor = {};
    std::uintptr_t windowAtCursor = 0;
};

World& world();
void log(std::string line);
std::uintptr_t newHandle();

template <typename H>
std::uintptr_t raw(H handle) {
    return reinterpret_cast<std::uintptr_t>(handle);
}
template <typename H>
H handleOf(std::uintptr_t value) {
    return reinterpret_cast<H>(value);
}

std::string lower(std::string text);
std::string hexText(unsigned long value);  // "0x" and lower-case digits
bool equalNoCase(const std::string& a, const std::string& b);

// A live (not destroyed) window, or nullptr.
Window* liveWindow(HWND hwnd);
// How the log names a window: "dialog", its caption, "screen" for none, "?" when unknown.
std::string windowName(HWND hwnd);
// The dialog procedure, if the dialog exists; calls it and returns its result, else 0.
INT_PTR callDialog(UINT message, WPARAM wParam, LPARAM lParam);

}  // namespace stub::detail
