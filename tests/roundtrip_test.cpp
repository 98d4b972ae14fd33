// The tick pipeline end to end: screens go through quantizeFrame, the change tracking and the
// writer into a file, which giflib decodes and a viewer-like replay plays back. Every canvas
// the replay shows must be the quantized screen of its ticks inside the two-pixel border, shown
// for exactly the ticks that screen stayed: the expectations come from the reference in
// tests/support/roundtrip_reference, worked out tick by tick independently of the quantization
// and tracking code. Each image after the first is the smallest rectangle holding what changed.
#include "tests/support/gif_replay.h"
#include "tests/support/pipeline_driver.h"
#include "tests/support/roundtrip_reference.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;

// A seeded generator, so every run sees the same sequences.
struct Random {
    std::mt19937_64 next;
    int below(int n) { return static_cast<int>(next() % static_cast<std::uint64_t>(n)); }
    std::uint8_t byte() { return static_cast<std::uint8_t>(next()); }
};

struct Scenario {
    std::string name = "sparse";
    std::int16_t width = 0;
    std::int16_t height = 0;
    std::vector<Bytes> reds;                // one red byte per pixel and screen
    std::vector<int> ticks;                 // per screen
    std::vector<std::int16_t> multipliers;  // per tick; empty: multiplier throughout
    std::int16_t multiplier = 1;
    bool stillMode = false;
    int stillModeFromTick = 0;
};

// Where two frames of width pixels a row differ: left, top, width, height of the bounding box
// (its place in the bordered image).
std::array<int, 4> changedBox(const Bytes& before, const Bytes& after, int width) {
    int left = width, top = 1 << 30, right = -1, bottom = -1;
    for (std::size_t i = 0; i < after.size(); ++i) {
        if (before[i] != after[i]) {
            const int x = static_cast<int>(i) % width;
            const int y = static_cast<int>(i) / width;
            left = std::min(left, x);
            right = std::max(right, x);
            top = std::min(top, y);
            bottom = y;
        }
    }
    return {left + 2, top + 2, right - left + 1, bottom - top + 1};
}

void check(const Scenario& s, Random& random) {
    SCOPED_TRACE(s.name + " " + std::to_string(s.width) + "x" + std::to_string(s.height));
    const auto multiplierAt = [&s](int tick) {
        return s.multipliers.empty() ? s.multiplier
                                     : s.multipliers[static_cast<std::size_t>(tick - 1)];
    };
    PipelineInput input;
    input.width = s.width;
    input.height = s.height;
    input.ticks = s.ticks;
    input.timerMultiplier = s.multiplier;
    input.stillMode = s.stillMode;
    input.stillModeFromTick = s.stillModeFromTick;
    for (const Bytes& reds : s.reds) {
        // Blue and green are noise: only red may count.
        Bytes pixels;
        for (std::uint8_t r : reds) {
            pixels.insert(pixels.end(), {random.byte(), random.byte(), r, random.byte()});
        }
        input.screens.push_back(pixels);
    }
    if (!s.multipliers.empty()) {
        input.multiplierAt = multiplierAt;
    }

    const std::string path = ::testing::TempDir() + "roundtrip_" +
                             ::testing::UnitTest::GetInstance()->current_test_info()->name() +
                             ".gif";
    const PipelineResult result = runPipeline(input, path.c_str());
    ASSERT_TRUE(result.opened);
    ReferencePlan plan{s.reds, s.ticks, multiplierAt, s.stillMode, s.stillModeFromTick, {}};
    const ReferenceRecording want = referenceRecording(plan);
    EXPECT_EQ(result.ticks, want.ticks);
    EXPECT_EQ(result.endedByStill, want.endedByStill);

    const DecodedGif gif = decodeGif(path);
    ASSERT_TRUE(gif.ok) << gif.error;
    ASSERT_EQ(gif.screenWidth, s.width + 4);
    ASSERT_EQ(gif.screenHeight, s.height + 4);
    const std::vector<ShownCanvas> shown = replayGif(gif);
    ASSERT_EQ(shown.size(), want.shown.size());
    std::size_t k = 0;
    for (const GifRecord& image : gif.records) {
        if (image.kind != GifRecordKind::Image) {
            continue;
        }
        SCOPED_TRACE("image " + std::to_string(k));
        EXPECT_TRUE(hasPixmoteBorder(shown[k]));
        EXPECT_TRUE(innerFrame(shown[k], 2) == want.shown[k].frame);
        EXPECT_EQ(shown[k].delay, want.shown[k].delay);
        // The first image, and the one a StillMode tick ends with, are the whole framed screen.
        const bool whole = k == 0 || (want.endedByStill && k + 1 == shown.size());
        EXPECT_EQ((std::array<int, 4>{image.left, image.top, image.width, image.height}),
                  (whole ? std::array<int, 4>{0, 0, s.width + 4, s.height + 4}
                         : changedBox(want.shown[k - 1].frame, want.shown[k].frame, s.width)));
        ++k;
    }
    std::remove(path.c_str());
}

