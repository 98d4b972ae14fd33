// Gray-level quantization: the red byte of every pixel, stretched between the frame's own
// lightest (level 0) and darkest (level 15) red value.
#include "capture/quantize.h"

#include <cstddef>

namespace {

constexpr std::size_t kPixelBytes = 4;  // blue, green, red, reserved
constexpr std::size_t kRed = 2;
constexpr std::size_t kBlockBytes = 16;  // four pixels: red at bytes 2, 6, 10 and 14

}  // namespace

void quantizeFrame(const std::uint8_t* pixels, std::int16_t width, std::int16_t height,
                   std::uint8_t* frame) {
    if (width <= 0 || height <= 0) {
        return;
    }
    // Rows follow each other without gaps, so the frame is one run of width x height pixels.
    const std::size_t count = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
    const std::size_t bytes = count * kPixelBytes;

    // First pass, the extremes: byte-wise minimum and maximum over blocks of four pixels, each
    // byte position kept apart (the compiler turns this into vector min/max), then the red
    // positions combined; the last pixels that fill no block one by one.
    std::uint8_t lowest[kBlockBytes];
    std::uint8_t highest[kBlockBytes];
    for (std::size_t j = 0; j < kBlockBytes; ++j) {
        lowest[j] = 255;
        highest[j] = 0;
    }
    std::size_t i = 0;
    for (; i + kBlockBytes <= bytes; i += kBlockBytes) {
        for (std::size_t j = 0; j < kBlockBytes; ++j) {
            const std::uint8_t value = pixels[i + j];
            lowest[j] = value < lowest[j] ? value : lowest[j];
            highest[j] = value > highest[j] ? value : highest[j];
        }
    }
    std::uint8_t darkest = 255;
    std::uint8_t lightest = 0;
    for (std::size_t j = kRed; j < kBlockBytes; j += kPixelBytes) {
        darkest = lowest[j] < darkest ? lowest[j] : darkest;
        lightest = highest[j] > lightest ? highest[j] : lightest;
    }
    for (; i < bytes; i += kPixelBytes) {
        const std::uint8_t r = pixels[i + kRed];
        darkest = r < darkest ? r : darkest;
        lightest = r > lightest ? r : lightest;
    }

    // The level of every red value the frame can hold, ((lightest - r) x 15) / range with
    // division truncating toward zero (0 for a uniform frame); then one lookup per pixel.
    const std::int32_t range = std::int32_t{lightest} - std::int32_t{darkest};
    std::uint8_t levelOf[256] = {};
    if (range != 0) {
        for (std::int32_t r = darkest; r <= lightest; ++r) {
            levelOf[r] = static_cast<std::uint8_t>(((std::int32_t{lightest} - r) * 15) / range);
        }
    }
    for (std::size_t p = 0; p < count; ++p) {
        frame[p] = levelOf[pixels[p * kPixelBytes + kRed]];
    }
}
