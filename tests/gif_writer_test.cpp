// The AnimationWriter's stream: fixed bytes checked against tables written out here, images
// checked by decoding the file and replaying it like a viewer.
#include "gif/animation_writer.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "tests/support/gif_file_fixture.h"
#include "tests/support/gif_replay.h"

namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

constexpr std::size_t kHeadSize = 96;

void appendWord(Bytes& bytes, int value) {
    bytes.push_back(static_cast<std::uint8_t>(value & 0xFF));
    bytes.push_back(static_cast<std::uint8_t>(value >> 8));
}

void appendText(Bytes& bytes, const std::string& text) {
    bytes.insert(bytes.end(), text.begin(), text.end());
}

// Signature through comment, as the stream tables give them.
Bytes expectedHead(int width, int height) {
    Bytes bytes;
    appendText(bytes, "GIF89a");
    appendWord(bytes, width + 4);
    appendWord(bytes, height + 4);
    bytes.insert(bytes.end(), {0xF3, 0x00, 0x00});
    for (const std::uint8_t gray :
         std::array<std::uint8_t, 16>{0xFF, 0xEE, 0xDD, 0xCC, 0xBB, 0xAA, 0x99, 0x88, 0x77, 0x66,
                                      0x55, 0x44, 0x33, 0x22, 0x11, 0x00}) {
        bytes.insert(bytes.end(), {gray, gray, gray});
    }
    bytes.insert(bytes.end(), {0x21, 0xFF, 0x0B});
    appendText(bytes, "NETSCAPE2.0");
    bytes.insert(bytes.end(), {0x03, 0x01, 0x00, 0x00, 0x00});
    bytes.insert(bytes.end(), {0x21, 0xFE, 0x0C});
    appendText(bytes, "Pixmote v2.0");
    bytes.push_back(0x00);
    return bytes;
}

Bytes descriptorBytes(int left, int top, int width, int height) {
    Bytes bytes = {0x2C};
    appendWord(bytes, left);
    appendWord(bytes, top);
    appendWord(bytes, width);
    appendWord(bytes, height);
    bytes.push_back(0x00);
    return bytes;
}

Bytes slice(const Bytes& bytes, std::size_t offset, std::size_t count) {
    if (offset + count > bytes.size()) {
        return {};
    }
    return Bytes(bytes.begin() + static_cast<std::ptrdiff_t>(offset),
                 bytes.begin() + static_cast<std::ptrdiff_t>(offset + count));
}

Bytes graphicControl(int delay) {
    return {0x21,
            0xF9,
            0x04,
            0x04,
            static_cast<std::uint8_t>(delay & 0xFF),
            static_cast<std::uint8_t>(delay >> 8),
            0x00,
            0x00};
}

// What the screen showed: the framed picture built pixel by pixel from its rows.
Bytes framedPicture(const Bytes& frame, int width, int height) {
    Bytes picture;
    for (int row = 0; row < height + 4; ++row) {
        for (int col = 0; col < width + 4; ++col) {
            const int ring =
                std::min(std::min(row, col), std::min(height + 3 - row, width + 3 - col));
            if (ring == 0) {
                picture.push_back(15);
            } else if (ring == 1) {
                picture.push_back(0);
            } else {
                picture.push_back(frame[static_cast<std::size_t>((row - 2) * width + col - 2)]);
            }
        }
    }
    return picture;
}

class GifWriter : public GifFileTest {
  protected:
    DecodedGif decodeOk() {
        DecodedGif gif = decodeGif(path_);
        EXPECT_TRUE(gif.ok) << gif.error;
        return gif;
    }
};

}  // namespace

