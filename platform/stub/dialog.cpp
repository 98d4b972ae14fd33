// The stand-in's copy of the program's one dialog, the template "PIXMOTE": a hidden top-level
// window with an OK and an Exit button, the message's edit box, the still-mode check box and
// the three timer buttons, and the calls on its items.
#include "platform/stub/world.h"

#include <algorithm>
#include <cstring>

namespace stub::detail {
namespace {

constexpr int kEditBox = 1004;
constexpr int kCheckBox = 1005;
constexpr int kFirstRadio = 40006;
constexpr int kLastRadio = 40008;
constexpr int kFirstSizeRadio = 1007;
constexpr int kLastSizeRadio = 1010;
// What an edit box admits before EM_LIMITTEXT, and after EM_LIMITTEXT with 0.
constexpr int kDefaultEditLimit = 30000;
constexpr int kLargestEditLimit = 0x7FFFFFFE;

bool isDialog(HWND hwnd) {
    World& w = world();
    return hwnd != nullptr && raw(hwnd) == w.dialog && liveWindow(hwnd) != nullptr;
}

Control* item(HWND dialog, int id) {
    if (!isDialog(dialog)) {
        return nullptr;
    }
    World& w = world();
    const auto found = w.controls.find(id);
    return found == w.controls.end() ? nullptr : &found->second;
}

std::map<int, Control> templateControls() {
    std::map<int, Control> controls;
    controls[IDOK] = Control{ControlKind::PushButton, "&OK", -1, false};
    controls[IDCANCEL] = Control{ControlKind::PushButton, "E&xit", -1, false};
    controls[kEditBox] = Control{ControlKind::Edit, "", -1, false};
    controls[kCheckBox] =
        Control{ControlKind::CheckBox, "Do &still motion screenshots instead", -1, false};
    controls[40006] = Control{ControlKind::Radio, "&110 ms", -1, false};
    controls[40007] = Control{ControlKind::Radio, "&220 ms", -1, false};
    controls[40008] = Control{ControlKind::Radio, "&330 ms", -1, false};
    controls[1006] = Control{ControlKind::Static, "Si&ze", -1, false};
    controls[1007] = Control{ControlKind::Radio, "x1", -1, false};
    controls[1008] = Control{ControlKind::Radio, "x2", -1, false};
    controls[1009] = Control{ControlKind::Radio, "x3", -1, false};
    controls[1010] = Control{ControlKind::Radio, "x4", -1, false};
    controls[1011] = Control{ControlKind::Static, "Start/stop &key:", -1, false};
    controls[1012] = Control{ControlKind::HotKey, "", -1, false};
    controls[1013] = Control{ControlKind::Static, "", -1, false};
    return controls;
}

std::string hex(unsigned long value) {
    static const char digits[] = "0123456789abcdef";
    std::string text;
    do {
        text.insert(text.begin(), digits[value % 16]);
        value /= 16;
    } while (value != 0);
    return "0x" + text;
}

}  // namespace

INT_PTR callDialog(UINT message, WPARAM wParam, LPARAM lParam) {
    World& w = world();
    const DLGPROC proc = w.proc;
    const HWND dialog = handleOf<HWND>(w.dialog);
    if (proc == nullptr || liveWindow(dialog) == nullptr) {
        return 0;
    }
    return proc(dialog, message, wParam, lParam);
}

std::string hexText(unsigned long value) {
    return hex(value);
}

}  // namespace stub::detail

using namespace stub::detail;

HWND WINAPI CreateDialogParamA(HINSTANCE /*instance*/, LPCSTR templateName, HWND /*parent*/,
                               DLGPROC dialogProc, LPARAM initParam) {
    const bool byNumber = reinterpret_cast<std::uintptr_t>(templateName) <= 0xFFFF;
    const std::string name = templateName == nullptr || byNumber ? "#" : templateName;
    log("CreateDialogParamA " + name);
    World& w = world();
    if (w.failDialog || !equalNoCase(name, "PIXMOTE") || dialogProc == nullptr) {
        return nullptr;
    }
    if (Window* old = liveWindow(handleOf<HWND>(w.dialog))) {
        old->destroyed = true;  // a second creation replaces the first dialog
    }
    // 232 x 113 dialog units of the 8-point font, in pixels.
    const HWND dialog = stub::addWindow("#32770", "Pixmote Configuration", 348, 184);
    w.windows[raw(dialog)].visible = false;
    w.dialog = raw(dialog);
    w.proc = dialogProc;
    w.dialogEnded = false;
    w.controls = templateControls();
    dialogProc(dialog, WM_INITDIALOG, 0, initParam);
    return dialog;
}

BOOL WINAPI EndDialog(HWND dialog, INT_PTR result) {
    log("EndDialog " + std::to_string(result));
    if (!isDialog(dialog)) {
        return FALSE;
    }
    World& w = world();
    w.windows[raw(dialog)].visible = false;
    w.dialogEnded = true;
    return TRUE;
}

