// Sampling at dot centres recovers a smoothly scaled screen exactly. A Free42-like face (the
// Standard skin: 302 x 348, a screen of 131 x 16 dots of 2 x 3 pixels at (20, 20), its two LCD
// colours) is drawn at 1.37 x, at 1.5 x and squeezed to 300 x 346, smoothed by area averaging
// and bilinearly. fitScreen and sampleIndices pick one client pixel per recording pixel; after
// the recording's 16-gray quantization every dot must equal the scale-1 screen.
#include "capture/quantize.h"
#include "detect/fit.h"
#include "tests/support/smooth_picture.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <string>
#include <vector>

namespace {

constexpr int kDotsAcross = 131;
constexpr int kDotsDown = 16;
constexpr std::uint32_t kBackground = 0x96AA92;
constexpr std::uint32_t kDot = 0x0B2327;
constexpr std::uint32_t kFace = 0x303840;

ScreenShape standardSkin() {
    ScreenShape shape;
    shape.width = 262;
    shape.height = 48;
    shape.layout = LayoutKind::Valid;
    shape.layoutWidth = 302;
    shape.layoutHeight = 348;
    shape.screenX = 20;
    shape.screenY = 20;
    shape.anyScale = true;
    shape.dotWidth = 2;
    shape.dotHeight = 3;
    return shape;
}

// The recording's gray levels of W x H pixels of 0x00RRGGBB.
std::vector<std::uint8_t> levels(const std::vector<std::uint32_t>& rgb, int width, int height) {
    std::vector<std::uint8_t> bytes;
    for (const std::uint32_t p : rgb) {
        bytes.insert(bytes.end(), {static_cast<std::uint8_t>(p), static_cast<std::uint8_t>(p >> 8),
                                   static_cast<std::uint8_t>(p >> 16), 0});
    }
    std::vector<std::uint8_t> out(rgb.size());
    quantizeFrame(bytes.data(), static_cast<std::int16_t>(width), static_cast<std::int16_t>(height),
                  out.data());
    return out;
}

int mismatches(const std::vector<std::uint8_t>& a, const std::vector<std::uint8_t>& b) {
    int count = 0;
    for (std::size_t i = 0; i < a.size(); ++i) {
        count += a[i] != b[i] ? 1 : 0;
    }
    return count;
}

struct Case {
    const char* name;
    int width;
    int height;
    smooth::Filter filter;
};

// Area averaging of a squeezed face blends the few dots whose centre pixel reaches past their
// edge (a dot is 1.987 pixels wide): no single pixel holds them pure, so it is not listed.
const Case kCases[] = {
    {"At137Area", 414, 477, smooth::Filter::Area},
    {"At137Bilinear", 414, 477, smooth::Filter::Bilinear},
    {"At150Area", 453, 522, smooth::Filter::Area},
    {"At150Bilinear", 453, 522, smooth::Filter::Bilinear},
    {"SqueezedBilinear", 300, 346, smooth::Filter::Bilinear},
};

class SampledDots : public testing::TestWithParam<Case> {};

TEST_P(SampledDots, EveryDotRecovered) {
    const Case& size = GetParam();
    const smooth::Filter filter = size.filter;
    const ScreenShape shape = standardSkin();
    const int w = shape.width;
    const int h = shape.height;
    std::mt19937 random(42);
    std::bernoulli_distribution on(0.35);
    std::vector<std::uint8_t> dots(kDotsAcross * kDotsDown);
    for (std::uint8_t& dot : dots) {
        dot = on(random) ? 1 : 0;
    }
    dots[0] = 0;
    dots[1] = 1;
    const smooth::Canvas skin =
        smooth::face(302, 348, kFace, 20, 20, dots, kDotsAcross, 2, 3, {kBackground, kDot});
    const smooth::Canvas window = smooth::resample(skin, size.width, size.height, filter);

    const ScreenFit fit = fitScreen(shape, size.width, size.height);
    ASSERT_EQ(fit.kind, FitKind::Sampled);
    std::vector<std::int32_t> columns(static_cast<std::size_t>(w));
    std::vector<std::int32_t> rows(static_cast<std::size_t>(h));
    sampleIndices(shape, size.width, size.height, columns.data(), rows.data());

    std::vector<std::uint32_t> expected;
    std::vector<std::uint32_t> atDots;
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            expected.push_back(skin.at(20 + x, 20 + y));
            const int column = columns[static_cast<std::size_t>(x)];
            const int row = rows[static_cast<std::size_t>(y)];
            ASSERT_LT(column, fit.sourceWidth);
            ASSERT_LT(row, fit.sourceHeight);
            atDots.push_back(window.at(fit.sourceX + column, fit.sourceY + row));
        }
    }
    EXPECT_EQ(mismatches(levels(atDots, w, h), levels(expected, w, h)), 0);
}

INSTANTIATE_TEST_SUITE_P(Free42Standard, SampledDots, testing::ValuesIn(kCases),
                         [](const testing::TestParamInfo<Case>& param) {
                             return std::string(param.param.name);
                         });

}  // namespace
