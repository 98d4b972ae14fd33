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
// Other emulators' window shapes (all off by default):
//   --class NAME --caption TEXT   the window's class and caption
//   --caption-suffix TEXT --suffix-after-ms N   the caption gains TEXT N ms after the script
//                    first starts (after the window shows, without a script), for good
//   --screen-class NAME   the screen is drawn in a child window of class NAME that covers it
//   --skin WxH --screen-at X Y   a skin of W x H window pixels, never scaled, with the
//                    enlarged screen at (X, Y)
//   --status-bar ROWS   a status bar under a bare screen
//   --scale F        any factor, 1.37 say: the screen (or the whole face) is resampled,
//                    nearest, or bilinear with --smooth
//   --dots WxH       each calculator dot is W x H pixels at scale 1 (the screen is WxH times
//                    --screen pixels)
//   --fit WxH        a photo of the calculator (the screen 20 px inside it, a keypad below)
//                    fitted into a client area that starts at W x H and may be resized to any
//                    size and shape: scaled smoothly by one factor, centred, grey bars round it
//   --black-copies   drawn as by the GPU: the window's own client area is black, and the
//                    picture is shown by an owned window without a frame kept over it, so a
//                    copy out of the window's DC is black while the screen shows the picture
//   --colours        the patterns in colour (frames::colourOfCode), not in grays
// With --class, a hidden window of class "CalcStandIn" titled "Calculator Stand-In control"
// takes the driver's messages below (and WM_CLOSE) and hands them on.
// --dpi-aware declares the process DPI-aware (SetProcessDPIAware), as the emulators that draw
// in physical pixels do: at a display scaling above 100 % its sizes are the display's pixels.
// --log FILE records the client size (and the screen window's, "screen-window W H"), where the
// screen lies on the display ("screen-on-display X Y W H", real numbers at a scale that is not
// whole) and the time of every frame switch (ms since the script started, from
// QueryPerformanceCounter, and GetTickCount), then "done" when the last frame's hold has
// passed. WM_APP + 2 with wParam K shows pattern K at once (stops a running script);
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
constexpr UINT kRaiseOverlay = WM_APP + 4;
constexpr UINT_PTR kScriptTimer = 1;
constexpr UINT_PTR kDemoTimer = 2;
constexpr UINT_PTR kCaptionTimer = 3;
constexpr UINT_PTR kCopiesTimer = 4;
constexpr UINT kDemoStepMs = 125;
constexpr const char* kDriverClass = "CalcStandIn";

Layout gLayout;
HWND gMain = nullptr;
HWND gScreen = nullptr;   // the child window that shows the screen, with --screen-class
HWND gControl = nullptr;  // the driver's window, with --class
HWND gOverlay = nullptr;  // the window that shows the picture, with --black-copies
constexpr const char* kOverlayClass = "CalcStandInPicture";
std::string gCaption = "Calculator Stand-In";
std::string gSuffix;
int gSuffixAfterMs = -1;
bool gSuffixArmed = false;
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

// The caption gains its suffix once, gSuffixAfterMs after the first call.
void armSuffix() {
    if (gSuffixAfterMs >= 0 && !gSuffixArmed) {
        gSuffixArmed = true;
        SetTimer(gMain, kCaptionTimer, static_cast<UINT>(gSuffixAfterMs), nullptr);
    }
}

void addSuffix() {
    KillTimer(gMain, kCaptionTimer);
    std::string caption = gCaption + gSuffix;
    SetWindowTextA(gMain, caption.c_str());
    logLine("caption \"%s\" tick %lu\n", caption.c_str(), GetTickCount());
}

bool gColours = false;

