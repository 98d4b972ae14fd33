// Every way a recording can fail between the first press and a running timer, the presses that
// the nested loops of the file dialog and the warning boxes deliver, and writes that fail while
// recording: each ends Halted with nothing held, and no recording ever starts from a half-made
// preparation. A failed write leaves a GIF that decodes whole, or no file at all.
#include "app/settings.h"
#include "capture/session.h"
#include "gif/write_fault.h"
#include "tests/support/session_fixture.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <functional>
#include <random>
#include <string>
#include <vector>

namespace {

const char kNoMemory[] = "Unable to allocate necessary memory.";
const char kCannotOpen[] = "Unable to open specified file for writing.";
const char kNoTimer[] = "Too many clocks or timers!";
const char kNoEmulator[] = "The software was unable to detect a supported emulator.";
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

std::vector<std::string> filesIn(const std::filesystem::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(folder)) {
        names.push_back(entry.path().filename().string());
    }
    return names;
}

TEST_F(SessionTest, NoEmulatorLeavesTheSessionHaltedWithoutADialog) {
    const std::size_t mark = trayMark();
    addBareProfile();  // catalogued, but no window open
    int keysDuringBox = -1;
    stub::whileNextBoxOpen([&] { keysDuringBox = stub::held().keys; });
    press();
    EXPECT_EQ(warnings(), (std::vector<std::string>{kNoEmulator}));
    EXPECT_EQ(keysDuringBox, 0);  // the catalogue is closed before the user is told
    EXPECT_TRUE(trayLooksSince(mark).empty());
    EXPECT_TRUE(stub::fileDialogs().empty());
    expectHaltedAndClean();
}

// Whatever could not be made, the press shows the tray at Ready, then the memory warning, then
// Halted, and asks for no name. A press while the warning is open finds buffers half made and
// the previous recording's name still there: it does nothing, and the earlier file is not
// touched.
TEST_F(SessionTest, AnythingNotMadeInThePreparationIsAnAllocationFailure) {
    const HWND window = addBare(96, 64);
    std::mt19937 random(9);
    paint(window, randomScreen(96, 64, random));
    const std::string earlier = file("earlier.gif");
    record(earlier);
    stub::fireTimer();
    press();
    const std::vector<std::uint8_t> earlierBytes = readFileBytes(earlier);
    ASSERT_FALSE(earlierBytes.empty());

    const std::vector<std::pair<std::string, std::function<void()>>> faults = {
        {"pixel buffer", [] { stub::failGlobalAllocAfter(0); }},
        {"previous frame", [] { stub::failGlobalAllocAfter(1); }},
        {"current frame", [] { stub::failGlobalAllocAfter(2); }},
        {"window context", [] { stub::failNextGetDC(); }},
        {"capture bitmap", [] { stub::failNextCreateCompatibleBitmap(); }},
        {"short size", [] { stub::shortNextDibSizeQuery(4 * 96 * 64 - 1); }},
        {"no size", [] { stub::shortNextDibSizeQuery(0); }},
    };
    for (const auto& [name, fault] : faults) {
        SCOPED_TRACE(name);
        const std::size_t mark = trayMark();
        stub::clearCalls();
        fault();
        stub::whileNextBoxOpen([] {
            press();
            press();
            EXPECT_EQ(sessionState(), Ready);
        });
        press();
        stub::failGlobalAllocAfter(-1);

        EXPECT_EQ(trayLooksSince(mark), (std::vector<int>{102, 101}));
        EXPECT_EQ(countCalls("MessageBoxA"), 1);
        EXPECT_EQ(stub::boxes().back().text, kNoMemory);
        EXPECT_EQ(countCalls("GetSaveFileNameA"), 0);
        EXPECT_EQ(countCalls("SetTimer"), 0);
        EXPECT_EQ(countCalls("GetDC"), 1) << "no tick, no second preparation";
        expectHaltedAndClean();
    }
    EXPECT_EQ(filesIn(folder), std::vector<std::string>{"earlier.gif"});
    EXPECT_EQ(readFileBytes(earlier), earlierBytes);
}

TEST_F(SessionTest, CancelledOrOverlongNameReturnsToHaltedWithoutAWarning) {
    addBare(96, 64);
    const std::size_t mark = trayMark();
    stub::nextFileDialogCancels();
    press();
    EXPECT_EQ(trayLooksSince(mark), (std::vector<int>{102, 101}));
    expectHaltedAndClean();

    prepare(file(std::string(300, 'n')));  // does not fit the 256-byte name
    EXPECT_EQ(trayLooksSince(mark), (std::vector<int>{102, 101, 102, 101}));
    expectHaltedAndClean();
    EXPECT_TRUE(warnings().empty());
    EXPECT_TRUE(filesIn(folder).empty());
}

