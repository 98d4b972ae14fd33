// The capture timer's tick: grab, quantize, track, unlock; and, in StillMode, the end of the
// recording when its one image has been written.
#include "capture/tick.h"

#include "capture/colour_frame.h"
#include "capture/grab.h"
#include "capture/quantize.h"
#include "capture/session.h"
#include "capture/tracking.h"
#include "gif/animation_writer.h"

INT_PTR captureTick(HWND dialog) {
    const CaptureBuffers& buffers = captureBuffers();
    // A tick can only be queued while Capturing; one that arrives after the end finds nothing
    // to work on.
    if (sessionState() != Capturing || !animationIsOpen() || buffers.bitmap == nullptr ||
        buffers.pixels == nullptr || buffers.previous == nullptr || buffers.current == nullptr) {
        return TRUE;
    }

    const CaptureGeometry& geometry = captureGeometry();
    LockedFrames frames = grabFrame();
    if (geometry.colour) {
        colourFrame(frames.pixels, geometry.width, geometry.height, frames.current);
    } else {
        quantizeFrame(frames.pixels, geometry.width, geometry.height, frames.current);
    }
    const TrackOutcome outcome = trackFrame(frames.previous, frames.current, geometry.width,
                                            geometry.height, tickInputsOf(sessionChoices()));
    // Unlocked before a still-mode ending frees them: no block is freed while locked.
    unlockFrames();
    if (animationWriteFailed()) {
        endFailedRecording(dialog);
    } else if (outcome == TrackOutcome::StillImageWritten) {
        endStillRecording(dialog);
    }
    return TRUE;
}
