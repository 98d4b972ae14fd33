// The entry point and the event handler: the message loop, the routing of every event, the
// close sequence, the refusal to close during a recording, the shutdown of Windows, the shell
// restart and the common warning box.
#include "app/app.h"
#include "app/tray.h"
#include "app/warning.h"
#include "capture/session.h"
#include "platform/stub/stub.h"
#include "tests/support/gif_replay.h"
#include "tests/support/shell_fixture.h"

#include <gtest/gtest.h>

#include <initializer_list>

namespace {

constexpr const char* kRefusal = "The current screenshot has not yet been completed";

using ShellEntry = ShellTest;
using ShellRouting = ShellTest;
using ShellClose = ShellTest;

// ---- Entry point and message loop -----------------------------------------------------------

TEST_F(ShellEntry, WinMainEndsAtOnceWhenTheDialogCannotBeCreated) {
    addProgramKey();
    stub::failDialogCreation(true);
    EXPECT_NE(0, WinMain(instance(), nullptr, nullptr, 0));
    EXPECT_TRUE(stub::trayCalls().empty());
    EXPECT_EQ(-1, stub::quitCode());
}

TEST_F(ShellEntry, WinMainReturnsZeroAfterCloseWhileHalted) {
    // Without a program key the initialisation shows a box; its nested loop is the one moment
    // inside WinMain at which a test can queue the close request.
    stub::regCreateKey("Software");
    stub::whileNextBoxOpen([] { stub::post(WM_CLOSE); });
    EXPECT_EQ(0, WinMain(instance(), nullptr, nullptr, 0));
    EXPECT_TRUE(stub::dialogEnded());
}

TEST_F(ShellEntry, LoopDispatchesQueuedMessagesUntilTheQuit) {
    const HWND dialog = start();
    stub::post(WM_TRAYNOTIFY, 0, WM_MOUSEMOVE);
    stub::post(WM_COMMAND, 40008);
    stub::post(WM_CLOSE);
    EXPECT_EQ(0, appRun(dialog));
    EXPECT_EQ(3, settings.timerMultiplier);
}

TEST_F(ShellEntry, LoopEndsWithZeroAfterTheDialogWasDestroyed) {
    // Destroyed while Halted: the close sequence runs inside WM_DESTROY and the loop must still
    // end with the quit message's code, not with an error for the vanished window.
    const HWND dialog = start();
    stub::post(WM_COMMAND, 40007);  // still queued when the window goes: never delivered
    stub::send(WM_DESTROY);
    stub::destroyWindow(dialog);
    EXPECT_EQ(0, appRun(dialog));
    EXPECT_EQ(0, stub::quitCode());
    EXPECT_EQ(1, settings.timerMultiplier);
}

TEST_F(ShellEntry, LoopEndsWhenNoMessageCanCome) {
    // The stand-in reports an error (-1) once nothing is queued: the loop must end, not spin.
    const HWND dialog = start();
    EXPECT_NE(0, appRun(dialog));
    EXPECT_EQ(-1, stub::quitCode());
}

// ---- Routing ----------------------------------------------------------------------------------

TEST_F(ShellRouting, LeftPressesDriveTheRecordingThroughItsStates) {
    startIn(Halted);
    stub::nextFileDialogChooses(outputPath());
    stub::trayPress(WM_LBUTTONDOWN);
    EXPECT_EQ(Ready, sessionState());
    stub::trayPress(WM_LBUTTONDOWN);
    EXPECT_EQ(Capturing, sessionState());
    stub::trayPress(WM_LBUTTONDOWN);
    EXPECT_EQ(Halted, sessionState());
    EXPECT_TRUE(decodeGif(outputPath()).ok);
}

TEST_F(ShellRouting, RightPressShowsTheDialogWhileHaltedOrReady) {
    for (const SessionState state : {Halted, Ready}) {
        SCOPED_TRACE(state);
        stub::reset();
        const HWND dialog = startIn(state);
        stub::clearCalls();
        EXPECT_EQ(FALSE, stub::trayPress(WM_RBUTTONDOWN));
        EXPECT_TRUE(stub::dialogVisible());
        EXPECT_EQ(dialog, stub::foregroundWindow());
        EXPECT_LT(callIndex("ShowWindow 1"), callIndex("SetForegroundWindow dialog"));
        // Again while visible: still visible, brought forward again.
        EXPECT_EQ(FALSE, stub::trayPress(WM_RBUTTONDOWN));
        EXPECT_TRUE(stub::dialogVisible());
        EXPECT_EQ(2, countCalls("SetForegroundWindow dialog"));
        EXPECT_EQ(state, sessionState());
        stopRecording(dialog);
    }
}

TEST_F(ShellRouting, RightPressWhileCapturingNeitherShowsNorHides) {
    startIn(Capturing);
    stub::clearCalls();
    EXPECT_EQ(FALSE, stub::trayPress(WM_RBUTTONDOWN));
    EXPECT_FALSE(stub::dialogVisible());
    EXPECT_TRUE(stub::calls().empty());

    ShowWindow(stub::dialog(), SW_SHOWNORMAL);
    stub::clearCalls();
    EXPECT_EQ(FALSE, stub::trayPress(WM_RBUTTONDOWN));
    EXPECT_TRUE(stub::dialogVisible());
    EXPECT_TRUE(stub::calls().empty());
    EXPECT_EQ(Capturing, sessionState());
}

TEST_F(ShellRouting, OtherTrayNotificationsDoNothing) {
    for (const SessionState state : {Halted, Capturing}) {
        SCOPED_TRACE(state);
        stub::reset();
        startIn(state);
        stub::clearCalls();
        for (const UINT mouse : {WM_MOUSEMOVE, WM_LBUTTONUP, WM_LBUTTONDBLCLK, WM_RBUTTONUP,
                                 WM_RBUTTONDBLCLK, WM_MBUTTONDOWN}) {
            EXPECT_EQ(FALSE, stub::trayPress(mouse)) << mouse;
        }
        EXPECT_TRUE(stub::calls().empty());
        EXPECT_EQ(state, sessionState());
        EXPECT_FALSE(stub::dialogVisible());
        stopRecording(stub::dialog());
    }
}

TEST_F(ShellRouting, CommandsAreRoutedByTheLowWordOnly) {
    start();
    stub::clearCalls();
    for (const WPARAM id : std::initializer_list<WPARAM>{0, 3, 1004, 1005, 40005, 40009, 0xFFFF}) {
        EXPECT_EQ(FALSE, stub::send(WM_COMMAND, id)) << id;
    }
    EXPECT_TRUE(stub::calls().empty());
    EXPECT_EQ(1, settings.timerMultiplier);

    // A notification code in the high word does not hide the control id.
    EXPECT_EQ(TRUE, stub::send(WM_COMMAND, (WPARAM{0x0300} << 16) | 40007));
    EXPECT_EQ(2, settings.timerMultiplier);
    EXPECT_EQ(FALSE, stub::send(WM_COMMAND, (WPARAM{40007} << 16) | 1004));
}

TEST_F(ShellRouting, EveryTimerTickReachesTheCaptureTick) {
    startIn(Capturing);
    const int before = stub::stretchBltCalls();
    EXPECT_EQ(TRUE, stub::send(WM_TIMER, 1));
    EXPECT_EQ(TRUE, stub::send(WM_TIMER, 42));  // the identifier is not examined
    EXPECT_EQ(before + 2, stub::stretchBltCalls());
}

TEST_F(ShellRouting, UnknownMessagesAreLeftToTheDefaultProcessing) {
    startIn(Capturing);
    stub::clearCalls();
    EXPECT_EQ(FALSE, stub::send(WM_USER));
    EXPECT_EQ(FALSE, stub::send(WM_QUERYENDSESSION));  // ending the session is never refused
    EXPECT_EQ(FALSE, stub::send(WM_TRAYNOTIFY + 1, 0, WM_LBUTTONDOWN));
    EXPECT_TRUE(stub::calls().empty());
    EXPECT_EQ(Capturing, sessionState());
}

// ---- Close sequence and refusal ---------------------------------------------------------------

TEST_F(ShellClose, CloseWhileHaltedEndsTheDialogRemovesTheIconThenQuits) {
    start();
    stub::clearCalls();
    EXPECT_EQ(TRUE, stub::send(WM_CLOSE));
    const int ended = callIndex("EndDialog 1");
    const int removed = callIndex("Shell_NotifyIconA 2");
    const int quit = callIndex("PostQuitMessage 0");
    ASSERT_GE(ended, 0);
    EXPECT_LT(ended, removed);
    EXPECT_LT(removed, quit);
    EXPECT_EQ(nullptr, stub::trayCalls().back().record.hIcon);
    EXPECT_STREQ("", stub::trayCalls().back().record.szTip);
    EXPECT_FALSE(stub::trayIconPresent());
    EXPECT_TRUE(stub::dialogEnded());
    EXPECT_EQ(0, stub::quitCode());
    EXPECT_EQ(0, countCalls("MessageBoxA"));
}

TEST_F(ShellClose, CloseDuringARecordingIsRefusedAndChangesNothing) {
    for (const SessionState state : {Ready, Capturing}) {
        SCOPED_TRACE(state);
        for (const bool visible : {false, true}) {
            stub::reset();
            const HWND dialog = startIn(state);
            if (visible) {
                ShowWindow(dialog, SW_SHOWNORMAL);
            }
            stub::clearCalls();
            EXPECT_EQ(TRUE, stub::send(WM_CLOSE));
            ASSERT_EQ(1u, stub::boxes().size());
            const stub::Box& box = stub::boxes().back();
            EXPECT_EQ(dialog, box.owner);
            EXPECT_EQ(kRefusal, box.text);
            EXPECT_EQ("Pixmote", box.caption);
            EXPECT_EQ(MB_ICONWARNING, box.type);
            EXPECT_EQ(0, countCalls("SetForegroundWindow"));  // not raised
            EXPECT_EQ(1u, stub::calls().size());              // the box and nothing else
            EXPECT_EQ(visible, stub::dialogVisible());
            EXPECT_EQ(state, sessionState());
            EXPECT_EQ(-1, stub::quitCode());
            EXPECT_TRUE(stub::trayIconPresent());
            EXPECT_EQ(state == Ready ? 102 : 103, stub::trayIconResource());
            stopRecording(dialog);
        }
    }
}

TEST_F(ShellClose, ExitDuringARecordingIsRefusedAndTheDialogStays) {
    const HWND dialog = startIn(Ready);
    stub::trayPress(WM_RBUTTONDOWN);
    stub::clickButton(IDCANCEL);
    ASSERT_EQ(1u, stub::boxes().size());
    EXPECT_EQ(kRefusal, stub::boxes()[0].text);
    EXPECT_TRUE(stub::dialogVisible());
    EXPECT_EQ(Ready, sessionState());
    stopRecording(dialog);
}

TEST_F(ShellClose, TicksGoOnBehindTheRefusalBox) {
    startIn(Capturing);
    const int before = stub::stretchBltCalls();
    stub::whileNextBoxOpen([this] {
        for (int n = 0; n < 3; ++n) {
            drawPattern(n);
            stub::fireTimer();
        }
    });
    stub::send(WM_CLOSE);
    EXPECT_EQ(before + 3, stub::stretchBltCalls());
    EXPECT_EQ(Capturing, sessionState());
    EXPECT_TRUE(stub::timerSet(1));

    stub::trayPress(WM_LBUTTONDOWN);
    const DecodedGif gif = decodeGif(outputPath());
    ASSERT_TRUE(gif.ok) << gif.error;
    // The three screens seen behind the box: the framed first image and two changed regions.
    EXPECT_EQ(3, gif.imageCount());
}

TEST_F(ShellClose, DestroyWhileHaltedRunsTheCloseSequence) {
    start();
    EXPECT_EQ(TRUE, stub::send(WM_DESTROY));
    EXPECT_FALSE(stub::trayIconPresent());
    EXPECT_TRUE(stub::dialogEnded());
    EXPECT_EQ(0, stub::quitCode());
}

TEST_F(ShellClose, DestroyDuringARecordingFinishesItFirst) {
    for (const SessionState state : {Ready, Capturing}) {
        SCOPED_TRACE(state);
        stub::reset();
        startIn(state);
        if (state == Capturing) {
            drawPattern(0);
            stub::fireTimer();
        }
        stub::clearCalls();
        EXPECT_EQ(TRUE, stub::send(WM_DESTROY));
        EXPECT_EQ(Halted, sessionState());
        EXPECT_LT(callIndex("KillTimer 1"), callIndex("EndDialog 1"));
        EXPECT_FALSE(stub::trayIconPresent());
        EXPECT_EQ(0, stub::quitCode());
        expectNothingHeld();
    }
    const DecodedGif gif = decodeGif(outputPath());
    ASSERT_TRUE(gif.ok) << gif.error;
    EXPECT_EQ(1, gif.imageCount());
}

TEST_F(ShellClose, EndOfSessionFinishesTheRecording) {
    startIn(Capturing);
    drawPattern(0);
    stub::fireTimer();

    // Ending the session is only asked, or called off: nothing changes.
    EXPECT_EQ(FALSE, stub::send(WM_QUERYENDSESSION));
    EXPECT_EQ(FALSE, stub::send(WM_ENDSESSION, FALSE));
    EXPECT_EQ(Capturing, sessionState());
    EXPECT_TRUE(stub::timerSet(1));

    stub::send(WM_ENDSESSION, TRUE);
    EXPECT_EQ(Halted, sessionState());
    expectNothingHeld();
    EXPECT_TRUE(decodeGif(outputPath()).ok);
    EXPECT_EQ(101, stub::trayIconResource());
    EXPECT_EQ(-1, stub::quitCode());
}

// ---- Shell restart ------------------------------------------------------------------------------

TEST_F(ShellRouting, TaskbarCreatedAddsTheIconAgainInTheCurrentLook) {
    for (const SessionState state : {Halted, Ready, Capturing}) {
        SCOPED_TRACE(state);
        stub::reset();
        startIn(state);
        const UINT taskbarCreated = RegisterWindowMessageA("TaskbarCreated");
        trayNotify(NIM_DELETE, nullptr, nullptr);  // the old shell took the icon with it
        stub::clearCalls();
        stub::send(taskbarCreated);
        ASSERT_TRUE(stub::trayIconPresent());
        EXPECT_EQ(101 + state, stub::trayIconResource());
        EXPECT_EQ(NIM_ADD, stub::trayCalls().back().action);
        EXPECT_EQ(state, sessionState());
        EXPECT_TRUE(stub::boxes().empty());
        stopRecording(stub::dialog());
    }
    // Once the program is closing the icon stays away.
    stub::send(WM_CLOSE);
    const std::size_t trayCalls = stub::trayCalls().size();
    stub::send(RegisterWindowMessageA("TaskbarCreated"));
    EXPECT_EQ(trayCalls, stub::trayCalls().size());
}

// ---- showWarning ----------------------------------------------------------------------------

TEST_F(ShellRouting, ShowWarningRaisesTheDialogThenShowsTheBox) {
    const HWND dialog = start();
    stub::clearCalls();
    showWarning("Something failed.");
    EXPECT_EQ(0, callIndex("SetForegroundWindow dialog"));
    EXPECT_EQ(1, callIndex("MessageBoxA Pixmote|Something failed.|0x30"));
    const stub::Box& box = stub::boxes().back();
    EXPECT_EQ(dialog, box.owner);
    EXPECT_EQ(MB_ICONWARNING, box.type);
    EXPECT_FALSE(stub::dialogVisible());  // raised, not shown
}

}  // namespace
