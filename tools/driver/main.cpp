// pixmote-driver.exe: acts on a running Pixmote the way the shell and a user would, for the
// end-to-end checks under Wine. One command per run; every wait is bounded by --timeout MS
// (default 10000). Results go to stdout; the exit code is 0 on success, 1 when the command
// failed or timed out, 2 on a usage error.
//
//   tray left|right|lup|rup|mdown|mup|dbl|rdbl|move   a tray notification (WM_APP + 100)
//   close                      WM_CLOSE to the settings dialog
//   endsession                 WM_QUERYENDSESSION, then WM_ENDSESSION(TRUE)
//   savefile PATH              fill in and accept the save dialog, Pixmote's or the helper's
//                              (prints "asked: TEXT" when the dialog asks something back, e.g.
//                              whether to replace a file)
//   savefile-cancel            cancel the save dialog
//   box [--keep|--yes|--no]    wait for a message box (of Pixmote or of the helper), print its
//                              caption and text, press OK (or Yes, or No, or nothing)
//   no-box MS                  fail if a message box shows within MS
//   wait-dialog-visible | wait-dialog-hidden
//   dialog-state               visibility, message text, still-mode box, timer buttons
//   set-text ID TEXT | click ID   on a control of the settings dialog
//   dialog-texts               every text of the visible settings dialog against its control
//                              (texts.h); hold-key VK MODIFIERS SECONDS  hold a key as another
//                              program would
//   pid | gui-resources [PID] | foreground | windows | children TITLE
//   hold SECONDS | wait-shell  keep the desktop up; wait for Wine's shell and its tray
//   tooltip                    the text of the visible tooltip (after hovering the tray icon)
//   tray-park X Y              move Wine's stand-alone tray window; prints where its client
//                              area (the icons, 20 x 20 each) now starts on the screen
//   emu-start | emu-reset | emu-close | emu-pattern K | emu-info | emu-verify K [W H] |
//   emu-move X Y               the emulator stand-in (emu-verify waits until the window shows
//                              pattern K; emu-move until the window is at X, Y)
//   win-info CLASS | win-resize CLASS W H | win-move CLASS X Y | win-close CLASS
//                              a real emulator's window (window.h): where its client area
//                              is on the screen, its client size set to W x H, moved to X, Y,
//                              closed
//   add-select ID PREFIX | add-click ID | add-text ID | add-rect ID
//                              in the helper's window "Add an emulator to Pixmote": choose the
//                              row of list ID that begins with PREFIX (as a click on it does),
//                              press button ID (posted: a box it opens does not block), print
//                              the text of control ID (of a list: its selected row), print
//                              where control ID is on the screen (left top right bottom)
#include <windows.h>
#include <psapi.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "tools/common/frames.h"
#include "tools/driver/find.h"
#include "tools/driver/texts.h"
#include "tools/driver/window.h"