// A press while the file dialog is open finds Ready with an empty name: the start cannot open
// it and ends Halted. Further presses wait for the dialog; its answer then changes nothing.
TEST_F(SessionTest, PressDuringTheFileDialogCannotStartARecording) {
    addBare(96, 64);
    for (const bool choose : {true, false}) {
        SCOPED_TRACE(choose ? "name chosen" : "cancelled");
        const std::size_t mark = trayMark();
        const std::size_t boxes = stub::boxes().size();
        const std::size_t dialogs = stub::fileDialogs().size();
        const std::string path = file("chosen.gif");
        stub::whileNextFileDialogOpen([] {
            press();
            EXPECT_EQ(sessionState(), Halted);
            press();
            press();
        });
        if (choose) {
            stub::nextFileDialogChooses(path);
        } else {
            stub::nextFileDialogCancels();
        }
        press();

        EXPECT_EQ(stub::fileDialogs().size(), dialogs + 1) << "no second dialog";
        ASSERT_EQ(stub::boxes().size(), boxes + 1);
        EXPECT_EQ(stub::boxes().back().text, kCannotOpen);
        std::vector<int> looks{102, 103, 101};
        if (!choose) {
            looks.push_back(101);  // the cancel's own stop, with nothing left to release
        }
        EXPECT_EQ(trayLooksSince(mark), looks);
        expectHaltedAndClean();
        EXPECT_FALSE(std::filesystem::exists(path));
    }

    // Nothing is left over: the next recording runs normally.
    const std::string path = file("after.gif");
    record(path);
    stub::fireTimer();
    press();
    expectHaltedAndClean();
    EXPECT_TRUE(decodeGif(path).ok);
}

// A press while a failed start's warning is open stops the recording there; the start's own
// stop then finds nothing to release.
TEST_F(SessionTest, PressDuringAFailedStartsWarningStopsOnce) {
    const HWND window = addBare(96, 64);
    std::mt19937 random(5);
    const Levels screen = randomScreen(96, 64, random);
    paint(window, screen);

    prepare(file("gone/x.gif"));
    std::size_t mark = trayMark();
    stub::clearCalls();
    stub::whileNextBoxOpen([] { press(); });
    press();
    EXPECT_EQ(trayLooksSince(mark), (std::vector<int>{103, 101, 101}));
    EXPECT_EQ(countCalls("SetTimer"), 0) << "no timer for a file that did not open";
    expectHaltedAndClean();

    const std::string path = file("timer.gif");
    prepare(path);
    mark = trayMark();
    stub::failNextSetTimer();
    stub::whileNextBoxOpen([] {
        press();
        EXPECT_FALSE(animationIsOpen()) << "the nested stop finished the file";
    });
    press();
    EXPECT_EQ(trayLooksSince(mark), (std::vector<int>{103, 101, 101}));
    EXPECT_EQ(warnings(), (std::vector<std::string>{kCannotOpen, kNoTimer}));
    expectHaltedAndClean();
    expectShows(path, {screen}, {1}, 16);
}

// A write that fails ends the recording at once, in the tick or the stop that made it: timer
// gone, nothing held, Halted, and one warning saying whether the file kept the images
// completed before the failure.
TEST_F(SessionTest, FailedWriteEndsTheRecordingWithWhatWasComplete) {
    struct Case {
        const char* name;
        bool still;
        std::vector<std::size_t> before;  // screens shown a tick each before the failure
        bool atStop;                      // the failing write is the stop's, not a tick's
        const char* warning;
        std::size_t kept;  // screens the file keeps
    };
    const Case cases[] = {
        {"mid-recording", false, {0, 1, 2}, false, kKept, 2},  // screen 2's image fails
        {"first image", false, {0}, false, kLost, 0},
        {"at the stop", false, {0, 1, 1}, true, kKept, 1},  // the pending screen 1 fails
        {"still image", true, {0}, false, kLost, 0},
    };
    const HWND window = addBare(96, 64);
    std::mt19937 random(7);
    std::vector<Levels> screens{randomScreen(96, 64, random)};
    for (int i = 1; i < 4; ++i) {
        screens.push_back(changedScreen(screens.back(), random));
    }
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        settings.stillMode = c.still;
        const std::string path = file(std::string(c.name) + ".gif");
        const std::size_t boxes = stub::boxes().size();
        record(path);
        for (std::size_t i : c.before) {
            paint(window, screens[i]);
            stub::fireTimer();
        }
        const std::size_t mark = trayMark();
        setGifRawWrite(diskFull);
        if (c.atStop) {
            press();
        } else {
            paint(window, screens[c.before.back() + 1]);
            stub::fireTimer();
        }
        setGifRawWrite(nullptr);
        EXPECT_EQ(trayLooksSince(mark), std::vector<int>{101});
        EXPECT_FALSE(stub::timerSet(1));
        ASSERT_EQ(stub::boxes().size(), boxes + 1);
        EXPECT_EQ(stub::boxes().back().text, c.warning);
        expectHaltedAndClean();
        stub::fireTimer();  // a tick already queued when the recording ended does nothing
        EXPECT_EQ(stub::boxes().size(), boxes + 1);
        if (c.kept == 0) {
            EXPECT_FALSE(std::filesystem::exists(path));
        } else {
            expectShows(path, {screens.begin(), screens.begin() + static_cast<long>(c.kept)},
                        std::vector<int>(c.kept, 1), 16);
        }
    }
    settings.stillMode = false;
}

}  // namespace
