// A write of the recording that fails (a full disk, a lost drive) ends the recording at once:
// timer gone, nothing held, Halted, and one warning that says whether the file kept the frames
// completed before the failure. The file left is a GIF that decodes whole, or no file at all.
#include "app/settings.h"
#include "capture/session.h"
#include "gif/write_fault.h"
#include "tests/support/session_fixture.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

namespace {

const char kKept[] =
    "Unable to write to the animated GIF file. The recording was stopped; the frames recorded "
    "until then are kept.";
const char kLost[] =
    "Unable to write to the GIF file. The recording was stopped and nothing could be kept.";

// A disk that is full from now on.
std::ptrdiff_t diskFull(int /*fd*/, const void* /*data*/, std::size_t /*size*/) {
    errno = ENOSPC;
    return -1;
}

class WriteFailure : public SessionTest {
  protected:
    void SetUp() override {
        SessionTest::SetUp();
        settings = Settings{};
        window = addBare(96, 64);
        std::mt19937 random(7);
        screens.push_back(randomScreen(96, 64, random));
        for (int i = 1; i < 4; ++i) {
            screens.push_back(changedScreen(screens.back(), random));
        }
        path = file("failed.gif");
    }
    void TearDown() override {
        setGifRawWrite(nullptr);
        settings = Settings{};
        SessionTest::TearDown();
    }

    // One tick on screen i.
    void tickOn(std::size_t i) {
        paint(window, screens[i]);
        stub::fireTimer();
    }

    // Where every failed recording ends, with its one warning.
    void expectEndedWith(const char* warning) {
        EXPECT_FALSE(stub::timerSet(1));
        EXPECT_EQ(warnings(), std::vector<std::string>{warning});
        expectHaltedAndClean();
        // A tick already queued when the recording ended finds nothing to do.
        stub::fireTimer();
        EXPECT_EQ(stub::boxes().size(), 1u);
    }

    HWND window = nullptr;
    std::vector<Levels> screens;
    std::string path;
};

TEST_F(WriteFailure, MidRecordingKeepsTheFramesCompletedBefore) {
    record(path);
    tickOn(0);
    tickOn(1);  // screen 0 written whole
    tickOn(2);  // screen 1 written as its changed rectangle
    const std::size_t mark = trayMark();
    setGifRawWrite(diskFull);
    tickOn(3);  // screen 2 cannot be written
    setGifRawWrite(nullptr);
    EXPECT_EQ(trayLooksSince(mark), std::vector<int>{101});
    expectEndedWith(kKept);
    expectShows(path, {screens[0], screens[1]}, {1, 1}, 16);
}

TEST_F(WriteFailure, BeforeAnyFrameWasCompleteLeavesNoFile) {
    record(path);
    tickOn(0);
    setGifRawWrite(diskFull);
    tickOn(1);  // the first image cannot be written
    setGifRawWrite(nullptr);
    expectEndedWith(kLost);
    EXPECT_FALSE(std::filesystem::exists(path));
}

TEST_F(WriteFailure, AtTheStopKeepsWhatWasWrittenBefore) {
    record(path);
    tickOn(0);
    tickOn(1);
    tickOn(1);
    setGifRawWrite(diskFull);
    press();  // the pending screen 1 cannot be written
    setGifRawWrite(nullptr);
    expectEndedWith(kKept);
    expectShows(path, {screens[0]}, {1}, 16);
}

TEST_F(WriteFailure, StillImageThatCannotBeWrittenLeavesNoFile) {
    settings.stillMode = true;
    record(path);
    tickOn(0);
    setGifRawWrite(diskFull);
    tickOn(1);  // the still image
    setGifRawWrite(nullptr);
    expectEndedWith(kLost);
    EXPECT_FALSE(std::filesystem::exists(path));
}

}  // namespace
