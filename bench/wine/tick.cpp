// pixmote-tick-bench.exe: the whole capture tick of the Windows program under Wine, against
// the emulator stand-in's real window, beside the bare cost of the same platform calls.
//
//   pixmote-tick-bench.exe OUTPUT.GIF [--ticks N] [--change-every K | --still]
//
// The program's own code does the recording, through its public operations: appCreate makes
// the hidden dialog (and the tray icon), prepareRecording detects the stand-in through the
// registry catalogue and asks for the file name (a helper thread answers the save dialog),
// startRecording opens the file. Then, N times: every K-th tick the stand-in is sent a new
// picture (outside the timing; it redraws before it answers; never with --still, which any
// catalogued emulator takes), then
//   whole: captureTick(dialog), timed with QueryPerformanceCounter;
//   bare:  the grab's platform calls alone, on the same window, rectangle and sizes, into a
//          bitmap and blocks of the bench's own: GetClientRect, IsWindowVisible, GetDC,
//          CreateCompatibleDC, SelectObject, SetStretchBltMode, StretchBlt, ReleaseDC,
//          GlobalLock x 3, GetDIBits, DeleteDC, GlobalUnlock x 3; for a screen sampled at its
//          dots' centres (AnyScale at a factor that is not whole) BitBlt of the source
//          rectangle 1:1 instead of the stretch, a fourth block, and GetDIBits of the copy.
// The two alternate tick by tick, so both see the same pictures and the same load. At the end
// stopRecording finishes the file. Prints one line of figures (microseconds) per run.
#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "app/app.h"
#include "capture/quantize.h"
#include "capture/session.h"
#include "capture/tick.h"

namespace {

constexpr UINT kShowPattern = WM_APP + 2;  // the stand-in's "show pattern wParam"
const char kSaveTitle[] = "Create Animated Screenshot";

LARGE_INTEGER gFrequency;

double microseconds(const LARGE_INTEGER& from, const LARGE_INTEGER& to) {
    return static_cast<double>(to.QuadPart - from.QuadPart) * 1e6 /
           static_cast<double>(gFrequency.QuadPart);
}

struct SaveAnswer {
    const char* path;
    bool done;
};

BOOL CALLBACK findEdit(HWND w, LPARAM out) {
    char name[32] = {};
    GetClassNameA(w, name, sizeof name);
    if (std::strcmp(name, "Edit") == 0) {
        *reinterpret_cast<HWND*>(out) = w;
        return FALSE;
    }
    return TRUE;
}

// Answers this process's save dialog with the path, as a user would type it and press OK.
DWORD WINAPI answerSaveDialog(LPVOID data) {
    auto* answer = static_cast<SaveAnswer*>(data);
    for (int attempt = 0; attempt < 600 && !answer->done; ++attempt) {
        HWND dialog = FindWindowA("#32770", kSaveTitle);
        DWORD pid = 0;
        if (dialog != nullptr) {
            GetWindowThreadProcessId(dialog, &pid);
        }
        if (dialog != nullptr && pid == GetCurrentProcessId() && IsWindowVisible(dialog)) {
            HWND edit = GetDlgItem(dialog, 0x480);
            if (edit == nullptr) {
                EnumChildWindows(GetDlgItem(dialog, 0x47C), findEdit,
                                 reinterpret_cast<LPARAM>(&edit));
            }
            if (edit != nullptr) {
                SendMessageA(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(answer->path));
                PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
                             reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDOK)));
                answer->done = true;
                return 0;
            }
        }
        Sleep(50);
    }
    return 1;
}

// The bench's own copy of what a grab needs: a bitmap, three blocks, the transfer header.
struct BareBuffers {
    HBITMAP bitmap = nullptr;  // W x H, or the source rectangle's size when sampled
    BITMAPINFO header = {};
    HGLOBAL pixels = nullptr;
    HGLOBAL previous = nullptr;
    HGLOBAL current = nullptr;
    HGLOBAL copy = nullptr;  // sampled: the copy's pixels
};

