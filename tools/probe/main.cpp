// pixmote-probe.exe: the fault and soak checks' extra hands under Wine, beside
// pixmote-driver.exe. One command per run; results on stdout; exit code 0 on success, 1 on a
// failed command, 2 on a usage error.
//
//   objects [PID]                 what Pixmote (or PID) holds: GDI objects, windows, kernel
//                                 handles, memory (see objects.h); first waits (up to 10 s)
//                                 until no dialog but the settings dialog is left
//   handles [PID]                 Pixmote's (or PID's) kernel handles with type and name
//   gdi [PID]                     Pixmote's (or PID's) GDI objects with type (and bitmap size)
//   selftest                      the object count against objects this probe makes itself
//   burst COUNT SPAN_MS KIND      COUNT tray presses (left, right or mixed) sent to Pixmote
//                                 as the shell sends them, spread evenly over SPAN_MS
//   window CLASS CAPTION W H SECONDS
//                                 a plain white top-level window whose client area is W x H
//   save-timing PATH              accepts the save dialog with PATH as the driver does and
//                                 times the dialog's hiding, Pixmote's next answer and the
//                                 dialog window's end
//   standin-shown 0|1             hides the emulator stand-in's window, or shows it again
//                                 (not activated), and waits until that is done
//   wake                          posts WM_NULL to Pixmote's dialog (a message that does nothing)
//   resolve QUIET_MS              answers Pixmote's message boxes (OK) and cancels its save
//                                 dialog until none has shown for QUIET_MS; prints each
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "tools/driver/find.h"
#include "tools/probe/objects.h"

namespace {

constexpr UINT kTrayNotify = WM_APP + 100;

int usage() {
    std::fprintf(stderr, "usage: pixmote-probe COMMAND [ARGS] (see main.cpp)\n");
    return 2;
}

DWORD pixmotePid() {
    HWND d = waitFor(findSettingsDialog);
    return d != nullptr ? processOf(d) : 0;
}

struct DialogSearch {
    DWORD pid;
    HWND settings;
    bool found;
};

BOOL CALLBACK findOtherDialog(HWND w, LPARAM data) {
    auto* search = reinterpret_cast<DialogSearch*>(data);
    if (w != search->settings && processOf(w) == search->pid && className(w) == "#32770") {
        search->found = true;
        return FALSE;
    }
    return TRUE;
}

// Until Pixmote has no dialog but its settings dialog, shown or hidden: an accepted or
// cancelled save dialog lives on, hidden, until its loop returns, and would be counted.
bool settle(DWORD pid) {
    HWND settings = findSettingsDialog();
    return waitUntil([pid, settings] {
        DialogSearch search = {pid, settings, false};
        EnumWindows(findOtherDialog, reinterpret_cast<LPARAM>(&search));
        return !search.found;
    });
}

int objects(DWORD pid) {
    if (pid == 0) {
        pid = pixmotePid();
        if (pid == 0) {
            std::printf("FAIL no window \"Pixmote Configuration\"\n");
            return 1;
        }
    }
    if (!settle(pid)) {
        std::printf("(a dialog is still open) ");
    }
    ProcessObjects o = countObjects(pid);
    std::printf("pid=%lu %s\n", pid, formatObjects(o).c_str());
    return o.gdi >= 0 ? 0 : 1;
}

struct Made {
    std::vector<HBITMAP> bitmaps;
    HDC screen = nullptr;
    HDC memory = nullptr;
    HWND window = nullptr;
};

Made makeSome() {
    Made m;
    m.screen = GetDC(nullptr);
    for (int i = 0; i < 10; ++i) {
        m.bitmaps.push_back(CreateCompatibleBitmap(m.screen, 8, 8));
    }
    m.memory = CreateCompatibleDC(m.screen);
    m.window = CreateWindowA("STATIC", "probe", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                             GetModuleHandleA(nullptr), nullptr);
    return m;
}

void freeSome(const Made& m) {
    DestroyWindow(m.window);
    DeleteDC(m.memory);
    for (HBITMAP b : m.bitmaps) {
        DeleteObject(b);
    }
    ReleaseDC(nullptr, m.screen);
}

// Makes and frees objects of its own and checks that the counts follow. A first round warms
// up what the system makes once per process (caches, fonts, the input method's window).
int selftest() {
    const DWORD self = GetCurrentProcessId();
    freeSome(makeSome());
    ProcessObjects before = countObjects(self);
    Made m = makeSome();
    ProcessObjects during = countObjects(self);
    freeSome(m);
    ProcessObjects after = countObjects(self);
    std::printf("before: %s\nduring: %s\nafter:  %s\n", formatObjects(before).c_str(),
                formatObjects(during).c_str(), formatObjects(after).c_str());
    const bool ok = before.gdi > 0 && during.gdiBitmap - before.gdiBitmap == 10 &&
                    during.gdiDc - before.gdiDc >= 1 && during.windows > before.windows &&
                    after.gdi == before.gdi && after.windows == before.windows;
    std::printf("%s\n", ok ? "selftest OK" : "selftest WRONG");
    return ok ? 0 : 1;
}

int burst(int count, int spanMs, const std::string& kind) {
    if (count < 1 || spanMs < 0 || (kind != "left" && kind != "right" && kind != "mixed")) {
        return usage();
    }
    HWND d = waitFor(findSettingsDialog);
    if (d == nullptr) {
        std::printf("FAIL no window \"Pixmote Configuration\"\n");
        return 1;
    }
    LARGE_INTEGER frequency;
    LARGE_INTEGER start;
    LARGE_INTEGER end;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&start);
    for (int i = 0; i < count; ++i) {
        LPARAM press = WM_LBUTTONDOWN;
        if (kind == "right" || (kind == "mixed" && i % 3 == 2)) {
            press = WM_RBUTTONDOWN;
        }
        // As the shell does it: the call returns at once, the press waits in Pixmote's queue.
        SendNotifyMessageA(d, kTrayNotify, 0, press);
        if (i + 1 < count && spanMs > 0) {
            Sleep(static_cast<DWORD>(spanMs / (count > 1 ? count - 1 : 1)));
        }
    }
    QueryPerformanceCounter(&end);
    std::printf("%d %s presses sent in %.0f ms\n", count, kind.c_str(),
                static_cast<double>(end.QuadPart - start.QuadPart) * 1000.0 /
                    static_cast<double>(frequency.QuadPart));
    return 0;
}

