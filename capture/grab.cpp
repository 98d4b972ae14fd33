// The frame grab: the emulator's screen rectangle, brought to W x H, read out as 32-bit
// top-down pixels. At whole factors the rectangle is shrunk by StretchBlt, dropping pixels; at
// any other factor (AnyScale) it is copied 1:1 and each dot read at its centre (sampling.cpp).
//
// The grab follows the window: at every tick one GetClientRect of the screen window, and when
// the client size has changed the source is worked out again from the profile's numbers. The
// recording's size never changes. No copy is made while the window is hidden or minimised, or
// while its client area fits no scale, and a copy made while the window was being hidden is
// dropped: the pixel buffer then keeps the last picture, and the recording sees an unchanged
// screen. A screen in a child window is copied out of the child's context, or, where that gives
// no copy (Wine, for another process's child window), out of the emulator window's at the
// child's place. A window drawn by the GPU may give a copy that is all black while the screen
// shows it: when a copy of a shown window is all black and a copy out of the screen's context
// at the window's place is not, every later copy of the recording is taken from the screen (a
// recording needs the window in view anyway). A screen that really is black gives two black
// copies and stays as it is. Otherwise the copy's own steps do not check their results: a copy
// that fails leaves the last picture that worked in the capture bitmap.
#include "capture/grab.h"

#include "capture/sampling.h"
#include "capture/screen_copy.h"
#include "capture/session.h"
#include "detect/fit.h"
#include "platform/win32.h"

namespace {

// The source the ticks copy now, and the screen window's client size it was worked out for.
ScreenFit source;
std::int64_t clientWidth = -1;
std::int64_t clientHeight = -1;
// Set once a copy out of the window came back all black and one out of the screen did not.
bool fromScreen = false;

// Whether the W x H pixels (B, G, R, unused) are all black. Stops at the first that is not.
bool allBlack(const std::uint8_t* pixels, const CaptureGeometry& geometry) {
    const std::size_t count =
        static_cast<std::size_t>(geometry.width) * static_cast<std::size_t>(geometry.height);
    for (std::size_t i = 0; i < count; ++i, pixels += 4) {
        if ((pixels[0] | pixels[1] | pixels[2]) != 0) {
            return false;
        }
    }
    return true;
}

// One GetClientRect; the source anew only when the size changed. A window that is gone keeps
// the source it had (the copy then fails, or is not made).
void followClientSize(const CaptureGeometry& geometry) {
    RECT client = {};
    if (!GetClientRect(geometry.screen, &client)) {
        return;
    }
    const std::int64_t width = std::int64_t{client.right} - client.left;
    const std::int64_t height = std::int64_t{client.bottom} - client.top;
    if (width == clientWidth && height == clientHeight) {
        return;
    }
    clientWidth = width;
    clientHeight = height;
    source = fitScreen(geometry.shape, width, height);
}

LockedFrames lockFrames() {
    const CaptureBuffers& buffers = captureBuffers();
    LockedFrames frames;
    frames.previous = static_cast<std::uint8_t*>(GlobalLock(buffers.previous));
    frames.current = static_cast<std::uint8_t*>(GlobalLock(buffers.current));
    frames.pixels = static_cast<std::uint8_t*>(GlobalLock(buffers.pixels));
    return frames;
}

// The designed grab: StretchBlt with COLORONCOLOR into the capture bitmap, then its pixels.
LockedFrames grabWhole(const CaptureGeometry& geometry) {
    const CaptureBuffers& buffers = captureBuffers();
    HDC windowContext = GetDC(geometry.screen);
    HDC memoryContext = CreateCompatibleDC(windowContext);
    SelectObject(memoryContext, buffers.bitmap);
    SetStretchBltMode(memoryContext, COLORONCOLOR);
    const auto stretch = [&](HDC context, int dx, int dy) {
        return StretchBlt(memoryContext, 0, 0, geometry.width, geometry.height, context,
                          source.sourceX + dx, source.sourceY + dy, source.sourceWidth,
                          source.sourceHeight, SRCCOPY) != FALSE;
    };
    bool copied = false;
    if (fromScreen) {
        ReleaseDC(geometry.screen, windowContext);
        copied = copyAtScreensPlace(geometry.screen, stretch);
    } else {
        copied = stretch(windowContext, 0, 0);
        ReleaseDC(geometry.screen, windowContext);
        if (!copied) {
            copied = copyAtChildsPlace(geometry.screen, geometry.window, stretch);
        }
    }

    LockedFrames frames = lockFrames();
    if (copied && IsWindowVisible(geometry.screen) == FALSE) {
        // Hidden while it was copied: the copy may be what lay behind it. The last picture stays.
        DeleteDC(memoryContext);
        return frames;
    }
    // The header is the session's; the call may write to its copy, never to the session's.
    BITMAPINFO header = buffers.header;
    GetDIBits(memoryContext, buffers.bitmap, 0, static_cast<UINT>(geometry.height), frames.pixels,
              &header, DIB_RGB_COLORS);
    if (copied && !fromScreen && allBlack(frames.pixels, geometry) &&
        copyAtScreensPlace(geometry.screen, stretch)) {
        header = buffers.header;
        GetDIBits(memoryContext, buffers.bitmap, 0, static_cast<UINT>(geometry.height),
                  frames.pixels, &header, DIB_RGB_COLORS);
        fromScreen = !allBlack(frames.pixels, geometry);
    }
    DeleteDC(memoryContext);
    return frames;
}

}  // namespace

bool prepareGrab() {
    const CaptureGeometry& geometry = captureGeometry();
    source = {geometry.sampled ? FitKind::Sampled : FitKind::Whole, geometry.sourceX,
              geometry.sourceY, geometry.sourceWidth, geometry.sourceHeight};
    clientWidth = geometry.clientWidth;
    clientHeight = geometry.clientHeight;
    fromScreen = false;
    return !geometry.sampled ||
           prepareSampling(geometry.screen, geometry.shape, source, clientWidth, clientHeight);
}

void releaseGrab() {
    releaseSampling();
    source = {};
    clientWidth = -1;
    clientHeight = -1;
    fromScreen = false;
}

LockedFrames grabFrame() {
    const CaptureGeometry& geometry = captureGeometry();
    followClientSize(geometry);

    // A window that is not shown holds no picture of the emulator: its copy would be whatever
    // lies behind it on the screen. A window being closed is hidden before it goes, so this is
    // also the last moment of a closing emulator. Such a tick, like one on a window that is
    // gone, keeps the last picture that was copied. A minimised window still counts as
    // visible, but its copy is black or stale: it too keeps the last picture.
    const bool shown =
        IsWindowVisible(geometry.screen) != FALSE && IsIconic(geometry.window) == FALSE;
    if (shown && source.kind == FitKind::Whole) {
        return grabWhole(geometry);
    }
    LockedFrames frames = lockFrames();
    if (shown && source.kind == FitKind::Sampled) {
        const auto sample = [&](bool screenCopy) {
            return grabSampled(geometry.screen, geometry.window, geometry.shape, source,
                               clientWidth, clientHeight, screenCopy, frames.pixels);
        };
        if (sample(fromScreen) && !fromScreen && allBlack(frames.pixels, geometry) &&
            sample(true)) {
            fromScreen = !allBlack(frames.pixels, geometry);
        }
    }
    return frames;
}

void unlockFrames() {
    const CaptureBuffers& buffers = captureBuffers();
    GlobalUnlock(buffers.pixels);
    GlobalUnlock(buffers.current);
    GlobalUnlock(buffers.previous);
}