// A calculator-like screen (a few reds, as an emulator's display uses), then screens with a
// few small rectangles painted over the one before, now and then none.
Scenario sparseScenario(Random& random, std::int16_t width, std::int16_t height, int screens) {
    static const std::uint8_t kShades[] = {0x18, 0x40, 0x7C, 0xA0, 0xC6, 0xE8};
    Scenario s;
    s.width = width;
    s.height = height;
    Bytes reds;
    for (int i = 0; i < width * height; ++i) {
        reds.push_back(kShades[random.below(6)]);
    }
    for (int n = 0; n < screens; ++n) {
        const int count = n == 0 || random.below(5) == 0 ? 0 : 1 + random.below(3);
        for (int i = 0; i < count; ++i) {
            const int x0 = random.below(width);
            const int y0 = random.below(height);
            const int x1 = std::min(width - 1, x0 + random.below(4));
            const int y1 = std::min(height - 1, y0 + random.below(3));
            const std::uint8_t red = random.below(8) == 0 ? random.byte() : std::uint8_t{0x18};
            for (int y = y0; y <= y1; ++y) {
                for (int x = x0; x <= x1; ++x) {
                    reds[static_cast<std::size_t>(y * width + x)] = red;
                }
            }
        }
        s.reds.push_back(reds);
        s.ticks.push_back(1 + random.below(4));
    }
    return s;
}

struct Size {
    std::int16_t width;
    std::int16_t height;
};

const Size kSizes[] = {{1, 1},   {2, 1},   {1, 2},    {3, 5},    {7, 3},
                       {13, 11}, {96, 64}, {128, 64}, {320, 240}};

TEST(Roundtrip, EveryScreenShowsForTheTicksItStayed) {
    Random random{std::mt19937_64(2)};
    std::int16_t multiplier = 1;
    for (Size size : kSizes) {
        // A static screen: one frame for the whole recording.
        for (int ticks : {1, 2, 9}) {
            Scenario s = sparseScenario(random, size.width, size.height, 1);
            s.name = "static";
            s.ticks = {ticks};
            s.multiplier = multiplier;
            multiplier = static_cast<std::int16_t>(multiplier % 3 + 1);
            check(s, random);
        }
        // Sparse changes: the large screens once, with one of the timer choices; the small ones
        // with each.
        const bool large = size.width * size.height > 5000;
        for (int round = 0; round < (large ? 1 : 3); ++round) {
            Scenario s = sparseScenario(random, size.width, size.height, large ? 12 : 30);
            s.multiplier = static_cast<std::int16_t>(large ? 1 + random.below(3) : 1 + round);
            check(s, random);
        }
        // Dense changes: every pixel anew on every screen.
        Scenario s = sparseScenario(random, size.width, size.height, 8);
        s.name = "dense";
        for (Bytes& reds : s.reds) {
            for (std::uint8_t& red : reds) {
                red = random.byte();
            }
        }
        s.multiplier = static_cast<std::int16_t>(1 + random.below(3));
        check(s, random);
    }
}

TEST(Roundtrip, OnlyChangesOfTheQuantizedScreenCount) {
    // The same two-shade picture in other reds quantizes alike and changes nothing; a new
    // darkest pixel restretches the whole screen and is a change everywhere it shows.
    Random random{std::mt19937_64(4)};
    Scenario s;
    s.width = 9;
    s.height = 6;
    Bytes pattern;
    for (int p = 0; p < 54; ++p) {
        pattern.push_back(static_cast<std::uint8_t>(random.below(2)));
    }
    const std::uint8_t pairs[][2] = {{200, 100}, {180, 50}, {255, 0}, {201, 200}, {200, 125}};
    for (const auto& pair : pairs) {
        Bytes reds;
        for (std::uint8_t bit : pattern) {
            reds.push_back(pair[bit]);
        }
        s.reds.push_back(reds);
        s.ticks.push_back(2);
    }
    Bytes darker = s.reds.back();
    darker[40] = 50;  // the 125s become level 7
    s.reds.push_back(darker);
    s.ticks.push_back(3);
    check(s, random);
}

TEST(Roundtrip, ANewTimerChoiceCountsFromTheNextTick) {
    Random random{std::mt19937_64(5)};
    for (Size size : {Size{3, 5}, Size{96, 64}}) {
        Scenario s = sparseScenario(random, size.width, size.height, 20);
        s.name = "timer choices";
        int total = 0;
        for (int t : s.ticks) {
            total += t;
        }
        for (int t = 0; t < total; ++t) {
            s.multipliers.push_back(static_cast<std::int16_t>(1 + (t / 7 + random.below(2)) % 3));
        }
        check(s, random);
    }
}

TEST(Roundtrip, StillModeEndsWithTheScreenOnShow) {
    Random random{std::mt19937_64(7)};
    for (Size size : kSizes) {
        // Set from the start (0), or switched on just before a later tick.
        for (int from : {0, 2, 3, 6, 15, 1000}) {
            Scenario s = sparseScenario(random, size.width, size.height, from == 0 ? 3 : 12);
            s.name = "still from tick " + std::to_string(from);
            s.stillMode = from == 0;
            s.stillModeFromTick = from;
            s.multiplier = static_cast<std::int16_t>(1 + random.below(3));
            check(s, random);
        }
    }
    // Stopped after one tick, before StillMode could end the recording.
    Scenario once = sparseScenario(random, 7, 3, 1);
    once.name = "still, stopped after one tick";
    once.ticks = {1};
    once.stillMode = true;
    check(once, random);
}

TEST(Roundtrip, TheDelayStopsAtTheLargestTheFileCanHold) {
    Random random{std::mt19937_64(8)};
    for (int ticks : {1365, 1366, 3000}) {
        Scenario s = sparseScenario(random, 3, 2, 2);
        s.name = "long";
        s.reds[1] = Bytes(6, 0x18);
        s.reds[1][0] = 0xE8;
        s.ticks = {ticks, 2};
        s.multiplier = 3;
        check(s, random);
    }
}

}  // namespace
