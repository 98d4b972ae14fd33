// Colour recordings end to end against the stand-in: a profile with Colors 1, screens painted in
// colour into the emulator window, the recording made through the tray and the timer, then
// decoded with giflib and compared with the screens colour for colour. Exact where a screen
// holds at most 256 colours; where it holds more (real NumWorks screens), by the reduction's
// own rule (every pixel not exact its nearest table colour) and by the bar: at least 99.8 %
// (home) and 99.5 % (grapher) of the pixels exact, a mean error of at most 0.05 per channel.
//
// With PIXMOTE_KEEP_COLOUR_GIFS set to a folder, each recording is left there with its screens
// (NAME.gif, NAME-N.rgb: raw RGB, 3 bytes a pixel), for tests/colour_decode_test.py to decode
// with a second decoder.
#include "capture/session.h"
#include "detect/detect.h"
#include "tests/support/colour_replay.h"
#include "tests/support/png_picture.h"
#include "tests/support/session_fixture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cstdlib>
#include <fstream>
#include <optional>
#include <random>
#include <set>
#include <string>
#include <vector>

namespace {

const std::string kProfile = "Software\\Pixmote\\StandIn\\Colour";

void colourProfile(int cx, int cy, bool colours = true) {
    stub::regCreateKey(kProfile);
    stub::regSetString(kProfile, "ClassName", "CalcStandIn");
    stub::regSetString(kProfile, "Caption", "Calculator Stand-In");
    stub::regSetDword(kProfile, "CX", static_cast<DWORD>(cx));
    stub::regSetDword(kProfile, "CY", static_cast<DWORD>(cy));
    if (colours) {
        stub::regSetDword(kProfile, "Colors", 1);
    }
}

// Paints picture with each dot a block of scale x scale pixels.
void paintColour(HWND window, const RgbPicture& picture, int scale = 1) {
    for (int y = 0; y < picture.height * scale; ++y) {
        for (int x = 0; x < picture.width * scale; ++x) {
            stub::setPixel(window, x, y, picture(x / scale, y / scale));
        }
    }
}

std::uint32_t rgb(int r, int g, int b) {
    return (static_cast<std::uint32_t>(r) << 16) | (static_cast<std::uint32_t>(g) << 8) |
           static_cast<std::uint32_t>(b);
}

int channel(std::uint32_t colour, int shift) {
    return static_cast<int>((colour >> shift) & 0xFF);
}

int distance(std::uint32_t a, std::uint32_t b) {
    int sum = 0;
    for (int shift : {0, 8, 16}) {
        const int d = channel(a, shift) - channel(b, shift);
        sum += d * d;
    }
    return sum;
}

std::set<std::uint32_t> coloursOf(const RgbPicture& picture, int left = 0, int top = 0,
                                  int right = -1, int bottom = -1) {
    if (right < 0) {
        right = picture.width - 1;
        bottom = picture.height - 1;
    }
    std::set<std::uint32_t> colours;
    for (int y = top; y <= bottom; ++y) {
        for (int x = left; x <= right; ++x) {
            colours.insert(picture(x, y));
        }
    }
    return colours;
}

// A screen of the given colours at random, each at least once.
RgbPicture randomColours(int width, int height, const std::vector<std::uint32_t>& colours,
                         std::mt19937& random) {
    RgbPicture picture(width, height);
    std::uniform_int_distribution<std::size_t> pick(0, colours.size() - 1);
    for (std::uint32_t& colour : picture.at) {
        colour = colours[pick(random)];
    }
    for (std::size_t i = 0; i < colours.size() && i < picture.at.size(); ++i) {
        picture.at[i * 7 % picture.at.size()] = colours[i];
    }
    return picture;
}

std::vector<std::uint32_t> distinctColours(int count, std::mt19937& random) {
    std::set<std::uint32_t> made;
    std::uniform_int_distribution<std::uint32_t> any(0, 0xFFFFFF);
    while (static_cast<int>(made.size()) < count) {
        made.insert(any(random));
    }
    return {made.begin(), made.end()};
}

// How a reduced image met the bar: pixels exact, and the mean error per channel.
struct Fidelity {
    double exact = 0;
    double meanError = 0;
};

Fidelity fidelity(const RgbPicture& shown, const RgbPicture& screen) {
    std::int64_t exact = 0;
    std::int64_t error = 0;
    for (std::size_t i = 0; i < screen.at.size(); ++i) {
        exact += shown.at[i] == screen.at[i] ? 1 : 0;
        for (int shift : {0, 8, 16}) {
            error += std::abs(channel(shown.at[i], shift) - channel(screen.at[i], shift));
        }
    }
    const auto pixels = static_cast<double>(screen.at.size());
    return {static_cast<double>(exact) / pixels, static_cast<double>(error) / (3 * pixels)};
}

// The reduction's rule, checked from outside: the table is the set of colours shown exactly
// plus the border's; a pixel not shown exactly shows a table colour nearest to its own.
void expectNearestWhereNotExact(const RgbPicture& shown, const RgbPicture& screen) {
    std::set<std::uint32_t> table = {0x000000, 0xFFFFFF};
    for (std::size_t i = 0; i < screen.at.size(); ++i) {
        if (shown.at[i] == screen.at[i]) {
            table.insert(shown.at[i]);
        }
    }
    EXPECT_LE(table.size(), 256u + 2u);
    int wrong = 0;
    for (std::size_t i = 0; i < screen.at.size() && wrong < 5; ++i) {
        if (shown.at[i] == screen.at[i]) {
            continue;
        }
        int nearest = 1 << 30;
        for (std::uint32_t colour : table) {
            nearest = std::min(nearest, distance(colour, screen.at[i]));
        }
        if (distance(shown.at[i], screen.at[i]) != nearest) {
            ADD_FAILURE() << "pixel " << i << " is not its nearest table colour";
            ++wrong;
        }
    }
}

void keepForSecondDecoder(const std::string& name, const std::string& path,
                          const std::vector<RgbPicture>& screens) {
    const char* folder = std::getenv("PIXMOTE_KEEP_COLOUR_GIFS");
    if (folder == nullptr) {
        return;
    }
    const std::string base = std::string(folder) + "/" + name;
    std::filesystem::copy_file(path, base + ".gif",
                               std::filesystem::copy_options::overwrite_existing);
    for (std::size_t i = 0; i < screens.size(); ++i) {
        std::ofstream out(base + "-" + std::to_string(i) + ".rgb", std::ios::binary);
        for (std::uint32_t colour : screens[i].at) {
            const char bytes[3] = {static_cast<char>(colour >> 16), static_cast<char>(colour >> 8),
                                   static_cast<char>(colour)};
            out.write(bytes, 3);
        }
    }
}

class ColourSessionTest : public SessionTest {
  protected:
    // Records the screens, each shown for its number of ticks, and returns the replay.
    ColourReplay recordScreens(const std::string& name, HWND window,
                               const std::vector<RgbPicture>& screens,
                               const std::vector<int>& ticks, int scale = 1) {
        const std::string path = file(name + ".gif");
        record(path);
        for (std::size_t i = 0; i < screens.size(); ++i) {
            paintColour(window, screens[i], scale);
            for (int t = 0; t < ticks[i]; ++t) {
                stub::fireTimer();
            }
        }
        press();
        expectHaltedAndClean();
        keepForSecondDecoder(name, path, screens);
        return replayColourGif(path);
    }

