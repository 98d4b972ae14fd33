// Windows drawn by the GPU: their own device context gives a copy that is all black while the
// screen shows them. Recordings of such a window, whole and sampled, decoded and compared with
// the screens shown; a window whose copy works and a screen that really is black keep the
// window's own copy.
#include "capture/session.h"
#include "platform/stub/stub.h"
#include "tests/support/session_fixture.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

namespace {

class GpuCopy : public SessionTest {
  protected:
    // A bare 96 x 64 profile that takes any factor, and its window at 1.5 times.
    HWND addAnyScale() {
        addBareProfile();
        stub::regSetDword("Software\\Pixmote\\StandIn\\Bare", "AnyScale", 1);
        return stub::addWindow(kClass, kCaption, 144, 96);
    }

    // Paints screen at 1.5 times, each window pixel the dot under it (nearest).
    static void paintAtOneAndAHalf(HWND window, const Levels& screen) {
        for (int y = 0; y < 96; ++y) {
            for (int x = 0; x < 144; ++x) {
                stub::setPixel(window, x, y, grayOf(screen(x * 2 / 3, y * 2 / 3)));
            }
        }
    }
};

}  // namespace

// Whole factors and any factor: the first tick finds the window's copy black and the screen's
// not, and from then on every tick copies the screen alone (one copy a tick, no black copy).
TEST_F(GpuCopy, BlackWindowIsCopiedFromTheScreen) {
    const struct {
        const char* name;
        bool sampled;
    } kCases[] = {{"whole", false}, {"sampled", true}};
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.name);
        const HWND window = c.sampled ? addAnyScale() : addBare(192, 128);
        stub::copiesComeBackBlack(window, true);
        const std::string path = file(std::string(c.name) + ".gif");
        std::mt19937 random(7);
        std::vector<Levels> screens{randomScreen(96, 64, random)};
        record(path);
        for (int tick = 1; tick <= 4; ++tick) {
            if (tick > 1) {
                screens.push_back(changedScreen(screens.back(), random));
            }
            c.sampled ? paintAtOneAndAHalf(window, screens.back())
                      : paint(window, screens.back(), 2);
            if (tick == 3) {
                stub::clearCalls();
            }
            stub::fireTimer();
        }
        press();
        expectShows(path, screens, {1, 1, 1, 1}, 16);
        // The third and fourth ticks: the screen's context only.
        EXPECT_EQ(countCalls("GetDC screen"), 2);
        EXPECT_EQ(countCalls(c.sampled ? "BitBlt" : "StretchBlt"), 2);
        expectHaltedAndClean();
        stub::destroyWindow(window);
        stub::regDeleteKey("Software\\Pixmote\\StandIn\\Bare");
    }
}

// A window whose screen is black on the screen too keeps the window's copy: it is recorded
// black until it shows something. (That a working copy is never taken from the screen, the
// call order of every tick in the session tests shows.)
TEST_F(GpuCopy, BlackScreenKeepsTheWindowsCopy) {
    const HWND window = addBare(96, 64);
    // Black on both: each black tick looks at the screen too, and nothing changes.
    stub::copiesComeBackBlack(window, true);
    stub::fillRect(window, 0, 0, 96, 64, 0);
    const std::string dark = file("dark.gif");
    record(dark);
    stub::clearCalls();
    stub::fireTimer();
    EXPECT_EQ(countCalls("GetDC screen"), 1);
    // The window's copy works again and shows a screen: taken from the window, at once.
    stub::copiesComeBackBlack(window, false);
    std::mt19937 random(3);
    const Levels shown = randomScreen(96, 64, random);
    paint(window, shown);
    stub::clearCalls();
    stub::fireTimer();
    EXPECT_EQ(countCalls("GetDC screen"), 0);
    press();
    // The black screen is one colour, recorded as any uniform screen is (level 0).
    expectShows(dark, {Levels(96, 64), shown}, {1, 1}, 16);
    expectHaltedAndClean();
}