std::vector<std::uint32_t> patternColours(int k) {
    std::vector<std::uint8_t> levels =
        frames::dottedPattern(k, gLayout.screenWidth, gLayout.screenHeight, 1, 1, gColours);
    std::vector<std::uint32_t> colours(levels.size());
    for (std::size_t i = 0; i < levels.size(); ++i) {
        if (gColours) {
            colours[i] = frames::colourOfCode(levels[i]);
            continue;
        }
        std::uint32_t g = frames::grayOfLevel(levels[i]);
        colours[i] = g << 16 | g << 8 | g;
    }
    return colours;
}

// Draws the picture and gets it on screen before returning.
void show(HWND window, const std::vector<std::uint32_t>& colours) {
    surfaceDrawScreen(colours);
    RECT r = layoutPictureRect(gLayout);
    InvalidateRect(window, &r, FALSE);
    UpdateWindow(window);
    if (gOverlay != nullptr) {
        InvalidateRect(gOverlay, nullptr, FALSE);
        UpdateWindow(gOverlay);
    }
    if (gScreen != nullptr) {
        InvalidateRect(gScreen, nullptr, FALSE);
        UpdateWindow(gScreen);
    }
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
    armSuffix();
    scheduleNext(window);
}

void placeOverlay();
void logGeometry();
void logCopies();

LRESULT CALLBACK windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_PAINT: {
            PAINTSTRUCT ps;
            HDC dc = BeginPaint(window, &ps);
            if (gOverlay != nullptr) {
                FillRect(dc, &ps.rcPaint, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
            } else {
                surfacePaint(dc, ps.rcPaint, 0, 0);
            }
            EndPaint(window, &ps);
            return 0;
        }
        case WM_ERASEBKGND:
            return 1;
        case WM_SIZE:
            if (gLayout.fitClientWidth > 0 && LOWORD(lParam) > 0 && HIWORD(lParam) > 0 &&
                surfaceResize(LOWORD(lParam), HIWORD(lParam))) {
                gLayout = surfaceLayout();
                InvalidateRect(window, nullptr, FALSE);
                logGeometry();
            }
            placeOverlay();
            return 0;
        case WM_MOVE:
            placeOverlay();
            return 0;
        case WM_ACTIVATE:
            // Once the activation is done: the X server may have stacked the main window over
            // the picture's window, which Wine still counts as above it; shown again, it is
            // stacked on top.
            if (gOverlay != nullptr) {
                PostMessageA(window, kRaiseOverlay, 0, 0);
            }
            return DefWindowProcA(window, message, wParam, lParam);
        case kRaiseOverlay:
            ShowWindow(gOverlay, SW_HIDE);
            ShowWindow(gOverlay, SW_SHOWNOACTIVATE);
            placeOverlay();
            return 0;
        case WM_GETMINMAXINFO:
            // A bare screen at scale 1 is narrower than a captioned window may be by default.
            reinterpret_cast<MINMAXINFO*>(lParam)->ptMinTrackSize = POINT{1, 1};
            return 0;
        case WM_TIMER:
            if (wParam == kScriptTimer && gRunning) {
                scriptTick(window);
            } else if (wParam == kCaptionTimer) {
                addSuffix();
            } else if (wParam == kCopiesTimer) {
                logCopies();
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
            if (gControl != nullptr) {
                DestroyWindow(gControl);
            }
            PostQuitMessage(0);
            return 0;
        default:
            return DefWindowProcA(window, message, wParam, lParam);
    }
}

// The child window that shows the screen: its client area is the screen's rectangle.
LRESULT CALLBACK screenProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_PAINT: {
            PAINTSTRUCT ps;
            HDC dc = BeginPaint(window, &ps);
            RECT at = layoutPictureRect(gLayout);
            surfacePaint(dc, ps.rcPaint, static_cast<int>(at.left), static_cast<int>(at.top));
            EndPaint(window, &ps);
            return 0;
        }
        case WM_ERASEBKGND:
            return 1;
        default:
            return DefWindowProcA(window, message, wParam, lParam);
    }
}

