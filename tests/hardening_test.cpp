// Faults found by the end-to-end fault checks under Wine (tests/wine/faults.sh), pinned down
// against the stand-in.
#include "app/warning.h"
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

}  // namespace
