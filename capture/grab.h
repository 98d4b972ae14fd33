// The frame grab: copies the emulator's screen rectangle, at W x H, into the pixel buffer;
// while the emulator's window is hidden, minimised or gone, or its client area fits no scale of
// the profile, the buffer keeps the last picture copied.
// The only platform-bound step of a tick. Called by captureTick and by the stop before a first
// tick. Leaves the previous frame, the current frame and the pixel buffer locked (in that order)
// and returns their addresses; the caller unlocks them.
#pragma once

#include <cstdint>

struct LockedFrames {
    std::uint8_t* previous;
    std::uint8_t* current;
    std::uint8_t* pixels;
};

LockedFrames grabFrame();
void unlockFrames();  // GlobalUnlock of the pixel buffer, the current frame, the previous frame

// Called by prepareRecording once the session's buffers are made: the grab starts from the
// detected source, and a screen sampled at its dots' centres gets its 1:1 copy and index
// tables. False when those could not be made (reported like any failed allocation).
bool prepareGrab();
// Called by the session's release steps: releases what prepareGrab or a resize made.
void releaseGrab();
