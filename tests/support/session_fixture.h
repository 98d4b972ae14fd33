// Test support for the capture session: the program's dialog made as WinMain makes it, a
// catalogued stand-in emulator window, screens painted in the output palette's grays, and
// the checks every ending of a recording must pass.
//
// A screen is a Levels grid of W x H gray levels 0..15. Painted as the palette's grays
// (255 - 17 * level) and holding both level 0 and level 15, it quantizes back to exactly those
// levels, so a decoded file can be compared with the screens level for level.
#pragma once

#include "app/app.h"
#include "capture/session.h"
#include "gif/animation_writer.h"
#include "platform/stub/stub.h"
#include "tests/support/catalogue_profile.h"
#include "tests/support/gif_replay.h"
#include "tests/support/stub_fixture.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include <unistd.h>

struct Levels {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> at;  // row-major, top row first

    Levels(int w, int h, std::uint8_t level = 0)
        : width(w), height(h), at(static_cast<std::size_t>(w * h), level) {}
    std::uint8_t& operator()(int x, int y) { return at[static_cast<std::size_t>(y * width + x)]; }
    std::uint8_t operator()(int x, int y) const {
        return at[static_cast<std::size_t>(y * width + x)];
    }
};

inline std::uint32_t grayOf(std::uint8_t level) {
    const std::uint32_t g = 255u - 17u * level;
    return g * 0x010101u;
}

// A screen of random levels with level 0 at (0, 0) and level 15 at (1, 0), so that the
// per-frame stretch maps every painted gray back to its own level.
inline Levels randomScreen(int width, int height, std::mt19937& random) {
    Levels screen(width, height);
    std::uniform_int_distribution<int> level(0, 15);
    for (std::uint8_t& value : screen.at) {
        value = static_cast<std::uint8_t>(level(random));
    }
    screen(0, 0) = 0;
    screen(1, 0) = 15;
    return screen;
}

// The same screen with a random rectangle redrawn below row 0 and right of column 0, with at
// least one pixel of it changed: a change that the tracking always counts.
inline Levels changedScreen(const Levels& before, std::mt19937& random) {
    Levels after = before;
    std::uniform_int_distribution<int> xs(1, before.width - 1);
    std::uniform_int_distribution<int> ys(1, before.height - 1);
    std::uniform_int_distribution<int> level(0, 15);
    int x0 = xs(random);
    int x1 = xs(random);
    int y0 = ys(random);
    int y1 = ys(random);
    if (x0 > x1) {
        std::swap(x0, x1);
    }
    if (y0 > y1) {
        std::swap(y0, y1);
    }
    for (int y = y0; y <= y1; ++y) {
        for (int x = x0; x <= x1; ++x) {
            after(x, y) = static_cast<std::uint8_t>(level(random));
        }
    }
    after(x1, y1) = static_cast<std::uint8_t>((before(x1, y1) + 1 + level(random) % 15) % 16);
    return after;
}

class SessionTest : public StubTest {
  protected:
    static constexpr const char* kClass = "CalcStandIn";
    static constexpr const char* kCaption = "Calculator Stand-In";

