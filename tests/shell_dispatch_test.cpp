// The entry point and the event handler: the message loop, the routing of every event, the
// close sequence, the refusal to close during a recording, the shutdown of Windows, the shell
// restart, the common warning box, and the tray icon's record, tooltips and looks.
#include "app/app.h"
#include "app/tray.h"
#include "app/warning.h"
#include "capture/session.h"
#include "platform/stub/stub.h"
#include "tests/support/gif_replay.h"
#include "tests/support/shell_fixture.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <string>

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

// A right press shows the dialog and brings it forward while Halted or Ready, hidden or shown
// already; while Capturing it neither shows nor hides it, and calls nothing.
TEST_F(ShellRouting, RightPressShowsTheDialogUnlessCapturing) {
    for (const SessionState state : {Halted, Ready, Capturing}) {
        for (const bool shown : {false, true}) {
            SCOPED_TRACE(std::to_string(state) + (shown ? " shown" : " hidden"));
            stub::reset();
            const HWND dialog = startIn(state);
            if (shown) {
                ShowWindow(dialog, SW_SHOWNORMAL);
            }
            stub::clearCalls();
            EXPECT_EQ(FALSE, stub::trayPress(WM_RBUTTONDOWN));
            EXPECT_EQ(shown || state != Capturing, stub::dialogVisible());
            if (state == Capturing) {
                EXPECT_TRUE(stub::calls().empty());
            } else {
                EXPECT_EQ(dialog, stub::foregroundWindow());
                EXPECT_EQ(0, callIndex("ShowWindow 1"));
                EXPECT_EQ(1, callIndex("SetForegroundWindow dialog"));
            }
            EXPECT_EQ(state, sessionState());
            stopRecording(dialog);
        }
    }
}

// Messages the program leaves to the default processing, in every state: other tray
// notifications, commands of no button (the id in the low word only), messages of no meaning
// here, and an end of session only asked or called off.
TEST_F(ShellRouting, IgnoredMessagesChangeNothing) {
    const LPARAM trayCodes[] = {WM_MOUSEMOVE, WM_LBUTTONUP,     WM_LBUTTONDBLCLK,
                                WM_RBUTTONUP, WM_RBUTTONDBLCLK, WM_MBUTTONDOWN};
    const WPARAM commands[] = {0, 3, 1004, 1005, 40005, 40009, 0xFFFF, WPARAM{40007} << 16 | 1004};
    for (const SessionState state : {Halted, Capturing}) {
        SCOPED_TRACE(state);
        stub::reset();
        startIn(state);
        stub::clearCalls();
        for (const LPARAM code : trayCodes) {
            EXPECT_EQ(FALSE, stub::send(WM_TRAYNOTIFY, 0, code)) << code;
        }
        for (const WPARAM id : commands) {
            EXPECT_EQ(FALSE, stub::send(WM_COMMAND, id)) << id;
        }
        EXPECT_EQ(FALSE, stub::send(WM_TRAYNOTIFY + 1, 0, WM_LBUTTONDOWN));
        EXPECT_EQ(FALSE, stub::send(WM_USER));
        EXPECT_EQ(FALSE, stub::send(WM_QUERYENDSESSION));
        EXPECT_EQ(FALSE, stub::send(WM_ENDSESSION, FALSE));
        EXPECT_TRUE(stub::calls().empty());
        EXPECT_EQ(state, sessionState());
        EXPECT_FALSE(stub::dialogVisible());
        EXPECT_EQ(1, settings.timerMultiplier);
        stopRecording(stub::dialog());
    }
    // A notification code in the high word does not hide the control id.
    EXPECT_EQ(TRUE, stub::send(WM_COMMAND, (WPARAM{0x0300} << 16) | 40007));
    EXPECT_EQ(2, settings.timerMultiplier);
}

TEST_F(ShellRouting, EveryTimerTickReachesTheCaptureTick) {
    startIn(Capturing);
    const int before = stub::stretchBltCalls();
    EXPECT_EQ(TRUE, stub::send(WM_TIMER, 1));
    EXPECT_EQ(TRUE, stub::send(WM_TIMER, 42));  // the identifier is not examined
    EXPECT_EQ(before + 2, stub::stretchBltCalls());
}