TEST_F(GifWriter, HeadIsTheFixedBytesForEverySize) {
    for (auto [width, height] : {std::pair{96, 64}, std::pair{320, 240}, std::pair{1, 1},
                                 std::pair{300, 2}, std::pair{32767, 32767}}) {
        SCOPED_TRACE(std::to_string(width) + " x " + std::to_string(height));
        ASSERT_TRUE(beginAnimation(path_.c_str(), static_cast<std::int16_t>(width),
                                   static_cast<std::int16_t>(height)));
        EXPECT_TRUE(animationIsOpen());
        endAnimation();
        EXPECT_FALSE(animationIsOpen());
        Bytes expected = expectedHead(width, height);
        ASSERT_EQ(expected.size(), kHeadSize);
        expected.push_back(0x3B);
        EXPECT_EQ(readFileBytes(path_), expected);
    }
}

TEST_F(GifWriter, StillFileHoldsOneFramedImageWithoutGraphicControl) {
    const int width = 96;
    const int height = 64;
    Bytes frame = randomFrame(width, height, 1);
    ASSERT_TRUE(beginAnimation(path_.c_str(), width, height));
    writeFramedImage(frame.data());
    endAnimation();

    const Bytes bytes = readFileBytes(path_);
    EXPECT_EQ(slice(bytes, 0, kHeadSize), expectedHead(width, height));
    EXPECT_EQ(slice(bytes, kHeadSize, 10), descriptorBytes(0, 0, width + 4, height + 4));
    ASSERT_GT(bytes.size(), 107u);
    EXPECT_EQ(bytes[106], 0x04);
    EXPECT_EQ(bytes.back(), 0x3B);

    const DecodedGif gif = decodeOk();
    EXPECT_EQ(gif.imageCount(), 1);
    EXPECT_EQ(gif.countOf(GifRecordKind::GraphicControl), 0);
    const std::vector<ShownCanvas> shown = replayGif(gif);
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_FALSE(shown[0].delay.has_value());
    EXPECT_TRUE(hasPixmoteBorder(shown[0]));
    EXPECT_EQ(innerFrame(shown[0], 2), frame);
}

TEST_F(GifWriter, AnimationPlacesGraphicControlsAndRegions) {
    const int width = 8;
    const int height = 5;
    Bytes frame = randomFrame(width, height, 2);
    ASSERT_TRUE(beginAnimation(path_.c_str(), width, height));
    writeFrameDelay(16);
    writeFramedImage(frame.data());
    writeFrameDelay(304);
    ASSERT_TRUE(writeRegion(frame.data(), 0, 0, width - 1, height - 1));
    writeFrameDelay(65535);
    ASSERT_TRUE(writeRegion(frame.data(), 6, 3, 6, 3));
    writeFrameDelay(0);
    ASSERT_TRUE(writeRegion(frame.data(), 1, 2, 4, 4));
    endAnimation();

    const Bytes bytes = readFileBytes(path_);
    EXPECT_EQ(slice(bytes, kHeadSize, 8), graphicControl(16));
    EXPECT_EQ(slice(bytes, 104, 10), descriptorBytes(0, 0, width + 4, height + 4));

    // After the looping block and the banner, a graphic control (disposal 1, no transparency)
    // and an image each.
    const DecodedGif gif = decodeOk();
    ASSERT_EQ(gif.records.size(), 10u);
    const int delays[] = {16, 304, 65535, 0};
    const std::array<int, 4> places[] = {
        {0, 0, width + 4, height + 4}, {2, 2, width, height}, {8, 5, 1, 1}, {3, 4, 4, 3}};
    for (std::size_t i = 0; i < 4; ++i) {
        SCOPED_TRACE("image " + std::to_string(i));
        const GifRecord& control = gif.records[2 + 2 * i];
        const GifRecord& image = gif.records[3 + 2 * i];
        ASSERT_EQ(control.kind, GifRecordKind::GraphicControl);
        ASSERT_EQ(image.kind, GifRecordKind::Image);
        EXPECT_EQ(control.controlBytes,
                  (std::array<std::uint8_t, 4>{4, static_cast<std::uint8_t>(delays[i] & 0xFF),
                                               static_cast<std::uint8_t>(delays[i] >> 8), 0}));
        EXPECT_EQ((std::array<int, 4>{image.left, image.top, image.width, image.height}),
                  places[i]);
        EXPECT_FALSE(image.interlaced || image.hasLocalMap);
    }
    EXPECT_EQ(gif.records[7].pixels, (Bytes{frame[3 * width + 6]}));
    EXPECT_EQ(gif.records[9].pixels,
              (Bytes{frame[2 * width + 1], frame[2 * width + 2], frame[2 * width + 3],
                     frame[2 * width + 4], frame[3 * width + 1], frame[3 * width + 2],
                     frame[3 * width + 3], frame[3 * width + 4], frame[4 * width + 1],
                     frame[4 * width + 2], frame[4 * width + 3], frame[4 * width + 4]}));
}