namespace {

constexpr UINT kTrayNotify = WM_APP + 100;
constexpr UINT kStartScript = WM_APP + 1;
constexpr UINT kShowPattern = WM_APP + 2;
constexpr UINT kResetScript = WM_APP + 3;

int fail(const std::string& why) {
    std::printf("FAIL %s\n", why.c_str());
    std::fflush(stdout);
    return 1;
}

int usage() {
    std::fprintf(stderr, "usage: pixmote-driver [--timeout MS] COMMAND [ARGS] (see main.cpp)\n");
    return 2;
}

// Presses a button of a modal dialog (a message box, the save dialog) the way a click does:
// with a posted message. A modal loop notices that its dialog has ended only when a posted
// message wakes it; a sent one would end the dialog and leave the loop asleep, and every
// later sent message (the next tray press) would then run inside the dead dialog's loop.
// The dialog is first painted whole, as a person sees it before clicking: otherwise whether
// it was painted at all would depend on the machine's pace, and with it what Wine's theme
// loads once and keeps (the file dialog's toolbar pictures), which the leak checks count.
void pressButton(HWND dialog, int id, HWND button) {
    RedrawWindow(dialog, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(button));
}

HWND settingsOrFail() {
    HWND d = waitFor(findSettingsDialog);
    if (d == nullptr) {
        fail("no window \"Pixmote Configuration\"");
    }
    return d;
}

int tray(const std::string& what) {
    struct Name {
        const char* name;
        LPARAM message;
    };
    static const Name kNames[] = {
        {"left", WM_LBUTTONDOWN},  {"lup", WM_LBUTTONUP},      {"right", WM_RBUTTONDOWN},
        {"rup", WM_RBUTTONUP},     {"mdown", WM_MBUTTONDOWN},  {"mup", WM_MBUTTONUP},
        {"dbl", WM_LBUTTONDBLCLK}, {"rdbl", WM_RBUTTONDBLCLK}, {"move", WM_MOUSEMOVE},
    };
    for (const Name& n : kNames) {
        if (what == n.name) {
            HWND d = settingsOrFail();
            if (d == nullptr) {
                return 1;
            }
            notifyAndSettle(d, kTrayNotify, 0, n.message);
            std::printf("tray %s sent\n", n.name);
            return 0;
        }
    }
    return usage();
}

// The failure of savefile and savefile-cancel, naming the dialog that was waited for.
int noSaveDialog() {
    return fail(findHelperWindow() != nullptr ? "no save dialog \"Export the profile\""
                                              : "no save dialog \"Create Animated Screenshot\"");
}

int saveFile(const char* path) {
    HWND dlg = waitFor(findSaveDialog);
    if (dlg == nullptr) {
        return noSaveDialog();
    }
    // The name is typed again until the box holds it: a dialog that is still setting itself
    // up may clear it once more.
    HWND edit = fileNameEdit(dlg);
    std::string typed;
    const bool held = waitUntil([edit, path, &typed] {
        DWORD_PTR r = 0;
        SendMessageTimeoutA(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(path), SMTO_NORMAL,
                            gTimeoutMs, &r);
        typed = windowText(edit);
        return typed == path;
    });
    if (!held) {
        return fail("file name box holds \"" + typed + "\"");
    }
    HWND ok = GetDlgItem(dlg, IDOK);
    pressButton(dlg, IDOK, ok);
    HWND asked = nullptr;
    if (!waitUntil([dlg, &asked] {
            asked = findMessageBox();
            return asked != nullptr || !IsWindow(dlg) || !IsWindowVisible(dlg);
        })) {
        return fail("the save dialog stayed open");
    }
    if (asked != nullptr) {
        // For instance the question whether to replace an existing file: left to `box`.
        std::printf("asked: %s\n", windowText(GetDlgItem(asked, 0xFFFF)).c_str());
        return 0;
    }
    std::printf("saved %s\n", path);
    return 0;
}

int saveCancel() {
    HWND dlg = waitFor(findSaveDialog);
    if (dlg == nullptr) {
        return noSaveDialog();
    }
    HWND cancel = GetDlgItem(dlg, IDCANCEL);
    pressButton(dlg, IDCANCEL, cancel);
    if (!waitUntil([dlg] { return !IsWindow(dlg) || !IsWindowVisible(dlg); })) {
        return fail("the save dialog stayed open");
    }
    std::printf("cancelled\n");
    return 0;
}

// button: the id to press (IDOK, IDYES, IDNO), or 0 to leave the box open.
int box(int button) {
    HWND b = waitFor(findMessageBox);
    if (b == nullptr) {
        return fail("no message box");
    }
    std::printf("caption: %s\n", windowText(b).c_str());
    std::printf("text: %s\n", windowText(GetDlgItem(b, 0xFFFF)).c_str());
    HWND owner = GetWindow(b, GW_OWNER);
    std::printf("owner: %s\n", owner != nullptr ? windowText(owner).c_str() : "");
    std::fflush(stdout);
    if (button == 0) {
        return 0;
    }
    HWND control = GetDlgItem(b, button);
    if (control == nullptr) {
        return fail("the box has no button " + std::to_string(button));
    }
    pressButton(b, button, control);
    if (!waitUntil([b] { return !IsWindow(b) || !IsWindowVisible(b); })) {
        return fail("the message box stayed open");
    }
    return 0;
}

int noBox(DWORD ms) {
    gTimeoutMs = ms;
    HWND b = waitFor(findMessageBox);
    if (b != nullptr) {
        return fail("message box: " + windowText(GetDlgItem(b, 0xFFFF)));
    }
    std::printf("no box\n");
    return 0;
}

int waitVisible(bool visible) {
    HWND d = settingsOrFail();
    if (d == nullptr) {
        return 1;
    }
    if (!waitUntil([d, visible] { return (IsWindowVisible(d) != FALSE) == visible; })) {
        return fail(visible ? "the dialog stayed hidden" : "the dialog stayed visible");
    }
    std::printf("%s\n", visible ? "visible" : "hidden");
    return 0;
}

LRESULT sendTo(HWND w, UINT message, WPARAM wParam, LPARAM lParam) {
    DWORD_PTR r = 0;
    SendMessageTimeoutA(w, message, wParam, lParam, SMTO_NORMAL, gTimeoutMs, &r);
    return static_cast<LRESULT>(r);
}

int dialogState() {
    HWND d = settingsOrFail();
    if (d == nullptr) {
        return 1;
    }
    std::printf("visible=%d\n", IsWindowVisible(d) ? 1 : 0);
    std::printf("text=%s\n", windowText(GetDlgItem(d, 1004)).c_str());
    std::printf("limit=%ld\n",
                static_cast<long>(sendTo(GetDlgItem(d, 1004), EM_GETLIMITTEXT, 0, 0)));
    std::printf("still=%ld\n", static_cast<long>(sendTo(GetDlgItem(d, 1005), BM_GETCHECK, 0, 0)));
    std::string timer;
    static const int kIds[3] = {40006, 40007, 40008};
    static const char* kNames[3] = {"110", "220", "330"};
    for (int i = 0; i < 3; ++i) {
        if (sendTo(GetDlgItem(d, kIds[i]), BM_GETCHECK, 0, 0) == BST_CHECKED) {
            timer += timer.empty() ? kNames[i] : std::string(",") + kNames[i];
        }
    }
    std::printf("timer=%s\n", timer.empty() ? "none" : timer.c_str());
    HWND fg = GetForegroundWindow();
    std::printf("foreground=%d\n", fg == d ? 1 : 0);
    return 0;
}

int setText(int id, const char* text) {
    HWND d = settingsOrFail();
    if (d == nullptr) {
        return 1;
    }
    HWND c = GetDlgItem(d, id);
    if (c == nullptr) {
        return fail("no control " + std::to_string(id));
    }
    sendTo(c, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text));
    std::printf("text of %d: %s\n", id, windowText(c).c_str());
    return 0;
}