// ---- Close sequence and refusal ---------------------------------------------------------------

TEST_F(ShellClose, CloseOrDestroyWhileHaltedEndsTheDialogRemovesTheIconThenQuits) {
    for (const UINT message : {WM_CLOSE, WM_DESTROY}) {
        SCOPED_TRACE(message);
        stub::reset();
        start();
        stub::clearCalls();
        EXPECT_EQ(TRUE, stub::send(message));
        const int ended = callIndex("EndDialog 1");
        const int removed = callIndex("Shell_NotifyIconA 2");
        ASSERT_GE(ended, 0);
        EXPECT_LT(ended, removed);
        EXPECT_LT(removed, callIndex("PostQuitMessage 0"));
        EXPECT_EQ(nullptr, stub::trayCalls().back().record.hIcon);
        EXPECT_STREQ("", stub::trayCalls().back().record.szTip);
        EXPECT_FALSE(stub::trayIconPresent());
        EXPECT_TRUE(stub::dialogEnded());
        EXPECT_EQ(0, stub::quitCode());
        EXPECT_EQ(0, countCalls("MessageBoxA"));
    }
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

// Destroyed, or Windows ending the session, during a recording: the file is finished first;
// a destroy then runs the close sequence, the end of the session leaves the program as it is.
TEST_F(ShellClose, DestroyOrEndOfSessionDuringARecordingFinishesIt) {
    for (const UINT message : {WM_DESTROY, WM_ENDSESSION}) {
        for (const SessionState state : {Ready, Capturing}) {
            SCOPED_TRACE(std::to_string(message) + " " + std::to_string(state));
            stub::reset();
            startIn(state);
            if (state == Capturing) {
                drawPattern(0);
                stub::fireTimer();
            }
            stub::clearCalls();
            EXPECT_EQ(TRUE, stub::send(message, TRUE));
            EXPECT_EQ(Halted, sessionState());
            expectNothingHeld();
            if (message == WM_DESTROY) {
                EXPECT_LT(callIndex("KillTimer 1"), callIndex("EndDialog 1"));
                EXPECT_FALSE(stub::trayIconPresent());
                EXPECT_EQ(0, stub::quitCode());
            } else {
                EXPECT_EQ(101, stub::trayIconResource());
                EXPECT_EQ(-1, stub::quitCode());
            }
            if (state == Capturing) {
                const DecodedGif gif = decodeGif(outputPath());
                ASSERT_TRUE(gif.ok) << gif.error;
                EXPECT_EQ(1, gif.imageCount());
            }
        }
    }
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

// The dialog is raised (not shown), then the box; and every warning leaves one message behind
// that does nothing when dispatched (see below).
TEST_F(ShellRouting, ShowWarningRaisesTheDialogThenShowsTheBoxAndLeavesAWakeUp) {
    addProgramKey();
    const HWND dialog = start();
    stub::clearCalls();
    showWarning("Something failed.");
    EXPECT_EQ(0, callIndex("SetForegroundWindow dialog"));
    EXPECT_EQ(1, callIndex("MessageBoxA Pixmote|Something failed.|0x30"));
    const stub::Box& box = stub::boxes().back();
    EXPECT_EQ(dialog, box.owner);
    EXPECT_EQ(MB_ICONWARNING, box.type);
    EXPECT_FALSE(stub::dialogVisible());
    showWarning("Second.");
    EXPECT_EQ(2, countCalls("PostMessageA dialog 0x0"));
    MSG msg = {};
    int wakes = 0;
    while (GetMessageA(&msg, dialog, 0, 0) == 1) {
        wakes += msg.message == WM_NULL ? 1 : 0;
    }
    EXPECT_EQ(2, wakes);
}

// A warning box runs its own loop, which takes every message posted to the thread. When a
// start fails just after the save dialog was accepted, the dialog's loop has not returned yet
// and the box takes the message that would end it: the preparation then stays unfinished and
// left presses are ignored until something else is posted. So the warning leaves a fresh
// message behind, one that does nothing when the main loop dispatches it.
TEST_F(ShellRouting, AFailedStartLeavesAHarmlessWakeUpAfterItsBox) {
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
    const int wake = callIndex("PostMessageA dialog 0x0");
    ASSERT_GE(wake, 0);
    EXPECT_LT(callIndex("MessageBoxA"), wake);
    EXPECT_EQ(1, countCalls("PostMessageA"));

    MSG msg = {};
    ASSERT_EQ(1, GetMessageA(&msg, dialog, 0, 0));
    EXPECT_EQ(WM_NULL, msg.message);
    EXPECT_EQ(dialog, msg.hwnd);
    stub::clearCalls();
    DispatchMessageA(&msg);
    EXPECT_TRUE(stub::calls().empty());
    EXPECT_EQ(Halted, sessionState());
}

// ---- The tray icon ------------------------------------------------------------------------------

TEST_F(ShellRouting, StartUpAddsTheHaltedLookBeforeAnythingElse) {
    for (const bool withKey : {true, false}) {
        SCOPED_TRACE(withKey);
        stub::reset();
        if (withKey) {
            addProgramKey();
        }
        stub::setSmallIconSize(20);  // 125 %
        const HWND dialog = start();
        ASSERT_FALSE(stub::trayCalls().empty());
        const stub::TrayCall& added = stub::trayCalls().front();
        EXPECT_EQ(NIM_ADD, added.action);
        EXPECT_EQ(NOTIFYICONDATAA_V1_SIZE, added.record.cbSize);
        EXPECT_EQ(dialog, added.record.hWnd);
        EXPECT_EQ(NIF_MESSAGE | NIF_ICON | NIF_TIP, added.record.uFlags);
        EXPECT_EQ(101, added.iconResource);
        EXPECT_EQ(20, added.iconWidth);
        EXPECT_EQ(20, added.iconHeight);
        EXPECT_STREQ("Halted", added.record.szTip);
        EXPECT_LT(callIndex("Shell_NotifyIconA 0 101 Halted"), callIndex("RegOpenKeyExA"));
        EXPECT_TRUE(stub::trayIconPresent());
        EXPECT_EQ(0, stub::held().icons);  // the loaded picture went after the call
        stub::send(WM_CLOSE);
    }
}

TEST_F(ShellRouting, TheTrayRecordIsFilledAnewAndTheTipCutTo63Characters) {
    start();
    const std::string tip63(63, 'a');
    for (const std::string& tip : {tip63, tip63 + "b", tip63 + std::string(37, 'c')}) {
        trayNotify(NIM_MODIFY, nullptr, tip.c_str());
        EXPECT_EQ(tip63, stub::trayCalls().back().record.szTip);
    }
    // No tip and no icon: an empty tip, nothing carried over from the call before.
    stub::clearCalls();
    EXPECT_EQ(TRUE, trayNotify(NIM_MODIFY, nullptr, nullptr));
    const NOTIFYICONDATAA& record = stub::trayCalls().back().record;
    EXPECT_EQ(nullptr, record.hIcon);
    for (const char c : record.szTip) {
        ASSERT_EQ('\0', c);
    }
    EXPECT_EQ(0, countCalls("DestroyIcon"));
    // The shell's answer is handed back: the icon is already there.
    EXPECT_EQ(FALSE, trayNotify(NIM_ADD, nullptr, "Halted"));
}

TEST_F(ShellRouting, AnIconThatCannotBeLoadedIsPassedAsNone) {
    stub::failIconLoading(true);
    start();
    ASSERT_EQ(1u, stub::trayCalls().size());
    EXPECT_EQ(nullptr, stub::trayCalls()[0].record.hIcon);
    EXPECT_STREQ("Halted", stub::trayCalls()[0].record.szTip);
    EXPECT_TRUE(stub::trayIconPresent());
}

}  // namespace
