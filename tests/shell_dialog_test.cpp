// The settings dialog: loading the stored message at start-up, the commands, OK and storing,
// and the timer buttons that act at once; the Size and the start/stop key: what is read at
// start, what OK stores, the key's registration and its note, and the key pressed in every
// state doing what the tray's left press does.
#include "app/app.h"
#include "app/dialog.h"
#include "app/settings.h"
#include "capture/session.h"
#include "gif/animation_writer.h"
#include "platform/stub/stub.h"
#include "tests/support/shell_fixture.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <functional>
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

// The stored message or the stored Size (Enlarge), and what the dialog and the Settings make
// of it: anything that is not a valid value is the default (the message, or x1).
struct StoredValue {
    const char* name;
    DWORD type;              // REG_NONE: no value stored
    std::vector<BYTE> data;  // as stored, NUL included when there is one
    std::string loaded;      // what the edit box then shows
    const char* valueName = "";
    int enlarge = 1;  // the Size then checked
};

void PrintTo(const StoredValue& value, std::ostream* out) {
    *out << value.name;
}

class ShellDialogLoad : public ShellTest, public ::testing::WithParamInterface<StoredValue> {};

TEST_P(ShellDialogLoad, StoredValueReachesTheDialog) {
    const StoredValue& value = GetParam();
    addProgramKey(nullptr);
    if (value.type != REG_NONE) {
        stub::regSetBinary(kProgramKey, value.valueName, value.data, value.type);
    }
    // Whatever the buffer held before must not show through a value stored without its NUL.
    std::memset(settings.embeddedMessage, 'x', sizeof settings.embeddedMessage);

    const HWND dialog = start();
    EXPECT_EQ(value.loaded, stub::itemText(1004));
    EXPECT_EQ(value.loaded, settings.embeddedMessage);
    EXPECT_EQ(settings.enlarge, value.enlarge);
    for (int k = 1; k <= 4; ++k) {
        EXPECT_EQ(stub::itemChecked(1007 + k - 1), k == value.enlarge) << "x" << k;
    }
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
    ::testing::Values(
        StoredValue{"Missing", REG_NONE, {}, kDefault},
        StoredValue{"Plain", REG_SZ, bytesOf(std::string("Hello") + '\0'), "Hello"},
        StoredValue{"SixtyThree", REG_SZ, bytesOf(k63 + '\0'), k63},
        StoredValue{"Empty", REG_SZ, {0}, ""}, StoredValue{"NoData", REG_SZ, {}, ""},
        StoredValue{"ShortWithoutNul", REG_SZ, bytesOf("hello"), "hello"},
        StoredValue{"SixtyFourWithoutNul", REG_SZ, bytesOf(k63 + "m"), kDefault},
        StoredValue{"SixtyFour", REG_SZ, bytesOf(k63 + "m" + '\0'), kDefault},
        StoredValue{"Expandable", REG_EXPAND_SZ, bytesOf(std::string("Hello") + '\0'), kDefault},
        StoredValue{"Binary", REG_BINARY, {'H', 'i', 0}, kDefault},
        StoredValue{"SizeZero", REG_DWORD, {0, 0, 0, 0}, kDefault, "Enlarge", 1},
        StoredValue{"SizeOne", REG_DWORD, {1, 0, 0, 0}, kDefault, "Enlarge", 1},
        StoredValue{"SizeTwo", REG_DWORD, {2, 0, 0, 0}, kDefault, "Enlarge", 2},
        StoredValue{"SizeFour", REG_DWORD, {4, 0, 0, 0}, kDefault, "Enlarge", 4},
        StoredValue{"SizeFive", REG_DWORD, {5, 0, 0, 0}, kDefault, "Enlarge", 1},
        StoredValue{"SizeLarge", REG_DWORD, {3, 1, 0, 0}, kDefault, "Enlarge", 1},
        StoredValue{"SizeNotADword", REG_BINARY, {3, 0, 0, 0}, kDefault, "Enlarge", 1}),
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

// ---- The Size and the start/stop key ---------------------------------------------------------

constexpr int kSizeButton = 1007;  // "x1"; "x2" to "x4" follow
constexpr int kKeyControl = 1012;
constexpr int kKeyNote = 1013;
constexpr UINT kPause = 0x13;
constexpr WORD kCtrlAltR = 'R' | ((HOTKEYF_CONTROL | HOTKEYF_ALT) << 8);

class StartStopKey : public ShellTest {
  protected:
    static std::vector<stub::HotKey> keys() { return stub::hotKeys(); }
    static void expectKey(UINT modifiers, UINT virtualKey) {
        const auto registered = keys();
        ASSERT_EQ(registered.size(), 1u);
        EXPECT_EQ(registered[0].window, stub::dialog());
        EXPECT_EQ(registered[0].modifiers, modifiers);
        EXPECT_EQ(registered[0].virtualKey, virtualKey);
    }
};

TEST_F(StartStopKey, OkStoresOnlyWhatChangedAndTheNextStartReadsIt) {
    addProgramKey();
    start();
    stub::clickButton(IDOK);
    EXPECT_FALSE(stub::regHasValue(kProgramKey, "Enlarge"));  // untouched: as before
    EXPECT_FALSE(stub::regHasValue(kProgramKey, "StartStopKey"));

    stub::trayPress(WM_RBUTTONDOWN);
    stub::clickButton(kSizeButton + 2);  // x3
    EXPECT_EQ(settings.enlarge, 1);      // taken at OK, not at once
    stub::setHotKeyControl(kKeyControl, kCtrlAltR);
    stub::clickButton(IDOK);
    EXPECT_FALSE(stub::dialogVisible());
    EXPECT_EQ(settings.enlarge, 3);
    EXPECT_EQ(dwordValue(kProgramKey, "Enlarge"), 3u);
    EXPECT_EQ(dwordValue(kProgramKey, "StartStopKey"), kCtrlAltR);
    expectKey(MOD_CONTROL | MOD_ALT, 'R');

    // The next run starts with them.
    stub::send(WM_CLOSE);
    EXPECT_TRUE(keys().empty());  // released by the close sequence
    settings = Settings{};
    stub::reset();
    addProgramKey();
    stub::regSetDword(kProgramKey, "Enlarge", 3);
    stub::regSetDword(kProgramKey, "StartStopKey", kCtrlAltR);
    start();
    EXPECT_EQ(settings.enlarge, 3);
    EXPECT_TRUE(stub::itemChecked(kSizeButton + 2));
    EXPECT_EQ(stub::hotKeyControl(kKeyControl), kCtrlAltR);
    expectKey(MOD_CONTROL | MOD_ALT, 'R');
}

TEST_F(StartStopKey, DefaultIsPauseAloneAndWorksWithoutTheProgramKey) {
    start();  // no program key: its warning, and the key all the same
    ASSERT_EQ(stub::boxes().size(), 1u);
    expectKey(0, kPause);
    EXPECT_EQ(stub::hotKeyControl(kKeyControl), kPause);
    EXPECT_TRUE(stub::itemChecked(kSizeButton));
    EXPECT_EQ(stub::itemText(kKeyNote), "");
}

TEST_F(StartStopKey, ClearedKeyRegistersNothingAndIsStoredAsZero) {
    addProgramKey();
    start();
    stub::setHotKeyControl(kKeyControl, 0);
    stub::clickButton(IDOK);
    EXPECT_TRUE(keys().empty());
    EXPECT_EQ(dwordValue(kProgramKey, "StartStopKey"), 0u);
    EXPECT_EQ(stub::pressHotKey(0, kPause), 0);  // nothing answers it
    EXPECT_EQ(sessionState(), Halted);
}

TEST_F(StartStopKey, KeyHeldElsewhereIsToldInTheDialogAndTheProgramStillStarts) {
    addProgramKey();
    stub::takeHotKey(0, kPause);
    start();
    EXPECT_TRUE(keys().empty());
    EXPECT_NE(stub::itemText(kKeyNote).find("Another program already uses this key"),
              std::string::npos);
    EXPECT_TRUE(stub::boxes().empty());  // no box at start: the program starts quietly
    EXPECT_TRUE(stub::trayIconPresent());

    // Choosing another key that works empties the note and hides the dialog.
    stub::trayPress(WM_RBUTTONDOWN);
    stub::setHotKeyControl(kKeyControl, kCtrlAltR);
    stub::clickButton(IDOK);
    expectKey(MOD_CONTROL | MOD_ALT, 'R');
    EXPECT_EQ(stub::itemText(kKeyNote), "");
    EXPECT_FALSE(stub::dialogVisible());

    // A new key that is held elsewhere: the note says so and the dialog stays up.
    stub::takeHotKey(MOD_SHIFT, 'Q');
    stub::trayPress(WM_RBUTTONDOWN);
    stub::setHotKeyControl(kKeyControl, 'Q' | (HOTKEYF_SHIFT << 8));
    stub::clickButton(IDOK);
    EXPECT_TRUE(keys().empty());
    EXPECT_NE(stub::itemText(kKeyNote).find("Another program"), std::string::npos);
    EXPECT_TRUE(stub::dialogVisible());
}

// While the file dialog is open, the key is refused exactly as the tray's press is: the same
// calls, in the same order, from the same starting point.
TEST_F(StartStopKey, DuringTheFileDialogAndABoxItIsGuardedAsTheTrayPress) {
    const auto run = [this](const std::function<void()>& pressOnce) {
        stub::reset();
        settings = Settings{};
        addProgramKey();
        addEmulator();
        start();
        stub::whileNextBoxOpen([&pressOnce] { pressOnce(); });  // file dialog's nested loop
        stub::nextFileDialogCancels();
        stub::clearCalls();
        pressOnce();
        std::vector<std::string> seen = stub::calls();
        const std::int16_t state = sessionState();
        stub::send(WM_CLOSE);
        return std::make_pair(seen, state);
    };
    const auto byTray = run([] { stub::trayPress(WM_LBUTTONDOWN); });
    const auto byKey = run([] { stub::pressHotKey(0, kPause); });
    EXPECT_EQ(byKey.first, byTray.first);
    EXPECT_EQ(byKey.second, byTray.second);
    EXPECT_FALSE(byTray.first.empty());
}

TEST_F(StartStopKey, SizeTooLargeForTheFactorIsRefusedAtTheStartWithNothingCreated) {
    // 16380 + 4 fits at x1..x3 (49152), not at x4 (65536).
    addProgramKey();
    catalogueProfile("StandIn", "Wide", kEmulatorClass, kEmulatorCaption, 16380, 2);
    stub::addWindow(kEmulatorClass, kEmulatorCaption, 16380, 2);
    stub::regSetDword(kProgramKey, "Enlarge", 4);
    start();
    stub::nextFileDialogChooses(outputPath());
    stub::trayPress(WM_LBUTTONDOWN);
    ASSERT_EQ(sessionState(), Ready);
    stub::trayPress(WM_LBUTTONDOWN);
    EXPECT_EQ(sessionState(), Halted);
    ASSERT_FALSE(stub::boxes().empty());
    EXPECT_NE(stub::boxes().back().text.find("too large to record at the Size"), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(outputPath()));
    EXPECT_FALSE(animationIsOpen());

    // The writer refuses it too, creating nothing.
    EXPECT_FALSE(beginAnimation(outputPath().c_str(), 16380, 2, 4));
    EXPECT_FALSE(std::filesystem::exists(outputPath()));
}

}  // namespace
