// Change tracking: what each tick writes, proven from the file. giflib's decoder reads the file
// back into its records in file order; every graphic control block is one writeFrameDelay and every
// image one writeFramedImage or writeRegion, so the record list is the list of writer calls.
#include "capture/tracking.h"

#include "gif/animation_writer.h"
#include "tests/support/gif_replay.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;
using Records = std::vector<std::string>;

std::string delay(int hundredths) {
    return "delay " + std::to_string(hundredths);
}

std::string image(int left, int top, int width, int height, const Bytes& pixels) {
    std::string text = "image " + std::to_string(left) + "," + std::to_string(top) + " " +
                       std::to_string(width) + "x" + std::to_string(height) + ":";
    for (std::uint8_t p : pixels) {
        // Appended piece by piece: for " " + std::to_string(p), GCC 12 at -O2 and above
        // reports an overlapping copy (-Wrestrict) that cannot happen.
        text += ' ';
        text += std::to_string(p);
    }
    return text;
}

// The framed image of a width x height frame: black outer line, white inner line.
std::string framed(const Bytes& frame, int width, int height) {
    Bytes pixels;
    for (int y = 0; y < height + 4; ++y) {
        for (int x = 0; x < width + 4; ++x) {
            const bool outer = x == 0 || y == 0 || x == width + 3 || y == height + 3;
            const bool inner = x == 1 || y == 1 || x == width + 2 || y == height + 2;
            pixels.push_back(outer   ? 15
                             : inner ? 0
                                     : frame[static_cast<std::size_t>((y - 2) * width + x - 2)]);
        }
    }
    return image(0, 0, width + 4, height + 4, pixels);
}

// The region image of the inclusive rectangle, as the frame holds it.
std::string region(const Bytes& frame, int width, int left, int top, int right, int bottom) {
    Bytes pixels;
    for (int y = top; y <= bottom; ++y) {
        for (int x = left; x <= right; ++x) {
            pixels.push_back(frame[static_cast<std::size_t>(y * width + x)]);
        }
    }
    return image(left + 2, top + 2, right - left + 1, bottom - top + 1, pixels);
}

Records decodeRecords(const std::string& path) {
    const DecodedGif gif = decodeGif(path);
    EXPECT_TRUE(gif.ok) << gif.error;
    Records records;
    for (const GifRecord& record : gif.records) {
        if (record.kind == GifRecordKind::GraphicControl) {
            records.push_back(delay(record.delay));
        } else if (record.kind == GifRecordKind::Image) {
            records.push_back(
                image(record.left, record.top, record.width, record.height, record.pixels));
        }
    }
    return records;
}

// One recording driven the way the session and captureTick drive it, with GrayFrames given
// directly as levels.
class Tracking : public ::testing::Test {
  protected:
    void TearDown() override { std::remove(path_.c_str()); }

    void begin(std::int16_t width, std::int16_t height) {
        width_ = width;
        height_ = height;
        previous_.assign(static_cast<std::size_t>(width * height), 0);
        current_.assign(previous_.size(), 0);
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        path_ = ::testing::TempDir() + "tracking_" + info->name() + ".gif";
        ASSERT_TRUE(beginAnimation(path_.c_str(), width, height));
        beginTracking(inputs_.delayStep);
    }
    TrackOutcome tick(const Bytes& frame) {
        current_ = frame;
        return trackFrame(previous_.data(), current_.data(), width_, height_, inputs_);
    }
    void ticks(const Bytes& frame, int count) {
        for (int i = 0; i < count; ++i) {
            ASSERT_EQ(tick(frame), TrackOutcome::Continue);
        }
    }
    void stop() {
        flushPendingFrame(previous_.data());
        endAnimation();
    }
    Records records() const { return decodeRecords(path_); }
    Bytes fileBytes() const { return readFileBytes(path_); }

    std::int16_t width_ = 0;
    std::int16_t height_ = 0;
    TickInputs inputs_;  // what the settings say at each tick
    Bytes previous_;
    Bytes current_;
    std::string path_;
};

