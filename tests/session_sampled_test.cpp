// Recordings of emulators drawn at any scale, of screens in child windows, and of windows
// resized while recording, decoded and compared with the screens that were shown.
//
// The face used here: 60 x 50 pixels at scale 1 with a screen of 20 x 8 dots, each 2 x 3
// pixels (40 x 24), at (10, 12); AnyScale. It is drawn smoothly (each pixel the average of
// what it covers) at the window's size.
#include "capture/session.h"
#include "platform/stub/stub.h"
#include "tests/support/catalogue_profile.h"
#include "tests/support/session_fixture.h"
#include "tests/support/smooth_picture.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

namespace {

constexpr int kDotsAcross = 20;
constexpr int kDotsDown = 8;

class SampledSession : public SessionTest {
  protected:
    // A profile whose screen is a 96 x 64 child window of class wabbitlcd in a z80 window of
    // this caption, and that window (350 x 725) with its 192 x 128 screen window.
    static HWND addLcdWindow(const char* caption) {
        catalogueProfile("Wabbitemu", "TI-83", "z80", "Wabbitemu", 96, 64)
            .number("CaptionMatch", 1)
            .text("ScreenClass", "wabbitlcd");
        const HWND main = stub::addWindow("z80", caption, 350, 725);
        stub::addChildWindow(main, "wabbitlcd", "LCD", 192, 128);
        return main;
    }

    // The face's profile, and its window at a client size.
    HWND addDotFace(int width, int height) {
        catalogueProfile("StandIn", "Dots", kClass, kCaption, 40, 24)
            .layout(60, 50, 10, 12)
            .dots(2, 3);
        return stub::addWindow(kClass, kCaption, width, height);
    }

    // Random dot levels, dot (0, 0) white and dot (1, 0) black, so the levels quantize back.
    static std::vector<std::uint8_t> randomDots(std::mt19937& random) {
        std::uniform_int_distribution<int> level(0, 15);
        std::vector<std::uint8_t> dots(kDotsAcross * kDotsDown);
        for (std::uint8_t& dot : dots) {
            dot = static_cast<std::uint8_t>(level(random));
        }
        dots[0] = 0;
        dots[1] = 15;
        return dots;
    }

    // What the recording should show: each dot 2 x 3 pixels.
    static Levels screenOf(const std::vector<std::uint8_t>& dots) {
        Levels screen(40, 24);
        for (int y = 0; y < 24; ++y) {
            for (int x = 0; x < 40; ++x) {
                screen(x, y) = dots[static_cast<std::size_t>(y / 3 * kDotsAcross + x / 2)];
            }
        }
        return screen;
    }

    // The face with these dots, drawn smoothly over the window's whole client area.
    static void drawFace(HWND window, const std::vector<std::uint8_t>& dots) {
        RECT client = {};
        GetClientRect(window, &client);
        std::vector<std::uint32_t> grays;
        for (int level = 0; level < 16; ++level) {
            grays.push_back(grayOf(static_cast<std::uint8_t>(level)));
        }
        const smooth::Canvas face =
            smooth::face(60, 50, 0x884422, 10, 12, dots, kDotsAcross, 2, 3, grays);
        const smooth::Canvas drawn =
            smooth::resample(face, client.right, client.bottom, smooth::Filter::Area);
        for (int y = 0; y < drawn.height; ++y) {
            for (int x = 0; x < drawn.width; ++x) {
                stub::setPixel(window, x, y, drawn.at(x, y));
            }
        }
    }

