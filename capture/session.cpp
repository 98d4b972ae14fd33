// The capture session: the three states, the capture resources, the file dialog and the timer.
// Everything here runs on the GUI thread from the dialog's event handler; message boxes and the
// file dialog run nested loops, so a press can arrive while an operation is still unfinished.
#include "capture/session.h"

#include "capture/grab.h"
#include "capture/quantize.h"
#include "capture/tracking.h"
#include "gif/animation_writer.h"
#include "gif/enlarge.h"

#include <cstdint>

namespace {

constexpr UINT_PTR kCaptureTimer = 1;
constexpr UINT kTickMilliseconds = 110;

// Where an unfinished preparation stands. A press while buffers are still being made (or while
// their failure is being reported) must not reach a start; a press while the file dialog is open
// finds the buffers complete and the name empty.
enum class Preparing { No, MakingBuffers, FileDialog };

void noWarning(const char* /*text*/) {}
void noLook(std::int16_t /*state*/) {}
CaptureChoices defaultChoices() {
    return {};
}

SessionHost host = {noWarning, noLook, defaultChoices};

std::int16_t state = Halted;
Preparing preparing = Preparing::No;
CaptureGeometry geometry;
CaptureBuffers buffers;
char fileName[260] = {};
OPENFILENAMEA fileDialog = {};

const char kFilter[] = "GIF Files (*.gif)\0*.gif\0All Files (*.*)\0*.*\0\0";
const char kWriteFailedKept[] =
    "Unable to write to the animated GIF file. The recording was stopped; the frames recorded "
    "until then are kept.";
const char kTooLargeToEnlarge[] =
    "This emulator's screen is too large to record at the Size chosen in the settings: the GIF "
    "would be wider or higher than 65535 pixels. Choose a smaller Size and start again.";
const char kWriteFailedLost[] =
    "Unable to write to the GIF file. The recording was stopped and nothing could be kept.";

// After the recording has ended: tells the user when its file could not be written whole.
void warnIfWriteFailed() {
    if (animationWriteFailed()) {
        host.showWarning(animationKeptImages() ? kWriteFailedKept : kWriteFailedLost);
    }
}

void enterState(std::int16_t next) {
    state = next;
    host.showState(state);
}

bool buffersComplete() {
    return buffers.bitmap != nullptr && buffers.pixels != nullptr && buffers.previous != nullptr &&
           buffers.current != nullptr;
}

// Steps 3 to 7 of the preparation: the capture bitmap, the pixel-transfer header and the three
// zero-filled blocks. False at the first thing that could not be made; what was made stays held
// for the stop to release.
bool makeBuffers() {
    const std::int16_t width = geometry.width;
    const std::int16_t height = geometry.height;

    HDC windowContext = GetDC(geometry.screen);
    bool made = windowContext != nullptr;
    if (made) {
        buffers.bitmap = CreateCompatibleBitmap(windowContext, width, height);
        made = buffers.bitmap != nullptr;
    }

    buffers.header = {};
    BITMAPINFOHEADER& header = buffers.header.bmiHeader;
    header.biSize = sizeof(BITMAPINFOHEADER);
    header.biWidth = width;
    header.biHeight = -height;
    header.biPlanes = 1;
    header.biBitCount = 32;
    header.biCompression = BI_RGB;

    // Without a buffer the call copies nothing and only reports biSizeImage. Anything short of
    // 4 x W x H would let a tick write past the pixel buffer.
    if (made) {
        made = GetDIBits(windowContext, buffers.bitmap, 0, static_cast<UINT>(height), nullptr,
                         &buffers.header, DIB_RGB_COLORS) != 0;
        const std::uint64_t needed = std::uint64_t{4} * static_cast<std::uint64_t>(width) *
                                     static_cast<std::uint64_t>(height);
        made = made && header.biSizeImage >= needed;
    }
    if (windowContext != nullptr) {
        ReleaseDC(geometry.screen, windowContext);
    }
    if (!made) {
        return false;
    }

    const SIZE_T frameBytes =
        static_cast<SIZE_T>(width) * static_cast<SIZE_T>(static_cast<std::uint16_t>(height));
    buffers.pixels = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, header.biSizeImage);
    if (buffers.pixels == nullptr) {
        return false;
    }
    buffers.previous = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, frameBytes);
    if (buffers.previous == nullptr) {
        return false;
    }
    buffers.current = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, frameBytes);
    // A screen sampled at its dots' centres also needs its 1:1 copy and index tables.
    return buffers.current != nullptr && prepareGrab();
}

// Steps 8 and 9: the file dialog, asked anew each time with an empty name. True when a name
// was chosen.
bool askFileName(HWND dialog) {
    fileDialog = {};
    fileName[0] = '\0';
    fileDialog.lStructSize = OPENFILENAME_SIZE_VERSION_400A;
    fileDialog.hwndOwner = dialog;
    fileDialog.lpstrFilter = kFilter;
    fileDialog.nFilterIndex = 1;
    fileDialog.lpstrFile = fileName;
    fileDialog.nMaxFile = 256;
    fileDialog.lpstrTitle = "Create Animated Screenshot";
    fileDialog.Flags = OFN_OVERWRITEPROMPT | OFN_PATHMUSTEXIST;

    SetForegroundWindow(dialog);
    return GetSaveFileNameA(&fileDialog) != FALSE;
}