BareBuffers makeBare(const CaptureGeometry& g) {
    BareBuffers b;
    HDC dc = GetDC(g.screen);
    b.bitmap = g.sampled ? CreateCompatibleBitmap(dc, g.sourceWidth, g.sourceHeight)
                         : CreateCompatibleBitmap(dc, g.width, g.height);
    ReleaseDC(g.screen, dc);
    b.header = captureBuffers().header;
    const SIZE_T frame = static_cast<SIZE_T>(g.width) * static_cast<SIZE_T>(g.height);
    b.pixels = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, frame * 4);
    b.previous = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, frame);
    b.current = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, frame);
    if (g.sampled) {
        b.header.bmiHeader.biWidth = g.sourceWidth;
        b.header.bmiHeader.biHeight = -g.sourceHeight;
        b.copy = GlobalAlloc(
            GMEM_MOVEABLE | GMEM_ZEROINIT,
            SIZE_T{4} * static_cast<SIZE_T>(g.sourceWidth) * static_cast<SIZE_T>(g.sourceHeight));
    }
    return b;
}

void freeBare(const BareBuffers& b) {
    DeleteObject(b.bitmap);
    GlobalFree(b.pixels);
    GlobalFree(b.previous);
    GlobalFree(b.current);
    if (b.copy != nullptr) {
        GlobalFree(b.copy);
    }
}

// The platform calls of one grab, in the grab's order, and nothing else.
void bareGrab(const CaptureGeometry& g, const BareBuffers& b) {
    RECT client;
    GetClientRect(g.screen, &client);
    if (!IsWindowVisible(g.screen) || IsIconic(g.window)) {
        return;
    }
    HDC windowContext = GetDC(g.screen);
    HDC memoryContext = CreateCompatibleDC(windowContext);
    SelectObject(memoryContext, b.bitmap);
    if (g.sampled) {
        BitBlt(memoryContext, 0, 0, g.sourceWidth, g.sourceHeight, windowContext, g.sourceX,
               g.sourceY, SRCCOPY);
    } else {
        SetStretchBltMode(memoryContext, COLORONCOLOR);
        StretchBlt(memoryContext, 0, 0, g.width, g.height, windowContext, g.sourceX, g.sourceY,
                   g.sourceWidth, g.sourceHeight, SRCCOPY);
    }
    ReleaseDC(g.screen, windowContext);
    void* previous = GlobalLock(b.previous);
    void* current = GlobalLock(b.current);
    void* pixels = GlobalLock(b.pixels);
    void* copy = b.copy != nullptr ? GlobalLock(b.copy) : nullptr;
    BITMAPINFO header = b.header;
    GetDIBits(memoryContext, b.bitmap, 0, static_cast<UINT>(g.sampled ? g.sourceHeight : g.height),
              g.sampled ? copy : pixels, &header, DIB_RGB_COLORS);
    DeleteDC(memoryContext);
    if (copy != nullptr) {
        GlobalUnlock(b.copy);
    }
    GlobalUnlock(b.pixels);
    GlobalUnlock(b.current);
    GlobalUnlock(b.previous);
    (void)previous;
    (void)current;
}

struct Summary {
    double mean;  // over the middle 90 % (the 5 % slowest and fastest left out)
    double median;
    double p95;
};

// Load from other processes only ever adds time, in bursts: the trimmed mean keeps the
// screen's own mix of cheap and dear ticks without the bursts.
Summary summarise(std::vector<double> v) {
    if (v.empty()) {
        return {0, 0, 0};  // no changed ticks on a still screen
    }
    std::sort(v.begin(), v.end());
    const std::size_t cut = v.size() / 20;
    double sum = 0;
    for (std::size_t i = cut; i < v.size() - cut; ++i) {
        sum += v[i];
    }
    return {sum / static_cast<double>(v.size() - 2 * cut), v[v.size() / 2], v[v.size() * 95 / 100]};
}