int click(int id) {
    HWND d = settingsOrFail();
    if (d == nullptr) {
        return 1;
    }
    HWND c = GetDlgItem(d, id);
    if (c == nullptr) {
        return fail("no control " + std::to_string(id));
    }
    notifyAndSettle(c, BM_CLICK, 0, 0);
    std::printf("clicked %d\n", id);
    return 0;
}

// A control of the helper's window, or nullptr after saying why.
HWND helperControl(int id) {
    HWND d = findHelperWindow();
    HWND c = d != nullptr ? GetDlgItem(d, id) : nullptr;
    if (c == nullptr) {
        fail(d == nullptr ? "no window \"Add an emulator to Pixmote\""
                          : "no control " + std::to_string(id));
    }
    return c;
}

// The text of a control of the helper's window; of a list, its selected row ("" for none).
std::string helperText(HWND control) {
    if (className(control) != "ListBox") {
        return windowText(control);
    }
    // Asked for in UTF-16: under Wine an ANSI LB_GETTEXT from another process comes back in
    // UTF-16 all the same.
    const LRESULT row = SendMessageW(control, LB_GETCURSEL, 0, 0);
    const LRESULT length =
        row == LB_ERR ? LB_ERR : SendMessageW(control, LB_GETTEXTLEN, static_cast<WPARAM>(row), 0);
    if (length == LB_ERR) {
        return {};
    }
    std::wstring wide(static_cast<std::size_t>(length) + 1, L'\0');
    SendMessageW(control, LB_GETTEXT, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&wide[0]));
    char text[1024] = {};
    WideCharToMultiByte(CP_ACP, 0, wide.c_str(), -1, text, sizeof text, nullptr, nullptr);
    return text;
}