TEST_F(GifWriter, ReplayShowsWhatTheScreenShowed) {
    // A long recording of a large screen, with StillMode switched on at the end: a framed image
    // without graphic control. Each shown canvas must equal the screen at that time.
    const int width = 320;
    const int height = 240;
    Bytes frame = randomFrame(width, height, 3);
    ASSERT_TRUE(beginAnimation(path_.c_str(), width, height));
    writeFrameDelay(16);
    writeFramedImage(frame.data());
    std::vector<Bytes> expected = {framedPicture(frame, width, height)};
    std::vector<std::uint16_t> delays = {16};

    std::mt19937 random(4);
    for (int step = 0; step < 12; ++step) {
        std::uniform_int_distribution<int> column(0, width - 1);
        std::uniform_int_distribution<int> row(0, height - 1);
        int left = column(random);
        int right = column(random);
        int top = row(random);
        int bottom = row(random);
        if (left > right) {
            std::swap(left, right);
        }
        if (top > bottom) {
            std::swap(top, bottom);
        }
        const Bytes next = randomFrame(width, height, 100u + static_cast<unsigned>(step));
        for (int y = top; y <= bottom; ++y) {
            for (int x = left; x <= right; ++x) {
                frame[static_cast<std::size_t>(y * width + x)] =
                    next[static_cast<std::size_t>(y * width + x)];
            }
        }
        const auto delay = static_cast<std::uint16_t>(16 * (step + 1));
        writeFrameDelay(delay);
        ASSERT_TRUE(writeRegion(frame.data(), static_cast<std::int16_t>(left),
                                static_cast<std::int16_t>(top), static_cast<std::int16_t>(right),
                                static_cast<std::int16_t>(bottom)));
        expected.push_back(framedPicture(frame, width, height));
        delays.push_back(delay);
    }
    writeFramedImage(frame.data());
    expected.push_back(framedPicture(frame, width, height));
    endAnimation();

    const std::vector<ShownCanvas> shown = replayGif(decodeOk());
    ASSERT_EQ(shown.size(), expected.size());
    for (std::size_t i = 0; i < shown.size(); ++i) {
        SCOPED_TRACE("image " + std::to_string(i));
        EXPECT_EQ(shown[i].pixels, expected[i]);
        if (i < delays.size()) {
            EXPECT_EQ(shown[i].delay, delays[i]);
        } else {
            EXPECT_FALSE(shown[i].delay.has_value());
        }
    }
}

TEST_F(GifWriter, HandedFrameIsUnchanged) {
    const Bytes original = randomFrame(97, 33, 5);
    Bytes frame = original;
    ASSERT_TRUE(beginAnimation(path_.c_str(), 97, 33));
    writeFrameDelay(16);
    writeFramedImage(frame.data());
    writeFrameDelay(16);
    ASSERT_TRUE(writeRegion(frame.data(), 3, 4, 90, 30));
    endAnimation();
    EXPECT_EQ(frame, original);
}