    void SetUp() override {
        StubTest::SetUp();
        // The program key exists, as installed; the catalogue is filled by each test.
        stub::regCreateKey("Software\\Pixmote");
        appInstance = reinterpret_cast<HINSTANCE>(0x400000);
        dialog = CreateDialogParamA(appInstance, "PIXMOTE", nullptr, dialogProc, 0);
        ASSERT_NE(dialog, nullptr);
        folder = std::filesystem::path(::testing::TempDir()) /
                 ("pixmote_session_" + std::to_string(getpid()) + "_" +
                  ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::remove_all(folder);
        std::filesystem::create_directories(folder);
    }

    // A test may end mid-recording; the session's state is the program's own and outlives the
    // test, so it is brought back to Halted (the file finished) for the next one.
    void TearDown() override {
        for (int i = 0; i < 2 && sessionState() != Halted; ++i) {
            press();
        }
        std::filesystem::remove_all(folder);
    }

    // The catalogue's stand-in profiles and a window for one of them.
    static void addBareProfile() { catalogueProfile("StandIn", "Bare", kClass, kCaption, 96, 64); }
    HWND addBare(int clientWidth, int clientHeight) {
        addBareProfile();
        return stub::addWindow(kClass, kCaption, clientWidth, clientHeight);
    }
    HWND addFace(int scale) {
        catalogueProfile("StandIn", "Face", kClass, kCaption, 96, 64).layout(160, 280, 32, 40);
        return stub::addWindow(kClass, kCaption, 160 * scale, 280 * scale);
    }

    // Paints screen into the window's client area, each level a block of scale x scale
    // pixels with its top-left corner at (x, y).
    static void paint(HWND window, const Levels& screen, int scale = 1, int x = 0, int y = 0) {
        for (int row = 0; row < screen.height; ++row) {
            for (int col = 0; col < screen.width; ++col) {
                stub::fillRect(window, x + col * scale, y + row * scale, scale, scale,
                               grayOf(screen(col, row)));
            }
        }
    }

    std::string file(const std::string& name) const { return (folder / name).string(); }

    static INT_PTR press() { return stub::trayPress(WM_LBUTTONDOWN); }

    // Halted -> Ready with this name chosen, then Ready -> Capturing.
    static void prepare(const std::string& name) {
        stub::nextFileDialogChooses(name);
        press();
    }
    static void record(const std::string& name) {
        prepare(name);
        press();
    }

    // The tray pictures shown since the call log mark, in order.
    std::vector<int> trayLooksSince(std::size_t mark) const {
        std::vector<int> looks;
        const auto& all = stub::trayCalls();
        for (std::size_t i = mark; i < all.size(); ++i) {
            looks.push_back(all[i].iconResource);
        }
        return looks;
    }
    static std::size_t trayMark() { return stub::trayCalls().size(); }

    static std::vector<std::string> warnings() {
        std::vector<std::string> texts;
        for (const stub::Box& box : stub::boxes()) {
            texts.push_back(box.text);
        }
        return texts;
    }

    // Where every ending leaves the session: Halted in look and state, writer closed, no
    // holding left, nothing held by the platform.
    static void expectHaltedAndClean() {
        EXPECT_EQ(sessionState(), Halted);
        EXPECT_FALSE(animationIsOpen());
        EXPECT_EQ(stub::trayIconResource(), 101);
        EXPECT_EQ(stub::trayTip(), "Halted");
        const CaptureBuffers& buffers = captureBuffers();
        EXPECT_EQ(buffers.bitmap, nullptr);
        EXPECT_EQ(buffers.pixels, nullptr);
        EXPECT_EQ(buffers.previous, nullptr);
        EXPECT_EQ(buffers.current, nullptr);
        expectNothingHeld();
    }

    // The decoded file, image by image, against the screens it should show: screen i stayed
    // ticks[i] timer ticks, so it is shown with a delay of ticks[i] steps.
    static void expectShows(const std::string& path, const std::vector<Levels>& screens,
                            const std::vector<int>& ticks, int step) {
        const DecodedGif gif = decodeGif(path);
        ASSERT_TRUE(gif.ok) << gif.error;
        const std::vector<ShownCanvas> shown = replayGif(gif);
        ASSERT_EQ(shown.size(), screens.size());
        for (std::size_t i = 0; i < shown.size(); ++i) {
            SCOPED_TRACE("image " + std::to_string(i));
            EXPECT_TRUE(hasPixmoteBorder(shown[i]));
            EXPECT_EQ(innerFrame(shown[i], 2), screens[i].at);
            ASSERT_TRUE(shown[i].delay.has_value());
            EXPECT_EQ(*shown[i].delay, ticks[i] * step);
        }
    }

    HWND dialog = nullptr;
    std::filesystem::path folder;
};
