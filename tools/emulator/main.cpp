// calc-standin.exe: a stand-in for a calculator emulator, for end-to-end checks under Wine.
//
// One top-level window of class "CalcStandIn", caption "Calculator Stand-In", whose client
// area shows a calculator screen (bare, or inside a face layout), each calculator pixel an
// N x N block. What the screen shows:
//   --pattern K      pattern K of tools/common/frames.h, unchanging (default: pattern 0)
//   --script FILE    the frame script's first frame until the script is started (message
//                    WM_APP + 1, sent by `pixmote-driver emu-start`, or --autostart), then
//                    every frame for its hold time, then the last frame for good
//   --demo           a home screen with typed expressions and a blinking cursor
// Geometry: --scale N, --screen WxH (default 96x64), --face (160 x 280 face, screen at
// (32, 40), all times N; 96 x 64 screens only), --pos X Y.
// --log FILE records the client size and the time of every frame switch (ms since the script
// started, from QueryPerformanceCounter, and GetTickCount), then "done" when the last frame's
// hold has passed. WM_APP + 2 with wParam K shows pattern K at once (stops a running script);
// WM_APP + 3 stops the script and shows its first frame again, ready for the next start.
#include <windows.h>

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "tools/common/frames.h"
#include "tools/emulator/demo.h"
#include "tools/emulator/surface.h"