// The window that shows the picture over the main window's client area, with --black-copies.
LRESULT CALLBACK overlayProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_PAINT: {
            PAINTSTRUCT ps;
            HDC dc = BeginPaint(window, &ps);
            surfacePaint(dc, ps.rcPaint, 0, 0);
            EndPaint(window, &ps);
            return 0;
        }
        case WM_ERASEBKGND:
            return 1;
        case WM_MOUSEACTIVATE:
            return MA_NOACTIVATE;
        default:
            return DefWindowProcA(window, message, wParam, lParam);
    }
}

// The hidden window the driver finds when the main window has another class.
LRESULT CALLBACK controlProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case kStartScript:
        case kResetScript:
        case kShowPattern:
            return SendMessageA(gMain, message, wParam, lParam);
        case WM_CLOSE:
            DestroyWindow(gMain);
            return 0;
        default:
            return DefWindowProcA(window, message, wParam, lParam);
    }
}

bool registerClass(const char* name, WNDPROC proc) {
    WNDCLASSA wc = {};
    wc.lpfnWndProc = proc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    wc.lpszClassName = name;
    return RegisterClassA(&wc) != 0;
}

// Keeps the picture's window over the main window's client area.
void placeOverlay() {
    static bool placing = false;  // moving it may tell the main window, which moves it again
    if (gOverlay == nullptr || gMain == nullptr || placing) {
        return;
    }
    placing = true;
    RECT client;
    GetClientRect(gMain, &client);
    POINT origin = {0, 0};
    ClientToScreen(gMain, &origin);
    // On top again: bringing the main window to the front may raise it over its owned window.
    SetWindowPos(gOverlay, HWND_TOPMOST, origin.x, origin.y, client.right, client.bottom,
                 SWP_NOACTIVATE);
    placing = false;
}

// Whether a copy of the main window's client area out of context, from (x, y), is all black.
bool copyIsBlack(HDC context, int x, int y, int width, int height) {
    HDC memory = CreateCompatibleDC(context);
    HBITMAP bitmap = CreateCompatibleBitmap(context, width, height);
    HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, width, height, context, x, y, SRCCOPY);
    SelectObject(memory, old);
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    std::vector<unsigned char> pixels(static_cast<std::size_t>(4 * width * height));
    GetDIBits(memory, bitmap, 0, static_cast<UINT>(height), pixels.data(), &info, DIB_RGB_COLORS);
    DeleteObject(bitmap);
    DeleteDC(memory);
    for (std::size_t i = 0; i < pixels.size(); i += 4) {
        if ((pixels[i] | pixels[i + 1] | pixels[i + 2]) != 0) {
            return false;
        }
    }
    return true;
}

// With --black-copies, what copies of the client area give, out of the window's own DC and out
// of the screen's at its place: "copies window black|picture screen black|picture".
void logCopies() {
    RECT client;
    GetClientRect(gMain, &client);
    HDC own = GetDC(gMain);
    const bool windowBlack =
        copyIsBlack(own, 0, 0, static_cast<int>(client.right), static_cast<int>(client.bottom));
    ReleaseDC(gMain, own);
    POINT origin = {0, 0};
    ClientToScreen(gMain, &origin);
    HDC screen = GetDC(nullptr);
    const bool screenBlack =
        copyIsBlack(screen, static_cast<int>(origin.x), static_cast<int>(origin.y),
                    static_cast<int>(client.right), static_cast<int>(client.bottom));
    ReleaseDC(nullptr, screen);
    logLine("copies window %s screen %s\n", windowBlack ? "black" : "picture",
            screenBlack ? "black" : "picture");
}

// Writes where the screen is: the client sizes and the screen's place on the display.
void logGeometry() {
    RECT have;
    GetClientRect(gMain, &have);
    logLine("client %ld %ld\n", have.right, have.bottom);
    if (gScreen != nullptr) {
        GetClientRect(gScreen, &have);
        logLine("screen-window %ld %ld\n", have.right, have.bottom);
    }
    POINT origin = {0, 0};
    ClientToScreen(gMain, &origin);
    double place[4];
    layoutScreenPlace(gLayout, place);
    logLine("screen-on-display %.3f %.3f %.3f %.3f\n", origin.x + place[0], origin.y + place[1],
            place[2], place[3]);
}

