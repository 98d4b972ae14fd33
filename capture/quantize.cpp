// Gray-level quantization: the red byte of every pixel, stretched between the frame's own
// lightest (level 0) and darkest (level 15) red value.
#include "capture/quantize.h"

#include <cstddef>

namespace {

// Byte 2 of the 4-byte pixel at offset (row x width + col): blue, green, red, reserved.
std::uint8_t redAt(const std::uint8_t* pixels, std::int32_t offset) {
    return pixels[4 * static_cast<std::ptrdiff_t>(offset) + 2];
}

}  // namespace

void quantizeFrame(const std::uint8_t* pixels, std::int16_t width, std::int16_t height,
                   std::uint8_t* frame) {
    std::uint8_t darkest = 255;
    std::uint8_t lightest = 0;
    for (std::int16_t row = 0; row < height; ++row) {
        for (std::int16_t col = 0; col < width; ++col) {
            const std::uint8_t r = redAt(pixels, std::int32_t{row} * width + col);
            if (r < darkest) {
                darkest = r;
            }
            if (r > lightest) {
                lightest = r;
            }
        }
    }

    const std::int32_t range = std::int32_t{lightest} - std::int32_t{darkest};
    for (std::int16_t row = 0; row < height; ++row) {
        for (std::int16_t col = 0; col < width; ++col) {
            const std::int32_t offset = std::int32_t{row} * width + col;
            std::int32_t level = 0;
            if (range != 0) {
                level = ((std::int32_t{lightest} - redAt(pixels, offset)) * 15) / range;
            }
            frame[offset] = static_cast<std::uint8_t>(level);
        }
    }
}