// W = 4, H = 2, rows top first.
const Bytes F1 = {0, 0, 0, 0, 15, 15, 0, 0};
const Bytes F4 = {0, 0, 0, 0, 15, 15, 15, 15};
const Bytes F5 = {0, 15, 0, 0, 15, 15, 15, 15};
const Bytes F6 = {0, 15, 0, 0, 0, 15, 15, 15};

TEST_F(Tracking, WorkedExampleWritesEachFrameOneChangeLater) {
    begin(4, 2);
    EXPECT_FALSE(trackingHasFrame());
    ticks(F1, 3);
    EXPECT_TRUE(trackingHasFrame());
    ticks(F4, 2);
    ticks(F6, 1);
    stop();
    EXPECT_EQ(records(), (Records{
                             delay(48), framed(F1, 4, 2), delay(32),
                             image(4, 3, 2, 1, {15, 15}),                   // F4: (2, 1)-(3, 1)
                             delay(16), image(2, 2, 2, 2, {0, 15, 0, 15}),  // F6: (0, 0)-(1, 1)
                         }));
}

TEST_F(Tracking, AChangeAtRowZeroAloneIsWrittenAtItsOwnTick) {
    begin(4, 2);
    ticks(F1, 3);
    ticks(F4, 1);
    ticks(F5, 1);  // only column 1 of row 0 differs from F4
    ticks(F6, 1);
    stop();
    EXPECT_EQ(records(), (Records{
                             delay(48), framed(F1, 4, 2), delay(16),
                             image(4, 3, 2, 1, {15, 15}),         // F4: (2, 1)-(3, 1)
                             delay(16), image(3, 2, 1, 1, {15}),  // F5: (1, 0)
                             delay(16), image(2, 3, 1, 1, {0}),   // F6: (0, 1)
                         }));
}

TEST_F(Tracking, ChangesInColumnZeroOrRowZeroAloneAreWritten) {
    const Bytes base = {0, 1, 2, 3, 4, 5, 6, 7};
    struct Case {
        const char* what;
        Bytes next;
        int left, top, right, bottom;
    };
    const Case cases[] = {
        {"column 0 only", {9, 1, 2, 3, 9, 5, 6, 7}, 0, 0, 0, 1},
        {"row 0 only", {0, 1, 2, 9, 4, 5, 6, 7}, 3, 0, 3, 0},
        {"pixel (0, 0) only", {9, 1, 2, 3, 4, 5, 6, 7}, 0, 0, 0, 0},
        {"row 0 and column 0 apart", {0, 1, 9, 3, 9, 5, 6, 7}, 0, 0, 2, 1},
        {"one pixel inside", {0, 1, 2, 3, 4, 5, 9, 7}, 2, 1, 2, 1},
        {"everything", {15, 15, 15, 15, 15, 15, 15, 15}, 0, 0, 3, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        begin(4, 2);
        ticks(base, 2);
        ticks(c.next, 1);
        stop();
        EXPECT_EQ(records(), (Records{delay(32), framed(base, 4, 2), delay(16),
                                      region(c.next, 4, c.left, c.top, c.right, c.bottom)}));
    }
}

TEST_F(Tracking, AStillScreenIsOneFramedImageShownForEveryTick) {
    for (std::int16_t multiplier = 1; multiplier <= 3; ++multiplier) {
        for (int n : {1, 2, 7}) {
            SCOPED_TRACE(std::to_string(multiplier) + " x " + std::to_string(n));
            inputs_.delayStep = delayStepOf(multiplier);
            begin(4, 2);
            ticks(F4, n);
            stop();
            EXPECT_EQ(records(), (Records{delay(16 * multiplier * n), framed(F4, 4, 2)}));
        }
    }
}

TEST_F(Tracking, StillModeWritesTheFirstFrameAloneAtTheSecondTick) {
    inputs_.stillMode = true;
    begin(4, 2);
    EXPECT_EQ(tick(F1), TrackOutcome::Continue);
    EXPECT_EQ(tick(F6), TrackOutcome::StillImageWritten);
    endAnimation();
    EXPECT_EQ(records(), (Records{framed(F1, 4, 2)}));

    // 96 fixed bytes, then at once the framed image's descriptor, and the trailer at the end.
    const Bytes bytes = fileBytes();
    ASSERT_GT(bytes.size(), 108u);
    EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + 6), "GIF89a");
    EXPECT_EQ(std::string(bytes.begin() + 83, bytes.begin() + 95), "Pixmote v2.0");
    EXPECT_EQ(Bytes(bytes.begin() + 96, bytes.begin() + 107),
              (Bytes{0x2C, 0, 0, 0, 0, 8, 0, 6, 0, 0x00, 0x04}));
    EXPECT_EQ(bytes.back(), 0x3B);
}

