// The frame grab: copies the emulator's screen rectangle, at W x H, into the pixel buffer;
// while the emulator's window is hidden, minimised or gone the buffer keeps the last picture
// copied.
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
