// The settings dialog: loading the stored message at start-up, the commands, OK and storing,
// and the timer buttons that act at once.
#include "app/app.h"
#include "app/dialog.h"
#include "app/settings.h"
#include "capture/session.h"
#include "platform/stub/stub.h"
#include "tests/support/shell_fixture.h"

#include <gtest/gtest.h>

#include <cstring>
#include <ostream>
#include <string>
#include <vector>

namespace {

constexpr const char* kSoftwareFailed = "Unable to open registry key HKEY_CURRENT_USER/Software";
constexpr const char* kProgramFailed =
    "Unable to open registry key HKEY_CURRENT_USER/Software/PIXMOTE";
constexpr const char* kWriteFailed = "Unable to successfully modify embedded message.";

using ShellDialog = ShellTest;

std::vector<BYTE> bytesOf(const std::string& text) {
    return std::vector<BYTE>(text.begin(), text.end());
}

// ---- Initialisation ---------------------------------------------------------------------------

struct StoredValue {
    const char* name;
    DWORD type;              // REG_NONE: no value stored
    std::vector<BYTE> data;  // as stored, NUL included when there is one
    std::string loaded;      // what the edit box then shows
};

void PrintTo(const StoredValue& value, std::ostream* out) {
    *out << value.name;
}

class ShellDialogLoad : public ShellTest, public ::testing::WithParamInterface<StoredValue> {};

TEST_P(ShellDialogLoad, StoredMessageReachesTheEditBox) {
    const StoredValue& value = GetParam();
    addProgramKey(nullptr);
    if (value.type != REG_NONE) {
        stub::regSetBinary(kProgramKey, "", value.data, value.type);
    }
    // Whatever the buffer held before must not show through a value stored without its NUL.
    std::memset(settings.embeddedMessage, 'x', sizeof settings.embeddedMessage);

    const HWND dialog = start();
    EXPECT_EQ(value.loaded, stub::itemText(1004));
    EXPECT_EQ(value.loaded, settings.embeddedMessage);
    EXPECT_EQ(63, stub::itemTextLimit(1004));
    EXPECT_TRUE(stub::itemChecked(40006));
    EXPECT_TRUE(stub::boxes().empty());
    EXPECT_LT(callIndex("RegCloseKey Pixmote"), callIndex("RegCloseKey Software"));
    EXPECT_EQ(TRUE, dialogInitialise(dialog));
}

const std::string k63(63, 'm');
const std::string kDefault = kDefaultMessage;

INSTANTIATE_TEST_SUITE_P(
    Values, ShellDialogLoad,
    ::testing::Values(StoredValue{"Missing", REG_NONE, {}, kDefault},
                      StoredValue{"Plain", REG_SZ, bytesOf(std::string("Hello") + '\0'), "Hello"},
                      StoredValue{"SixtyThree", REG_SZ, bytesOf(k63 + '\0'), k63},
                      StoredValue{"Empty", REG_SZ, {0}, ""}, StoredValue{"NoData", REG_SZ, {}, ""},
                      StoredValue{"ShortWithoutNul", REG_SZ, bytesOf("hello"), "hello"},
                      StoredValue{"SixtyFourWithoutNul", REG_SZ, bytesOf(k63 + "m"), kDefault},
                      StoredValue{"SixtyFour", REG_SZ, bytesOf(k63 + "m" + '\0'), kDefault},
                      StoredValue{"Expandable", REG_EXPAND_SZ, bytesOf(std::string("Hello") + '\0'),
                                  kDefault},
                      StoredValue{"Binary", REG_BINARY, {'H', 'i', 0}, kDefault}),
    [](const ::testing::TestParamInfo<StoredValue>& param) { return param.param.name; });

// ---- OK ---------------------------------------------------------------------------------------

TEST_F(ShellDialog, OkTakesTheSettingsStoresTheMessageAndHides) {
    for (const std::string& typed : {k63, std::string()}) {
        stub::reset();
        settings = Settings{};
        addProgramKey();
        start();
        stub::trayPress(WM_RBUTTONDOWN);
        stub::clickButton(1005);
        EXPECT_FALSE(settings.stillMode);  // the check box alone changes nothing
        stub::typeText(1004, typed);
        stub::clearCalls();
        EXPECT_EQ(TRUE, stub::send(WM_COMMAND, IDOK));

        EXPECT_TRUE(settings.stillMode);
        EXPECT_EQ(typed, settings.embeddedMessage);
        DWORD type = REG_NONE;
        std::vector<BYTE> stored;
        ASSERT_TRUE(stub::regGetValue(kProgramKey, "", &type, &stored));
        EXPECT_EQ(REG_SZ, type);
        EXPECT_EQ(bytesOf(typed + '\0'), stored);  // the text and its NUL: 64 bytes at most
        EXPECT_FALSE(stub::dialogVisible());
        EXPECT_TRUE(stub::boxes().empty());
        EXPECT_LT(callIndex("RegCloseKey Pixmote"), callIndex("RegCloseKey Software"));
        EXPECT_LT(callIndex("RegCloseKey Software"), callIndex("ShowWindow 0"));
        stub::send(WM_CLOSE);
    }
}

TEST_F(ShellDialog, AMissingKeyStopsInitialisationAndKeepsOkFromClosing) {
    for (const bool software : {false, true}) {
        SCOPED_TRACE(software);
        stub::reset();
        settings = Settings{};
        if (software) {
            stub::regCreateKey("Software");
        }
        const char* warning = software ? kProgramFailed : kSoftwareFailed;
        const HWND dialog = start();
        ASSERT_EQ(1u, stub::boxes().size());
        EXPECT_EQ(warning, stub::boxes()[0].text);
        EXPECT_LT(callIndex("Shell_NotifyIconA 0 101"), callIndex("MessageBoxA"));
        EXPECT_EQ(software ? 1 : 0, countCalls("RegCloseKey Software"));
        EXPECT_EQ(0, stub::held().keys);
        EXPECT_EQ("", stub::itemText(1004));
        EXPECT_EQ(-1, stub::itemTextLimit(1004));
        EXPECT_FALSE(stub::itemChecked(40006));
        EXPECT_EQ(1, settings.timerMultiplier);
        EXPECT_STREQ("", settings.embeddedMessage);

        // OK: with no limit on the box it takes the first 63 characters, warns again and
        // leaves the dialog open.
        stub::trayPress(WM_RBUTTONDOWN);
        stub::typeText(1004, std::string(100, 'q'));
        stub::clickButton(1005);
        EXPECT_EQ(FALSE, stub::send(WM_COMMAND, IDOK));
        ASSERT_EQ(2u, stub::boxes().size());
        EXPECT_EQ(warning, stub::boxes()[1].text);
        EXPECT_TRUE(stub::dialogVisible());
        EXPECT_TRUE(settings.stillMode);
        EXPECT_EQ(std::string(63, 'q'), settings.embeddedMessage);
        EXPECT_EQ(0, stub::held().keys);
        EXPECT_FALSE(stub::regHasValue(kProgramKey, ""));
        EXPECT_EQ(FALSE, dialogInitialise(dialog));
        stub::send(WM_CLOSE);
    }
}

TEST_F(ShellDialog, OkWithAFailingWriteWarnsAndStillHides) {
    addProgramKey("Old");
    stub::regRefuseWrite(kProgramKey);
    start();
    stub::trayPress(WM_RBUTTONDOWN);
    stub::typeText(1004, "New");
    stub::clearCalls();
    EXPECT_EQ(TRUE, stub::send(WM_COMMAND, IDOK));
    ASSERT_EQ(1u, stub::boxes().size());
    EXPECT_EQ(kWriteFailed, stub::boxes()[0].text);
    EXPECT_LT(callIndex("SetForegroundWindow dialog"), callIndex("MessageBoxA"));
    EXPECT_FALSE(stub::dialogVisible());
    EXPECT_EQ(0, stub::held().keys);
    EXPECT_STREQ("New", settings.embeddedMessage);
    DWORD type = REG_NONE;
    std::vector<BYTE> stored;
    ASSERT_TRUE(stub::regGetValue(kProgramKey, "", &type, &stored));
    EXPECT_EQ(bytesOf(std::string("Old") + '\0'), stored);
}

// ---- Showing, Exit and the timer buttons ------------------------------------------------------

TEST_F(ShellDialog, ShowingAgainDoesNotReloadTheDialog) {
    addProgramKey("Stored");
    const HWND dialog = start();
    stub::trayPress(WM_RBUTTONDOWN);
    stub::typeText(1004, "Unsaved");
    stub::clickButton(40008);
    ShowWindow(dialog, SW_HIDE);
    stub::clearCalls();
    stub::trayPress(WM_RBUTTONDOWN);
    EXPECT_TRUE(stub::dialogVisible());
    EXPECT_EQ("Unsaved", stub::itemText(1004));
    EXPECT_TRUE(stub::itemChecked(40008));
    EXPECT_EQ(0, countCalls("RegOpenKeyExA"));
}

TEST_F(ShellDialog, ExitWhileHaltedEndsTheProgram) {
    addProgramKey();
    start();
    stub::trayPress(WM_RBUTTONDOWN);
    stub::clearCalls();
    stub::clickButton(IDCANCEL);
    EXPECT_EQ(0, callIndex("SendMessageA 0x10"));
    EXPECT_EQ(0, countCalls("ShowWindow"));
    EXPECT_TRUE(stub::dialogEnded());
    EXPECT_FALSE(stub::trayIconPresent());
    EXPECT_EQ(0, stub::quitCode());
}

TEST_F(ShellDialog, TimerButtonsTakeEffectAtOnce) {
    startIn(Halted);
    stub::trayPress(WM_RBUTTONDOWN);
    for (const int id : {40007, 40006, 40008}) {
        stub::clickButton(id);
        EXPECT_EQ(id - 40005, settings.timerMultiplier);
    }
    // Without OK the next recording runs at 330 ms.
    stub::nextFileDialogChooses(outputPath());
    stub::trayPress(WM_LBUTTONDOWN);
    stub::trayPress(WM_LBUTTONDOWN);
    ASSERT_EQ(Capturing, sessionState());
    EXPECT_EQ(330u, stub::timerInterval(1));
    // During a recording the choice changes the setting at once; the running timer keeps its
    // interval.
    stub::clickButton(40007);
    EXPECT_EQ(2, settings.timerMultiplier);
    EXPECT_EQ(330u, stub::timerInterval(1));
}

}  // namespace
