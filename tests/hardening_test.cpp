// Faults found by the end-to-end fault checks under Wine (tests/wine/faults.sh), pinned down
// against the stand-in.
#include "app/warning.h"
#include "tests/support/session_fixture.h"
#include "tests/support/shell_fixture.h"

namespace {

using WarningWake = ShellTest;

// A warning box runs its own loop, which takes every message posted to the thread. When a
// start fails just after the save dialog was accepted, the dialog's loop has not returned yet
// and the box takes the message that would end it: the preparation then stays unfinished and
// left presses are ignored until something else is posted. So the warning leaves a fresh
// message behind, one that does nothing when the main loop dispatches it.
TEST_F(WarningWake, AFailedStartLeavesAHarmlessWakeUpAfterItsBox) {
    addProgramKey();
    addEmulator();
    const HWND dialog = start();
    stub::nextFileDialogChooses(::testing::TempDir() + "pixmote-no-such-folder/lost.gif");
    stub::trayPress(WM_LBUTTONDOWN);
    ASSERT_EQ(Ready, sessionState());
    stub::clearCalls();

    stub::trayPress(WM_LBUTTONDOWN);  // the file cannot be created
    ASSERT_EQ(1u, stub::boxes().size());
    EXPECT_EQ("Unable to open specified file for writing.", stub::boxes().back().text);
    EXPECT_EQ(Halted, sessionState());
    const int box = callIndex("MessageBoxA");
    const int wake = callIndex("PostMessageA dialog 0x0");
    ASSERT_GE(wake, 0);
    EXPECT_LT(box, wake);
    EXPECT_EQ(1, countCalls("PostMessageA"));

    MSG msg = {};
    ASSERT_EQ(1, GetMessageA(&msg, dialog, 0, 0));
    EXPECT_EQ(WM_NULL, msg.message);
    EXPECT_EQ(dialog, msg.hwnd);
    stub::clearCalls();
    DispatchMessageA(&msg);
    EXPECT_TRUE(stub::calls().empty());
    EXPECT_EQ(Halted, sessionState());
    expectNothingHeld();
}

TEST_F(WarningWake, EveryWarningLeavesOneWakeUp) {
    addProgramKey();
    start();
    stub::clearCalls();
    showWarning("First.");
    showWarning("Second.");
    EXPECT_EQ(2, countCalls("PostMessageA dialog 0x0"));
    MSG msg = {};
    int wakes = 0;
    while (GetMessageA(&msg, stub::dialog(), 0, 0) == 1) {
        wakes += msg.message == WM_NULL ? 1 : 0;
    }
    EXPECT_EQ(2, wakes);
}

// A hidden emulator window shows nothing of the emulator: a copy of it is whatever lies behind
// it (under Wine, for an emulator being closed, a blank frame that stayed to the end of the
// recording). While it is hidden the last picture stays; once shown again, copying resumes.
// A window hidden, or minimised (which still counts as visible), holds no picture to copy.
class HiddenWindow : public SessionTest, public testing::WithParamInterface<int> {};

TEST_P(HiddenWindow, KeepsTheLastPictureUntilTheWindowIsShownAgain) {
    const HWND window = addBare(96, 64);
    std::mt19937 random(47);
    const Levels first = randomScreen(96, 64, random);
    const Levels second = changedScreen(first, random);
    const Levels third = changedScreen(second, random);
    const std::string path = (folder / "hidden.gif").string();

    record(path);
    paint(window, first);
    stub::fireTimer();
    paint(window, second);
    stub::fireTimer();
    ShowWindow(window, GetParam());
    stub::fillRect(window, 0, 0, 96, 64, 0xFFFFFF);  // what a copy would find now
    for (int t = 0; t < 3; ++t) {
        stub::fireTimer();
        EXPECT_EQ(stub::held().windowDCs, 0);
        EXPECT_EQ(stub::held().memoryDCs, 0);
    }
    ShowWindow(window, SW_SHOWNORMAL);
    paint(window, third);
    stub::fireTimer();
    stub::fireTimer();
    press();
    expectHaltedAndClean();
    // second stays on screen through the hidden ticks; no white frame.
    expectShows(path, {first, second, third}, {1, 4, 2}, 16);
}

// Hidden between the tick's look at the window and its copy (an emulator closing, or a user's
// hide, under load): the copy may be what lay behind the window, and is dropped.
TEST_F(SessionTest, CopyMadeWhileTheWindowIsBeingHiddenIsDropped) {
    const HWND window = addBare(96, 64);
    std::mt19937 random(48);
    const Levels first = randomScreen(96, 64, random);
    const Levels second = changedScreen(first, random);
    const std::string path = (folder / "hidden-during-copy.gif").string();

    record(path);
    paint(window, first);
    stub::fireTimer();
    stub::duringNextCopy([&] {
        ShowWindow(window, SW_HIDE);
        stub::fillRect(window, 0, 0, 96, 64, 0xFFFFFF);
    });
    stub::fireTimer();
    ShowWindow(window, SW_SHOWNORMAL);
    paint(window, second);
    stub::fireTimer();
    stub::fireTimer();
    press();
    expectHaltedAndClean();
    expectShows(path, {first, second}, {2, 2}, 16);
}

INSTANTIATE_TEST_SUITE_P(Hardening, HiddenWindow, testing::Values(SW_HIDE, SW_MINIMIZE),
                         [](const testing::TestParamInfo<int>& param) {
                             return param.param == SW_HIDE ? "Hidden" : "Minimised";
                         });

}  // namespace
