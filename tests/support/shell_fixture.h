// The fixture of the application shell's tests: starts the program the way WinMain does, can
// put a recording into Ready or Capturing with the emulator stand-in, and ends every scenario
// by closing the program, then proves that nothing is held and the tray icon is gone.
#pragma once

#include "app/app.h"
#include "app/settings.h"
#include "capture/session.h"
#include "tests/support/catalogue_profile.h"
#include "tests/support/stub_fixture.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <string>

class ShellTest : public StubTest {
  protected:
    static constexpr const char* kProgramKey = "Software\\Pixmote";
    static constexpr const char* kEmulatorClass = "CalcStandIn";
    static constexpr const char* kEmulatorCaption = "Calculator Stand-In";
    static constexpr int kWidth = 96;
    static constexpr int kHeight = 64;

    static HINSTANCE instance() { return reinterpret_cast<HINSTANCE>(std::uintptr_t{0x400000}); }

    void TearDown() override {
        if (stub::dialog() != nullptr && !stub::dialogEnded()) {
            if (sessionState() != Halted) {
                stopRecording(stub::dialog());
            }
            EXPECT_EQ(TRUE, stub::send(WM_CLOSE));
            EXPECT_EQ(0, stub::quitCode());
        }
        EXPECT_FALSE(stub::trayIconPresent());
        expectNothingHeld();
        std::remove(outputPath().c_str());
    }

    // The program key with a stored message (none when message is null).
    static void addProgramKey(const char* message = "Hello") {
        stub::regCreateKey(kProgramKey);
        if (message != nullptr) {
            stub::regSetString(kProgramKey, "", message);
        }
    }

    // A bare-screen profile and its open window, white with nothing drawn.
    void addEmulator() {
        catalogueProfile("StandIn", "Bare", kEmulatorClass, kEmulatorCaption, kWidth, kHeight);
        emulator = stub::addWindow(kEmulatorClass, kEmulatorCaption, kWidth, kHeight);
        stub::fillRect(emulator, 0, 0, kWidth, kHeight, 0xFFFFFF);
    }

    // WinMain's first steps: the instance stored, the hidden dialog created and initialised.
    static HWND start() {
        const HWND dialog = appCreate(instance());
        EXPECT_NE(nullptr, dialog);
        return dialog;
    }

    // Started with a program key and an emulator; left presses up to the state asked for.
    HWND startIn(SessionState state) {
        if (stub::regHasValue(kProgramKey, "") == false) {
            addProgramKey();
        }
        addEmulator();
        const HWND dialog = start();
        if (state != Halted) {
            stub::nextFileDialogChooses(outputPath());
            stub::trayPress(WM_LBUTTONDOWN);
            EXPECT_EQ(Ready, sessionState());
        }
        if (state == Capturing) {
            stub::trayPress(WM_LBUTTONDOWN);
            EXPECT_EQ(Capturing, sessionState());
        }
        return dialog;
    }

    // A black 8 x 8 square on white, at a place that differs with n (away from row and
    // column 0, so that each change counts).
    void drawPattern(int n) {
        stub::fillRect(emulator, 0, 0, kWidth, kHeight, 0xFFFFFF);
        stub::fillRect(emulator, 8 + 12 * n, 8, 8, 8, 0x000000);
    }

    static std::string outputPath() {
        const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
        std::string name = std::string(test->test_suite_name()) + "_" + test->name();
        std::replace(name.begin(), name.end(), '/', '_');
        return ::testing::TempDir() + "pixmote_" + name + ".gif";
    }

    // Position of the first logged call starting with prefix, or -1.
    static int callIndex(const std::string& prefix) {
        const auto& calls = stub::calls();
        for (std::size_t i = 0; i < calls.size(); ++i) {
            if (calls[i].compare(0, prefix.size(), prefix) == 0) {
                return static_cast<int>(i);
            }
        }
        return -1;
    }

    HWND emulator = nullptr;
};
