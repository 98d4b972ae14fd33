// The helper's dialog: what each control does, the blank-screen retry, the live preview (the
// recording and the window with the rectangle outlined), the finder's drag and Save.
#include "add/add_dialog.h"

#include "add/calculators.h"
#include "add/catalogue_save.h"
#include "add/client_picture.h"
#include "add/locate.h"
#include "add/colour_choice.h"
#include "add/preview_show.h"
#include "add/profile.h"
#include "add/regfile.h"
#include "add/resource.h"
#include "add/window_list.h"

#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

namespace {

constexpr char kTitle[] = "Add an emulator to Pixmote";
constexpr UINT_PTR kPreviewTimer = 1;
constexpr UINT_PTR kRetryTimer = 2;
constexpr UINT kRetryDelay = 2000;  // ms for the user to press a few calculator keys
constexpr UINT kTickMs = 110;
// The preview static's box in pixels (196 x 116 dialog units at the 8-point font, about).
constexpr int kPreviewWidth = 290;
constexpr int kPreviewHeight = 188;
constexpr int kTextSize = 256;

struct AddState {
    std::vector<WindowEntry> windows;  // the rows of the window list
    WindowEntry picked;                // the window whose client area shows the screen
    bool havePicked = false;
    Picture before;  // the picture of a blank screen, kept for the retry
    bool found = false;
    ScreenRect rect;
    Profile profile;
    bool dragging = false;
    std::string captionSeen;    // the top-level window's caption when it was picked
    std::string captionPrefix;  // what its captions kept in common since, once it changed
    bool updating = false;      // the dialog writes its own boxes: their changes are not the user's
};

AddState state;

std::string itemText(HWND dialog, int id) {
    char text[kTextSize] = "";
    GetDlgItemTextA(dialog, id, text, kTextSize);
    return text;
}

void setNumber(HWND dialog, int id, int value) {
    SetDlgItemTextA(dialog, id, std::to_string(value).c_str());
}

void say(HWND dialog, const std::string& text) {
    SetDlgItemTextA(dialog, IDC_ADD_STATUS, text.c_str());
}

void warn(HWND dialog, const std::string& text) {
    MessageBoxA(dialog, text.c_str(), kTitle, MB_OK | MB_ICONWARNING);
}

UINT previewInterval(HWND dialog) {
    if (IsDlgButtonChecked(dialog, IDC_ADD_T330) == BST_CHECKED) {
        return 3 * kTickMs;
    }
    return IsDlgButtonChecked(dialog, IDC_ADD_T220) == BST_CHECKED ? 2 * kTickMs : kTickMs;
}

void fillWindowList(HWND dialog) {
    state.windows = listWindows(dialog);
    SendDlgItemMessageA(dialog, IDC_ADD_WINDOWS, LB_RESETCONTENT, 0, 0);
    int selected = -1;
    for (std::size_t i = 0; i < state.windows.size(); ++i) {
        const std::string row = windowRowText(state.windows[i]);
        SendDlgItemMessageA(dialog, IDC_ADD_WINDOWS, LB_ADDSTRING, 0,
                            reinterpret_cast<LPARAM>(row.c_str()));
        if (state.havePicked && state.windows[i].window == state.picked.window) {
            selected = static_cast<int>(i);
        }
    }
    SendDlgItemMessageA(dialog, IDC_ADD_WINDOWS, LB_SETCURSEL, static_cast<WPARAM>(selected), 0);
}

void stopLooking(HWND dialog) {
    KillTimer(dialog, kPreviewTimer);
    KillTimer(dialog, kRetryTimer);
    state.found = false;
    state.before = Picture();
}

// The profile's values in one short text, as the .reg file will hold them.
std::string profileSummary(const Profile& p) {
    std::string text = "CX " + std::to_string(p.cx) + ", CY " + std::to_string(p.cy);
    if (p.kind == ProfileKind::Layout) {
        text += "; RCX " + std::to_string(p.rcx) + ", RCY " + std::to_string(p.rcy) + ", RX " +
                std::to_string(p.rx) + ", RY " + std::to_string(p.ry);
    }
    if (p.anyScale != 0) {
        text += "; AnyScale";
    }
    if (p.dotWidth != 0) {
        text += "; dots " + std::to_string(p.dotWidth) + " x " + std::to_string(p.dotHeight);
    }
    if (p.captionMatch != 0) {
        text += "; caption begins \"" + p.caption + "\"";
    }
    if (!p.screenClass.empty()) {
        text += "; screen window " + p.screenClass;
    }
    if (p.colors != 0) {
        text += "; in colour";
    }
    if (!p.note.empty()) {
        text += ". " + p.note;
    }
    return text;
}

// The profile for the rectangle as it stands; false when it fits no profile.
bool proposeFromRect(HWND dialog) {
    ScreenPlace place;
    place.outcome = LocateOutcome::Found;
    place.x = state.rect.x;
    place.y = state.rect.y;
    place.width = state.rect.width();
    place.height = state.rect.height();
    place.pitchX = state.rect.pitchX;
    place.pitchY = state.rect.pitchY;
    place.whole = std::floor(state.rect.pitchX) == state.rect.pitchX &&
                  std::floor(state.rect.pitchY) == state.rect.pitchY;
    Profile p;
    if (!proposeProfile(place, state.rect.across, state.rect.down, state.picked.width,
                        state.picked.height, &p)) {
        SetDlgItemTextA(dialog, IDC_ADD_PROFILE, "These dots fit no profile.");
        return false;
    }
    WindowEntry top;
    if (!describeWindow(state.picked.topLevel, &top)) {
        return false;
    }
    nameProfile(top.className, top.caption, &p);
    if (!state.captionPrefix.empty() &&
        (p.captionMatch == 0 || state.captionPrefix.size() < p.caption.size())) {
        p.captionMatch = 1;
        p.caption = state.captionPrefix;
    }
    if (state.picked.window != state.picked.topLevel) {
        p.screenClass = state.picked.className;
    }
    p.colors = IsDlgButtonChecked(dialog, IDC_ADD_COLOURS) == BST_CHECKED ? 1 : 0;
    setPreviewColours(p.colors != 0);
    state.profile = p;
    SetDlgItemTextA(dialog, IDC_ADD_PROFILE, profileSummary(p).c_str());
    return true;
}

void showRect(HWND dialog) {
    state.updating = true;
    setNumber(dialog, IDC_ADD_X, state.rect.x);
    setNumber(dialog, IDC_ADD_Y, state.rect.y);
    setNumber(dialog, IDC_ADD_DOTW, static_cast<int>(std::lround(state.rect.pitchX)));
    setNumber(dialog, IDC_ADD_DOTH, static_cast<int>(std::lround(state.rect.pitchY)));
    state.updating = false;
}

// The inside of a picture static in pixels, as the dialog's font and DPI made it.
void boxOf(HWND dialog, int id, int* width, int* height) {
    RECT inside = {};
    if (GetClientRect(GetDlgItem(dialog, id), &inside) && inside.right > 0 && inside.bottom > 0) {
        *width = static_cast<int>(inside.right);
        *height = static_cast<int>(inside.bottom);
    }
}

// The recording's preview and the window's picture with the rectangle outlined, from one copy
// of the client area.
void refreshPreview(HWND dialog) {
    Picture client;
    if (!grabClientPicture(state.picked.window, &client)) {
        return;
    }
    showPreviewOf(dialog, IDC_ADD_PREVIEW, client, state.rect, kPreviewWidth, kPreviewHeight);
    // 104 x 116 dialog units at 96 DPI, about, until the control says.
    int width = 156;
    int height = 188;
    boxOf(dialog, IDC_ADD_WINDOW_MARK, &width, &height);
    showWindowMark(dialog, IDC_ADD_WINDOW_MARK, client, state.rect, width, height);
}

void startPreview(HWND dialog) {
    refreshPreview(dialog);
    SetTimer(dialog, kPreviewTimer, previewInterval(dialog), nullptr);
}

void pick(HWND dialog, HWND window) {
    WindowEntry entry;
    if (!describeWindow(window, &entry)) {
        return;
    }
    stopLooking(dialog);
    state.picked = entry;
    state.havePicked = true;
    state.captionSeen.clear();
    state.captionPrefix.clear();
    fillWindowList(dialog);
    WindowEntry top;
    if (describeWindow(entry.topLevel, &top)) {
        SetDlgItemTextA(dialog, IDC_ADD_NAME, profileNameFromCaption(top.caption).c_str());
        state.captionSeen = top.caption;
    }
    say(dialog, "Picked \"" + entry.caption + "\". Say which calculator, then Find the screen.");
}

bool readDots(HWND dialog, int* across, int* down) {
    return readDotCount(itemText(dialog, IDC_ADD_ACROSS), across) &&
           readDotCount(itemText(dialog, IDC_ADD_DOWN), down);
}

// Locates the screen in the picked window's picture (against the blank one kept, on a retry).
void find(HWND dialog, bool retry) {
    KillTimer(dialog, kRetryTimer);
    KillTimer(dialog, kPreviewTimer);
    int across = 0;
    int down = 0;
    if (!state.havePicked) {
        say(dialog, "Pick the emulator's window first.");
        return;
    }
    if (!readDots(dialog, &across, &down)) {
        say(dialog, "Choose a calculator, or type its screen's dots across and down.");
        return;
    }
    Picture picture;
    if (!describeWindow(state.picked.window, &state.picked) ||
        !grabClientPicture(state.picked.window, &picture)) {
        state.found = false;
        say(dialog, "The window is gone or shows nothing. Refresh the list and pick it again.");
        return;
    }
    const bool compare =
        retry && state.before.width == picture.width && state.before.height == picture.height;
    const ScreenPlace place =
        locateScreen(picture, across, down, compare ? &state.before : nullptr);
    if (place.outcome == LocateOutcome::Blank && !retry) {
        state.before = picture;
        state.found = false;
        say(dialog,
            "The screen is blank: press a few calculator keys now. Looking again in two "
            "seconds...");
        SetTimer(dialog, kRetryTimer, kRetryDelay, nullptr);
        return;
    }
    state.before = Picture();
    if (place.outcome != LocateOutcome::Found) {
        state.found = false;
        say(dialog, "The screen was not found: " + place.how +
                        ". Resize the emulator's window to the size it first opened at, or "
                        "press a few calculator keys, then Find the screen again.");
        return;
    }
    state.rect = ScreenRect{place.x, place.y, place.pitchX, place.pitchY, across, down};
    // Proposed from the screen's colours; the checkbox lets the user choose otherwise.
    CheckDlgButton(dialog, IDC_ADD_COLOURS,
                   screenHasColours(picture, place.x, place.y, place.width, place.height)
                       ? BST_CHECKED
                       : BST_UNCHECKED);
    state.found = proposeFromRect(dialog);
    showRect(dialog);
    if (state.found) {
        say(dialog, "Found: " + place.how + ". Check the preview, then Save.");
        startPreview(dialog);
    }
}

// On each preview tick: a caption that changed since the pick (a file loaded, a number counted
// up) makes the profile match the beginning its captions keep.
void watchCaption(HWND dialog) {
    WindowEntry top;
    if (!describeWindow(state.picked.topLevel, &top)) {
        return;
    }
    const bool learned = !state.captionPrefix.empty();
    if (learned ? top.caption.rfind(state.captionPrefix, 0) == 0
                : top.caption == state.captionSeen) {
        return;
    }
    std::string prefix;
    if (captionMatchFromChange(learned ? state.captionPrefix : state.captionSeen, top.caption,
                               &prefix) == 0) {
        return;
    }
    state.captionPrefix = prefix;
    if (proposeFromRect(dialog)) {
        say(dialog, "The caption changed: the profile matches every caption that begins \"" +
                        prefix + "\".");
    }
}

// A box of the rectangle changed by the user (typed, spin control, arrow key).
void adjust(HWND dialog) {
    if (state.updating || !state.found) {
        return;
    }
    int x = 0;
    int y = 0;
    int dotWidth = 0;
    int dotHeight = 0;
    const auto read = [&](int id, int* value, bool zero) {
        const std::string text = itemText(dialog, id);
        if (zero && text == "0") {
            *value = 0;
            return true;
        }
        return readDotCount(text, value);
    };
    if (!read(IDC_ADD_X, &x, true) || !read(IDC_ADD_Y, &y, true) ||
        !read(IDC_ADD_DOTW, &dotWidth, false) || !read(IDC_ADD_DOTH, &dotHeight, false)) {
        return;
    }
    ScreenRect next = state.rect;
    next.x = x;
    next.y = y;
    if (dotWidth != std::lround(next.pitchX)) {
        next.pitchX = dotWidth;
    }
    if (dotHeight != std::lround(next.pitchY)) {
        next.pitchY = dotHeight;
    }
    if (!screenRectFits(next, state.picked.width, state.picked.height)) {
        say(dialog, "That rectangle reaches outside the window.");
        return;
    }
    state.rect = next;
    if (proposeFromRect(dialog)) {
        say(dialog, "Adjusted. Check the preview, then Save.");
        startPreview(dialog);
    }
}

void save(HWND dialog) {
    if (!state.found) {
        say(dialog, "Find the screen first.");
        return;
    }
    if (!pixmoteInstalled()) {
        warn(dialog,
             "Pixmote is not installed for this account: the registry key "
             "HKEY_CURRENT_USER\\Software\\Pixmote is missing. Run pixmote-setup.exe "
             "while signed in to this account, then Save again.");
        return;
    }
    const std::string group = itemText(dialog, IDC_ADD_GROUP);
    const std::string name = itemText(dialog, IDC_ADD_NAME);
    if (!validKeyName(group) || !validKeyName(name)) {
        warn(dialog, "The group and the name must each be 1 to 63 characters, without \\.");
        return;
    }
    WindowEntry top;
    if (!describeWindow(state.picked.topLevel, &top)) {
        say(dialog, "The window is gone.");
        return;
    }
    const std::string other = profileDescribing(top.className, top.caption, group, name, false);
    if (!other.empty() &&
        MessageBoxA(dialog,
                    ("The profile " + other +
                     " already describes this window, and Pixmote may use it first. Save anyway?")
                        .c_str(),
                    kTitle, MB_YESNO | MB_ICONWARNING) != IDYES) {
        say(dialog, "Not saved.");
        return;
    }
    if (!writeProfile(state.profile, group, name)) {
        warn(dialog, "The profile could not be written to HKEY_CURRENT_USER\\Software\\Pixmote\\" +
                         group + "\\" + name + ".");
        return;
    }
    const std::string check = detectionCheck(top.window, state.profile, group, name);
    if (!check.empty()) {
        say(dialog, "Saved as " + group + "\\" + name + ", but see the warning.");
        warn(dialog, "Saved as " + group + "\\" + name + ". " + check);
        return;
    }
    say(dialog, "Saved as " + group + "\\" + name + ". Pixmote now records this window at " +
                    std::to_string(state.profile.cx) + " x " + std::to_string(state.profile.cy) +
                    ".");
}

void exportReg(HWND dialog) {
    if (!state.found) {
        say(dialog, "Find the screen first.");
        return;
    }
    const std::string group = itemText(dialog, IDC_ADD_GROUP);
    const std::string name = itemText(dialog, IDC_ADD_NAME);
    if (!validKeyName(group) || !validKeyName(name)) {
        warn(dialog, "The group and the name must each be 1 to 63 characters, without \\.");
        return;
    }
    char file[260] = "";
    std::snprintf(file, sizeof file, "%s.reg", name.c_str());
    OPENFILENAMEA record = {};
    record.lStructSize = sizeof record;
    record.hwndOwner = dialog;
    record.lpstrFilter = "Registration entries (*.reg)\0*.reg\0";
    record.lpstrFile = file;
    record.nMaxFile = sizeof file;
    record.lpstrTitle = "Export the profile";
    record.lpstrDefExt = "reg";
    record.Flags = OFN_OVERWRITEPROMPT | OFN_PATHMUSTEXIST;
    if (!GetSaveFileNameA(&record)) {
        return;
    }
    const std::string text = profileRegText(state.profile, group, name);
    std::FILE* out = std::fopen(file, "wb");
    const bool written =
        out != nullptr && std::fwrite(text.data(), 1, text.size(), out) == text.size();
    if (out != nullptr && std::fclose(out) != 0) {
        warn(dialog, std::string("Could not write ") + file + ".");
        return;
    }
    if (!written) {
        warn(dialog, std::string("Could not write ") + file + ".");
        return;
    }
    say(dialog, std::string("Exported to ") + file + ".");
}

bool overFinder(HWND dialog) {
    RECT finder = {};
    POINT at = {};
    return GetWindowRect(GetDlgItem(dialog, IDC_ADD_FINDER), &finder) && GetCursorPos(&at) &&
           at.x >= finder.left && at.x < finder.right && at.y >= finder.top && at.y < finder.bottom;
}

void endDrag(HWND dialog) {
    state.dragging = false;
    ReleaseCapture();
    SetCursor(LoadCursorA(nullptr, IDC_ARROW));
    POINT at = {};
    GetCursorPos(&at);
    const HWND window = windowUnderPoint(at, dialog);
    if (window == nullptr) {
        say(dialog, "Release the cross over the emulator's window.");
        return;
    }
    pick(dialog, window);
}

void close(HWND dialog) {
    KillTimer(dialog, kPreviewTimer);
    KillTimer(dialog, kRetryTimer);
    if (state.dragging) {
        state.dragging = false;
        ReleaseCapture();
    }
    releasePreview(dialog, IDC_ADD_PREVIEW);
    releaseWindowMark(dialog, IDC_ADD_WINDOW_MARK);
    state = AddState();
    EndDialog(dialog, 0);
    PostQuitMessage(0);
}

void initialise(HWND dialog) {
    state = AddState();
    for (const CalculatorScreen& screen : calculatorScreens()) {
        const std::string row = calculatorRowText(screen);
        SendDlgItemMessageA(dialog, IDC_ADD_CALCULATORS, LB_ADDSTRING, 0,
                            reinterpret_cast<LPARAM>(row.c_str()));
    }
    CheckDlgButton(dialog, IDC_ADD_T110, BST_CHECKED);
    SetDlgItemTextA(dialog, IDC_ADD_GROUP, "Added");
    fillWindowList(dialog);
    say(dialog, "Pick the emulator's window in the list, or drag the cross onto it.");
}

void command(HWND dialog, WORD id, WORD code) {
    switch (id) {
        case IDC_ADD_REFRESH:
            fillWindowList(dialog);
            break;
        case IDC_ADD_WINDOWS:
            if (code == LBN_SELCHANGE) {
                const LRESULT row =
                    SendDlgItemMessageA(dialog, IDC_ADD_WINDOWS, LB_GETCURSEL, 0, 0);
                if (row >= 0 && static_cast<std::size_t>(row) < state.windows.size()) {
                    pick(dialog, state.windows[static_cast<std::size_t>(row)].window);
                }
            }
            break;
        case IDC_ADD_CALCULATORS:
            if (code == LBN_SELCHANGE) {
                const LRESULT row =
                    SendDlgItemMessageA(dialog, IDC_ADD_CALCULATORS, LB_GETCURSEL, 0, 0);
                const auto& screens = calculatorScreens();
                if (row >= 0 && static_cast<std::size_t>(row) < screens.size()) {
                    setNumber(dialog, IDC_ADD_ACROSS,
                              screens[static_cast<std::size_t>(row)].across);
                    setNumber(dialog, IDC_ADD_DOWN, screens[static_cast<std::size_t>(row)].down);
                }
            }
            break;
        case IDC_ADD_FIND:
            find(dialog, false);
            break;
        case IDC_ADD_X:
        case IDC_ADD_Y:
        case IDC_ADD_DOTW:
        case IDC_ADD_DOTH:
            if (code == EN_CHANGE) {
                adjust(dialog);
            }
            break;
        case IDC_ADD_T110:
        case IDC_ADD_T220:
        case IDC_ADD_T330:
            if (state.found) {
                startPreview(dialog);
            }
            break;
        case IDC_ADD_COLOURS:
            if (state.found && proposeFromRect(dialog)) {
                startPreview(dialog);
            }
            break;
        case IDC_ADD_SAVE:
            save(dialog);
            break;
        case IDC_ADD_EXPORT:
            exportReg(dialog);
            break;
        case IDCANCEL:
            close(dialog);
            break;
        default:
            break;
    }
}

}  // namespace

