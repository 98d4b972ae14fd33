// Recordings at x2, x3 and x4 against the same recording at x1: the same scripted screens are
// recorded once at each size, both files are decoded, and the xk file must be the x1 file with
// every pixel a k x k block: the same records in the same order, the same delays, banner and
// loop block, every image k times as large at k times its place, and every shown canvas the x1
// canvas enlarged. Bare, face and sampled (AnyScale) profiles; animation and StillMode.
//
// With PIXMOTE_ENLARGE_OUT set to a folder, the files are left there as NAME-x1.gif and
// NAME-xK.gif for tests/enlarge_decode_test.py, which checks them again with PIL.
#include "app/settings.h"
#include "capture/session.h"
#include "gif/enlarge.h"
#include "platform/stub/stub.h"
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

class EnlargedRecording : public SessionTest, public ::testing::WithParamInterface<Case> {
  protected:
    // The dots of the sampled face: 20 x 8 dots of 2 x 3 pixels at (10, 12) of a 60 x 50 face.
    HWND addDotFace(int width, int height) {
        const std::string path = "Software\\Pixmote\\StandIn\\Dots";
        stub::regCreateKey(path);
        stub::regSetString(path, "ClassName", kClass);
        stub::regSetString(path, "Caption", kCaption);
        for (const auto& [name, value] :
             std::vector<std::pair<const char*, DWORD>>{{"CX", 40},
                                                        {"CY", 24},
                                                        {"RCX", 60},
                                                        {"RCY", 50},
                                                        {"RX", 10},
                                                        {"RY", 12},
                                                        {"AnyScale", 1},
                                                        {"DotWidth", 2},
                                                        {"DotHeight", 3}}) {
            stub::regSetDword(path, name, value);
        }
        return stub::addWindow(kClass, kCaption, width, height);
    }

    static void drawDots(HWND window, const Levels& dots) {
        RECT client = {};
        GetClientRect(window, &client);
        std::vector<std::uint32_t> grays;
        for (int level = 0; level < 16; ++level) {
            grays.push_back(grayOf(static_cast<std::uint8_t>(level)));
        }
        const smooth::Canvas face =
            smooth::face(60, 50, 0x884422, 10, 12, dots.at, dots.width, 2, 3, grays);
        const smooth::Canvas drawn =
            smooth::resample(face, client.right, client.bottom, smooth::Filter::Area);
        for (int y = 0; y < drawn.height; ++y) {
            for (int x = 0; x < drawn.width; ++x) {
                stub::setPixel(window, x, y, drawn.at(x, y));
            }
        }
    }

    // The window of the case's profile, the size of its recorded frame and of a scripted
    // screen (the same but for the sampled face, scripted dot by dot), and how one scripted
    // screen is shown in it.
    std::function<void(const Levels&)> emulator(Profile profile, int* width, int* height,
                                                int* across, int* down) {
        *across = 96;
        *down = 64;
        switch (profile) {
            case Profile::Bare: {
                const HWND window = addBare(192, 128);  // 96 x 64 at twice its size
                *width = 96;
                *height = 64;
                return [window](const Levels& screen) { paint(window, screen, 2); };
            }
            case Profile::Face: {
                const HWND window = addFace(2);
                *width = 96;
                *height = 64;
                return [window](const Levels& screen) { paint(window, screen, 2, 64, 80); };
            }
            case Profile::Sampled:
            default: {
                const HWND window = addDotFace(82, 69);  // 1.37 times the face
                *width = 40;
                *height = 24;
                *across = 20;
                *down = 8;
                return [window](const Levels& dots) { drawDots(window, dots); };
            }
        }
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
    int width = 0;
    int height = 0;
    int across = 0;
    int down = 0;
    const auto show = emulator(c.profile, &width, &height, &across, &down);
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
    // And as a viewer shows them, canvas for canvas.
    const std::vector<ShownCanvas> shownSmall = replayGif(small);
    const std::vector<ShownCanvas> shownLarge = replayGif(large);
    ASSERT_EQ(shownLarge.size(), shownSmall.size());
    for (std::size_t i = 0; i < shownSmall.size(); ++i) {
        EXPECT_EQ(shownLarge[i].pixels,
                  enlarged(shownSmall[i].pixels, shownSmall[i].width, shownSmall[i].height, k))
            << "canvas " << i;
        EXPECT_EQ(shownLarge[i].delay, shownSmall[i].delay);
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
