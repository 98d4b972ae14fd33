// Change tracking and frame scheduling: decides at every tick what the AnimationWriter gets.
//
// The tracking values (firstFrame, the ChangeBox, the PendingFrame) are module-level in
// tracking.cpp and outlive a recording. The frames are the session's: callers hand in the
// locked previous and current GrayFrame, and the settings of the moment as TickInputs.
// Portable: knows nothing of windows or of the settings dialog.
// Called by the capture session (beginTracking, flushPendingFrame) and by captureTick.
#pragma once

#include <cstdint>

// What the settings say at the moment of a tick; handed in at every call, so that a new timer
// choice or StillMode counts from the next tick on.
struct TickInputs {
    std::uint16_t delayStep = 16;  // hundredths of a second a tick stands for: 16, 32 or 48
    bool stillMode = false;
};

// The delay step of a timer multiplier (1, 2 or 3: 110, 220 or 330 ms a tick).
constexpr std::uint16_t delayStepOf(std::int16_t timerMultiplier) {
    return static_cast<std::uint16_t>(16 * timerMultiplier);
}

// What a tick left the caller to do.
enum class TrackOutcome {
    Continue,           // the recording goes on
    StillImageWritten,  // StillMode wrote its one image: the caller ends the recording now
                        // (timer, endAnimation, release steps), without flushPendingFrame
};

// At every start, after beginAnimation succeeded: sets firstFrame and the first-tick marker,
// and the pending delay to delayStep.
void beginTracking(std::uint16_t delayStep);

// After beginTracking, for a recording in colour: the frames are then 4 bytes a pixel
// (0x00RRGGBB words) and a pixel differs when any of its colour bytes does.
void trackColourFrames();

// True once a tick has run since beginTracking.
bool trackingHasFrame();

// One tick. previous and current are width x height GrayFrames; previous is the pending frame
// and is overwritten with current whenever current becomes pending.
// The first tick of a recording only makes current pending (delay one step). Later ticks: in
// StillMode one framed image of previous, without a delay, and StillImageWritten; otherwise a
// tick in which any level differs writes the pending frame (delay, then the framed image the
// first time and its changed rectangle after that) and makes current pending, and a tick
// without a difference adds one step to the pending delay, which stops at 65535.
// Allocates nothing.
TrackOutcome trackFrame(std::uint8_t* previous, const std::uint8_t* current, std::int16_t width,
                        std::int16_t height, TickInputs inputs);

// At the stop, while the writer is open: writes the pending frame with its delay. The session
// always grabs a first frame before it stops a recording that had no tick; without one, previous
// is written as it is, as the framed image, for the delay step given to beginTracking.
// Changes no tracking value.
void flushPendingFrame(std::uint8_t* previous);
