// The AnimationWriter when writes fail. One recording is written whole first; then again with
// the file's writes failing at byte N, for N across the head, the images and the trailer. The
// file left behind must be the whole file's bytes up to the end of the last image that was
// complete before N, then the trailer, and decode with giflib; with no complete image there is
// no file. The failure must close the writer in the call that wrote byte N.
//
// With PIXMOTE_KEEP_CUT_GIFS set to a folder, the whole file and one cut file per number of
// kept images are left there, for tests/gif_cut_decode_test.py to decode with a second decoder.
#include "gif/animation_writer.h"
#include "gif/write_fault.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include <gif_lib.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <unistd.h>

#include "tests/support/gif_file_fixture.h"
#include "tests/support/gif_replay.h"

namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

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

TEST_F(GifWriteFailure, ShortWritesChangeNoByte) {
    Recording recording = animation(96, 64);
    ASSERT_NO_FATAL_FAILURE(writeWhole(recording));
    plan = FaultPlan{Fault::Short, 0};
    setGifRawWrite(faultyWrite);
    const Outcome outcome = play(recording, path_);
    EXPECT_TRUE(outcome.ended);
    EXPECT_EQ(outcome.failedStep, -1);
    EXPECT_EQ(readFileBytes(path_), whole_);
}

TEST_F(GifWriteFailure, RealFileSizeLimit) {
    // The kernel's own short and failed writes: a file-size limit makes every write past it
    // fail (EFBIG) as a full disk does, through the real write, seek and truncate.
    Recording recording = animation(96, 64);
    ASSERT_NO_FATAL_FAILURE(writeWhole(recording));
    rlimit saved{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    for (const std::size_t limit : {std::size_t{50}, ends_[0], ends_[0] + 1, ends_[2] + 100,
                                    whole_.size() - 1, whole_.size()}) {
        SCOPED_TRACE("file size limit " + std::to_string(limit));
        rlimit lower = saved;
        lower.rlim_cur = limit;
        ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &lower), 0);
        const Outcome outcome = play(recording, path_);
        ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &saved), 0);
        checkLeft(recording, outcome, limit);
    }
    std::signal(SIGXFSZ, oldHandler);
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

    // The writer works again afterwards, and the next start clears the failure.
    Bytes small = {7, 9};
    ASSERT_TRUE(beginAnimation(path_.c_str(), 2, 1));
    EXPECT_FALSE(animationWriteFailed());
    writeFramedImage(small.data());
    EXPECT_TRUE(endAnimation());
    const std::vector<ShownCanvas> shown = replayGif(decodeGif(path_));
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(innerFrame(shown[0], 2), small);
}