int usage(const char* why) {
    std::fprintf(stderr,
                 "calc-standin: %s\n"
                 "usage: calc-standin [--scale F [--smooth]] [--screen WxH] [--dots WxH]\n"
                 "       [--face | --skin WxH --screen-at X Y | --status-bar ROWS] [--pos X Y]\n"
                 "       [--class NAME] [--caption TEXT] [--screen-class NAME]\n"
                 "       [--caption-suffix TEXT --suffix-after-ms N]\n"
                 "       [--pattern K | --script FILE [--autostart] | --demo] [--log FILE]\n"
                 "       [--dpi-aware] [--fit WxH] [--black-copies] [--colours]\n",
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
    bool dpiAware = false;
    bool blackCopies = false;
    const char* scriptPath = nullptr;
    const char* logPath = nullptr;
    std::string className = kDriverClass;
    std::string screenClass;
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        bool more = i + 1 < argc;
        if (a == "--scale" && more) {
            gLayout.scale = std::atof(argv[++i]);
        } else if (a == "--smooth") {
            gLayout.smooth = true;
        } else if (a == "--screen" && more) {
            if (std::sscanf(argv[++i], "%dx%d", &gLayout.screenWidth, &gLayout.screenHeight) != 2) {
                return usage("--screen wants WxH");
            }
        } else if (a == "--dots" && more) {
            if (std::sscanf(argv[++i], "%dx%d", &gLayout.dotWidth, &gLayout.dotHeight) != 2) {
                return usage("--dots wants WxH");
            }
        } else if (a == "--fit" && more) {
            if (std::sscanf(argv[++i], "%dx%d", &gLayout.fitClientWidth,
                            &gLayout.fitClientHeight) != 2 ||
                gLayout.fitClientWidth < 1 || gLayout.fitClientHeight < 1) {
                return usage("--fit wants WxH");
            }
        } else if (a == "--black-copies") {
            blackCopies = true;
        } else if (a == "--colours") {
            gColours = true;
        } else if (a == "--face") {
            gLayout.face = true;
        } else if (a == "--skin" && more) {
            if (std::sscanf(argv[++i], "%dx%d", &gLayout.skinWidth, &gLayout.skinHeight) != 2 ||
                gLayout.skinWidth < 1 || gLayout.skinHeight < 1) {
                return usage("--skin wants WxH");
            }
        } else if (a == "--screen-at" && i + 2 < argc) {
            gLayout.screenX = std::atoi(argv[++i]);
            gLayout.screenY = std::atoi(argv[++i]);
        } else if (a == "--status-bar" && more) {
            gLayout.statusBar = std::atoi(argv[++i]);
        } else if (a == "--class" && more) {
            className = argv[++i];
        } else if (a == "--caption" && more) {
            gCaption = argv[++i];
        } else if (a == "--caption-suffix" && more) {
            gSuffix = argv[++i];
        } else if (a == "--suffix-after-ms" && more) {
            gSuffixAfterMs = std::atoi(argv[++i]);
        } else if (a == "--screen-class" && more) {
            screenClass = argv[++i];
        } else if (a == "--pos" && i + 2 < argc) {
            posX = std::atoi(argv[++i]);
            posY = std::atoi(argv[++i]);
        } else if (a == "--pattern" && more) {
            pattern = std::atoi(argv[++i]);
        } else if (a == "--script" && more) {
            scriptPath = argv[++i];
        } else if (a == "--autostart") {
            autostart = true;
        } else if (a == "--dpi-aware") {
            dpiAware = true;
        } else if (a == "--demo") {
            gDemo = true;
        } else if (a == "--log" && more) {
            logPath = argv[++i];
        } else {
            return usage(("unknown argument " + a).c_str());
        }
    }
    if (const char* problem = layoutProblem(gLayout)) {
        return usage(problem);
    }
    if ((gSuffixAfterMs >= 0) != !gSuffix.empty()) {
        return usage("--caption-suffix and --suffix-after-ms go together");
    }
    if (!screenClass.empty() && (gLayout.face || screenClass == className)) {
        return usage("--screen-class needs a screen outside a face, and a class of its own");
    }
    if (className.empty() || gCaption.empty()) {
        return usage("--class and --caption want a text");
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

    if (dpiAware && !SetProcessDPIAware()) {
        return 1;
    }
    HINSTANCE instance = GetModuleHandleA(nullptr);
    if (!registerClass(className.c_str(), windowProc) ||
        (!screenClass.empty() && !registerClass(screenClass.c_str(), screenProc)) ||
        (className != kDriverClass && !registerClass(kDriverClass, controlProc)) ||
        (blackCopies && !registerClass(kOverlayClass, overlayProc)) || !surfaceCreate(gLayout)) {
        return 1;
    }
    gLayout = surfaceLayout();
    SIZE client = layoutClientSize(gLayout);
    const DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN |
                        (gLayout.fitClientWidth > 0 ? WS_THICKFRAME | WS_MAXIMIZEBOX : 0);
    RECT frame = {0, 0, client.cx, client.cy};
    AdjustWindowRect(&frame, style, FALSE);
    HWND window = CreateWindowA(className.c_str(), gCaption.c_str(), style, posX, posY,
                                frame.right - frame.left, frame.bottom - frame.top, nullptr,
                                nullptr, instance, nullptr);
    if (window == nullptr) {
        return 1;
    }
    gMain = window;
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
    if (!screenClass.empty()) {
        RECT at = layoutPictureRect(gLayout);
        gScreen = CreateWindowA(screenClass.c_str(), "", WS_CHILD | WS_VISIBLE, at.left, at.top,
                                at.right - at.left, at.bottom - at.top, window, nullptr, instance,
                                nullptr);
        if (gScreen == nullptr) {
            return 1;
        }
    }
    if (blackCopies) {
        // Owned and topmost, so it stays above the main window when that is brought to the
        // front; disabled and never activated, so clicks and keys go to the main window.
        gOverlay =
            CreateWindowExA(WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE | WS_EX_TOPMOST, kOverlayClass, "",
                            WS_POPUP | WS_DISABLED, 0, 0, 1, 1, window, nullptr, instance, nullptr);
        if (gOverlay == nullptr) {
            return 1;
        }
        placeOverlay();
        // Twice a second, what copies of the window give (the Wine check waits for them).
        SetTimer(window, kCopiesTimer, 500, nullptr);
    }
    if (gDemo) {
        surfaceDrawScreen(demoPicture(0, gLayout.screenWidth, gLayout.screenHeight));
        SetTimer(window, kDemoTimer, kDemoStepMs, nullptr);
    } else {
        surfaceDrawScreen(patternColours(pattern));
    }
    ShowWindow(window, SW_SHOWNORMAL);
    UpdateWindow(window);
    if (gOverlay != nullptr) {
        ShowWindow(gOverlay, SW_SHOWNOACTIVATE);
        UpdateWindow(gOverlay);
    }
    logGeometry();
    logLine("frame 0 pattern %d shown tick %lu\n", pattern, GetTickCount());
    if (className != kDriverClass) {
        // Made last, so that a driver that finds it finds the emulator window ready.
        gControl = CreateWindowA(kDriverClass, "Calculator Stand-In control", WS_OVERLAPPED, 0, 0,
                                 1, 1, nullptr, nullptr, instance, nullptr);
    }
    if (autostart) {
        startScript(window);
    }
    if (gScript.empty()) {
        armSuffix();
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