namespace {

constexpr UINT kStartScript = WM_APP + 1;
constexpr UINT kShowPattern = WM_APP + 2;
constexpr UINT kResetScript = WM_APP + 3;
constexpr UINT_PTR kScriptTimer = 1;
constexpr UINT_PTR kDemoTimer = 2;
constexpr UINT kDemoStepMs = 125;

Layout gLayout;
std::vector<frames::ScriptFrame> gScript;
std::vector<double> gSwitchAt;  // ms after the start at which frame i is shown; one extra: end
std::size_t gFrame = 0;
bool gRunning = false;
bool gDemo = false;
unsigned gDemoStep = 0;
LARGE_INTEGER gStart = {};
LARGE_INTEGER gFrequency = {};
FILE* gLog = nullptr;

void logLine(const char* format, ...) {
    if (gLog == nullptr) {
        return;
    }
    va_list args;
    va_start(args, format);
    std::vfprintf(gLog, format, args);
    va_end(args);
    std::fflush(gLog);
}

double msSinceStart() {
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return static_cast<double>(now.QuadPart - gStart.QuadPart) * 1000.0 /
           static_cast<double>(gFrequency.QuadPart);
}

std::vector<std::uint32_t> patternColours(int k) {
    std::vector<std::uint8_t> levels =
        frames::pattern(k, gLayout.screenWidth, gLayout.screenHeight);
    std::vector<std::uint32_t> colours(levels.size());
    for (std::size_t i = 0; i < levels.size(); ++i) {
        std::uint32_t g = frames::grayOfLevel(levels[i]);
        colours[i] = g << 16 | g << 8 | g;
    }
    return colours;
}

// Draws the picture and gets it on screen before returning.
void show(HWND window, const std::vector<std::uint32_t>& colours) {
    surfaceDrawScreen(colours);
    RECT r = layoutScreenRect(gLayout);
    InvalidateRect(window, &r, FALSE);
    UpdateWindow(window);
    GdiFlush();
}

// The timer wakes the script a little early; the last stretch is slept off in 1 ms steps, so
// frames switch within a millisecond or two of their time.
constexpr double kEarlyMs = 20.0;

void scheduleNext(HWND window) {
    if (gFrame + 1 > gScript.size()) {
        return;
    }
    double wait = gSwitchAt[gFrame + 1] - msSinceStart() - kEarlyMs;
    UINT ms = wait < 1.0 ? 1u : static_cast<UINT>(wait);
    SetTimer(window, kScriptTimer, ms, nullptr);
}

void scriptTick(HWND window) {
    KillTimer(window, kScriptTimer);
    if (gFrame + 1 <= gScript.size()) {
        double due = gSwitchAt[gFrame + 1];
        while (msSinceStart() < due && due - msSinceStart() <= kEarlyMs + 5.0) {
            Sleep(1);
        }
    }
    double now = msSinceStart();
    std::size_t frame = gFrame;
    while (frame + 1 < gScript.size() && now >= gSwitchAt[frame + 1]) {
        ++frame;
    }
    if (frame != gFrame) {
        gFrame = frame;
        show(window, patternColours(gScript[frame].pattern));
        logLine("frame %u pattern %d at %.1f ms tick %lu\n", static_cast<unsigned>(frame),
                gScript[frame].pattern, msSinceStart(), GetTickCount());
    }
    if (gFrame + 1 == gScript.size()) {
        if (now >= gSwitchAt[gFrame + 1]) {
            logLine("done at %.1f ms tick %lu\n", now, GetTickCount());
            gRunning = false;
            return;
        }
    }
    scheduleNext(window);
}

// Shows the script's first frame and waits for the start.
void resetScript(HWND window) {
    gRunning = false;
    KillTimer(window, kScriptTimer);
    gFrame = 0;
    if (!gScript.empty()) {
        show(window, patternColours(gScript[0].pattern));
        logLine("reset tick %lu\n", GetTickCount());
    }
}

void startScript(HWND window) {
    if (gScript.empty() || gRunning) {
        return;
    }
    if (gFrame != 0) {
        resetScript(window);
    }
    gRunning = true;
    QueryPerformanceCounter(&gStart);
    logLine("start tick %lu\n", GetTickCount());
    scheduleNext(window);
}

LRESULT CALLBACK windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_PAINT: {
            PAINTSTRUCT ps;
            HDC dc = BeginPaint(window, &ps);
            surfacePaint(dc, ps.rcPaint);
            EndPaint(window, &ps);
            return 0;
        }
        case WM_ERASEBKGND:
            return 1;
        case WM_GETMINMAXINFO:
            // A bare screen at scale 1 is narrower than a captioned window may be by default.
            reinterpret_cast<MINMAXINFO*>(lParam)->ptMinTrackSize = POINT{1, 1};
            return 0;
        case WM_TIMER:
            if (wParam == kScriptTimer && gRunning) {
                scriptTick(window);
            } else if (wParam == kDemoTimer) {
                show(window, demoPicture(++gDemoStep, gLayout.screenWidth, gLayout.screenHeight));
            }
            return 0;
        case kStartScript:
            startScript(window);
            return 0;
        case kResetScript:
            resetScript(window);
            return 0;
        case kShowPattern:
            gRunning = false;
            KillTimer(window, kScriptTimer);
            show(window, patternColours(static_cast<int>(wParam)));
            logLine("pattern %d tick %lu\n", static_cast<int>(wParam), GetTickCount());
            return 0;
        case WM_DESTROY:
            PostQuitMessage(0);
            return 0;
        default:
            return DefWindowProcA(window, message, wParam, lParam);
    }
}

int usage(const char* why) {
    std::fprintf(stderr,
                 "calc-standin: %s\n"
                 "usage: calc-standin [--scale N] [--screen WxH] [--face] [--pos X Y]\n"
                 "       [--pattern K | --script FILE [--autostart] | --demo] [--log FILE]\n",
                 why);
    return 2;
}

