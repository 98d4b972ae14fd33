// A picture fitted into a client area of any size and shape, centred with bars (AnyScale 2,
// FitWidth, FitHeight): where fitScreen puts the screen, what detectEmulator reads for it, and
// that a profile without those values is searched as before. (A recording follows a resized
// window through the same fitScreen for every kind of profile: session_sampled_test.)
//
// The shape is the NumWorks simulator's: a 458 x 888 client with the 320 x 240 LCD at (69, 67),
// the photo 388 x 888 of it.
//
// The grab's source and dot centres for a fitted picture, on screenshots of the real NumWorks
// simulator under Wine: its home screen at the first start's client size (the LCD drawn 1:1)
// and at two other sizes, where the photo is scaled smoothly and centred with bars.
//
// Each PNG in tests/data holds the part of the client area round the LCD, cut out at a known
// place. What the recording would read there (fitScreen, then sampleIndices) is compared with
// the LCD as the first-size screenshot shows it, dot for dot: exactly at the first size; at the
// others within the smoothing, and within 2 pixels of the best reading.
#include "detect/detect.h"
#include "detect/fit.h"
#include "platform/stub/stub.h"
#include "tests/support/catalogue_profile.h"
#include "tests/support/png_picture.h"
#include "tests/support/stub_fixture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

ScreenShape numworks() {
    ScreenShape shape;
    shape.width = 320;
    shape.height = 240;
    shape.layout = LayoutKind::Valid;
    shape.layoutWidth = 458;
    shape.layoutHeight = 888;
    shape.screenX = 69;
    shape.screenY = 67;
    shape.fitWidth = 388;
    shape.fitHeight = 888;
    return shape;
}

struct FitCase {
    int width;
    int height;
    ScreenFit fit;
    const char* why;
};

// Worked out in real numbers: s = min(W / 388, H / 888); the screen's corner at (W/2 - 160 s,
// H/2 - 377 s); a Sampled source spans the pixels that hold the first and the last dot's
// centres, (W/2 - 159.5 s, H/2 - 376.5 s) and (W/2 + 159.5 s, H/2 - 137.5 s).
const FitCase kFits[] = {
    {458, 888, {FitKind::Whole, 69, 67, 320, 240}, "the reference: 1:1"},
    {500, 888, {FitKind::Whole, 90, 67, 320, 240}, "wider by an even number: 1:1, centred"},
    {1374, 888, {FitKind::Whole, 527, 67, 320, 240}, "three times as wide is not scale 3 x 1"},
    {388, 1000, {FitKind::Whole, 34, 123, 320, 240}, "as wide as the photo: bars above, below"},
    {459, 888, {FitKind::Sampled, 70, 67, 320, 240}, "half a pixel off: read at the centres"},
    // s = 940 / 888: centres from 320 - 168.84 = 151.16 to 320 + 168.84 = 488.84 across,
    // 470 - 398.55 = 71.45 to 470 - 145.55 = 324.45 down.
    {640, 940, {FitKind::Sampled, 151, 71, 338, 254}, "640 x 940"},
    // s = 400 / 388, by the width: the photo's bars are above and below.
    {400, 1200, {FitKind::Sampled, 35, 211, 330, 248}, "narrow: scaled by the width"},
    {916, 1776, {FitKind::Sampled, 139, 135, 639, 479}, "scale 2: dots of 2 x 2, centres"},
    {229, 444, {}, "scale 0.5: a dot would be half a pixel"},
    {400, 100, {}, "far too low"},
    {32768, 888, {}, "beyond 16-bit coordinates"},
};

}  // namespace

TEST(FittedPicture, ScreenAtEverySize) {
    for (const FitCase& c : kFits) {
        SCOPED_TRACE(c.why);
        EXPECT_EQ(fitScreen(numworks(), c.width, c.height), c.fit) << c.width << " x " << c.height;
    }
}

namespace {

class FittedDetection : public StubTest {
  protected:
    void TearDown() override {
        expectNothingHeld();
        StubTest::TearDown();
    }