TEST_F(GifWriter, RegionRefusalsWriteNothing) {
    const int width = 10;
    const int height = 6;
    Bytes frame = randomFrame(width, height, 6);
    const std::string reference = (dir_ / "reference.gif").string();
    ASSERT_TRUE(beginAnimation(reference.c_str(), width, height));
    writeFrameDelay(16);
    writeFramedImage(frame.data());
    writeFrameDelay(32);
    ASSERT_TRUE(writeRegion(frame.data(), 2, 1, 3, 5));
    endAnimation();

    ASSERT_TRUE(beginAnimation(path_.c_str(), width, height));
    writeFrameDelay(16);
    writeFramedImage(frame.data());
    writeFrameDelay(32);
    struct Rect {
        std::int16_t left, top, right, bottom;
    };
    const Rect refused[] = {
        {3, 1, 2, 5},   // right before left
        {2, 5, 3, 1},   // bottom above top
        {2, 1, 10, 5},  // one column past the frame
        {2, 1, 3, 6},   // one row past the frame
        {-1, 1, 3, 5},  // left of the frame
        {2, -1, 3, 5},  // above the frame
        {-5, -5, -1, -1}, {10, 6, 12, 8}, {-32768, -32768, 32767, 32767},
    };
    for (const Rect& rect : refused) {
        EXPECT_FALSE(writeRegion(frame.data(), rect.left, rect.top, rect.right, rect.bottom))
            << rect.left << "," << rect.top << "," << rect.right << "," << rect.bottom;
    }
    // The caller's next image comes with its own delay: one graphic control before it, not two.
    writeFrameDelay(32);
    ASSERT_TRUE(writeRegion(frame.data(), 2, 1, 3, 5));
    endAnimation();

    EXPECT_EQ(readFileBytes(path_), readFileBytes(reference));
    decodeOk();
}

TEST_F(GifWriter, ExistingFileIsTruncated) {
    {
        std::FILE* old = std::fopen(path_.c_str(), "wb");
        ASSERT_NE(old, nullptr);
        const Bytes junk(20000, 0xAA);
        std::fwrite(junk.data(), 1, junk.size(), old);
        std::fclose(old);
    }
    ASSERT_TRUE(beginAnimation(path_.c_str(), 4, 4));
    endAnimation();
    Bytes expected = expectedHead(4, 4);
    expected.push_back(0x3B);
    EXPECT_EQ(readFileBytes(path_), expected);
}

TEST_F(GifWriter, MissingFolderFailsWithNothingCreated) {
    const fs::path missing = dir_ / "missing";
    const std::string path = (missing / "out.gif").string();
    EXPECT_FALSE(beginAnimation(path.c_str(), 96, 64));
    EXPECT_FALSE(animationIsOpen());
    EXPECT_FALSE(fs::exists(missing));

    // Sizes below 1 are refused before anything is created.
    EXPECT_FALSE(beginAnimation(path_.c_str(), 0, 64));
    EXPECT_FALSE(beginAnimation(path_.c_str(), 96, -1));
    EXPECT_FALSE(animationIsOpen());
    EXPECT_FALSE(fs::exists(path_));
}

TEST_F(GifWriter, ClosedWriterIgnoresCalls) {
    Bytes frame = randomFrame(6, 6, 7);
    writeFrameDelay(16);  // never opened
    writeFramedImage(frame.data());
    EXPECT_FALSE(writeRegion(frame.data(), 0, 0, 1, 1));
    endAnimation();

    ASSERT_TRUE(beginAnimation(path_.c_str(), 6, 6));
    const std::string second = (dir_ / "second.gif").string();
    EXPECT_FALSE(beginAnimation(second.c_str(), 6, 6));  // one file at a time
    EXPECT_FALSE(fs::exists(second));
    writeFramedImage(frame.data());
    endAnimation();
    const Bytes written = readFileBytes(path_);

    writeFrameDelay(16);  // after the end
    writeFramedImage(frame.data());
    EXPECT_FALSE(writeRegion(frame.data(), 0, 0, 1, 1));
    endAnimation();
    EXPECT_FALSE(animationIsOpen());
    EXPECT_EQ(readFileBytes(path_), written);
    decodeOk();
}