int helperSelect(int id, const char* prefix) {
    HWND list = helperControl(id);
    if (list == nullptr) {
        return 1;
    }
    const LRESULT row = SendMessageA(list, LB_FINDSTRING, static_cast<WPARAM>(-1),
                                     reinterpret_cast<LPARAM>(prefix));
    if (row == LB_ERR) {
        return fail(std::string("no row begins with ") + prefix);
    }
    SendMessageA(list, LB_SETCURSEL, static_cast<WPARAM>(row), 0);
    PostMessageA(GetParent(list), WM_COMMAND, MAKEWPARAM(id, LBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(list));
    std::printf("selected row %ld\n", static_cast<long>(row));
    return 0;
}

int endSession() {
    HWND d = settingsOrFail();
    if (d == nullptr) {
        return 1;
    }
    DWORD_PTR r = 0;
    LRESULT ok = SendMessageTimeoutA(d, WM_QUERYENDSESSION, 0, 0, SMTO_NORMAL, gTimeoutMs, &r);
    std::printf("queryendsession=%ld (%s)\n", static_cast<long>(r), ok ? "answered" : "no answer");
    ok = SendMessageTimeoutA(d, WM_ENDSESSION, TRUE, 0, SMTO_NORMAL, gTimeoutMs, &r);
    std::printf("endsession %s\n", ok ? "answered" : "no answer");
    return 0;
}

int guiResources(DWORD pid) {
    if (pid == 0) {
        HWND d = settingsOrFail();
        if (d == nullptr) {
            return 1;
        }
        pid = processOf(d);
    }
    HANDLE p = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, pid);
    if (p == nullptr) {
        return fail("cannot open process " + std::to_string(pid));
    }
    PROCESS_MEMORY_COUNTERS mem = {};
    mem.cb = sizeof mem;
    GetProcessMemoryInfo(p, &mem, sizeof mem);
    DWORD handles = 0;
    GetProcessHandleCount(p, &handles);
    std::printf("pid=%lu gdi=%lu user=%lu handles=%lu workingset=%llu pagefile=%llu\n", pid,
                GetGuiResources(p, GR_GDIOBJECTS), GetGuiResources(p, GR_USEROBJECTS), handles,
                static_cast<unsigned long long>(mem.WorkingSetSize),
                static_cast<unsigned long long>(mem.PagefileUsage));
    CloseHandle(p);
    return 0;
}

BOOL CALLBACK listWindow(HWND w, LPARAM) {
    RECT r;
    GetWindowRect(w, &r);
    std::printf("%p pid=%lu vis=%d class=%s title=%s rect=%ld,%ld,%ld,%ld\n", static_cast<void*>(w),
                processOf(w), IsWindowVisible(w) ? 1 : 0, className(w).c_str(),
                windowText(w).c_str(), r.left, r.top, r.right, r.bottom);
    return TRUE;
}

BOOL CALLBACK listChild(HWND w, LPARAM) {
    std::printf("  %p id=%d vis=%d class=%s text=%s\n", static_cast<void*>(w), GetDlgCtrlID(w),
                IsWindowVisible(w) ? 1 : 0, className(w).c_str(), windowText(w).c_str());
    return TRUE;
}

int children(const char* title) {
    HWND w = waitFor([title] { return FindWindowA(nullptr, title); });
    if (w == nullptr) {
        return fail(std::string("no window \"") + title + "\"");
    }
    std::printf("%p class=%s\n", static_cast<void*>(w), className(w).c_str());
    EnumChildWindows(w, listChild, 0);
    return 0;
}

BOOL CALLBACK findTip(HWND w, LPARAM out) {
    if (IsWindowVisible(w) && className(w) == "tooltips_class32") {
        std::string t = windowText(w);
        if (!t.empty()) {
            *reinterpret_cast<std::string*>(out) = t;
            return FALSE;
        }
    }
    return TRUE;
}

int tooltip() {
    std::string text;
    bool seen = waitUntil([&text] {
        text.clear();
        EnumWindows(findTip, reinterpret_cast<LPARAM>(&text));
        return !text.empty();
    });
    if (!seen) {
        return fail("no visible tooltip");
    }
    std::printf("%s\n", text.c_str());
    return 0;
}

HWND standInOrFail() {
    HWND w = waitFor(findStandIn);
    if (w == nullptr) {
        fail("no window of class CalcStandIn");
    }
    return w;
}