    // The simulator's profile: a layout, with AnyScale, FitWidth and FitHeight as given.
    static void fitted(DWORD anyScale, DWORD fitWidth, DWORD fitHeight) {
        catalogueProfile("NumWorks", "Epsilon", "SDL_app", "Epsilon", 320, 240)
            .layout(458, 888, 69, 67)
            .number("AnyScale", anyScale)
            .number("FitWidth", fitWidth)
            .number("FitHeight", fitHeight);
    }

    // The source detectEmulator finds for the simulator's window at a client size, or "none".
    static std::string detectAt(int width, int height) {
        const HWND window = stub::addWindow("SDL_app", "Epsilon", width, height);
        CaptureGeometry geometry;
        const char* warning = nullptr;
        const bool found = detectEmulator(&geometry, &warning);
        stub::destroyWindow(window);
        if (!found) {
            return "none";
        }
        return std::string(geometry.sampled ? "sampled " : "whole ") +
               std::to_string(geometry.sourceX) + "," + std::to_string(geometry.sourceY) + " " +
               std::to_string(geometry.sourceWidth) + "x" + std::to_string(geometry.sourceHeight) +
               (geometry.shape.fitWidth != 0 ? " fitted" : "");
    }

    static int queries(const std::string& value) { return countCalls("RegQueryValueExA " + value); }
};

}  // namespace

// Without both fit values in range (or without AnyScale 2) the profile is a plain layout: its
// scale 1 and whole factors only, as AnyScale 0.
TEST_F(FittedDetection, WithoutItsValuesALayoutAtWholeFactors) {
    const struct {
        DWORD anyScale, fitWidth, fitHeight;
    } kCases[] = {{2, 0, 888}, {2, 388, 889}, {2, 459, 888}, {0, 388, 888}, {3, 388, 888}};
    for (const auto& c : kCases) {
        SCOPED_TRACE(std::to_string(c.anyScale) + " " + std::to_string(c.fitWidth) + " " +
                     std::to_string(c.fitHeight));
        fitted(c.anyScale, c.fitWidth, c.fitHeight);
        EXPECT_EQ(detectAt(458, 888), "whole 69,67 320x240");
        EXPECT_EQ(detectAt(916, 1776), "whole 138,134 640x480");
        EXPECT_EQ(detectAt(640, 940), "none");
    }
}

// With AnyScale 2 and both fit values the picture is followed at any size, and FitWidth and
// FitHeight are read only then: the other profiles' calls stay as they were.
TEST_F(FittedDetection, FollowsThePictureAndReadsTheFitValuesOnlyThen) {
    fitted(1, 388, 888);
    stub::clearCalls();
    detectAt(458, 888);
    EXPECT_EQ(queries("FitWidth"), 0);
    EXPECT_EQ(queries("DotWidth"), 1);
    fitted(2, 388, 888);
    stub::clearCalls();
    EXPECT_EQ(detectAt(640, 940), "sampled 151,71 338x254 fitted");
    EXPECT_EQ(queries("FitWidth"), 1);
    EXPECT_EQ(queries("FitHeight"), 1);
}

