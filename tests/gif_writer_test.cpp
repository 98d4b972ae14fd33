// The AnimationWriter's stream: fixed bytes checked against tables written out here, images
// checked by decoding the file. What a whole recording shows is checked by the round-trip tests.
//
// Then the writer when writes fail. One recording is written whole first; then again with the
// file's writes failing at byte N, for N across the head, the images and the trailer. The file
// left behind must be the whole file's bytes up to the end of the last image that was complete
// before N, then the trailer, and decode with giflib; with no complete image there is no file.
// The failure must close the writer in the call that wrote byte N.
//
// With PIXMOTE_KEEP_CUT_GIFS set to a folder, the whole file and one cut file per number of
// kept images are left there, for tests/gif_cut_decode_test.py to decode with a second decoder.
#include "gif/animation_writer.h"
#include "gif/write_fault.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <set>
#include <string>
#include <vector>

#include <gif_lib.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include "tests/support/gif_replay.h"

namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

// Each case gets a folder of its own, path_ a file in it; afterwards the writer is closed and
// the folder removed. randomFrame makes a screen of random levels 0 to 15, the same for the
// same seed.
class GifFileTest : public ::testing::Test {
  public:
    static std::vector<std::uint8_t> randomFrame(int width, int height, unsigned seed) {
        std::mt19937 random(seed);
        std::uniform_int_distribution<int> level(0, 15);
        std::vector<std::uint8_t> frame(static_cast<std::size_t>(width * height));
        for (std::uint8_t& pixel : frame) {
            pixel = static_cast<std::uint8_t>(level(random));
        }
        return frame;
    }

  protected:
    void SetUp() override {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        dir_ = std::filesystem::path(::testing::TempDir()) /
               ("gif_" + std::to_string(getpid()) + "_" + info->test_suite_name() + "_" +
                info->name());
        std::filesystem::remove_all(dir_);
        std::filesystem::create_directories(dir_);
        path_ = (dir_ / "out.gif").string();
    }
    void TearDown() override {
        if (animationIsOpen()) {
            endAnimation();
        }
        std::filesystem::remove_all(dir_);
    }

    std::filesystem::path dir_;
    std::string path_;
};

constexpr std::size_t kHeadSize = 96;