// Reads the stand-in's client area once and compares it with pattern k of a W x H screen,
// drawn bare or in the face layout at whatever whole scale the client size shows. What it
// found goes to `report`; returns the count of wrong pixels, or -1 when the client fits no
// layout.
int compareWithPattern(HWND w, int k, int width, int height, std::string* report) {
    char line[160];
    report->clear();
    RECT client;
    GetClientRect(w, &client);
    int cw = static_cast<int>(client.right);
    int ch = static_cast<int>(client.bottom);
    int scale = 0;
    int ox = 0;
    int oy = 0;
    if (cw % width == 0 && ch % height == 0 && cw / width == ch / height) {
        scale = cw / width;
    } else if (cw % 160 == 0 && ch % 280 == 0 && cw / 160 == ch / 280) {
        scale = cw / 160;
        ox = 32 * scale;
        oy = 40 * scale;
    } else {
        std::snprintf(line, sizeof line, "client %dx%d fits no layout\n", cw, ch);
        *report = line;
        return -1;
    }
    HDC dc = GetDC(w);
    HDC mem = CreateCompatibleDC(dc);
    HBITMAP bmp = CreateCompatibleBitmap(dc, cw, ch);
    HGDIOBJ old = SelectObject(mem, bmp);
    BitBlt(mem, 0, 0, cw, ch, dc, 0, 0, SRCCOPY);
    SelectObject(mem, old);
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = cw;
    info.bmiHeader.biHeight = -ch;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    std::vector<std::uint32_t> pixels(static_cast<std::size_t>(cw) * static_cast<std::size_t>(ch));
    GetDIBits(mem, bmp, 0, static_cast<UINT>(ch), pixels.data(), &info, DIB_RGB_COLORS);
    DeleteObject(bmp);
    DeleteDC(mem);
    ReleaseDC(w, dc);

    std::vector<std::uint8_t> want = frames::pattern(k, width, height);
    int wrong = 0;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            std::uint32_t g = frames::grayOfLevel(want[static_cast<std::size_t>(y * width + x)]);
            std::uint32_t rgb = g << 16 | g << 8 | g;
            for (int dy = 0; dy < scale; ++dy) {
                for (int dx = 0; dx < scale; ++dx) {
                    std::size_t at =
                        static_cast<std::size_t>((oy + y * scale + dy) * cw + ox + x * scale + dx);
                    if ((pixels[at] & 0xFFFFFFu) != rgb) {
                        if (wrong < 5) {
                            std::snprintf(
                                line, sizeof line, "pixel (%d,%d)+(%d,%d): have %06lx want %06lx\n",
                                x, y, dx, dy, static_cast<unsigned long>(pixels[at] & 0xFFFFFFu),
                                static_cast<unsigned long>(rgb));
                            *report += line;
                        }
                        ++wrong;
                    }
                }
            }
        }
    }
    std::snprintf(line, sizeof line, "client %dx%d scale %d screen at (%d,%d): %d wrong pixels\n",
                  cw, ch, scale, ox, oy, wrong);
    *report += line;
    return wrong;
}