LRESULT WINAPI SendMessageA(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    log("SendMessageA " + hex(message));
    if (!isDialog(hwnd)) {
        return 0;
    }
    return callDialog(message, wParam, lParam);
}

LRESULT WINAPI SendDlgItemMessageA(HWND dialog, int id, UINT message, WPARAM wParam,
                                   LPARAM /*lParam*/) {
    log("SendDlgItemMessageA " + std::to_string(id) + " " + hex(message) + " " +
        std::to_string(wParam));
    Control* control = item(dialog, id);
    if (control == nullptr) {
        return 0;
    }
    if (control->kind == ControlKind::HotKey) {
        if (message == HKM_SETHOTKEY) {
            control->hotKey = static_cast<WORD>(wParam & 0xFFFF);
        } else if (message == HKM_GETHOTKEY) {
            return control->hotKey;
        }
        return 0;
    }
    if (message == EM_LIMITTEXT && control->kind == ControlKind::Edit) {
        control->limit = wParam == 0 || wParam > static_cast<WPARAM>(kLargestEditLimit)
                             ? kLargestEditLimit
                             : static_cast<int>(wParam);
    }
    return 0;
}

BOOL WINAPI SetDlgItemTextA(HWND dialog, int id, LPCSTR text) {
    const std::string value = text == nullptr ? std::string() : std::string(text);
    log("SetDlgItemTextA " + std::to_string(id) + " " + value);
    Control* control = item(dialog, id);
    if (control == nullptr) {
        return FALSE;
    }
    control->text = value;  // as WM_SETTEXT: the typing limit does not apply
    return TRUE;
}

UINT WINAPI GetDlgItemTextA(HWND dialog, int id, LPSTR text, int maxCount) {
    if (text == nullptr || maxCount <= 0) {
        return 0;
    }
    const Control* control = item(dialog, id);
    if (control == nullptr) {
        text[0] = '\0';
        return 0;
    }
    const std::size_t count =
        std::min(control->text.size(), static_cast<std::size_t>(maxCount) - 1);
    std::memcpy(text, control->text.data(), count);
    text[count] = '\0';
    return static_cast<UINT>(count);
}

BOOL WINAPI CheckDlgButton(HWND dialog, int id, UINT check) {
    log("CheckDlgButton " + std::to_string(id) + " " + std::to_string(check));
    Control* control = item(dialog, id);
    if (control == nullptr || control->kind == ControlKind::Edit ||
        control->kind == ControlKind::Static || control->kind == ControlKind::HotKey) {
        return FALSE;
    }
    control->checked = check == BST_CHECKED;
    return TRUE;
}

UINT WINAPI IsDlgButtonChecked(HWND dialog, int id) {
    const Control* control = item(dialog, id);
    return control != nullptr && control->checked ? BST_CHECKED : BST_UNCHECKED;
}

namespace stub {

void failDialogCreation(bool fail) {
    world().failDialog = fail;
}

HWND dialog() {
    return handleOf<HWND>(world().dialog);
}

bool dialogVisible() {
    return IsWindowVisible(dialog()) != FALSE;
}

bool dialogEnded() {
    return world().dialogEnded;
}

std::string itemText(int id) {
    const Control* control = item(dialog(), id);
    return control == nullptr ? std::string() : control->text;
}

int itemTextLimit(int id) {
    const Control* control = item(dialog(), id);
    return control == nullptr ? -1 : control->limit;
}

bool itemChecked(int id) {
    const Control* control = item(dialog(), id);
    return control != nullptr && control->checked;
}

void typeText(int id, const std::string& text) {
    Control* control = item(dialog(), id);
    if (control == nullptr || control->kind != ControlKind::Edit) {
        return;
    }
    const int limit = control->limit < 0 ? kDefaultEditLimit : control->limit;
    control->text = text.substr(0, static_cast<std::size_t>(limit));
}

void clickButton(int id) {
    Control* control = item(dialog(), id);
    if (control == nullptr || control->kind == ControlKind::Edit ||
        control->kind == ControlKind::Static || control->kind == ControlKind::HotKey) {
        return;
    }
    if (control->kind == ControlKind::CheckBox) {
        control->checked = !control->checked;
    } else if (control->kind == ControlKind::Radio) {
        const bool size = id >= kFirstSizeRadio && id <= kLastSizeRadio;
        const int first = size ? kFirstSizeRadio : kFirstRadio;
        const int last = size ? kLastSizeRadio : kLastRadio;
        for (int other = first; other <= last; ++other) {
            world().controls[other].checked = other == id;
        }
    }
    const auto wParam = static_cast<WPARAM>(static_cast<DWORD>(id & 0xFFFF) |
                                            (static_cast<DWORD>(BN_CLICKED) << 16));
    send(WM_COMMAND, wParam, 0);
}

void setHotKeyControl(int id, WORD key) {
    Control* control = item(dialog(), id);
    if (control != nullptr && control->kind == ControlKind::HotKey) {
        control->hotKey = key;
    }
}

WORD hotKeyControl(int id) {
    const Control* control = item(dialog(), id);
    return control == nullptr ? 0 : control->hotKey;
}

}  // namespace stub