LRESULT CALLBACK plainProc(HWND w, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_DESTROY) {
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcA(w, message, wParam, lParam);
}

int window(const char* className, const char* caption, int width, int height, DWORD seconds) {
    WNDCLASSA wc = {};
    wc.lpfnWndProc = plainProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    wc.lpszClassName = className;
    if (RegisterClassA(&wc) == 0) {
        std::printf("FAIL RegisterClassA(\"%s\")\n", className);
        return 1;
    }
    const DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU;
    RECT frame = {0, 0, width, height};
    AdjustWindowRect(&frame, style, FALSE);
    HWND w = CreateWindowA(className, caption, style, 300, 400, frame.right - frame.left,
                           frame.bottom - frame.top, nullptr, nullptr, wc.hInstance, nullptr);
    if (w == nullptr) {
        std::printf("FAIL CreateWindowA\n");
        return 1;
    }
    for (int attempt = 0; attempt < 3; ++attempt) {
        RECT have;
        GetClientRect(w, &have);
        LONG dx = width - have.right;
        LONG dy = height - have.bottom;
        if (dx == 0 && dy == 0) {
            break;
        }
        RECT outer;
        GetWindowRect(w, &outer);
        SetWindowPos(w, nullptr, 0, 0, outer.right - outer.left + dx, outer.bottom - outer.top + dy,
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    ShowWindow(w, SW_SHOWNOACTIVATE);
    UpdateWindow(w);
    RECT have;
    GetClientRect(w, &have);
    std::printf("window %s client %ldx%ld\n", className, have.right, have.bottom);
    std::fflush(stdout);
    SetTimer(w, 1, seconds * 1000u, nullptr);
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        if (msg.message == WM_TIMER && msg.hwnd == w) {
            DestroyWindow(w);
            continue;
        }
        DispatchMessageA(&msg);
    }
    return 0;
}

double msSince(const LARGE_INTEGER& start) {
    LARGE_INTEGER now;
    LARGE_INTEGER frequency;
    QueryPerformanceCounter(&now);
    QueryPerformanceFrequency(&frequency);
    return static_cast<double>(now.QuadPart - start.QuadPart) * 1000.0 /
           static_cast<double>(frequency.QuadPart);
}

int saveTiming(const char* path) {
    HWND settings = waitFor(findSettingsDialog);
    HWND dlg = waitFor(findSaveDialog);
    if (settings == nullptr || dlg == nullptr) {
        std::printf("FAIL no save dialog\n");
        return 1;
    }
    HWND edit = fileNameEdit(dlg);
    DWORD_PTR r = 0;
    SendMessageTimeoutA(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(path), SMTO_NORMAL,
                        gTimeoutMs, &r);
    LARGE_INTEGER start;
    QueryPerformanceCounter(&start);
    SendNotifyMessageA(dlg, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
                       reinterpret_cast<LPARAM>(GetDlgItem(dlg, IDOK)));
    waitUntil([dlg] { return !IsWindowVisible(dlg); });
    const double hidden = msSince(start);
    SendMessageTimeoutA(settings, WM_NULL, 0, 0, SMTO_NORMAL, gTimeoutMs, &r);
    const double answered = msSince(start);
    waitUntil([dlg] { return !IsWindow(dlg); });
    const double gone = msSince(start);
    std::printf("hidden after %.0f ms, Pixmote answers after %.0f ms, dialog gone after %.0f ms\n",
                hidden, answered, gone);
    return 0;
}

int resolve(DWORD quietMs) {
    int boxes = 0;
    int dialogs = 0;
    DWORD lastSeen = GetTickCount();
    gTimeoutMs = 2000;
    while (GetTickCount() - lastSeen < quietMs) {
        HWND b = findMessageBox();
        if (b != nullptr) {
            std::printf("box: %s\n", windowText(GetDlgItem(b, 0xFFFF)).c_str());
            std::fflush(stdout);
            SendNotifyMessageA(b, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
                               reinterpret_cast<LPARAM>(GetDlgItem(b, IDOK)));
            waitUntil([b] { return !IsWindow(b) || !IsWindowVisible(b); });
            ++boxes;
            lastSeen = GetTickCount();
            continue;
        }
        HWND s = findSaveDialog();
        if (s != nullptr) {
            std::printf("save dialog cancelled\n");
            std::fflush(stdout);
            SendNotifyMessageA(s, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED),
                               reinterpret_cast<LPARAM>(GetDlgItem(s, IDCANCEL)));
            waitUntil([s] { return !IsWindow(s) || !IsWindowVisible(s); });
            ++dialogs;
            lastSeen = GetTickCount();
            continue;
        }
        Sleep(50);
    }
    std::printf("resolved %d boxes, %d save dialogs\n", boxes, dialogs);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        return usage();
    }
    const std::string cmd = argv[1];
    const int left = argc - 2;
    char** args = argv + 2;
    int rc = 2;
    if (cmd == "objects" && left <= 1) {
        rc = objects(left == 1 ? static_cast<DWORD>(std::strtoul(args[0], nullptr, 10)) : 0);
    } else if (cmd == "handles" && left <= 1) {
        DWORD pid =
            left == 1 ? static_cast<DWORD>(std::strtoul(args[0], nullptr, 10)) : pixmotePid();
        listHandles(pid);
        rc = pid != 0 ? 0 : 1;
    } else if (cmd == "gdi" && left <= 1) {
        DWORD pid =
            left == 1 ? static_cast<DWORD>(std::strtoul(args[0], nullptr, 10)) : pixmotePid();
        listGdi(pid);
        rc = pid != 0 ? 0 : 1;
    } else if (cmd == "selftest" && left == 0) {
        rc = selftest();
    } else if (cmd == "burst" && left == 3) {
        rc = burst(std::atoi(args[0]), std::atoi(args[1]), args[2]);
    } else if (cmd == "window" && left == 5) {
        rc = window(args[0], args[1], std::atoi(args[2]), std::atoi(args[3]),
                    static_cast<DWORD>(std::strtoul(args[4], nullptr, 10)));
    } else if (cmd == "save-timing" && left == 1) {
        rc = saveTiming(args[0]);
    } else if (cmd == "standin-shown" && left == 1) {
        HWND w = waitFor(findStandIn);
        const bool show = std::strcmp(args[0], "1") == 0;
        rc = 1;
        if (w != nullptr) {
            ShowWindowAsync(w, show ? SW_SHOWNOACTIVATE : SW_HIDE);
            rc = waitUntil([w, show] { return (IsWindowVisible(w) != FALSE) == show; }) ? 0 : 1;
            std::printf("stand-in %s\n", IsWindowVisible(w) ? "shown" : "hidden");
        }
    } else if (cmd == "wake" && left == 0) {
        HWND d = waitFor(findSettingsDialog);
        rc = d != nullptr && PostMessageA(d, WM_NULL, 0, 0) ? 0 : 1;
    } else if (cmd == "resolve" && left == 1) {
        rc = resolve(static_cast<DWORD>(std::strtoul(args[0], nullptr, 10)));
    } else {
        rc = usage();
    }
    std::fflush(stdout);
    return rc;
}