// Waits, within the timeout, until the stand-in's client area shows pattern k (the picture
// reaches other processes once the stand-in's drawing is flushed, which may come later than
// the message that asked for it). Prints the last look.
int emuVerify(int k, int width, int height) {
    HWND w = standInOrFail();
    if (w == nullptr) {
        return 1;
    }
    int wrong = -1;
    std::string report;
    waitUntil([w, k, width, height, &wrong, &report] {
        wrong = compareWithPattern(w, k, width, height, &report);
        return wrong == 0;
    });
    std::printf("%s", report.c_str());
    if (wrong < 0) {
        return fail("the client area fits no layout");
    }
    return wrong == 0 ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    int i = 1;
    if (i + 1 < argc && std::strcmp(argv[i], "--timeout") == 0) {
        gTimeoutMs = static_cast<DWORD>(std::strtoul(argv[i + 1], nullptr, 10));
        i += 2;
    }
    if (i >= argc) {
        return usage();
    }
    std::string cmd = argv[i++];
    int left = argc - i;
    char** args = argv + i;
    int rc = 2;
    if (cmd == "tray" && left == 1) {
        rc = tray(args[0]);
    } else if (cmd == "close" && left == 0) {
        HWND d = settingsOrFail();
        rc = 1;
        if (d != nullptr) {
            // Through the queue, like the close box or Alt+F4 of a user.
            PostMessageA(d, WM_CLOSE, 0, 0);
            std::printf("close posted\n");
            rc = 0;
        }
    } else if (cmd == "endsession" && left == 0) {
        rc = endSession();
    } else if (cmd == "savefile" && left == 1) {
        rc = saveFile(args[0]);
    } else if (cmd == "savefile-cancel" && left == 0) {
        rc = saveCancel();
    } else if (cmd == "box" && left <= 1) {
        std::string how = left == 1 ? args[0] : "";
        int button = how == "--keep" ? 0 : how == "--yes" ? IDYES : how == "--no" ? IDNO : IDOK;
        rc = how.empty() || button != IDOK ? box(button) : usage();
    } else if (cmd == "no-box" && left == 1) {
        rc = noBox(static_cast<DWORD>(std::strtoul(args[0], nullptr, 10)));
    } else if (cmd == "wait-dialog-visible" && left == 0) {
        rc = waitVisible(true);
    } else if (cmd == "wait-dialog-hidden" && left == 0) {
        rc = waitVisible(false);
    } else if (cmd == "dialog-state" && left == 0) {
        rc = dialogState();
    } else if (cmd == "set-text" && left == 2) {
        rc = setText(std::atoi(args[0]), args[1]);
    } else if (cmd == "click" && left == 1) {
        rc = click(std::atoi(args[0]));
    } else if (cmd == "pid" && left == 0) {
        HWND d = settingsOrFail();
        rc = 1;
        if (d != nullptr) {
            std::printf("%lu\n", processOf(d));
            rc = 0;
        }
    } else if (cmd == "gui-resources" && left <= 1) {
        rc = guiResources(left == 1 ? static_cast<DWORD>(std::strtoul(args[0], nullptr, 10)) : 0);
    } else if (cmd == "foreground" && left == 0) {
        HWND fg = GetForegroundWindow();
        std::printf("class=%s title=%s\n", fg ? className(fg).c_str() : "",
                    fg ? windowText(fg).c_str() : "");
        rc = 0;
    } else if (cmd == "add-select" && left == 2) {
        rc = helperSelect(std::atoi(args[0]), args[1]);
    } else if (cmd == "add-click" && left == 1) {
        HWND c = helperControl(std::atoi(args[0]));
        rc = c != nullptr && PostMessageA(c, BM_CLICK, 0, 0) ? 0 : 1;
    } else if (cmd == "add-rect" && left == 1) {
        HWND c = helperControl(std::atoi(args[0]));
        RECT r = {};
        rc = c != nullptr && GetWindowRect(c, &r) ? 0 : 1;
        if (rc == 0) {
            std::printf("%ld %ld %ld %ld\n", r.left, r.top, r.right, r.bottom);
        }
    } else if (cmd == "add-text" && left == 1) {
        HWND c = helperControl(std::atoi(args[0]));
        rc = c != nullptr ? 0 : 1;
        if (c != nullptr) {
            std::printf("%s\n", helperText(c).c_str());
        }
    } else if (cmd == "children" && left == 1) {
        rc = children(args[0]);
    } else if (cmd == "windows" && left == 0) {
        EnumWindows(listWindow, 0);
        rc = 0;
    } else if (cmd == "hold" && left == 1) {
        // Keeps a process on the desktop, so Wine's shell stays up between programs.
        GetDesktopWindow();
        Sleep(static_cast<DWORD>(std::strtoul(args[0], nullptr, 10)) * 1000u);
        rc = 0;
    } else if (cmd == "wait-shell" && left == 0) {
        HWND shell = waitFor([] { return FindWindowA("Shell_TrayWnd", nullptr); });
        rc = shell != nullptr ? 0 : fail("no Shell_TrayWnd");
    } else if (cmd == "tray-park" && left == 2) {
        // Moves Wine's stand-alone tray window (owned by explorer.exe) to X, Y.
        HWND t = waitFor([] { return FindWindowA(nullptr, "Wine System Tray"); });
        rc = 1;
        if (t != nullptr) {
            const int x = std::atoi(args[0]);
            const int y = std::atoi(args[1]);
            SetWindowPos(t, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
            RECT r;
            waitUntil([t, x, y, &r] {
                GetWindowRect(t, &r);
                return r.left == x && r.top == y;
            });
            POINT client = {0, 0};
            ClientToScreen(t, &client);
            std::printf("tray at %ld,%ld client at %ld,%ld\n", r.left, r.top, client.x, client.y);
            rc = 0;
        }
    } else if (cmd == "emu-move" && left == 2) {
        // Moves the emulator stand-in's window to X, Y (screen coordinates), as a user would,
        // and waits until it is there.
        const int x = std::atoi(args[0]);
        const int y = std::atoi(args[1]);
        HWND e = waitFor([] { return FindWindowA("CalcStandIn", "Calculator Stand-In"); });
        if (e == nullptr || SetWindowPos(e, nullptr, x, y, 0, 0,
                                         SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE) == FALSE) {
            rc = fail("no stand-in window to move");
        } else {
            rc = waitUntil([e, x, y] {
                RECT r = {};
                GetWindowRect(e, &r);
                return r.left == x && r.top == y;
            })
                     ? 0
                     : fail("the stand-in did not move");
        }
    } else if (cmd == "tooltip" && left == 0) {
        rc = tooltip();
    } else if (cmd == "emu-start" && left == 0) {
        HWND w = standInOrFail();
        rc = 1;
        if (w != nullptr) {
            PostMessageA(w, kStartScript, 0, 0);
            std::printf("script started\n");
            rc = 0;
        }
    } else if ((cmd == "emu-reset" || cmd == "emu-close") && left == 0) {
        HWND w = standInOrFail();
        rc = 1;
        if (w != nullptr) {
            if (cmd == "emu-reset") {
                DWORD_PTR r = 0;
                SendMessageTimeoutA(w, kResetScript, 0, 0, SMTO_NORMAL, gTimeoutMs, &r);
                std::printf("script reset\n");
                rc = 0;
            } else {
                PostMessageA(w, WM_CLOSE, 0, 0);
                rc = waitUntil([w] { return !IsWindow(w); }) ? 0 : fail("the stand-in stayed");
            }
        }
    } else if (cmd == "emu-pattern" && left == 1) {
        HWND w = standInOrFail();
        rc = 1;
        if (w != nullptr) {
            DWORD_PTR r = 0;
            SendMessageTimeoutA(w, kShowPattern, std::strtoul(args[0], nullptr, 10), 0, SMTO_NORMAL,
                                gTimeoutMs, &r);
            std::printf("pattern %s shown\n", args[0]);
            rc = 0;
        }
    } else if (cmd == "emu-info" && left == 0) {
        HWND w = standInOrFail();
        rc = 1;
        if (w != nullptr) {
            RECT c;
            GetClientRect(w, &c);
            std::printf("client %ldx%ld visible=%d title=%s\n", c.right, c.bottom,
                        IsWindowVisible(w) ? 1 : 0, windowText(w).c_str());
            rc = 0;
        }
    } else if (cmd == "win-info" && left == 1) {
        rc = windowInfo(args[0]);
    } else if (cmd == "win-resize" && left == 3) {
        rc = windowResize(args[0], std::atoi(args[1]), std::atoi(args[2]));
    } else if (cmd == "win-move" && left == 3) {
        rc = windowMove(args[0], std::atoi(args[1]), std::atoi(args[2]));
    } else if (cmd == "win-close" && left == 1) {
        rc = windowClose(args[0]);
    } else if (cmd == "dialog-texts" && left == 0) {
        rc = dialogTexts();
    } else if (cmd == "hold-key" && left == 3) {
        rc = holdKey(static_cast<UINT>(std::strtoul(args[0], nullptr, 0)),
                     static_cast<UINT>(std::strtoul(args[1], nullptr, 0)), std::atoi(args[2]));
    } else if (cmd == "emu-verify" && (left == 1 || left == 3)) {
        int width = left == 3 ? std::atoi(args[1]) : 96;
        int height = left == 3 ? std::atoi(args[2]) : 64;
        rc = emuVerify(std::atoi(args[0]), width, height);
    } else {
        rc = usage();
    }
    std::fflush(stdout);
    return rc;
}