int usage() {
    std::fprintf(stderr,
                 "usage: pixmote-tick-bench OUTPUT.GIF [--ticks N] [--change-every K | --still]\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        return usage();
    }
    const char* path = argv[1];
    int ticks = 300;
    int changeEvery = 3;
    bool still = false;
    for (int i = 2; i < argc; i += 2) {
        if (std::strcmp(argv[i], "--still") == 0) {
            still = true;
            --i;
        } else if (i + 1 >= argc) {
            return usage();
        } else if (std::strcmp(argv[i], "--ticks") == 0) {
            ticks = std::atoi(argv[i + 1]);
        } else if (std::strcmp(argv[i], "--change-every") == 0) {
            changeEvery = std::atoi(argv[i + 1]);
        } else {
            return usage();
        }
    }
    if (ticks < 10 || changeEvery < 1) {
        return usage();
    }
    QueryPerformanceFrequency(&gFrequency);

    const HWND dialog = appCreate(GetModuleHandleA(nullptr));
    if (dialog == nullptr) {
        std::printf("FAIL appCreate\n");
        return 1;
    }
    SaveAnswer answer = {path, false};
    HANDLE helper = CreateThread(nullptr, 0, answerSaveDialog, &answer, 0, nullptr);
    prepareRecording(dialog);
    WaitForSingleObject(helper, 30000);
    CloseHandle(helper);
    if (sessionState() != Ready) {
        std::printf("FAIL not Ready after the save dialog (state %d)\n", sessionState());
        return 1;
    }
    startRecording(dialog);
    if (sessionState() != Capturing) {
        std::printf("FAIL not Capturing after the start\n");
        return 1;
    }
    const CaptureGeometry g = captureGeometry();
    const BareBuffers bare = makeBare(g);

    std::vector<double> whole;
    std::vector<double> platform;
    std::vector<double> own;  // per tick: the whole tick less the bare calls right after it
    std::vector<double> ownChanged;
    std::vector<double> ownUnchanged;
    int pattern = 0;
    for (int i = 0; i < ticks; ++i) {
        const bool change = !still && i % changeEvery == 0;
        if (change) {
            DWORD_PTR ignored = 0;
            SendMessageTimeoutA(g.window, kShowPattern, static_cast<WPARAM>(++pattern), 0,
                                SMTO_NORMAL, 5000, &ignored);
        }
        LARGE_INTEGER t0;
        LARGE_INTEGER t1;
        LARGE_INTEGER t2;
        QueryPerformanceCounter(&t0);
        captureTick(dialog);
        QueryPerformanceCounter(&t1);
        bareGrab(g, bare);
        QueryPerformanceCounter(&t2);
        whole.push_back(microseconds(t0, t1));
        platform.push_back(microseconds(t1, t2));
        own.push_back(microseconds(t0, t1) - microseconds(t1, t2));
        (change ? ownChanged : ownUnchanged).push_back(own.back());
    }
    stopRecording(dialog);

    // quantizeFrame alone on the last screen copy, for comparison with the difference above.
    std::vector<std::uint8_t> scratch(static_cast<std::size_t>(g.width) *
                                      static_cast<std::size_t>(g.height));
    const auto* pixels = static_cast<const std::uint8_t*>(GlobalLock(bare.pixels));
    LARGE_INTEGER q0;
    LARGE_INTEGER q1;
    QueryPerformanceCounter(&q0);
    for (int i = 0; i < 200; ++i) {
        quantizeFrame(pixels, g.width, g.height, scratch.data());
    }
    QueryPerformanceCounter(&q1);
    GlobalUnlock(bare.pixels);
    const double quantize = microseconds(q0, q1) / 200.0;
    freeBare(bare);

    const Summary w = summarise(whole);
    const Summary b = summarise(platform);
    const Summary o = summarise(own);
    const Summary oc = summarise(ownChanged);
    const Summary ou = summarise(ownUnchanged);
    std::printf(
        "screen %dx%d source %dx%d%s client %dx%d ticks %d change-every %d | whole mean %.1f "
        "median %.1f "
        "p95 %.1f | bare mean %.1f median %.1f p95 %.1f | ratio %.3f (medians %.3f) | "
        "own mean %.1f median %.1f us = %.3f%% of 110 ms | whole %.3f%% of 110 ms | "
        "own on ticks after a change mean %.1f, on the others %.1f | quantizeFrame alone %.1f\n",
        g.width, g.height, g.sourceWidth, g.sourceHeight, g.sampled ? " sampled" : "",
        g.clientWidth, g.clientHeight, ticks, still ? 0 : changeEvery, w.mean, w.median, w.p95,
        b.mean, b.median, b.p95, w.mean / b.mean, w.median / b.median, o.mean, o.median,
        o.mean / 1100.0, w.mean / 1100.0, oc.mean, ou.mean, quantize);
    return 0;
}
