// The AnimationWriter's stream: fixed bytes checked against tables written out here, images
// checked by decoding the file and replaying it like a viewer.
#include "gif/animation_writer.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <iterator>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>
#include <unistd.h>

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

// One block of the stream after the head, found by walking the bytes without giflib.
struct Block {
    std::size_t offset = 0;
    Bytes head;  // extension: 21, label; image: the 10 descriptor bytes and the code size
    std::vector<std::size_t> subBlocks;  // sizes of the data sub-blocks
    bool image = false;
};

// Walks from offset to the trailer, which must be the last byte. Fails the test on any
// malformed block (a sub-block running past the end, an unknown introducer).
std::vector<Block> walkStream(const Bytes& bytes, std::size_t offset) {
    std::vector<Block> blocks;
    while (offset < bytes.size() && bytes[offset] != 0x3B) {
        Block block;
        block.offset = offset;
        if (bytes[offset] == 0x21) {
            block.head = slice(bytes, offset, 2);
            offset += 2;
        } else if (bytes[offset] == 0x2C) {
            block.image = true;
            block.head = slice(bytes, offset, 11);
            offset += 11;
        } else {
            ADD_FAILURE() << "unknown block introducer at " << offset;
            return blocks;
        }
        while (offset < bytes.size() && bytes[offset] != 0) {
            block.subBlocks.push_back(bytes[offset]);
            offset += bytes[offset] + 1u;
        }
        if (offset >= bytes.size()) {
            ADD_FAILURE() << "block at " << block.offset << " runs past the end";
            return blocks;
        }
        ++offset;  // the block terminator
        blocks.push_back(block);
    }
    EXPECT_EQ(offset + 1, bytes.size()) << "the trailer 3B must be the last byte";
    return blocks;
}

