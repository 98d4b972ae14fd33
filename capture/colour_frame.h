// The frame of a colour recording: the grab's pixels as they are, without the reserved byte.
// Portable: plain memory only.
#pragma once

#include <cstdint>

// pixels: width x height 32-bit top-down pixels (blue, green, red, reserved). frame: width x
// height 4-byte pixels, each the pixel's blue, green and red and a zero byte (a 0x00RRGGBB
// word), so that two frames differ exactly where a colour does. Called by captureTick and by
// the stop before a first tick (capture/session.cpp), in place of quantizeFrame, and by test and
// bench drivers.
void colourFrame(const std::uint8_t* pixels, std::int16_t width, std::int16_t height,
                 std::uint8_t* frame);
