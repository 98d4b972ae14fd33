// The frame grab: the emulator's screen rectangle, shrunk to W x H, read out as 32-bit
// top-down pixels. No step checks its result: a copy that fails leaves the last picture that
// worked in the buffers, and the recording sees an unchanged screen. The copy is not made
// while the emulator's window is hidden or minimised.
#include "capture/grab.h"

#include "capture/session.h"
#include "platform/win32.h"

LockedFrames grabFrame() {
    const CaptureGeometry& geometry = captureGeometry();
    const CaptureBuffers& buffers = captureBuffers();

    // A window that is not shown holds no picture of the emulator: its copy would be whatever
    // lies behind it on the screen. A window being closed is hidden before it goes, so this is
    // also the last moment of a closing emulator. Such a tick, like one on a window that is
    // gone, keeps the last picture that was copied. A minimised window still counts as
    // visible, but its copy is black or stale: it too keeps the last picture.
    const bool shown =
        IsWindowVisible(geometry.screen) != FALSE && IsIconic(geometry.window) == FALSE;
    HDC windowContext = shown ? GetDC(geometry.screen) : nullptr;
    HDC memoryContext = CreateCompatibleDC(windowContext);
    SelectObject(memoryContext, buffers.bitmap);
    if (shown) {
        SetStretchBltMode(memoryContext, COLORONCOLOR);
        StretchBlt(memoryContext, 0, 0, geometry.width, geometry.height, windowContext,
                   geometry.sourceX, geometry.sourceY, geometry.sourceWidth, geometry.sourceHeight,
                   SRCCOPY);
        ReleaseDC(geometry.screen, windowContext);
    }

    LockedFrames frames;
    frames.previous = static_cast<std::uint8_t*>(GlobalLock(buffers.previous));
    frames.current = static_cast<std::uint8_t*>(GlobalLock(buffers.current));
    frames.pixels = static_cast<std::uint8_t*>(GlobalLock(buffers.pixels));

    // The header is the session's; the call may write to its copy, never to the session's.
    BITMAPINFO header = buffers.header;
    GetDIBits(memoryContext, buffers.bitmap, 0, static_cast<UINT>(geometry.height), frames.pixels,
              &header, DIB_RGB_COLORS);
    DeleteDC(memoryContext);
    return frames;
}

void unlockFrames() {
    const CaptureBuffers& buffers = captureBuffers();
    GlobalUnlock(buffers.pixels);
    GlobalUnlock(buffers.current);
    GlobalUnlock(buffers.previous);
}
