// Every way a recording can fail between the first press and a running timer, and the presses
// that the nested loops of the file dialog and the warning boxes deliver: each ends Halted with
// nothing held, and no recording ever starts from a half-made preparation.
#include "app/settings.h"
#include "capture/session.h"
#include "tests/support/session_fixture.h"

#include <gtest/gtest.h>

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
// Halted, and asks for no name.
TEST_F(SessionTest, AnythingNotMadeInThePreparationIsAnAllocationFailure) {
    addBare(96, 64);
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
        const std::size_t boxes = stub::boxes().size();
        fault();
        press();
        stub::failGlobalAllocAfter(-1);

        EXPECT_EQ(trayLooksSince(mark), (std::vector<int>{102, 101}));
        ASSERT_EQ(stub::boxes().size(), boxes + 1);
        EXPECT_EQ(stub::boxes().back().text, kNoMemory);
        EXPECT_TRUE(stub::fileDialogs().empty());
        expectHaltedAndClean();
    }
    EXPECT_TRUE(filesIn(folder).empty());
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

TEST_F(SessionTest, UnopenableFileWarnsAndReturnsToHalted) {
    addBare(96, 64);
    const std::string path = file("gone/x.gif");
    prepare(path);
    const std::size_t mark = trayMark();
    stub::clearCalls();
    press();
    EXPECT_EQ(trayLooksSince(mark), (std::vector<int>{103, 101}));
    EXPECT_EQ(warnings(), (std::vector<std::string>{kCannotOpen}));
    EXPECT_EQ(countCalls("SetTimer"), 0);
    expectHaltedAndClean();
    EXPECT_TRUE(filesIn(folder).empty());
}

// The timer cannot be set after the file was opened: the file is finished, and shows the
// screen of that moment.
TEST_F(SessionTest, TimerFailureFinishesTheFileWithTheScreen) {
    const HWND window = addBare(96, 64);
    std::mt19937 random(3);
    const Levels screen = randomScreen(96, 64, random);
    paint(window, screen);
    const std::string path = file("timer.gif");
    prepare(path);
    const std::size_t mark = trayMark();
    stub::failNextSetTimer();
    press();
    EXPECT_EQ(trayLooksSince(mark), (std::vector<int>{103, 101}));
    EXPECT_EQ(warnings(), (std::vector<std::string>{kNoTimer}));
    expectHaltedAndClean();
    expectShows(path, {screen}, {1}, 16);
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
    stub::whileNextBoxOpen([] { press(); });
    press();
    EXPECT_EQ(trayLooksSince(mark), (std::vector<int>{103, 101, 101}));
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

// A press while the memory warning is open finds buffers half made and the previous
// recording's name still there: it does nothing, and the earlier file is not touched.
TEST_F(SessionTest, PressDuringTheAllocationWarningDoesNothing) {
    const HWND window = addBare(96, 64);
    std::mt19937 random(9);
    paint(window, randomScreen(96, 64, random));
    const std::string earlier = file("earlier.gif");
    record(earlier);
    stub::fireTimer();
    press();
    const std::vector<std::uint8_t> earlierBytes = readFileBytes(earlier);
    ASSERT_FALSE(earlierBytes.empty());

    for (int successes = 0; successes < 3; ++successes) {
        SCOPED_TRACE("allocations before the failure: " + std::to_string(successes));
        const std::size_t mark = trayMark();
        stub::clearCalls();
        stub::failGlobalAllocAfter(successes);
        stub::whileNextBoxOpen([] {
            press();
            press();
            EXPECT_EQ(sessionState(), Ready);
        });
        press();
        stub::failGlobalAllocAfter(-1);

        EXPECT_EQ(trayLooksSince(mark), (std::vector<int>{102, 101}));
        EXPECT_EQ(countCalls("MessageBoxA"), 1);
        EXPECT_EQ(countCalls("GetSaveFileNameA"), 0);
        EXPECT_EQ(countCalls("SetTimer"), 0);
        EXPECT_EQ(countCalls("GetDC"), 1) << "no tick, no second preparation";
        expectHaltedAndClean();
        EXPECT_EQ(readFileBytes(earlier), earlierBytes);
    }
}

}  // namespace
