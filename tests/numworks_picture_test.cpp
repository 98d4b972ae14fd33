// The grab's source and dot centres for a fitted picture, on screenshots of the real NumWorks
// simulator under Wine: its home screen at the first start's client size (the LCD drawn 1:1)
// and at two other sizes, where the photo is scaled smoothly and centred with bars.
//
// Each PNG in tests/data holds the part of the client area round the LCD, cut out at a known
// place. What the recording would read there (fitScreen, then sampleIndices) is compared with
// the LCD as the first-size screenshot shows it, dot for dot: exactly at the first size; at the
// others within the smoothing, and within 2 pixels of the best reading.
#include "detect/fit.h"
#include "tests/support/png_picture.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

// res/catalogue/numworks.reg.
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
