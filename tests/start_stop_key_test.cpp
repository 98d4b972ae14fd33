// The Size and the start/stop key in the settings dialog: what is read at start, what OK
// stores, the key's registration and its note, and the key pressed in every state doing what
// the tray's left press does.
#include "app/app.h"
#include "app/settings.h"
#include "capture/session.h"
#include "gif/animation_writer.h"
#include "gif/enlarge.h"
#include "platform/stub/stub.h"
#include "tests/support/shell_fixture.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace {

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
    static bool storedDword(const char* name, DWORD* value) {
        DWORD type = 0;
        std::vector<BYTE> data;
        if (!stub::regGetValue(kProgramKey, name, &type, &data) || type != REG_DWORD ||
            data.size() != 4) {
            return false;
        }
        *value = static_cast<DWORD>(data[0] | data[1] << 8 | data[2] << 16 | data[3] << 24);
        return true;
    }
};

// Enlarge as stored, and what the dialog and the Settings make of it.
struct StoredSize {
    const char* name;
    bool present;
    DWORD type;
    DWORD value;
    int expected;
};

class StoredSizes : public StartStopKey, public ::testing::WithParamInterface<StoredSize> {};

TEST_P(StoredSizes, AreReadAtStartWithAnythingElseMeaningX1) {
    const StoredSize& c = GetParam();
    addProgramKey();
    if (c.present) {
        const DWORD value = c.value;
        stub::regSetBinary(kProgramKey, "Enlarge",
                           {static_cast<BYTE>(value), static_cast<BYTE>(value >> 8), 0, 0}, c.type);
    }
    start();
    EXPECT_EQ(settings.enlarge, c.expected);
    for (int k = 1; k <= 4; ++k) {
        EXPECT_EQ(stub::itemChecked(kSizeButton + k - 1), k == c.expected) << "x" << k;
    }
}

INSTANTIATE_TEST_SUITE_P(Values, StoredSizes,
                         ::testing::Values(StoredSize{"Missing", false, REG_DWORD, 0, 1},
                                           StoredSize{"Zero", true, REG_DWORD, 0, 1},
                                           StoredSize{"One", true, REG_DWORD, 1, 1},
                                           StoredSize{"Two", true, REG_DWORD, 2, 2},
                                           StoredSize{"Four", true, REG_DWORD, 4, 4},
                                           StoredSize{"Five", true, REG_DWORD, 5, 1},
                                           StoredSize{"Large", true, REG_DWORD, 0x103, 1},
                                           StoredSize{"NotADword", true, REG_BINARY, 3, 1}),
                         [](const auto& param) { return std::string(param.param.name); });

TEST_F(StartStopKey, OkStoresOnlyWhatChangedAndTheNextStartReadsIt) {
    addProgramKey();
    start();
    stub::clickButton(IDOK);
    DWORD value = 0;
    EXPECT_FALSE(stub::regHasValue(kProgramKey, "Enlarge"));  // untouched: as before
    EXPECT_FALSE(stub::regHasValue(kProgramKey, "StartStopKey"));

    stub::trayPress(WM_RBUTTONDOWN);
    stub::clickButton(kSizeButton + 2);  // x3
    EXPECT_EQ(settings.enlarge, 1);      // taken at OK, not at once
    stub::setHotKeyControl(kKeyControl, kCtrlAltR);
    stub::clickButton(IDOK);
    EXPECT_FALSE(stub::dialogVisible());
    EXPECT_EQ(settings.enlarge, 3);
    ASSERT_TRUE(storedDword("Enlarge", &value));
    EXPECT_EQ(value, 3u);
    ASSERT_TRUE(storedDword("StartStopKey", &value));
    EXPECT_EQ(value, kCtrlAltR);
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
    DWORD value = 1;
    ASSERT_TRUE(storedDword("StartStopKey", &value));
    EXPECT_EQ(value, 0u);
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

// The key in every state: the same steps, looks and file as the tray's left press.
TEST_F(StartStopKey, PressedInEveryStateActsAsTheTrayLeftPress) {
    addProgramKey();
    addEmulator();
    start();
    stub::nextFileDialogChooses(outputPath());
    EXPECT_EQ(stub::pressHotKey(0, kPause), TRUE);
    EXPECT_EQ(sessionState(), Ready);
    EXPECT_EQ(stub::trayIconResource(), 102);
    stub::pressHotKey(0, kPause);
    EXPECT_EQ(sessionState(), Capturing);
    EXPECT_EQ(stub::trayIconResource(), 103);
    drawPattern(1);
    stub::fireTimer();
    stub::pressHotKey(0, kPause);
    EXPECT_EQ(sessionState(), Halted);
    EXPECT_EQ(stub::trayIconResource(), 101);
    EXPECT_TRUE(std::filesystem::exists(outputPath()));
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
    EXPECT_TRUE(enlargeFits(16380, 10, 3));
    EXPECT_FALSE(enlargeFits(16380, 10, 4));
    EXPECT_TRUE(enlargeFits(16379, 16379, 4));
    EXPECT_FALSE(enlargeFits(10, 16380, 4));
    EXPECT_FALSE(enlargeFits(10, 10, 5));
    EXPECT_FALSE(enlargeFits(10, 10, 0));

    addProgramKey();
    const std::string profile = std::string(kProgramKey) + "\\StandIn\\Wide";
    stub::regCreateKey(profile);
    stub::regSetString(profile, "ClassName", kEmulatorClass);
    stub::regSetString(profile, "Caption", kEmulatorCaption);
    stub::regSetDword(profile, "CX", 16380);
    stub::regSetDword(profile, "CY", 2);
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
