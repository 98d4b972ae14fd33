// The capture session driven through the dialog's event handler as the tray and the timer
// drive it: the states and tray looks, the order of the platform calls, and recordings decoded
// back and compared with what the stand-in emulator window showed at every tick.
#include "app/settings.h"
#include "capture/session.h"
#include "tests/support/session_fixture.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <random>
#include <string>
#include <vector>

namespace {

// The lines of the call log since it was last cleared that start with one of the prefixes.
std::vector<std::string> callsStartingWith(const std::vector<std::string>& prefixes) {
    std::vector<std::string> picked;
    for (const std::string& line : stub::calls()) {
        for (const std::string& prefix : prefixes) {
            if (line.compare(0, prefix.size(), prefix) == 0) {
                picked.push_back(line);
                break;
            }
        }
    }
    return picked;
}

const std::vector<std::string> kResourceCalls = {
    "Shell_NotifyIconA", "GetDC",      "ReleaseDC",    "CreateCompatibleBitmap", "GetDIBits",
    "GlobalAlloc",       "GlobalFree", "DeleteObject", "SetForegroundWindow",    "GetSaveFileNameA",
    "SetTimer",          "KillTimer",  "MessageBoxA"};

TEST_F(SessionTest, PressesWalkThroughTheStatesWithTheirTrayLooks) {
    const HWND window = addBare(192, 128);
    std::mt19937 random(1);
    paint(window, randomScreen(96, 64, random), 2);
    const std::string path = file("walk.gif");
    const std::size_t mark = trayMark();

    prepare(path);
    EXPECT_EQ(sessionState(), Ready);
    EXPECT_EQ(trayLooksSince(mark), (std::vector<int>{102}));
    EXPECT_EQ(stub::trayTip(), "Ready");
    EXPECT_FALSE(std::filesystem::exists(path)) << "no file before the start";

    press();
    EXPECT_EQ(sessionState(), Capturing);
    EXPECT_EQ(trayLooksSince(mark), (std::vector<int>{102, 103}));
    EXPECT_EQ(stub::trayTip(), "Capturing");
    EXPECT_TRUE(animationIsOpen());
    EXPECT_TRUE(std::filesystem::exists(path));
    EXPECT_TRUE(stub::timerSet(1));
    EXPECT_EQ(stub::timerInterval(1), 110u);
    EXPECT_EQ(stub::foregroundWindow(), window) << "the emulator comes to the front";

    // Each tick grabs in this order and leaves nothing locked or held.
    for (int tick = 0; tick < 3; ++tick) {
        SCOPED_TRACE("tick " + std::to_string(tick + 1));
        stub::clearCalls();
        EXPECT_EQ(stub::fireTimer(), TRUE);
        EXPECT_EQ(callsStartingWith({"GetDC", "CreateCompatibleDC", "SelectObject",
                                     "SetStretchBltMode", "StretchBlt", "ReleaseDC", "GlobalLock",
                                     "GetDIBits", "DeleteDC", "GlobalUnlock"}),
                  (std::vector<std::string>{
                      "GetDC Calculator Stand-In", "CreateCompatibleDC", "SelectObject bitmap",
                      "SetStretchBltMode 3", "StretchBlt 0 0 96 64 0 0 192 128",
                      "ReleaseDC Calculator Stand-In", "GlobalLock 2", "GlobalLock 3",
                      "GlobalLock 1", "GetDIBits 0 64 copy", "DeleteDC", "GlobalUnlock 1",
                      "GlobalUnlock 3", "GlobalUnlock 2"}));
        const stub::Held held = stub::held();
        EXPECT_EQ(held.globalLocks, 0);
        EXPECT_EQ(held.windowDCs, 0);
        EXPECT_EQ(held.memoryDCs, 0);
    }
    EXPECT_EQ(sessionState(), Capturing);

    stub::clearCalls();
    press();
    EXPECT_EQ(trayLooksSince(mark), (std::vector<int>{102, 103, 101}));
    expectHaltedAndClean();
    EXPECT_TRUE(warnings().empty());
    // The timer first, the file finished before any block goes, the tray last; blocks in the
    // order previous (2), current (3), pixels (1).
    EXPECT_EQ(callsStartingWith(kResourceCalls),
              (std::vector<std::string>{"KillTimer 1", "DeleteObject bitmap", "GlobalFree 2",
                                        "GlobalFree 3", "GlobalFree 1",
                                        "Shell_NotifyIconA 1 101 Halted"}));
    const DecodedGif gif = decodeGif(path);
    ASSERT_TRUE(gif.ok) << gif.error;
    EXPECT_EQ(gif.imageCount(), 1);
}

TEST_F(SessionTest, PreparationMakesItsResourcesInOrderThenAsksWithAnEmptyName) {
    addBare(96, 64);
    stub::clearCalls();
    prepare(file("order.gif"));

    EXPECT_EQ(callsStartingWith(kResourceCalls),
              (std::vector<std::string>{
                  "Shell_NotifyIconA 1 102 Ready", "GetDC Calculator Stand-In",
                  "CreateCompatibleBitmap 96 64", "GetDIBits 0 64 query",
                  "ReleaseDC Calculator Stand-In", "GlobalAlloc 1 24576", "GlobalAlloc 2 6144",
                  "GlobalAlloc 3 6144", "SetForegroundWindow dialog", "GetSaveFileNameA"}));

    ASSERT_EQ(stub::fileDialogs().size(), 1u);
    const stub::FileDialogSeen& seen = stub::fileDialogs()[0];
    EXPECT_EQ(seen.record.lStructSize, OPENFILENAME_SIZE_VERSION_400A);
    EXPECT_EQ(seen.record.hwndOwner, dialog);
    const char filter[] = "GIF Files (*.gif)\0*.gif\0All Files (*.*)\0*.*\0";
    EXPECT_EQ(seen.filter, std::string(filter, sizeof filter));
    EXPECT_EQ(seen.record.nFilterIndex, 1u);
    EXPECT_EQ(seen.record.nMaxFile, 256u);
    EXPECT_EQ(seen.title, "Create Animated Screenshot");
    EXPECT_EQ(seen.record.Flags, 0x802u);
    EXPECT_EQ(seen.initialName, "");
}

TEST_F(SessionTest, StillModeEndsByItselfAtTheSecondTick) {
    const HWND window = addBare(96, 64);
    settings.stillMode = true;
    std::mt19937 random(19);
    const Levels first = randomScreen(96, 64, random);
    const std::string path = file("still.gif");
    const std::size_t mark = trayMark();

    record(path);
    paint(window, first);
    stub::fireTimer();
    EXPECT_EQ(sessionState(), Capturing);
    paint(window, changedScreen(first, random));
    stub::fireTimer();

    EXPECT_EQ(trayLooksSince(mark), (std::vector<int>{102, 103, 101}));
    expectHaltedAndClean();
    EXPECT_FALSE(stub::timerSet(1));
    EXPECT_EQ(stub::fireTimer(), 0) << "no tick after the end";

    const std::vector<ShownCanvas> shown = replayGif(decodeGif(path));
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_FALSE(shown[0].delay.has_value());
    EXPECT_EQ(innerFrame(shown[0], 2), first.at) << "the first tick's screen";

    // The next press is a new preparation.
    stub::nextFileDialogCancels();
    press();
    EXPECT_EQ(stub::fileDialogs().size(), 2u);
    expectHaltedAndClean();
}

// A second recording starts fresh. Stopped within one interval of its start, no tick has
// grabbed anything, yet the file shows the screen of that moment for one delay step, not a
// blank frame or the first recording's delay.
TEST_F(SessionTest, SecondRecordingStoppedBeforeItsFirstTickRecordsTheScreen) {
    const HWND window = addBare(96, 64);
    std::mt19937 random(23);
    const Levels first = randomScreen(96, 64, random);
    const Levels second = randomScreen(96, 64, random);
    const std::string path1 = file("one.gif");
    const std::string path2 = file("two.gif");

    paint(window, first);
    record(path1);
    for (int t = 0; t < 5; ++t) {
        stub::fireTimer();  // leaves a pending delay of 80 behind
    }
    press();
    expectHaltedAndClean();
    const std::vector<std::uint8_t> firstBytes = readFileBytes(path1);

    settings.timerMultiplier = 3;
    paint(window, second);
    prepare(path2);
    ASSERT_EQ(stub::fileDialogs().size(), 2u);
    EXPECT_EQ(stub::fileDialogs()[1].initialName, "") << "the name field starts empty";
    EXPECT_EQ(countCalls("GlobalAlloc"), 6);
    // The new blocks hold nothing of the first recording.
    for (HGLOBAL block : {captureBuffers().previous, captureBuffers().current}) {
        const auto* bytes = static_cast<const std::uint8_t*>(GlobalLock(block));
        ASSERT_NE(bytes, nullptr);
        EXPECT_EQ(std::vector<std::uint8_t>(bytes, bytes + 96 * 64),
                  std::vector<std::uint8_t>(96 * 64, 0));
        GlobalUnlock(block);
    }
    press();
    EXPECT_EQ(stub::timerInterval(1), 330u);
    press();
    expectHaltedAndClean();

    expectShows(path1, {first}, {5}, 16);
    expectShows(path2, {second}, {1}, 48);
    EXPECT_EQ(readFileBytes(path1), firstBytes) << "the first file is left alone";
}

TEST_F(SessionTest, WindowThatGoesAwayLeavesTheRecordingRunning) {
    const HWND window = addBare(96, 64);
    std::mt19937 random(31);
    const Levels first = randomScreen(96, 64, random);
    const Levels second = changedScreen(first, random);
    const std::string path = file("gone.gif");

    record(path);
    paint(window, first);
    stub::fireTimer();
    stub::fireTimer();
    paint(window, second);
    stub::fireTimer();
    stub::destroyWindow(window);
    for (int t = 0; t < 3; ++t) {
        stub::fireTimer();
        EXPECT_EQ(sessionState(), Capturing);
        EXPECT_EQ(stub::held().windowDCs, 0);
        EXPECT_EQ(stub::held().memoryDCs, 0);
    }
    press();
    expectHaltedAndClean();
    // The last picture that was copied stays on screen until the stop.
    expectShows(path, {first, second}, {2, 4}, 16);
}

}  // namespace