namespace {

struct Shot {
    const char* file;
    int clientWidth;
    int clientHeight;
    int cutX;  // where the PNG's top-left pixel lies in the client area
    int cutY;
};

const Shot kFirst = {"numworks-home-458x888.png", 458, 888, 61, 59};
// Scaled by the height, bars at the sides; and by the width, bars above and below.
const Shot kResized[] = {
    {"numworks-home-640x940.png", 640, 940, 142, 62},
    {"numworks-home-400x980.png", 400, 980, 28, 92},
};

Picture load(const Shot& shot) {
    Picture picture;
    EXPECT_TRUE(readPngPicture(testDataPath(shot.file), &picture)) << shot.file;
    return picture;
}

// The 320 x 240 pixels the recording reads from the shot, each taken dx, dy client pixels
// away from where it should be.
std::vector<std::uint32_t> readDots(const Shot& shot, const Picture& picture, int dx = 0,
                                    int dy = 0) {
    const ScreenShape shape = numworks();
    const ScreenFit fit = fitScreen(shape, shot.clientWidth, shot.clientHeight);
    std::vector<std::int32_t> columns(320);
    std::vector<std::int32_t> rows(240);
    if (fit.kind == FitKind::Sampled) {
        sampleIndices(shape, shot.clientWidth, shot.clientHeight, columns.data(), rows.data());
    } else {
        for (int i = 0; i < 320; ++i) {
            columns[static_cast<std::size_t>(i)] = i * fit.sourceWidth / 320;
        }
        for (int i = 0; i < 240; ++i) {
            rows[static_cast<std::size_t>(i)] = i * fit.sourceHeight / 240;
        }
    }
    std::vector<std::uint32_t> dots;
    for (int y = 0; y < 240; ++y) {
        for (int x = 0; x < 320; ++x) {
            const int cx = fit.sourceX + columns[static_cast<std::size_t>(x)] + dx - shot.cutX;
            const int cy = fit.sourceY + rows[static_cast<std::size_t>(y)] + dy - shot.cutY;
            EXPECT_TRUE(cx >= 0 && cy >= 0 && cx < picture.width && cy < picture.height)
                << "dot " << x << ", " << y << " read outside the screenshot";
            dots.push_back(picture.at(std::clamp(cx, 0, picture.width - 1),
                                      std::clamp(cy, 0, picture.height - 1)));
        }
    }
    return dots;
}

// Mean difference per channel, of 255.
double meanError(const std::vector<std::uint32_t>& a, const std::vector<std::uint32_t>& b) {
    long long total = 0;
    for (std::size_t i = 0; i < a.size(); ++i) {
        for (int shift = 0; shift < 24; shift += 8) {
            total += std::abs(static_cast<int>((a[i] >> shift) & 0xFF) -
                              static_cast<int>((b[i] >> shift) & 0xFF));
        }
    }
    return static_cast<double>(total) / (3.0 * static_cast<double>(a.size()));
}

}  // namespace

// At the first start's size the LCD is drawn 1:1 and copied 1:1: the reading is the LCD itself,
// every pixel (the screenshot's LCD is cut at (69, 67) by hand, not by the fit).
TEST(NumWorksPicture, FirstSizeReadsTheLcdExactly) {
    const Picture picture = load(kFirst);
    ASSERT_EQ(fitScreen(numworks(), 458, 888).kind, FitKind::Whole);
    const std::vector<std::uint32_t> dots = readDots(kFirst, picture);
    int exact = 0;
    for (int y = 0; y < 240; ++y) {
        for (int x = 0; x < 320; ++x) {
            exact += dots[static_cast<std::size_t>(y * 320 + x)] ==
                             picture.at(69 + x - kFirst.cutX, 67 + y - kFirst.cutY)
                         ? 1
                         : 0;
        }
    }
    EXPECT_EQ(exact, 320 * 240);
}

// At other sizes each dot is read at its centre in a smoothly scaled picture. The profile's
// numbers are whole pixels measured at the first size, where the simulator's own layout puts
// the LCD half a pixel off a whole one, and the simulator truncates its photo's place to whole
// pixels at every size (by up to a pixel more): the reading may be up to 1.5 pixels from the
// best one. Of all readings shifted by up to 4 pixels either way, the one closest to the LCD is
// within 2 pixels of Pixmote's; a wrong centring or factor would be tens of pixels off.
TEST(NumWorksPicture, OtherSizesReadEachDotNearItsCentre) {
    const Picture first = load(kFirst);
    const std::vector<std::uint32_t> lcd = readDots(kFirst, first);
    for (const Shot& shot : kResized) {
        SCOPED_TRACE(shot.file);
        const Picture picture = load(shot);
        ASSERT_EQ(fitScreen(numworks(), shot.clientWidth, shot.clientHeight).kind,
                  FitKind::Sampled);
        const double error = meanError(readDots(shot, picture), lcd);
        double best = error;
        int bestX = 0;
        int bestY = 0;
        for (int dy = -4; dy <= 4; ++dy) {
            for (int dx = -4; dx <= 4; ++dx) {
                const double shifted = meanError(readDots(shot, picture, dx, dy), lcd);
                if (shifted < best) {
                    best = shifted;
                    bestX = dx;
                    bestY = dy;
                }
            }
        }
        EXPECT_LE(std::abs(bestX), 2);
        EXPECT_LE(std::abs(bestY), 2);
        EXPECT_LT(error, 16.0);
        std::printf("%s: mean error %.2f; best %.2f, %d, %d pixels away\n", shot.file, error, best,
                    bestX, bestY);
    }
}
