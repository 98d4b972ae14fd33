// Recordings of emulators drawn at any scale, of screens in child windows, of windows resized
// while recording, and at the Sizes x2 to x4, decoded and compared with the screens that were
// shown or with the same recording at x1.
//
// The face used here: 60 x 50 pixels at scale 1 with a screen of 20 x 8 dots, each 2 x 3
// pixels (40 x 24), at (10, 12); AnyScale. It is drawn smoothly (each pixel the average of
// what it covers) at the window's size.
//
// With PIXMOTE_ENLARGE_OUT set to a folder, the enlargement tests leave their files there as
// NAME-x1.gif and NAME-xK.gif for tests/enlarge_decode_test.py, which checks them with PIL.
#include "app/settings.h"
#include "capture/session.h"
#include "platform/stub/stub.h"
#include "tests/support/catalogue_profile.h"
#include "tests/support/session_fixture.h"
#include "tests/support/smooth_picture.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <functional>
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
// the window shows), then scale 1, then 1.5 x, then hidden: every screen shown for its ticks,
// the file's size never changing. A tick at an unchanged size makes nothing; a new sampled size
// makes its copy once.
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
    expectShows(path, screens, {2, 5, 2, 6}, 16);
}

// The screen in a child window: detected through ScreenClass, copied from its own context,
// followed when it alone changes size; the top-level window is the one brought to the front.
// Wine copies nothing out of another process's child window: the screen is then copied out of
// the emulator window at the child's place, where the same pixels show.
TEST_F(SampledSession, ScreenInAChildWindow) {
    for (const bool copies : {true, false}) {
        SCOPED_TRACE(copies ? "the child gives copies" : "the child gives no copy");
        const HWND main = addLcdWindow(copies ? "Wabbitemu (1)" : "Wabbitemu");
        const HWND lcd = FindWindowExA(main, nullptr, "wabbitlcd", nullptr);
        const int x = copies ? 0 : 80;
        const int y = copies ? 0 : 92;
        stub::placeChildWindow(lcd, x, y);
        stub::failCopiesFromChildWindows(!copies);
        std::mt19937 random(3);
        const Levels first = randomScreen(96, 64, random);
        const Levels second = changedScreen(first, random);
        const HWND shows = copies ? lcd : main;
        if (copies) {
            paint(main, second, 3);  // what a copy of the main window would find
        }
        paint(shows, first, 2, x, y);

        const std::string gif = file(copies ? "child.gif" : "child-place.gif");
        record(gif);
        EXPECT_EQ(stub::foregroundWindow(), main);
        stub::clearCalls();
        ticks(2);
        EXPECT_EQ(countCalls("GetDC LCD"), 2);
        const std::string from = std::to_string(x) + " " + std::to_string(y);
        EXPECT_EQ(countCalls("StretchBlt 0 0 96 64 " + from + " 192 128"), 2);
        if (copies) {
            stub::resizeWindow(lcd, 288, 192);
        }
        paint(shows, second, copies ? 3 : 2, x, y);
        stub::clearCalls();
        ticks(3);
        EXPECT_EQ(countCalls("StretchBlt 0 0 96 64 " + from + (copies ? " 288 192" : " 192 128")),
                  3);
        press();
        stub::failCopiesFromChildWindows(false);
        expectHaltedAndClean();
        expectShows(gif, {first, second}, {2, 3}, 16);
        stub::destroyWindow(main);
        stub::regDeleteKey("Software\\Pixmote\\Wabbitemu\\TI-83");
    }
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

// Recordings at x2, x3 and x4 against the same recording at x1: the same scripted screens are
// recorded once at each size, and the xk file must be the x1 file with every pixel a k x k
// block: the same records in the same order, the same delays, banner and loop block, every
// image k times as large at k times its place. Bare, face and sampled profiles; animation and
// StillMode.
constexpr int kSizeButton = 1007;  // "x1"; "x2" to "x4" follow

enum class Profile { Bare, Face, Sampled };

struct Case {
    const char* name;
    Profile profile;
    int factor;
    bool still;
};

std::string caseName(const ::testing::TestParamInfo<Case>& info) {
    return info.param.name;
}

// pixels of a w x h image, each as a k x k block.
std::vector<std::uint8_t> enlarged(const std::vector<std::uint8_t>& pixels, int width, int height,
                                   int k) {
    std::vector<std::uint8_t> out(pixels.size() * static_cast<std::size_t>(k * k));
    for (int y = 0; y < height * k; ++y) {
        for (int x = 0; x < width * k; ++x) {
            out[static_cast<std::size_t>(y * width * k + x)] =
                pixels[static_cast<std::size_t>((y / k) * width + x / k)];
        }
    }
    return out;
}

class EnlargedRecording : public SampledSession, public ::testing::WithParamInterface<Case> {
  protected:
    // The window of the case's profile, the size of its recorded frame and of a scripted
    // screen (the same but for the sampled face, scripted dot by dot), and how one scripted
    // screen is shown in it.
    struct Emulator {
        int width = 96, height = 64, across = 96, down = 64;
        std::function<void(const Levels&)> show;
    };
    Emulator emulator(Profile profile) {
        if (profile == Profile::Bare) {
            const HWND window = addBare(192, 128);  // 96 x 64 at twice its size
            return {.show = [window](const Levels& screen) { paint(window, screen, 2); }};
        }
        if (profile == Profile::Face) {
            const HWND window = addFace(2);
            return {.show = [window](const Levels& screen) { paint(window, screen, 2, 64, 80); }};
        }
        const HWND window = addDotFace(82, 69);  // 1.37 times the face
        return {40, 24, kDotsAcross, kDotsDown,
                [window](const Levels& dots) { drawFace(window, dots.at); }};
    }

    // The Size chosen as a person would: its button, then OK.
    static void chooseSize(int k) {
        stub::dialog();
        stub::clickButton(kSizeButton + k - 1);
        stub::clickButton(IDOK);
        ASSERT_EQ(settings.enlarge, k);
    }

    // One recording of the script: each screen shown for its ticks; in StillMode the first
    // tick ends it.
    void recordScript(const std::string& path, const std::function<void(const Levels&)>& show,
                      const std::vector<Levels>& screens, const std::vector<int>& ticks) {
        record(path);
        ASSERT_EQ(sessionState(), Capturing);
        for (std::size_t i = 0; i < screens.size() && sessionState() == Capturing; ++i) {
            show(screens[i]);
            for (int t = 0; t < ticks[i] && sessionState() == Capturing; ++t) {
                stub::fireTimer();
            }
        }
        if (sessionState() == Capturing) {
            press();
        }
        expectHaltedAndClean();
    }
};

TEST_P(EnlargedRecording, IsTheSameRecordingWithEveryPixelAsABlock) {
    const Case& c = GetParam();
    const Emulator emu = emulator(c.profile);
    const auto& show = emu.show;
    const int width = emu.width;
    const int height = emu.height;
    const int across = emu.across;
    const int down = emu.down;
    std::mt19937 random(static_cast<unsigned>(c.factor * 7 + static_cast<int>(c.profile)));
    std::vector<Levels> screens = {randomScreen(across, down, random)};
    for (int i = 0; i < 5; ++i) {
        screens.push_back(changedScreen(screens.back(), random));
    }
    screens.push_back(screens.back());  // unchanged: its ticks add to the delay before
    screens.push_back(randomScreen(across, down, random));
    const std::vector<int> ticks = {1, 2, 1, 3, 1, 1, 2, 1};

    if (c.still) {
        stub::clickButton(1005);  // the still-mode check box, taken at OK
    }
    stub::clickButton(IDOK);
    ASSERT_EQ(settings.stillMode, c.still);
    const std::string one = file(std::string(c.name) + "-x1.gif");
    recordScript(one, show, screens, ticks);
    if (!c.still) {
        // The x1 file shows the screens; the unchanged seventh adds its ticks to the sixth.
        std::vector<Levels> shown;
        for (const int i : {0, 1, 2, 3, 4, 5, 7}) {
            const Levels& screen = screens[static_cast<std::size_t>(i)];
            shown.push_back(c.profile == Profile::Sampled ? screenOf(screen.at) : screen);
        }
        expectShows(one, shown, {1, 2, 1, 3, 1, 3, 1}, 16);
    }

    chooseSize(c.factor);
    const std::string many = file(std::string(c.name) + "-x" + std::to_string(c.factor) + ".gif");
    recordScript(many, show, screens, ticks);

    const DecodedGif small = decodeGif(one);
    const DecodedGif large = decodeGif(many);
    ASSERT_TRUE(small.ok) << small.error;
    ASSERT_TRUE(large.ok) << large.error;
    const int k = c.factor;
    EXPECT_EQ(large.version, small.version);
    EXPECT_EQ(small.screenWidth, width + 4);
    EXPECT_EQ(small.screenHeight, height + 4);
    EXPECT_EQ(large.screenWidth, small.screenWidth * k);
    EXPECT_EQ(large.screenHeight, small.screenHeight * k);
    EXPECT_EQ(large.globalMap, small.globalMap);
    EXPECT_EQ(large.colorResolution, small.colorResolution);
    ASSERT_EQ(large.records.size(), small.records.size());
    EXPECT_GE(small.imageCount(), c.still ? 1 : 6);
    for (std::size_t i = 0; i < small.records.size(); ++i) {
        SCOPED_TRACE("record " + std::to_string(i));
        const GifRecord& a = small.records[i];
        const GifRecord& b = large.records[i];
        ASSERT_EQ(b.kind, a.kind);
        if (a.kind != GifRecordKind::Image) {
            EXPECT_EQ(b.blocks, a.blocks);  // the same delays, banner and loop block
            continue;
        }
        EXPECT_EQ(b.left, a.left * k);
        EXPECT_EQ(b.top, a.top * k);
        EXPECT_EQ(b.width, a.width * k);
        EXPECT_EQ(b.height, a.height * k);
        EXPECT_EQ(b.interlaced, a.interlaced);
        EXPECT_EQ(b.hasLocalMap, a.hasLocalMap);
        EXPECT_EQ(b.pixels, enlarged(a.pixels, a.width, a.height, k));
    }

    if (const char* out = std::getenv("PIXMOTE_ENLARGE_OUT")) {
        std::filesystem::copy_file(
            one, std::filesystem::path(out) / std::filesystem::path(one).filename(),
            std::filesystem::copy_options::overwrite_existing);
        std::filesystem::copy_file(
            many, std::filesystem::path(out) / std::filesystem::path(many).filename(),
            std::filesystem::copy_options::overwrite_existing);
    }
}

INSTANTIATE_TEST_SUITE_P(Sizes, EnlargedRecording,
                         ::testing::Values(Case{"Bare2", Profile::Bare, 2, false},
                                           Case{"Bare3", Profile::Bare, 3, false},
                                           Case{"Bare4", Profile::Bare, 4, false},
                                           Case{"Face2", Profile::Face, 2, false},
                                           Case{"Face3", Profile::Face, 3, false},
                                           Case{"Face4", Profile::Face, 4, false},
                                           Case{"Sampled2", Profile::Sampled, 2, false},
                                           Case{"Sampled3", Profile::Sampled, 3, false},
                                           Case{"Sampled4", Profile::Sampled, 4, false},
                                           Case{"StillBare3", Profile::Bare, 3, true},
                                           Case{"StillSampled4", Profile::Sampled, 4, true}),
                         caseName);

}  // namespace