// Image data: code size 04, every sub-block but the last full.
void expectImageData(const Block& block) {
    ASSERT_TRUE(block.image);
    ASSERT_EQ(block.head.size(), 11u);
    EXPECT_EQ(block.head[10], 0x04);
    ASSERT_FALSE(block.subBlocks.empty());
    for (std::size_t i = 0; i + 1 < block.subBlocks.size(); ++i) {
        EXPECT_EQ(block.subBlocks[i], 255u) << "sub-block " << i << " at " << block.offset;
    }
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

Bytes randomFrame(int width, int height, unsigned seed) {
    std::mt19937 random(seed);
    std::uniform_int_distribution<int> level(0, 15);
    Bytes frame(static_cast<std::size_t>(width * height));
    for (std::uint8_t& pixel : frame) {
        pixel = static_cast<std::uint8_t>(level(random));
    }
    return frame;
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

class GifWriter : public ::testing::Test {
  protected:
    void SetUp() override {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        dir_ = fs::path(::testing::TempDir()) /
               ("gif_writer_" + std::to_string(getpid()) + "_" + info->name());
        fs::remove_all(dir_);
        fs::create_directories(dir_);
        path_ = (dir_ / "out.gif").string();
    }
    void TearDown() override {
        if (animationIsOpen()) {
            endAnimation();
        }
        fs::remove_all(dir_);
    }

    DecodedGif decodeOk() {
        DecodedGif gif = decodeGif(path_);
        EXPECT_TRUE(gif.ok) << gif.error;
        return gif;
    }

    fs::path dir_;
    std::string path_;
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

    // giflib's decoder reads the same head back: a looping 16-gray GIF89a with the banner.
    ASSERT_TRUE(beginAnimation(path_.c_str(), 96, 64));
    endAnimation();
    DecodedGif gif = decodeOk();
    EXPECT_EQ(gif.version, "GIF89a");
    EXPECT_EQ(gif.screenWidth, 100);
    EXPECT_EQ(gif.screenHeight, 68);
    ASSERT_EQ(gif.globalMap.size(), 16u);
    EXPECT_EQ(gif.globalMap[0], (std::array<std::uint8_t, 3>{255, 255, 255}));
    EXPECT_EQ(gif.globalMap[15], (std::array<std::uint8_t, 3>{0, 0, 0}));
    ASSERT_EQ(gif.records.size(), 2u);
    EXPECT_EQ(gif.records[0].kind, GifRecordKind::Application);
    ASSERT_EQ(gif.records[0].blocks.size(), 2u);
    EXPECT_EQ(gif.records[0].blocks[0],
              Bytes(std::begin("NETSCAPE2.0"), std::end("NETSCAPE2.0") - 1));
    EXPECT_EQ(gif.records[0].blocks[1], (Bytes{1, 0, 0}));
    EXPECT_EQ(gif.records[1].kind, GifRecordKind::Comment);
    EXPECT_EQ(std::string(gif.records[1].data.begin(), gif.records[1].data.end()), "Pixmote v2.0");
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
    const std::vector<Block> blocks = walkStream(bytes, kHeadSize);
    ASSERT_EQ(blocks.size(), 1u);
    expectImageData(blocks[0]);

    const DecodedGif gif = decodeOk();
    EXPECT_EQ(gif.countOf(GifRecordKind::GraphicControl), 0);
    const std::vector<ShownCanvas> shown = replayGif(gif);
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_FALSE(shown[0].delay.has_value());
    EXPECT_TRUE(hasPixmoteBorder(shown[0]));
    EXPECT_EQ(innerFrame(shown[0], 2), frame);
}

TEST_F(GifWriter, WorkedExampleTwoByOne) {
    Bytes frame = {7, 9};
    ASSERT_TRUE(beginAnimation(path_.c_str(), 2, 1));
    writeFramedImage(frame.data());
    endAnimation();

    const Bytes bytes = readFileBytes(path_);
    EXPECT_EQ(slice(bytes, 6, 7), (Bytes{0x06, 0x00, 0x05, 0x00, 0xF3, 0x00, 0x00}));
    EXPECT_EQ(slice(bytes, kHeadSize, 10),
              (Bytes{0x2C, 0x00, 0x00, 0x00, 0x00, 0x06, 0x00, 0x05, 0x00, 0x00}));
    const DecodedGif gif = decodeOk();
    ASSERT_EQ(gif.imageCount(), 1);
    const GifRecord& image = gif.records.back();
    EXPECT_EQ(image.pixels, (Bytes{15, 15, 15, 15, 15, 15,  //
                                   15, 0,  0,  0,  0,  15,  //
                                   15, 0,  7,  9,  0,  15,  //
                                   15, 0,  0,  0,  0,  15,  //
                                   15, 15, 15, 15, 15, 15}));
    EXPECT_FALSE(image.interlaced);
    EXPECT_FALSE(image.hasLocalMap);
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
    const std::vector<Block> blocks = walkStream(bytes, kHeadSize);
    ASSERT_EQ(blocks.size(), 8u);
    const int delays[] = {16, 304, 65535, 0};
    const Bytes descriptors[] = {descriptorBytes(0, 0, width + 4, height + 4),
                                 descriptorBytes(2, 2, width, height), descriptorBytes(8, 5, 1, 1),
                                 descriptorBytes(3, 4, 4, 3)};
    for (std::size_t i = 0; i < 4; ++i) {
        SCOPED_TRACE("image " + std::to_string(i));
        EXPECT_EQ(slice(bytes, blocks[2 * i].offset, 8), graphicControl(delays[i]));
        EXPECT_EQ(slice(bytes, blocks[2 * i + 1].offset, 10), descriptors[i]);
        expectImageData(blocks[2 * i + 1]);
    }

    const DecodedGif gif = decodeOk();
    ASSERT_EQ(gif.imageCount(), 4);
    EXPECT_EQ(gif.records[2].controlBytes, (std::array<std::uint8_t, 4>{4, 16, 0, 0}));
    EXPECT_EQ(gif.records[2].disposal, 1);
    EXPECT_FALSE(gif.records[2].transparentIndex.has_value());
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

    const std::vector<Block> blocks = walkStream(readFileBytes(path_), kHeadSize);
    for (const Block& block : blocks) {
        if (block.image) {
            expectImageData(block);
        }
    }
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