bool readFile(const char* path, std::string* text) {
    FILE* f = std::fopen(path, "rb");
    if (f == nullptr) {
        return false;
    }
    char buffer[4096];
    std::size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0) {
        text->append(buffer, n);
    }
    std::fclose(f);
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    int pattern = 0;
    int posX = 0;
    int posY = 0;
    bool autostart = false;
    const char* scriptPath = nullptr;
    const char* logPath = nullptr;
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        bool more = i + 1 < argc;
        if (a == "--scale" && more) {
            gLayout.scale = std::atoi(argv[++i]);
        } else if (a == "--screen" && more) {
            if (std::sscanf(argv[++i], "%dx%d", &gLayout.screenWidth, &gLayout.screenHeight) != 2) {
                return usage("--screen wants WxH");
            }
        } else if (a == "--face") {
            gLayout.face = true;
        } else if (a == "--pos" && i + 2 < argc) {
            posX = std::atoi(argv[++i]);
            posY = std::atoi(argv[++i]);
        } else if (a == "--pattern" && more) {
            pattern = std::atoi(argv[++i]);
        } else if (a == "--script" && more) {
            scriptPath = argv[++i];
        } else if (a == "--autostart") {
            autostart = true;
        } else if (a == "--demo") {
            gDemo = true;
        } else if (a == "--log" && more) {
            logPath = argv[++i];
        } else {
            return usage(("unknown argument " + a).c_str());
        }
    }
    if (gLayout.scale < 1 || gLayout.scale > 16 || gLayout.screenWidth < 2 ||
        gLayout.screenHeight < 2 || gLayout.screenWidth > 1024 || gLayout.screenHeight > 1024) {
        return usage("scale or screen size out of range");
    }
    if (gLayout.face && (gLayout.screenWidth != 96 || gLayout.screenHeight != 64)) {
        return usage("--face needs the 96x64 screen");
    }
    if (scriptPath != nullptr) {
        std::string text;
        std::string error;
        if (!readFile(scriptPath, &text)) {
            return usage("cannot read the script");
        }
        if (!frames::parseScript(text, &gScript, &error)) {
            return usage(error.c_str());
        }
        double at = 0;
        for (const frames::ScriptFrame& f : gScript) {
            gSwitchAt.push_back(at);
            at += f.holdMs;
        }
        gSwitchAt.push_back(at);
        pattern = gScript[0].pattern;
    }
    if (logPath != nullptr) {
        gLog = std::fopen(logPath, "w");
        if (gLog == nullptr) {
            return usage("cannot write the log");
        }
    }
    QueryPerformanceFrequency(&gFrequency);
    QueryPerformanceCounter(&gStart);

    HINSTANCE instance = GetModuleHandleA(nullptr);
    WNDCLASSA wc = {};
    wc.lpfnWndProc = windowProc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    wc.lpszClassName = "CalcStandIn";
    if (RegisterClassA(&wc) == 0 || !surfaceCreate(gLayout)) {
        return 1;
    }
    SIZE client = layoutClientSize(gLayout);
    const DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
    RECT frame = {0, 0, client.cx, client.cy};
    AdjustWindowRect(&frame, style, FALSE);
    HWND window = CreateWindowA("CalcStandIn", "Calculator Stand-In", style, posX, posY,
                                frame.right - frame.left, frame.bottom - frame.top, nullptr,
                                nullptr, instance, nullptr);
    if (window == nullptr) {
        return 1;
    }
    // Some window managers add to the frame: correct until the client area is exact.
    for (int attempt = 0; attempt < 3; ++attempt) {
        RECT have;
        GetClientRect(window, &have);
        LONG dx = client.cx - have.right;
        LONG dy = client.cy - have.bottom;
        if (dx == 0 && dy == 0) {
            break;
        }
        RECT outer;
        GetWindowRect(window, &outer);
        SetWindowPos(window, nullptr, 0, 0, outer.right - outer.left + dx,
                     outer.bottom - outer.top + dy, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    if (gDemo) {
        surfaceDrawScreen(demoPicture(0, gLayout.screenWidth, gLayout.screenHeight));
        SetTimer(window, kDemoTimer, kDemoStepMs, nullptr);
    } else {
        surfaceDrawScreen(patternColours(pattern));
    }
    ShowWindow(window, SW_SHOWNORMAL);
    UpdateWindow(window);
    RECT have;
    GetClientRect(window, &have);
    logLine("client %ld %ld\n", have.right, have.bottom);
    logLine("frame 0 pattern %d shown tick %lu\n", pattern, GetTickCount());
    if (autostart) {
        startScript(window);
    }

    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    surfaceDestroy();
    if (gLog != nullptr) {
        std::fclose(gLog);
    }
    return 0;
}