    static void ticks(int count) {
        for (int i = 0; i < count; ++i) {
            stub::fireTimer();
        }
    }
};

// Whole scale, then 1.37 x, then a size that fits no scale (the last picture stays, whatever
// the window shows), then scale 1, then 1.5 x: every screen shown for its ticks, the file's
// size never changing. A tick at an unchanged size makes nothing; a new sampled size makes
// its copy once.
TEST_F(SampledSession, RecordingFollowsTheWindowThroughResizes) {
    const HWND window = addDotFace(120, 100);
    std::mt19937 random(11);
    std::vector<Levels> screens;
    const std::string path = file("resized.gif");
    record(path);

    auto show = [&](int width, int height) {
        stub::resizeWindow(window, width, height);
        const std::vector<std::uint8_t> dots = randomDots(random);
        drawFace(window, dots);
        screens.push_back(screenOf(dots));
    };
    show(120, 100);
    ticks(2);

    show(82, 69);
    stub::clearCalls();
    stub::fireTimer();
    EXPECT_EQ(countCalls("StretchBlt"), 0);
    EXPECT_EQ(countCalls("BitBlt 0 0 52 30 15 18"), 1);
    EXPECT_EQ(countCalls("CreateCompatibleBitmap"), 1);
    EXPECT_EQ(countCalls("GlobalAlloc"), 1);
    stub::clearCalls();
    ticks(2);
    EXPECT_EQ(countCalls("BitBlt"), 2);
    EXPECT_EQ(countCalls("CreateCompatibleBitmap") + countCalls("GlobalAlloc"), 0);

    stub::resizeWindow(window, 82, 80);
    stub::fillRect(window, 0, 0, 82, 80, 0xFFFFFF);
    stub::clearCalls();
    ticks(2);
    EXPECT_EQ(countCalls("BitBlt") + countCalls("StretchBlt") + countCalls("GetDC"), 0);

    show(60, 50);
    ticks(2);
    show(90, 75);
    ticks(3);
    press();
    expectHaltedAndClean();
    expectShows(path, screens, {2, 5, 2, 3}, 16);
}

TEST_F(SampledSession, RecordingAtAnyScaleFromTheStart) {
    const HWND window = addDotFace(82, 69);
    std::mt19937 random(5);
    std::vector<Levels> screens;
    const std::string path = file("sampled.gif");
    prepare(path);
    const CaptureGeometry& geometry = captureGeometry();
    EXPECT_TRUE(geometry.sampled);
    EXPECT_EQ(stub::held().globalBlocks, 4);  // the three buffers and the copy with its tables
    press();
    for (int i = 0; i < 4; ++i) {
        const std::vector<std::uint8_t> dots = randomDots(random);
        drawFace(window, dots);
        screens.push_back(screenOf(dots));
        ticks(i + 1);
    }
    // Hidden while its copy is made: that copy may be what lay behind it, and is dropped.
    stub::duringNextCopy([&] {
        ShowWindow(window, SW_HIDE);
        drawFace(window, randomDots(random));
    });
    ticks(1);
    // Hidden, the last picture stays.
    drawFace(window, randomDots(random));
    ticks(2);
    press();
    expectHaltedAndClean();
    expectShows(path, screens, {1, 2, 3, 7}, 16);
}

// The screen in a child window: detected through ScreenClass, copied from its own context,
// followed when it alone changes size; the top-level window is the one brought to the front.
TEST_F(SampledSession, ScreenInAChildWindow) {
    const HWND main = addLcdWindow("Wabbitemu (1)");
    const HWND lcd = FindWindowExA(main, nullptr, "wabbitlcd", nullptr);
    std::mt19937 random(3);
    const Levels first = randomScreen(96, 64, random);
    const Levels second = changedScreen(first, random);
    paint(main, second, 3);  // what a copy of the main window would find
    paint(lcd, first, 2);

    const std::string gif = file("child.gif");
    record(gif);
    EXPECT_EQ(stub::foregroundWindow(), main);
    stub::clearCalls();
    ticks(2);
    EXPECT_EQ(countCalls("GetDC LCD"), 2);
    EXPECT_EQ(countCalls("StretchBlt 0 0 96 64 0 0 192 128"), 2);
    stub::resizeWindow(lcd, 288, 192);
    paint(lcd, second, 3);
    stub::clearCalls();
    ticks(3);
    EXPECT_EQ(countCalls("StretchBlt 0 0 96 64 0 0 288 192"), 3);
    press();
    expectHaltedAndClean();
    expectShows(gif, {first, second}, {2, 3}, 16);
}

// Wine copies nothing out of another process's child window: the screen is then copied out of
// the emulator window at the child's place, where the same pixels show.
TEST_F(SampledSession, ChildThatGivesNoCopyIsCopiedAtItsPlaceInTheWindow) {
    const HWND main = addLcdWindow("Wabbitemu");
    const HWND lcd = FindWindowExA(main, nullptr, "wabbitlcd", nullptr);
    stub::placeChildWindow(lcd, 80, 92);
    stub::failCopiesFromChildWindows(true);
    std::mt19937 random(5);
    const Levels first = randomScreen(96, 64, random);
    const Levels second = changedScreen(first, random);
    paint(main, first, 2, 80, 92);

    const std::string gif = file("child-place.gif");
    record(gif);
    ticks(2);
    paint(main, second, 2, 80, 92);
    stub::clearCalls();
    ticks(2);
    EXPECT_EQ(countCalls("GetDC LCD"), 2);
    EXPECT_EQ(countCalls("StretchBlt 0 0 96 64 80 92 192 128"), 2);
    press();
    stub::failCopiesFromChildWindows(false);
    expectHaltedAndClean();
    expectShows(gif, {first, second}, {2, 2}, 16);
}

// The copy that a sampled screen needs cannot be made: at the preparation it is a failed
// allocation like any other; after a resize the last picture stays, and the next size that
// fits tries again.
TEST_F(SampledSession, CopyThatCannotBeMade) {
    HWND window = addDotFace(82, 69);
    stub::failGlobalAllocAfter(3);
    prepare(file("kept.gif"));
    EXPECT_EQ(warnings(), (std::vector<std::string>{"Unable to allocate necessary memory."}));
    expectHaltedAndClean();

    stub::failGlobalAllocAfter(-1);
    stub::resizeWindow(window, 120, 100);
    std::mt19937 random(9);
    std::vector<Levels> screens;
    const std::string path = file("kept.gif");
    record(path);
    std::vector<std::uint8_t> dots = randomDots(random);
    drawFace(window, dots);
    screens.push_back(screenOf(dots));
    ticks(2);

    stub::failGlobalAllocAfter(0);
    stub::resizeWindow(window, 82, 69);
    drawFace(window, randomDots(random));
    ticks(2);
    stub::failGlobalAllocAfter(-1);
    ticks(1);  // the same size: not tried again

    stub::resizeWindow(window, 90, 75);
    dots = randomDots(random);
    drawFace(window, dots);
    screens.push_back(screenOf(dots));
    ticks(2);
    press();
    expectHaltedAndClean();
    expectShows(path, screens, {5, 2}, 16);
}

}  // namespace
