// Window discovery for the driver: top-level windows by class, title and owning process.
#include "tools/driver/find.h"

#include <vector>

DWORD gTimeoutMs = 10000;

namespace {

constexpr char kSettingsTitle[] = "Pixmote Configuration";
constexpr char kSaveTitle[] = "Create Animated Screenshot";
constexpr char kHelperTitle[] = "Add an emulator to Pixmote";
constexpr char kExportTitle[] = "Export the profile";  // the helper's save dialog
constexpr int kHelperWindowList = 1101;                // IDC_ADD_WINDOWS of add/resource.h
constexpr int kBoxTextId = 0xFFFF;
constexpr int kFileNameEdit = 0x480;   // edt1
constexpr int kFileNameCombo = 0x47C;  // cmb13

BOOL CALLBACK collect(HWND w, LPARAM list) {
    reinterpret_cast<std::vector<HWND>*>(list)->push_back(w);
    return TRUE;
}

std::vector<HWND> topLevelWindows() {
    std::vector<HWND> all;
    EnumWindows(collect, reinterpret_cast<LPARAM>(&all));
    return all;
}

BOOL CALLBACK findEdit(HWND w, LPARAM out) {
    if (className(w) == "Edit") {
        *reinterpret_cast<HWND*>(out) = w;
        return FALSE;
    }
    return TRUE;
}

bool isDialog(HWND w) {
    return className(w) == "#32770";
}

}  // namespace

std::string windowText(HWND w) {
    char text[1024] = {};
    DWORD_PTR length = 0;
    if (SendMessageTimeoutA(w, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text),
                            SMTO_ABORTIFHUNG, 2000, &length) == 0) {
        return {};
    }
    return text;
}

std::string className(HWND w) {
    char name[256] = {};
    GetClassNameA(w, name, sizeof name);
    return name;
}

DWORD processOf(HWND w) {
    DWORD pid = 0;
    GetWindowThreadProcessId(w, &pid);
    return pid;
}

HWND findSettingsDialog() {
    return FindWindowA("#32770", kSettingsTitle);
}

HWND findSaveDialog() {
    // Pixmote's "Create Animated Screenshot" or the helper's "Export the profile".
    HWND settings = findSettingsDialog();
    HWND helper = findHelperWindow();
    const DWORD pixmote = settings != nullptr ? processOf(settings) : 0;
    const DWORD add = helper != nullptr ? processOf(helper) : 0;
    for (HWND w : topLevelWindows()) {
        const DWORD pid = processOf(w);
        if (isDialog(w) && IsWindowVisible(w) && pid != 0 &&
            ((pid == pixmote && windowText(w) == kSaveTitle) ||
             (pid == add && windowText(w) == kExportTitle)) &&
            fileNameEdit(w) != nullptr) {
            return w;
        }
    }
    return nullptr;
}

HWND findHelperWindow() {
    // Its message boxes carry the same title: the helper's window is the one with its list.
    for (HWND w : topLevelWindows()) {
        if (isDialog(w) && windowText(w) == kHelperTitle &&
            GetDlgItem(w, kHelperWindowList) != nullptr) {
            return w;
        }
    }
    return nullptr;
}

HWND findMessageBox() {
    // The box belongs to Pixmote (its settings dialog's process) or to the helper. Both main
    // dialogs have static labels of id -1 (0xFFFF) too, so they are passed over by handle.
    HWND settings = findSettingsDialog();
    HWND helper = findHelperWindow();
    if (settings == nullptr && helper == nullptr) {
        return nullptr;
    }
    const DWORD pixmote = settings != nullptr ? processOf(settings) : 0;
    const DWORD add = helper != nullptr ? processOf(helper) : 0;
    for (HWND w : topLevelWindows()) {
        const DWORD pid = processOf(w);
        if (w != settings && w != helper && isDialog(w) && IsWindowVisible(w) &&
            (pid == pixmote || pid == add) && pid != 0 && GetDlgItem(w, kBoxTextId) != nullptr &&
            fileNameEdit(w) == nullptr) {
            return w;
        }
    }
    return nullptr;
}

HWND findStandIn() {
    return FindWindowA("CalcStandIn", nullptr);
}

HWND findVisibleOfClass(const std::string& windowClass) {
    for (HWND w : topLevelWindows()) {
        if (IsWindowVisible(w) && className(w) == windowClass) {
            return w;
        }
    }
    return nullptr;
}

HWND fileNameEdit(HWND saveDialog) {
    HWND edit = GetDlgItem(saveDialog, kFileNameEdit);
    if (edit != nullptr) {
        return edit;
    }
    // The explorer-style dialog: an edit inside a combo box inside cmb13 (Wine: ComboBoxEx32).
    HWND combo = GetDlgItem(saveDialog, kFileNameCombo);
    if (combo == nullptr) {
        return nullptr;
    }
    HWND found = nullptr;
    EnumChildWindows(combo, findEdit, reinterpret_cast<LPARAM>(&found));
    return found;
}

void notifyAndSettle(HWND w, UINT message, WPARAM wParam, LPARAM lParam) {
    SendNotifyMessageA(w, message, wParam, lParam);
    DWORD_PTR ignored = 0;
    SendMessageTimeoutA(w, WM_NULL, 0, 0, SMTO_NORMAL, gTimeoutMs, &ignored);
}