INT_PTR CALLBACK addDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM /*lParam*/) {
    switch (message) {
        case WM_INITDIALOG:
            initialise(dialog);
            return TRUE;
        case WM_COMMAND:
            command(dialog, LOWORD(wParam), HIWORD(wParam));
            return TRUE;
        case WM_TIMER:
            if (wParam == kRetryTimer) {
                find(dialog, true);
            } else if (wParam == kPreviewTimer && state.found) {
                watchCaption(dialog);
                refreshPreview(dialog);
            }
            return TRUE;
        case WM_LBUTTONDOWN:
            if (overFinder(dialog)) {
                state.dragging = true;
                SetCapture(dialog);
                SetCursor(LoadCursorA(nullptr, IDC_CROSS));
                say(dialog, "Release over the emulator's window.");
            }
            return TRUE;
        case WM_MOUSEMOVE:
            // The finder's cross follows the pointer until the button is let go.
            if (state.dragging) {
                SetCursor(LoadCursorA(nullptr, IDC_CROSS));
            }
            return TRUE;
        case WM_LBUTTONUP:
            if (state.dragging) {
                endDrag(dialog);
            }
            return TRUE;
        case WM_CLOSE:
            close(dialog);
            return TRUE;
        default:
            return FALSE;
    }
}

int runAddDialog(HINSTANCE instance) {
    InitCommonControls();
    const HWND dialog = CreateDialogParamA(instance, "PIXMOTEADD", nullptr, addDialogProc, 0);
    if (dialog == nullptr) {
        return 1;
    }
    ShowWindow(dialog, SW_SHOWNORMAL);
    MSG msg = {};
    for (;;) {
        const BOOL got = GetMessageA(&msg, nullptr, 0, 0);
        if (got == 0 || got == -1) {
            return got == 0 ? 0 : 1;
        }
        if (IsDialogMessageA(dialog, &msg) == FALSE) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
    }
}