// Signature through comment, as the stream tables give them.
Bytes expectedHead(int width, int height) {
    Bytes bytes = {'G', 'I', 'F', '8', '9', 'a'};
    for (const int word : {width + 4, height + 4}) {
        bytes.insert(bytes.end(),
                     {static_cast<std::uint8_t>(word), static_cast<std::uint8_t>(word >> 8)});
    }
    bytes.insert(bytes.end(), {0xF3, 0x00, 0x00});
    for (int level = 0; level < 16; ++level) {
        const auto gray = static_cast<std::uint8_t>(255 - 17 * level);
        bytes.insert(bytes.end(), {gray, gray, gray});
    }
    // The looping block, then the banner; the literal's own end is the banner's terminator.
    static const char kBlocks[] =
        "\x21\xFF\x0BNETSCAPE2.0\x03\x01\x00\x00\x00"
        "\x21\xFE\x0CPixmote v2.0";
    bytes.insert(bytes.end(), kBlocks, kBlocks + sizeof kBlocks);
    return bytes;
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
    // A file already there is cut to the new recording.
    std::FILE* old = std::fopen(path_.c_str(), "wb");
    ASSERT_NE(old, nullptr);
    const Bytes junk(20000, 0xAA);
    std::fwrite(junk.data(), 1, junk.size(), old);
    std::fclose(old);
    for (const auto& [width, height] : {std::array<int, 2>{96, 64},
                                        std::array<int, 2>{1, 1},
                                        std::array<int, 2>{300, 2},
                                        {32767, 32767}}) {
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
    Bytes frame = randomFrame(96, 64, 1);
    ASSERT_TRUE(beginAnimation(path_.c_str(), 96, 64));
    writeFramedImage(frame.data());
    endAnimation();

    const Bytes bytes = readFileBytes(path_);
    ASSERT_GT(bytes.size(), 107u);
    EXPECT_EQ(Bytes(bytes.begin() + kHeadSize, bytes.begin() + 107),
              (Bytes{0x2C, 0, 0, 0, 0, 100, 0, 68, 0, 0x00, 0x04}));  // descriptor, code size
    const DecodedGif gif = decodeOk();
    EXPECT_EQ(gif.countOf(GifRecordKind::GraphicControl), 0);
    const std::vector<ShownCanvas> shown = replayGif(gif);
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_TRUE(hasPixmoteBorder(shown[0]));
    EXPECT_EQ(innerFrame(shown[0], 2), frame);
}

TEST_F(GifWriter, AnimationPlacesGraphicControlsAndRegions) {
    const int width = 8;
    const int height = 5;
    Bytes frame = randomFrame(width, height, 2);
    const Bytes original = frame;
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
    EXPECT_EQ(frame, original) << "the handed frame is left as it was";

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
    // Pushed pixel by pixel: a ranged insert here trips a false -Wstringop-overflow in GCC 12's
    // optimised builds.
    Bytes inside;
    for (int y = 2; y <= 4; ++y) {
        for (int x = 1; x <= 4; ++x) {
            inside.push_back(frame[static_cast<std::size_t>(y * width + x)]);
        }
    }
    EXPECT_EQ(gif.records[9].pixels, inside);
}

TEST_F(GifWriter, RegionRefusalsWriteNothing) {
    const int width = 10;
    const int height = 6;
    Bytes frame = randomFrame(width, height, 6);
    const std::string reference = (dir_ / "reference.gif").string();
    for (const std::string& path : {reference, path_}) {
        ASSERT_TRUE(beginAnimation(path.c_str(), width, height));
        writeFrameDelay(16);
        writeFramedImage(frame.data());
        writeFrameDelay(32);
        if (path == path_) {
            const std::array<std::int16_t, 4> refused[] = {
                {3, 1, 2, 5},     {2, 5, 3, 1},   {2, 1, 10, 5},
                {2, 1, 3, 6},     {-1, 1, 3, 5},  {2, -1, 3, 5},
                {-5, -5, -1, -1}, {10, 6, 12, 8}, {-32768, -32768, 32767, 32767},
            };
            for (const auto& [left, top, right, bottom] : refused) {
                EXPECT_FALSE(writeRegion(frame.data(), left, top, right, bottom))
                    << left << "," << top << "," << right << "," << bottom;
            }
            // The caller's next image comes with its own delay: one graphic control before it.
            writeFrameDelay(32);
        }
        ASSERT_TRUE(writeRegion(frame.data(), 2, 1, 3, 5));
        endAnimation();
    }
    EXPECT_EQ(readFileBytes(path_), readFileBytes(reference));
    decodeOk();
}

TEST_F(GifWriter, RefusedOpensAndClosedWriterLeaveNoTrace) {
    // A missing folder or a size below 1: refused before anything is created.
    const fs::path missing = dir_ / "missing";
    EXPECT_FALSE(beginAnimation((missing / "out.gif").string().c_str(), 96, 64));
    EXPECT_FALSE(fs::exists(missing));
    EXPECT_FALSE(beginAnimation(path_.c_str(), 0, 64));
    EXPECT_FALSE(beginAnimation(path_.c_str(), 96, -1));
    EXPECT_FALSE(animationIsOpen());
    EXPECT_FALSE(fs::exists(path_));

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

namespace {

// How the file's writes fail once they reach byte `limit` of the file.
enum class Fault {
    DiskFull,   // the bytes below the limit are written (a short write), then ENOSPC
    CallFails,  // a write reaching the limit fails whole; writes below it go on working
    DriveDies,  // a write reaching the limit fails whole, and so does every write after it
    // The bytes below the limit are written, but the call reports only the failure, as
    // Windows' WriteFile does on a full disk: the bytes it changed are not counted.
    WroteYetFailed,
    Short,  // never fails, but no write takes more than 7 bytes
};

struct FaultPlan {
    Fault fault = Fault::DiskFull;
    std::size_t limit = 0;
    bool dead = false;
};
FaultPlan plan;

std::ptrdiff_t faultyWrite(int fd, const void* data, std::size_t size) {
    const auto at = static_cast<std::size_t>(lseek(fd, 0, SEEK_CUR));
    if (plan.fault == Fault::Short) {
        return ::write(fd, data, std::min<std::size_t>(size, 7));
    }
    if (plan.dead || at + size > plan.limit) {
        if (plan.fault == Fault::DiskFull && at < plan.limit) {
            return ::write(fd, data, plan.limit - at);
        }
        if (plan.fault == Fault::WroteYetFailed && at < plan.limit) {
            static_cast<void>(::write(fd, data, plan.limit - at));
        }
        plan.dead = plan.fault == Fault::DriveDies;
        errno = ENOSPC;
        return -1;
    }
    return ::write(fd, data, size);
}

// One writer call of a recording.
struct Step {
    enum Kind { Begin, Delay, Framed, Region, End } kind;
    int a = 0, b = 0, c = 0, d = 0;  // Begin: width, height; Delay: delay; Region: rectangle
};

struct Recording {
    int width = 0;
    int height = 0;
    std::vector<Step> steps;
    std::vector<Bytes> frames;  // the screen at each step
};

// An animation of a random screen: the framed image, regions of several sizes (one of them the
// whole frame), then a framed image without delay as when StillMode is switched on.
Recording animation(int width, int height) {
    Recording recording{width, height, {{Step::Begin, width, height}}, {}};
    recording.steps.push_back({Step::Delay, 16});
    recording.steps.push_back({Step::Framed});
    const int rects[][4] = {{0, 0, width - 1, height - 1},
                            {3, 2, 3, 2},
                            {1, 1, width / 2, height / 3},
                            {width / 3, height / 2, width - 2, height - 1}};
    int delay = 32;
    for (const auto& rect : rects) {
        recording.steps.push_back({Step::Delay, delay});
        recording.steps.push_back({Step::Region, rect[0], rect[1], rect[2], rect[3]});
        delay += 300;
    }
    recording.steps.push_back({Step::Framed});
    recording.steps.push_back({Step::End});
    for (std::size_t i = 0; i < recording.steps.size(); ++i) {
        recording.frames.push_back(
            GifFileTest::randomFrame(width, height, 11 + static_cast<unsigned>(i)));
    }
    return recording;
}

struct Outcome {
    int failedStep = -1;  // the step after which the writer was first closed by a failure
    bool ended = false;   // what endAnimation returned
};

Outcome play(Recording& recording, const std::string& path) {
    Outcome outcome;
    for (std::size_t i = 0; i < recording.steps.size(); ++i) {
        const Step& step = recording.steps[i];
        Bytes& frame = recording.frames[i];
        bool result = true;
        switch (step.kind) {
            case Step::Begin:
                result = beginAnimation(path.c_str(), static_cast<std::int16_t>(step.a),
                                        static_cast<std::int16_t>(step.b));
                break;
            case Step::Delay:
                writeFrameDelay(static_cast<std::uint16_t>(step.a));
                break;
            case Step::Framed:
                writeFramedImage(frame.data());
                break;
            case Step::Region:
                result = writeRegion(frame.data(), static_cast<std::int16_t>(step.a),
                                     static_cast<std::int16_t>(step.b),
                                     static_cast<std::int16_t>(step.c),
                                     static_cast<std::int16_t>(step.d));
                break;
            case Step::End:
                result = endAnimation();
                outcome.ended = result;
                break;
        }
        if (outcome.failedStep < 0 && animationWriteFailed()) {
            outcome.failedStep = static_cast<int>(i);
        }
        if (outcome.failedStep >= 0) {
            // From the failing call on: closed, failed, and every result false.
            EXPECT_FALSE(animationIsOpen());
            EXPECT_TRUE(animationWriteFailed());
            EXPECT_FALSE(result && step.kind != Step::Delay && step.kind != Step::Framed);
        }
    }
    return outcome;
}

// The offsets just past each image of a whole file (its data's block terminator), found by
// walking its blocks.
std::vector<std::size_t> imageEnds(const Bytes& bytes) {
    std::vector<std::size_t> ends;
    std::size_t at = 96;
    while (at < bytes.size() && bytes[at] != 0x3B) {
        const bool image = bytes[at] == 0x2C;
        at += image ? 11 : 2;
        while (at < bytes.size() && bytes[at] != 0) {
            at += bytes[at] + 1u;
        }
        ++at;
        if (image) {
            ends.push_back(at);
        }
    }
    return ends;
}

// giflib's whole-file decoder; the number of images, or -1 when it fails.
int slurpImages(const std::string& path) {
    int error = 0;
    GifFileType* gif = DGifOpenFileName(path.c_str(), &error);
    if (gif == nullptr) {
        return -1;
    }
    const int images = DGifSlurp(gif) == GIF_OK ? gif->ImageCount : -1;
    DGifCloseFile(gif, &error);
    return images;
}

class GifWriteFailure : public GifFileTest {
  protected:
    void SetUp() override {
        GifFileTest::SetUp();
        const char* keep = std::getenv("PIXMOTE_KEEP_CUT_GIFS");
        keep_ = keep != nullptr ? keep : "";
    }
    void TearDown() override {
        setGifRawWrite(nullptr);
        GifFileTest::TearDown();
    }

    // Writes the recording whole and notes its bytes and image ends.
    void writeWhole(Recording& recording) {
        const Outcome outcome = play(recording, path_);
        ASSERT_TRUE(outcome.ended);
        ASSERT_EQ(outcome.failedStep, -1);
        whole_ = readFileBytes(path_);
        ends_ = imageEnds(whole_);
        ASSERT_EQ(whole_.back(), 0x3B);
        ASSERT_EQ(ends_.back() + 1, whole_.size());
        if (!keep_.empty()) {
            fs::copy_file(path_, fs::path(keep_) / "whole.gif",
                          fs::copy_options::overwrite_existing);
        }
    }

    // The recording again, its writes failing at limit; checks what is left.
    void failAt(Recording& recording, Fault fault, std::size_t limit) {
        SCOPED_TRACE("limit " + std::to_string(limit));
        plan = FaultPlan{fault, limit};
        setGifRawWrite(faultyWrite);
        const Outcome outcome = play(recording, path_);
        setGifRawWrite(nullptr);
        checkLeft(recording, outcome, limit);
    }

    void checkLeft(const Recording& recording, const Outcome& outcome, std::size_t limit) {
        if (limit >= whole_.size()) {
            EXPECT_TRUE(outcome.ended);
            EXPECT_EQ(readFileBytes(path_), whole_);
            return;
        }
        // Each call's bytes end where its image ends (the trailer kept after it included);
        // the failure shows in the first call whose bytes pass the limit.
        std::size_t kept = 0;
        while (kept < ends_.size() && ends_[kept] + 1 <= limit) {
            ++kept;
        }
        std::size_t expectedStep = 0;  // the head: beginAnimation
        if (limit >= 96) {
            std::size_t images = 0;
            for (std::size_t i = 0; i < recording.steps.size(); ++i) {
                const Step::Kind kind = recording.steps[i].kind;
                if ((kind == Step::Framed || kind == Step::Region) && images++ == kept) {
                    expectedStep = i;
                }
            }
        }
        EXPECT_EQ(outcome.failedStep, static_cast<int>(expectedStep));
        EXPECT_FALSE(outcome.ended);
        if (kept == 0) {
            EXPECT_FALSE(fs::exists(path_)) << "a file without a complete image was left";
            return;
        }
        Bytes expected(whole_.begin(),
                       whole_.begin() + static_cast<std::ptrdiff_t>(ends_[kept - 1]));
        expected.push_back(0x3B);
        EXPECT_EQ(readFileBytes(path_), expected);
        EXPECT_EQ(slurpImages(path_), static_cast<int>(kept));
        if (!keep_.empty() && keptCounts_.insert(kept).second) {
            fs::copy_file(path_, fs::path(keep_) / ("cut-" + std::to_string(kept) + ".gif"),
                          fs::copy_options::overwrite_existing);
        }
    }

    // Limits in the head, around its end and the first graphic control and descriptor, around
    // every image end (the trailer included), and a stride through the rest.
    std::set<std::size_t> limits(std::size_t stride) const {
        std::set<std::size_t> chosen = {0,  1,  6,   13,  60,  61,  80,  95,
                                        96, 97, 100, 103, 104, 105, 114, 115};
        for (const std::size_t end : ends_) {
            for (std::size_t n = end - 2; n <= end + 2; ++n) {
                chosen.insert(n);
            }
        }
        for (std::size_t n = stride; n < whole_.size(); n += stride) {
            chosen.insert(n);
        }
        return chosen;
    }

    std::string keep_;
    Bytes whole_;
    std::vector<std::size_t> ends_;
    std::set<std::size_t> keptCounts_;
};

}  // namespace

TEST_F(GifWriteFailure, FileKeepsTheImagesCompletedBeforeTheFailure) {
    // Every image here reaches the disk in one write, so even a drive that fails every write
    // after the first failed one leaves the trailer kept after the last complete image.
    Recording recording = animation(96, 64);
    ASSERT_NO_FATAL_FAILURE(writeWhole(recording));
    ASSERT_EQ(ends_.size(), 6u);
    for (const Fault fault :
         {Fault::DiskFull, Fault::CallFails, Fault::DriveDies, Fault::WroteYetFailed}) {
        SCOPED_TRACE("fault " + std::to_string(static_cast<int>(fault)));
        for (const std::size_t limit : limits(whole_.size() / 40)) {
            ASSERT_NO_FATAL_FAILURE(failAt(recording, fault, limit));
            if (HasFailure()) {
                return;  // one broken limit tells enough
            }
        }
    }
    // Writes that never fail but take at most 7 bytes each change no byte.
    failAt(recording, Fault::Short, whole_.size());
}

TEST_F(GifWriteFailure, FailureInsideAnImageLargerThanTheBuffer) {
    // The framed image of a 400 x 300 random screen takes more than the file's 64 KiB buffer,
    // so it reaches the disk in two writes; a failure in either keeps nothing of it.
    Recording recording = animation(400, 300);
    ASSERT_NO_FATAL_FAILURE(writeWhole(recording));
    ASSERT_GT(ends_[0] - 96, std::size_t{65536});
    for (const Fault fault : {Fault::DiskFull, Fault::CallFails}) {
        for (const std::size_t limit :
             {std::size_t{97}, std::size_t{65536 + 96}, std::size_t{65536 + 97}, ends_[0],
              ends_[0] + 1, ends_[1] + 1, whole_.size() / 2, whole_.size() - 1, whole_.size()}) {
            ASSERT_NO_FATAL_FAILURE(failAt(recording, fault, limit));
        }
    }
}

TEST_F(GifWriteFailure, DevicesAreWrittenFrontToBackAndLeftAlone) {
    if (!fs::exists("/dev/full") || !fs::exists("/dev/null")) {
        GTEST_SKIP() << "no /dev/full or /dev/null";
    }
    // A device that cannot be sought or cut still takes a whole recording.
    Recording recording = animation(96, 64);
    const Outcome outcome = play(recording, "/dev/null");
    EXPECT_TRUE(outcome.ended);
    EXPECT_EQ(outcome.failedStep, -1);

    EXPECT_FALSE(beginAnimation("/dev/full", 320, 240));
    EXPECT_TRUE(animationWriteFailed());
    EXPECT_FALSE(animationIsOpen());
    EXPECT_TRUE(fs::exists("/dev/full")) << "a device must never be removed";
}
