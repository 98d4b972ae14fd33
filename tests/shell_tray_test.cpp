// The tray icon: the notification record handed to the shell, the tooltips, the three looks at
// the system's small-icon size, and the icons that are loaded for one call and never kept.
#include "app/app.h"
#include "app/tray.h"
#include "platform/stub/stub.h"
#include "tests/support/shell_fixture.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

using ShellTray = ShellTest;

TEST_F(ShellTray, StartUpAddsTheHaltedLookBeforeAnythingElse) {
    for (const bool withKey : {true, false}) {
        SCOPED_TRACE(withKey);
        stub::reset();
        if (withKey) {
            addProgramKey();
        }
        const HWND dialog = start();
        ASSERT_FALSE(stub::trayCalls().empty());
        const stub::TrayCall& added = stub::trayCalls().front();
        EXPECT_EQ(NIM_ADD, added.action);
        EXPECT_EQ(NOTIFYICONDATAA_V1_SIZE, added.record.cbSize);
        EXPECT_EQ(dialog, added.record.hWnd);
        EXPECT_EQ(0u, added.record.uID);
        EXPECT_EQ(NIF_MESSAGE | NIF_ICON | NIF_TIP, added.record.uFlags);
        EXPECT_EQ(0x8064u, added.record.uCallbackMessage);
        EXPECT_EQ(101, added.iconResource);
        EXPECT_EQ(16, added.iconWidth);  // the small icon at 100 %
        EXPECT_EQ(16, added.iconHeight);
        EXPECT_STREQ("Halted", added.record.szTip);
        EXPECT_LT(callIndex("Shell_NotifyIconA 0 101 Halted"), callIndex("RegOpenKeyExA"));
        EXPECT_TRUE(stub::trayIconPresent());
        EXPECT_EQ(0, stub::held().icons);  // the loaded picture went after the call
        stub::send(WM_CLOSE);
    }
}

TEST_F(ShellTray, EachStateHasItsLookAtTheSystemsSmallIconSize) {
    start();
    const struct {
        std::int16_t state;
        int resource;
        const char* tip;
    } looks[] = {{1, 102, "Ready"}, {2, 103, "Capturing"}, {0, 101, "Halted"}, {7, 101, "Halted"}};
    for (const int size : {16, 20, 24, 32}) {  // 100, 125, 150 and 200 %
        stub::setSmallIconSize(size);
        for (const auto& look : looks) {
            SCOPED_TRACE(std::to_string(size) + " px, state " + std::to_string(look.state));
            stub::clearCalls();
            trayShowState(NIM_MODIFY, look.state);
            EXPECT_EQ(look.resource, stub::trayIconResource());
            EXPECT_EQ(look.tip, stub::trayTip());
            EXPECT_EQ(size, stub::trayCalls().back().iconWidth);
            EXPECT_EQ(size, stub::trayCalls().back().iconHeight);
            const std::string resource = std::to_string(look.resource);
            EXPECT_EQ(0, callIndex("LoadImageA " + resource));
            EXPECT_LT(callIndex("Shell_NotifyIconA 1 " + resource),
                      callIndex("DestroyIcon " + resource));
            EXPECT_EQ(0, stub::held().icons);
        }
    }
}

TEST_F(ShellTray, TheRecordIsFilledAnewAndTheTipCutTo63Characters) {
    start();
    const std::string tip63(63, 'a');
    const std::string tip64 = tip63 + "b";
    const std::string tip100 = tip64 + std::string(36, 'c');
    stub::clearCalls();
    for (const std::string& tip : {tip63, tip64, tip100}) {
        trayNotify(NIM_MODIFY, nullptr, tip.c_str());
        EXPECT_EQ(tip63, stub::trayCalls().back().record.szTip);
    }
    // No tip and no icon: an empty tip, nothing carried over from the call before.
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

TEST_F(ShellTray, AnIconThatCannotBeLoadedIsPassedAsNone) {
    stub::failIconLoading(true);
    start();
    ASSERT_EQ(1u, stub::trayCalls().size());
    EXPECT_EQ(nullptr, stub::trayCalls()[0].record.hIcon);
    EXPECT_STREQ("Halted", stub::trayCalls()[0].record.szTip);
    EXPECT_TRUE(stub::trayIconPresent());
    EXPECT_EQ(0, countCalls("DestroyIcon"));
}

}  // namespace