TEST_F(Tracking, StillModeStoppedAfterOneTickKeepsItsDelay) {
    inputs_.stillMode = true;
    inputs_.delayStep = delayStepOf(2);
    begin(4, 2);
    ticks(F1, 1);
    stop();
    EXPECT_EQ(records(), (Records{delay(32), framed(F1, 4, 2)}));
}

TEST_F(Tracking, StillModeSwitchedOnEndsTheAnimationWithThePendingFrame) {
    begin(4, 2);
    ticks(F1, 2);
    ticks(F4, 1);
    inputs_.stillMode = true;
    EXPECT_EQ(tick(F6), TrackOutcome::StillImageWritten);
    endAnimation();
    // The pending frame (F4) as a whole framed image without a delay; F6 never reaches the file.
    EXPECT_EQ(records(), (Records{delay(32), framed(F1, 4, 2), framed(F4, 4, 2)}));
}

TEST_F(Tracking, ANewTimerChoiceChangesTheStepFromTheNextTick) {
    begin(4, 2);
    ticks(F1, 2);  // 16 + 16
    inputs_.delayStep = delayStepOf(3);
    ticks(F1, 1);  // + 48
    ticks(F4, 1);  // written with 80; F4 starts at 48
    inputs_.delayStep = delayStepOf(2);
    ticks(F4, 1);  // + 32
    stop();
    EXPECT_EQ(records(),
              (Records{delay(80), framed(F1, 4, 2), delay(80), region(F4, 4, 2, 1, 3, 1)}));
}

TEST_F(Tracking, TheDelayStopsAtTheLargestTheFileCanHold) {
    inputs_.delayStep = delayStepOf(3);
    for (int n : {1365, 1366, 3000}) {
        SCOPED_TRACE(n);
        begin(4, 2);
        ticks(F1, n);
        ticks(F4, 1);
        stop();
        EXPECT_EQ(records(), (Records{delay(n == 1365 ? 65520 : 65535), framed(F1, 4, 2), delay(48),
                                      region(F4, 4, 2, 1, 3, 1)}));
    }
}

TEST_F(Tracking, ARecordingStartsFreshAfterAnEarlierOne) {
    begin(4, 2);
    ticks(F1, 50);
    ticks(F4, 1);
    ticks(F6, 3);
    stop();

    // Nothing of the first recording (its delay, its rectangle) reaches the second file.
    begin(4, 2);
    ticks(F6, 1);
    ticks(F1, 1);
    stop();
    EXPECT_EQ(records(),
              (Records{delay(16), framed(F6, 4, 2), delay(16), region(F1, 4, 0, 0, 3, 1)}));
}

TEST_F(Tracking, AStopBeforeTheFirstTickWritesTheBlankFrameForOneStep) {
    begin(4, 2);
    ticks(F1, 40);
    stop();

    inputs_.delayStep = delayStepOf(2);
    begin(4, 2);
    EXPECT_FALSE(trackingHasFrame());
    stop();
    EXPECT_EQ(records(), (Records{delay(32), framed(Bytes(8, 0), 4, 2)}));
}

}  // namespace
