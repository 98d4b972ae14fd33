// quantizeFrame: the levels of the red byte, stretched per frame between its own extremes.
#include "capture/quantize.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;

// A width x height screen copy whose red bytes are reds, row by row; blue and green carry
// other values so that reading them would show.
Bytes screenOfReds(const Bytes& reds) {
    Bytes pixels;
    for (std::size_t i = 0; i < reds.size(); ++i) {
        pixels.push_back(static_cast<std::uint8_t>(255 - reds[i]));  // blue
        pixels.push_back(static_cast<std::uint8_t>(i * 37));         // green
        pixels.push_back(reds[i]);                                   // red
        pixels.push_back(0xA5);                                      // reserved
    }
    return pixels;
}

Bytes quantize(const Bytes& reds, std::int16_t width, std::int16_t height) {
    const Bytes pixels = screenOfReds(reds);
    Bytes frame(reds.size(), 0xEE);
    quantizeFrame(pixels.data(), width, height, frame.data());
    return frame;
}

TEST(QuantizeFrame, LevelsStretchBetweenTheFramesOwnExtremes) {
    struct Case {
        const char* what;
        std::int16_t width;
        std::int16_t height;
        Bytes reds;
        Bytes levels;
    };
    const Case cases[] = {
        {"example", 4, 2, {200, 200, 100, 50, 50, 125, 200, 75}, {0, 0, 10, 15, 15, 7, 0, 12}},
        {"two values", 3, 2, {0xC0, 0x20, 0x20, 0xC0, 0xC0, 0x20}, {0, 15, 15, 0, 0, 15}},
        {"two values one apart", 1, 2, {100, 101}, {15, 0}},
        {"rounds toward the lighter end", 3, 1, {255, 254, 0}, {0, 0, 15}},
        {"15 x 16 / 17 stays 14", 3, 1, {17, 1, 0}, {0, 14, 15}},
        // The palette's own grays, in any order, come back as their index.
        {"palette",
         4,
         4,
         {0, 17, 34, 51, 68, 85, 102, 119, 136, 153, 170, 187, 204, 221, 238, 255},
         {15, 14, 13, 12, 11, 10, 9, 8, 7, 6, 5, 4, 3, 2, 1, 0}},
        // A new extreme restretches the pixels that did not change.
        {"before a new extreme", 2, 2, {200, 125, 125, 200}, {0, 15, 15, 0}},
        {"after a new extreme", 2, 2, {200, 125, 125, 50}, {0, 7, 7, 15}},
        // A uniform frame, whatever its red, is all level 0.
        {"uniform 0", 5, 3, Bytes(15, 0), Bytes(15, 0)},
        {"uniform 128", 5, 3, Bytes(15, 128), Bytes(15, 0)},
        {"uniform 255", 5, 3, Bytes(15, 255), Bytes(15, 0)},
        {"one pixel", 1, 1, {77}, {0}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(quantize(c.reds, c.width, c.height), c.levels) << c.what;
    }
}

}  // namespace