    // Every image shows its screen exactly, inside the border, for its ticks.
    static void expectExact(const ColourReplay& replay, const std::vector<RgbPicture>& screens,
                            const std::vector<int>& ticks) {
        ASSERT_TRUE(replay.ok) << replay.error;
        ASSERT_EQ(replay.shown.size(), screens.size());
        for (std::size_t i = 0; i < screens.size(); ++i) {
            SCOPED_TRACE("image " + std::to_string(i));
            EXPECT_TRUE(hasColourBorder(replay.shown[i].canvas));
            EXPECT_TRUE(insideBorder(replay.shown[i].canvas, 2) == screens[i]);
            ASSERT_TRUE(replay.shown[i].delay.has_value());
            EXPECT_EQ(*replay.shown[i].delay, ticks[i] * 16);
        }
    }
};

TEST_F(ColourSessionTest, ColorsValueChoosesTheRecordingsColours) {
    // The value as a DWORD (none: absent), or the string "1"; whether it records in colour.
    const std::pair<std::optional<DWORD>, bool> cases[] = {
        {std::nullopt, false}, {0, false}, {1, true}, {2, false}, {0x10001, true}};
    stub::addWindow(kClass, kCaption, 96, 64);
    for (int i = 0; i <= 5; ++i) {
        SCOPED_TRACE(i);
        stub::regDeleteKey(kProfile);
        colourProfile(96, 64, false);
        if (i == 5) {
            stub::regSetString(kProfile, "Colors", "1");
        } else if (cases[i].first) {
            stub::regSetDword(kProfile, "Colors", *cases[i].first);
        }
        CaptureGeometry geometry;
        const char* warning = nullptr;
        ASSERT_TRUE(detectEmulator(&geometry, &warning));
        EXPECT_EQ(geometry.colour, i < 5 && cases[i].second);
    }
}

// At most 256 colours: exact throughout. A later image whose colours are all in the first
// image's table uses that table; a hue change at the same red (the gray quantization's only
// input) is a change; colours that first appear late get a local table of the smallest size.
TEST_F(ColourSessionTest, FewColoursAreRecordedExactlyWithTheTablesTheyNeed) {
    colourProfile(96, 64);
    const HWND window = stub::addWindow(kClass, kCaption, 96, 64);
    std::mt19937 random(3);
    std::vector<std::uint32_t> palette = distinctColours(200, random);
    palette.push_back(rgb(120, 30, 200));
    palette.push_back(rgb(120, 200, 30));

    const RgbPicture first = randomColours(96, 64, palette, random);
    RgbPicture known = first;  // a rectangle redrawn in colours of the first screen
    for (int y = 10; y < 30; ++y) {
        for (int x = 20; x < 60; ++x) {
            known(x, y) = palette[static_cast<std::size_t>(x * y) % palette.size()];
        }
    }
    RgbPicture hue = known;  // the same red, another hue
    hue(5, 40) = rgb(120, 30, 200);
    hue(6, 40) = rgb(120, 200, 30);
    RgbPicture late = hue;  // twelve colours never seen before, in a 4 x 3 block
    const std::vector<std::uint32_t> fresh = distinctColours(12, random);
    for (int i = 0; i < 12; ++i) {
        late(70 + i % 4, 50 + i / 4) = fresh[static_cast<std::size_t>(i)] | 0x010101;
    }
    const std::vector<RgbPicture> screens = {first, known, hue, late};
    const std::vector<int> ticks = {2, 1, 3, 1};

    const ColourReplay replay = recordScreens("few", window, screens, ticks);
    expectExact(replay, screens, ticks);
    ASSERT_EQ(replay.shown.size(), 4u);
    // 202 colours and the border's two.
    EXPECT_EQ(replay.globalSize, 256);
    EXPECT_FALSE(replay.shown[0].localTable);
    EXPECT_FALSE(replay.shown[1].localTable) << "its colours are all in the global table";
    EXPECT_FALSE(replay.shown[2].localTable);
    EXPECT_EQ(replay.shown[2].width, 2) << "only the two hue-changed pixels";
    const ShownColour& region = replay.shown[3];
    EXPECT_TRUE(region.localTable);
    // The smallest table (a power of two, at least 2) that holds the region's colours.
    const std::size_t colours =
        coloursOf(late, region.left - 2, region.top - 2, region.left + region.width - 3,
                  region.top + region.height - 3)
            .size();
    EXPECT_EQ(static_cast<std::size_t>(region.tableSize),
              std::max<std::size_t>(2, std::bit_ceil(colours)));
}

// Real screens of the NumWorks simulator (its LCD, 320 x 240, RGB565 widened to 8 bits, with
// antialiased text; photographed under Wine by scripts/numworks-screens.sh): the home screen
// (353 colours) and the grapher plotting three functions (447), recorded as home, grapher,
// home: three images in that order, each reduced by the bar and by the reduction's rule.
TEST_F(ColourSessionTest, RealNumworksScreensMeetTheBar) {
    const std::string data = std::string(PIXMOTE_TEST_DATA) + "/";
    const RgbPicture home = readPng(data + "numworks-home.png");
    const RgbPicture grapher = readPng(data + "numworks-grapher.png");
    ASSERT_EQ(home.width, 320);
    ASSERT_EQ(grapher.width, 320);
    ASSERT_GT(coloursOf(home).size(), 256u);
    ASSERT_GT(coloursOf(grapher).size(), 256u);
    colourProfile(320, 240);
    const HWND window = stub::addWindow(kClass, kCaption, 320, 240);
    const ColourReplay replay =
        recordScreens("numworks-sequence", window, {home, grapher, home}, {2, 2, 1});
    ASSERT_TRUE(replay.ok) << replay.error;
    ASSERT_EQ(replay.shown.size(), 3u);
    const RgbPicture* expected[] = {&home, &grapher, &home};
    const double exactBar[] = {0.998, 0.995, 0.998};
    for (std::size_t i = 0; i < 3; ++i) {
        SCOPED_TRACE("image " + std::to_string(i));
        EXPECT_TRUE(hasColourBorder(replay.shown[i].canvas));
        const RgbPicture shown = insideBorder(replay.shown[i].canvas, 2);
        const Fidelity got = fidelity(shown, *expected[i]);
        EXPECT_GE(got.exact, exactBar[i]);
        EXPECT_LE(got.meanError, 0.05);
        expectNearestWhereNotExact(shown, *expected[i]);
        std::printf("image %zu: %.4f %% exact, mean error %.4f per channel\n", i, 100 * got.exact,
                    got.meanError);
    }
}

// A colour recording at Size x2 and x3 is the x1 recording with every image enlarged: each
// canvas, brought back to x1 by taking every k-th pixel, is the x1 canvas, and every k x k block
// is one colour.
TEST_F(ColourSessionTest, EnlargedColourRecordingIsTheX1RecordingEnlarged) {
    colourProfile(96, 64);
    const HWND window = stub::addWindow(kClass, kCaption, 96, 64);
    std::mt19937 random(21);
    std::vector<std::uint32_t> palette = distinctColours(40, random);
    const RgbPicture first = randomColours(96, 64, palette, random);
    RgbPicture second = first;
    for (int x = 10; x < 30; ++x) {
        second(x, 20) = rgb(1, 2, 3);  // a colour that first appears late: a local table
    }
    const ColourReplay x1 = recordScreens("x1", window, {first, second}, {1, 2});
    ASSERT_TRUE(x1.ok) << x1.error;
    for (int k : {2, 3}) {
        // Built by appending: "x" + std::to_string(k) trips a false -Wrestrict in GCC 12's
        // optimised builds.
        std::string name(1, 'x');
        name += std::to_string(k);
        SCOPED_TRACE(name);
        settings.enlarge = static_cast<std::int16_t>(k);
        const ColourReplay big = recordScreens(name, window, {first, second}, {1, 2});
        ASSERT_TRUE(big.ok) << big.error;
        ASSERT_EQ(big.shown.size(), x1.shown.size());
        for (std::size_t i = 0; i < big.shown.size(); ++i) {
            const RgbPicture& canvas = big.shown[i].canvas;
            const RgbPicture& small = x1.shown[i].canvas;
            ASSERT_EQ(canvas.width, small.width * k);
            ASSERT_EQ(canvas.height, small.height * k);
            int wrong = 0;
            for (int y = 0; y < canvas.height; ++y) {
                for (int x = 0; x < canvas.width; ++x) {
                    wrong += canvas(x, y) != small(x / k, y / k) ? 1 : 0;
                }
            }
            EXPECT_EQ(wrong, 0) << "image " << i;
            EXPECT_EQ(big.shown[i].delay, x1.shown[i].delay);
            EXPECT_EQ(big.shown[i].localTable, x1.shown[i].localTable);
        }
    }
}

}  // namespace