// A recording stopped before its first tick would otherwise write the zero-filled previous
// frame with whatever delay an earlier recording left: grab the screen now as the first tick.
void grabFirstFrame() {
    LockedFrames frames = grabFrame();
    quantizeFrame(frames.pixels, geometry.width, geometry.height, frames.current);
    trackFrame(frames.previous, frames.current, geometry.width, geometry.height,
               tickInputsOf(host.choices()));
    unlockFrames();
}

// Release steps 3 to 5: each holding released only when held, and cleared.
void releaseBuffers() {
    releaseGrab();
    if (buffers.bitmap != nullptr) {
        DeleteObject(buffers.bitmap);
        buffers.bitmap = nullptr;
    }
    if (buffers.previous != nullptr) {
        GlobalFree(buffers.previous);
        buffers.previous = nullptr;
    }
    if (buffers.current != nullptr) {
        GlobalFree(buffers.current);
        buffers.current = nullptr;
    }
    if (buffers.pixels != nullptr) {
        GlobalFree(buffers.pixels);
        buffers.pixels = nullptr;
    }
    enterState(Halted);
}

}  // namespace

void sessionSetHost(const SessionHost& next) {
    host = next;
}

CaptureChoices sessionChoices() {
    return host.choices();
}

std::int16_t sessionState() {
    return state;
}

const CaptureBuffers& captureBuffers() {
    return buffers;
}

const CaptureGeometry& captureGeometry() {
    return geometry;
}

void sessionLeftPress(HWND dialog) {
    switch (preparing) {
        case Preparing::MakingBuffers:
            // Buffers half made, or their failure on screen: nothing may start from here.
            return;
        case Preparing::FileDialog:
            // The buffers are complete and the name empty: a press in Ready starts, and the
            // start cannot open the empty name. Once that has returned to Halted, a further
            // press waits for the dialog to close rather than nest a second preparation.
            if (state == Halted) {
                return;
            }
            break;
        case Preparing::No:
            break;
    }
    switch (state) {
        case Halted:
            prepareRecording(dialog);
            break;
        case Ready:
            startRecording(dialog);
            break;
        case Capturing:
            stopRecording(dialog);
            warnIfWriteFailed();
            break;
        default:
            break;
    }
}

void prepareRecording(HWND dialog) {
    CaptureGeometry found;
    const char* warning = nullptr;
    if (!detectEmulator(&found, &warning)) {
        host.showWarning(warning);
        return;
    }
    geometry = found;

    preparing = Preparing::MakingBuffers;
    fileName[0] = '\0';
    enterState(Ready);

    if (!makeBuffers()) {
        host.showWarning("Unable to allocate necessary memory.");
        preparing = Preparing::No;
        stopRecording(dialog);
        return;
    }

    preparing = Preparing::FileDialog;
    const bool chosen = askFileName(dialog);
    preparing = Preparing::No;
    if (!chosen) {
        stopRecording(dialog);
    }
}

void startRecording(HWND dialog) {
    enterState(Capturing);

    const CaptureChoices choices = host.choices();
    if (!enlargeFits(geometry.width, geometry.height, choices.enlarge)) {
        host.showWarning(kTooLargeToEnlarge);  // nothing is created
        stopRecording(dialog);
        return;
    }

    // An empty name is what a press during the file dialog finds; it never names a file.
    if (fileName[0] == '\0' || !buffersComplete() ||
        !beginAnimation(fileName, geometry.width, geometry.height, choices.enlarge)) {
        host.showWarning("Unable to open specified file for writing.");
        stopRecording(dialog);
        return;
    }

    beginTracking(delayStepOf(choices.timerMultiplier));

    const UINT interval = kTickMilliseconds * static_cast<UINT>(choices.timerMultiplier);
    if (SetTimer(dialog, kCaptureTimer, interval, nullptr) == 0) {
        host.showWarning("Too many clocks or timers!");
        stopRecording(dialog);
        return;
    }

    SetForegroundWindow(geometry.window);
}

void stopRecording(HWND dialog) {
    KillTimer(dialog, kCaptureTimer);

    if (animationIsOpen()) {
        if (!trackingHasFrame() && buffersComplete()) {
            grabFirstFrame();
        }
        if (buffers.previous != nullptr) {
            auto* previous = static_cast<std::uint8_t*>(GlobalLock(buffers.previous));
            flushPendingFrame(previous);
            GlobalUnlock(buffers.previous);
        }
        endAnimation();
    }

    releaseBuffers();
}

void endStillRecording(HWND dialog) {
    KillTimer(dialog, kCaptureTimer);
    if (animationIsOpen()) {
        endAnimation();
    }
    releaseBuffers();
    warnIfWriteFailed();
}

void endFailedRecording(HWND dialog) {
    // The writer has already ended the file at its last complete image (or removed it).
    stopRecording(dialog);
    warnIfWriteFailed();
}
