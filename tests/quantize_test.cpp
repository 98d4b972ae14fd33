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

TEST(QuantizeFrame, WorkedExampleStretchesBetweenTheFramesExtremes) {
    EXPECT_EQ(quantize({200, 200, 100, 50, 50, 125, 200, 75}, 4, 2),
              (Bytes{0, 0, 10, 15, 15, 7, 0, 12}));
}

TEST(QuantizeFrame, UniformFramesGiveLevelZero) {
    for (int red : {0, 1, 128, 254, 255}) {
        EXPECT_EQ(quantize(Bytes(15, static_cast<std::uint8_t>(red)), 5, 3), Bytes(15, 0))
            << "red " << red;
    }
    EXPECT_EQ(quantize({77}, 1, 1), Bytes{0});
}

TEST(QuantizeFrame, TwoValuesGiveOnlyTheOuterLevels) {
    EXPECT_EQ(quantize({0xC0, 0x20, 0x20, 0xC0, 0xC0, 0x20}, 3, 2), (Bytes{0, 15, 15, 0, 0, 15}));
    EXPECT_EQ(quantize({100, 101}, 1, 2), (Bytes{15, 0}));
}

TEST(QuantizeFrame, LevelsRoundTowardTheLighterEnd) {
    EXPECT_EQ(quantize({255, 254, 0}, 3, 1), (Bytes{0, 0, 15}));
    // 15 x 16 / 17: just under 15 stays 14.
    EXPECT_EQ(quantize({17, 1, 0}, 3, 1), (Bytes{0, 14, 15}));
}

TEST(QuantizeFrame, PaletteGraysComeBackAsTheirIndex) {
    Bytes reds;
    Bytes expected;
    for (int i = 15; i >= 0; --i) {  // any order: the stretch does not depend on it
        reds.push_back(static_cast<std::uint8_t>(255 - 17 * i));
        expected.push_back(static_cast<std::uint8_t>(i));
    }
    EXPECT_EQ(quantize(reds, 4, 4), expected);
}

TEST(QuantizeFrame, OnlyTheRedByteCounts) {
    // Blue 255 and green 255 with red 0 is the darkest pixel; red 255 with blue and green 0 the
    // lightest.
    const Bytes pixels = {255, 255, 0, 255, 0, 0, 255, 0, 255, 0, 128, 0};
    Bytes frame(3, 0xEE);
    quantizeFrame(pixels.data(), 3, 1, frame.data());
    EXPECT_EQ(frame, (Bytes{15, 0, 7}));
}

TEST(QuantizeFrame, ANewExtremeRestretchesUnchangedPixels) {
    EXPECT_EQ(quantize({200, 125, 125, 200}, 2, 2), (Bytes{0, 15, 15, 0}));
    EXPECT_EQ(quantize({200, 125, 125, 50}, 2, 2), (Bytes{0, 7, 7, 15}));
}

TEST(QuantizeFrame, EveryByteOfALargeFrameIsSetInRowOrder) {
    // 320 x 240, red = column + row, so row y and column x can be checked one by one.
    const std::int16_t width = 320;
    const std::int16_t height = 240;
    Bytes reds;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            reds.push_back(static_cast<std::uint8_t>((x + y) % 256));
        }
    }
    const Bytes frame = quantize(reds, width, height);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const int r = (x + y) % 256;
            ASSERT_EQ(frame[static_cast<std::size_t>(y * width + x)], (255 - r) * 15 / 255)
                << x << "," << y;
        }
    }
}

}  // namespace
