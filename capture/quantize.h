// Gray-level quantization of one captured frame. Portable: plain memory only.
#pragma once

#include <cstdint>

// pixels: width x height 32-bit top-down pixels (blue, green, red, reserved); only red is read.
// frame: width x height bytes, each set to a level 0..15 stretched between the frame's own
// lightest red (0) and darkest red (15). Called by captureTick and by test and bench drivers.
void quantizeFrame(const std::uint8_t* pixels, std::int16_t width, std::int16_t height,
                   std::uint8_t* frame);
