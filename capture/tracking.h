// Change tracking and frame scheduling: decides at every tick what the AnimationWriter gets.
//
// The tracking values (firstFrame, the ChangeBox, the PendingFrame) are module-level in
// tracking.cpp and outlive a recording. The frames are the session's: callers hand in the
// locked previous and current GrayFrame. Portable: knows nothing of windows.
// Called by the capture session (beginTracking, flushPendingFrame) and by captureTick.
#pragma once

#include <cstdint>

// What a tick left the caller to do.
enum class TrackOutcome {
    Continue,           // the recording goes on
    StillImageWritten,  // StillMode wrote its one image: the caller ends the recording now
                        // (timer, endAnimation, release steps), without flushPendingFrame
};

// At every start, after beginAnimation succeeded: sets firstFrame and the first-tick marker.
void beginTracking();

// True once a tick has run since beginTracking.
bool trackingHasFrame();

// One tick. previous and current are width x height GrayFrames; previous is the pending frame
// and is overwritten with current whenever current becomes pending. Reads TimerMultiplier and
// StillMode from the Settings record at every call.
// The first tick of a recording only makes current pending (delay one step). Later ticks: in
// StillMode one framed image of previous, without a delay, and StillImageWritten; otherwise a
// tick in which any level differs writes the pending frame (delay, then the framed image the
// first time and its changed rectangle after that) and makes current pending, and a tick
// without a difference adds one step to the pending delay, which stops at 65535.
// Allocates nothing.
TrackOutcome trackFrame(std::uint8_t* previous, const std::uint8_t* current, std::int16_t width,
                        std::int16_t height);

// At the stop, while the writer is open: writes the pending frame with its delay. A stop
// before the first tick writes previous as it is (the blank frame) as the framed image, shown
// for one step. Changes no tracking value.
void flushPendingFrame(std::uint8_t* previous);
