// The helper's locating core on pictures with known answers: the emulator stand-in's shapes, an
// LCD whose glass runs on beyond the screen, smooth scaling that is not whole, blank screens
// with a watched change, and pictures in which no screen can be found. Each case checks the
// place found and the profile proposed from it, which is what the user ends up recording.
#include "add/locate.h"
#include "add/profile.h"
#include "detect/fit.h"
#include "tests/support/png_picture.h"
#include "tests/support/smooth_picture.h"
#include "tools/common/frames.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <numeric>
#include <string>
#include <tuple>
#include <vector>

namespace {

constexpr std::uint32_t kLcdBackground = 0x96AA92;
constexpr std::uint32_t kLcdDot = 0x0B2327;

std::uint32_t gray(int level) {
    const std::uint32_t g = frames::grayOfLevel(level);
    return g << 16 | g << 8 | g;
}

void fill(Picture* p, int x, int y, int w, int h, std::uint32_t colour) {
    for (int row = y; row < y + h; ++row) {
        for (int col = x; col < x + w; ++col) {
            p->at(col, row) = colour;
        }
    }
}

// Dots (one colour each, row-major) drawn at (x, y), each dot px x py pixels.
void drawDots(Picture* p, const std::vector<std::uint32_t>& dots, int across, int x, int y, int px,
              int py) {
    for (std::size_t i = 0; i < dots.size(); ++i) {
        const int dx = static_cast<int>(i % static_cast<std::size_t>(across));
        const int dy = static_cast<int>(i / static_cast<std::size_t>(across));
        fill(p, x + dx * px, y + dy * py, px, py, dots[i]);
    }
}

// Pattern k of the stand-in, as colours.
std::vector<std::uint32_t> standInDots(int k, int across, int down) {
    std::vector<std::uint32_t> dots;
    for (std::uint8_t level : frames::pattern(k, across, down)) {
        dots.push_back(gray(level));
    }
    return dots;
}

// An LCD showing two lines of made-up glyphs on its background, the first glyph at the top
// left corner: what a calculator's home screen looks like.
std::vector<std::uint32_t> lcdDots(int across, int down, bool blank = false) {
    std::vector<std::uint32_t> dots(static_cast<std::size_t>(across * down), kLcdBackground);
    if (blank) {
        return dots;
    }
    for (int line = 0; line * 8 < down; ++line) {
        for (int glyph = 0; glyph < across / 6 - (line == 0 ? 6 : 2); ++glyph) {
            for (int row = 0; row < 7 && line * 8 + row < down; ++row) {
                for (int col = 0; col < 5; ++col) {
                    const auto bits = frames::mix(static_cast<std::uint32_t>(glyph + 3 * line),
                                                  static_cast<std::uint32_t>(row), 7u);
                    // Every glyph has its left column lit on its top row, so the text's corner is
                    // a lit dot.
                    if ((row == 0 && col == 0) || (bits >> col & 1u) != 0) {
                        dots[static_cast<std::size_t>((line * 8 + row) * across + glyph * 6 +
                                                      col)] = kLcdDot;
                    }
                }
            }
        }
    }
    return dots;
}

// The stand-in's calculator face (160 x 280 at scale 1, screen 96 x 64 at (32, 40)), every
// part times `scale`, with the screen showing `dots`.
Picture standInFace(int scale, const std::vector<std::uint32_t>& dots) {
    Picture p(160 * scale, 280 * scale);
    auto part = [&](int x, int y, int w, int h, std::uint32_t c) {
        fill(&p, x * scale, y * scale, w * scale, h * scale, c);
    };
    part(0, 0, 160, 280, 0x3C465A);
    part(26, 34, 108, 76, 0x9AA0A8);
    part(30, 38, 100, 68, 0x202020);
    part(40, 12, 80, 10, 0xD0D0D0);
    for (int row = 0; row < 8; ++row) {
        for (int col = 0; col < 5; ++col) {
            part(12 + col * 28, 120 + row * 20, 24, 12, row < 3 ? 0x202428 : 0xC8C8C8);
        }
    }
    drawDots(&p, dots, 96, 32 * scale, 40 * scale, scale, scale);
    return p;
}

// A skin like Free42's "Realistic" one at first start: a dark bezel with keys, an LCD glass of
// the screen's own background that runs 3 px left, 2 px right, 19 px above and 2 px below the
// 131 x 16 screen, which is drawn at (40, 138) with dots 2 px wide and 3 px tall.
Picture realisticSkin(const std::vector<std::uint32_t>& dots) {
    Picture p(340, 617, 0x55554F);
    for (int y = 0; y < 617; ++y) {  // a gentle gradient, as a photographed bezel has
        for (int x = 0; x < 340; ++x) {
            const auto v = static_cast<std::uint32_t>(0x48 + (x + y) / 60);
            p.at(x, y) = v << 16 | v << 8 | (v - 4);
        }
    }
    for (int row = 0; row < 7; ++row) {
        for (int col = 0; col < 6; ++col) {
            fill(&p, 22 + col * 50, 245 + row * 49, 44, 40, 0x2A2B2C);
            fill(&p, 28 + col * 50, 252 + row * 49, 32, 8, 0xE8E0D0);
        }
    }
    fill(&p, 37, 119, 267, 69, kLcdBackground);
    fill(&p, 60, 124, 12, 6, kLcdDot);  // an annunciator above the screen
    drawDots(&p, dots, 131, 40, 138, 2, 3);
    return p;
}

// The picture `source` (of a layout at scale 1) shown at a scale that is not whole, smoothly
// (each window pixel the area-weighted mean of what it covers) or by nearest pixel.
Picture rescaled(const Picture& source, double scale, bool smoothly) {
    const int w = static_cast<int>(std::lround(source.width * scale));
    const int h = static_cast<int>(std::lround(source.height * scale));
    if (smoothly) {
        return smooth::resample(source, w, h, smooth::Filter::Area);
    }
    Picture p(w, h);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            p.at(x, y) = source.at(std::min(source.width - 1, static_cast<int>(x / scale)),
                                   std::min(source.height - 1, static_cast<int>(y / scale)));
        }
    }
    return p;
}

std::string describe(const Profile& p) {
    std::string s = p.kind == ProfileKind::Bare ? "bare" : "layout";
    s += " CX " + std::to_string(p.cx) + " CY " + std::to_string(p.cy);
    if (p.kind == ProfileKind::Layout) {
        s += " RCX " + std::to_string(p.rcx) + " RCY " + std::to_string(p.rcy) + " RX " +
             std::to_string(p.rx) + " RY " + std::to_string(p.ry);
    }
    if (p.anyScale != 0) {
        s += " AnyScale";
    }
    if (p.anyScale == 2) {
        s += " 2 fit " + std::to_string(p.fitWidth) + "x" + std::to_string(p.fitHeight);
    }
    if (p.dotWidth != 0) {
        s += " dots " + std::to_string(p.dotWidth) + "x" + std::to_string(p.dotHeight);
    }
    return s;
}

// Locates and proposes; the proposal as text (empty when nothing was found).
std::string proposal(const Picture& p, int across, int down, const Picture* before = nullptr) {
    const ScreenPlace place = locateScreen(p, across, down, before);
    Profile profile;
    if (!proposeProfile(place, across, down, p.width, p.height, &profile)) {
        return "";
    }
    return describe(profile);
}

std::string rect(const ScreenPlace& s) {
    return std::to_string(s.x) + "," + std::to_string(s.y) + " " + std::to_string(s.width) + "x" +
           std::to_string(s.height);
}

TEST(Locate, BareScreensAtWholeScalesAreTheWholeClientArea) {
    struct Case {
        int px, py;
    };
    for (const Case c : {Case{1, 1}, Case{2, 2}, Case{3, 3}, Case{2, 3}, Case{3, 1}}) {
        SCOPED_TRACE(std::to_string(c.px) + "x" + std::to_string(c.py));
        for (int k : {0, 5, 8}) {
            Picture p(96 * c.px, 64 * c.py);
            drawDots(&p, standInDots(k, 96, 64), 96, 0, 0, c.px, c.py);
            const ScreenPlace s = locateScreen(p, 96, 64);
            EXPECT_EQ(rect(s), "0,0 " + std::to_string(p.width) + "x" + std::to_string(p.height));
            EXPECT_TRUE(s.whole);
            EXPECT_EQ(proposal(p, 96, 64), "bare CX 96 CY 64");
        }
    }
}

TEST(Locate, FaceLayoutsAreExpressedWhereADotIsOnePixel) {
    for (int scale : {1, 2, 3}) {
        SCOPED_TRACE(scale);
        const Picture p = standInFace(scale, standInDots(3, 96, 64));
        const ScreenPlace s = locateScreen(p, 96, 64);
        EXPECT_EQ(rect(s), std::to_string(32 * scale) + "," + std::to_string(40 * scale) + " " +
                               std::to_string(96 * scale) + "x" + std::to_string(64 * scale));
        EXPECT_EQ(proposal(p, 96, 64), "layout CX 96 CY 64 RCX 160 RCY 280 RX 32 RY 40");
    }
    // A blank (all white) screen inside the face still has the rim's edges around it.
    EXPECT_EQ(proposal(standInFace(2, std::vector<std::uint32_t>(96 * 64, 0xFFFFFF)), 96, 64),
              "layout CX 96 CY 64 RCX 160 RCY 280 RX 32 RY 40");

    // The 96 x 64 screen drawn 2x in a 240 x 320 face.
    Picture face(240, 320, 0x404850);
    fill(&face, 20, 30, 200, 140, 0x101010);
    drawDots(&face, lcdDots(96, 64), 96, 24, 34, 2, 2);
    EXPECT_EQ(proposal(face, 96, 64), "layout CX 96 CY 64 RCX 120 RCY 160 RX 12 RY 17");
}

TEST(Locate, AStatusBarUnderABareScreenMakesALayout) {
    // 20 px of status bar: the client divides by the 2 px dots.
    Picture even(192, 148, 0xF0F0F0);
    drawDots(&even, standInDots(1, 96, 64), 96, 0, 0, 2, 2);
    fill(&even, 4, 132, 60, 12, 0x303030);
    EXPECT_EQ(proposal(even, 96, 64), "layout CX 96 CY 64 RCX 96 RCY 74 RX 0 RY 0");

    // 19 px: it does not, so the layout stays at the window's scale with the dots' size kept.
    Picture odd(192, 147, 0xF0F0F0);
    drawDots(&odd, standInDots(1, 96, 64), 96, 0, 0, 2, 2);
    fill(&odd, 4, 132, 60, 12, 0x303030);
    EXPECT_EQ(proposal(odd, 96, 64),
              "layout CX 192 CY 128 RCX 192 RCY 147 RX 0 RY 0 AnyScale dots 2x2");
}

TEST(Locate, AnLcdGlassWiderThanTheScreenIsReadFromItsDots) {
    const Picture p = realisticSkin(lcdDots(131, 16));
    const ScreenPlace s = locateScreen(p, 131, 16);
    EXPECT_EQ(rect(s), "40,138 262x48") << s.how;
    EXPECT_EQ(s.pitchX, 2.0);
    EXPECT_EQ(s.pitchY, 3.0);
    EXPECT_EQ(proposal(p, 131, 16),
              "layout CX 262 CY 48 RCX 340 RCY 617 RX 40 RY 138 AnyScale dots 2x3");
}

TEST(Locate, BlankScreensAreFoundThroughWhatChanged) {
    const Picture blank = realisticSkin(lcdDots(131, 16, true));
    const ScreenPlace alone = locateScreen(blank, 131, 16);
    EXPECT_EQ(alone.outcome, LocateOutcome::Blank) << rect(alone);
    const ScreenPlace unchanged = locateScreen(blank, 131, 16, &blank);
    EXPECT_EQ(unchanged.outcome, LocateOutcome::Blank) << rect(unchanged);

    // Keys pressed: the first line fills with text.
    std::vector<std::uint32_t> typed = lcdDots(131, 16);
    std::fill(typed.begin() + 131 * 8, typed.end(), kLcdBackground);
    const Picture after = realisticSkin(typed);
    const ScreenPlace s = locateScreen(after, 131, 16, &blank);
    EXPECT_EQ(rect(s), "40,138 262x48") << s.how;
}

TEST(Locate, ScalesThatAreNotWholeProposeAnyScale) {
    // A bare screen, smoothly and by nearest pixel.
    Picture bare(96, 64);
    drawDots(&bare, standInDots(2, 96, 64), 96, 0, 0, 1, 1);
    for (bool smooth : {true, false}) {
        SCOPED_TRACE(smooth ? "smooth" : "nearest");
        for (double scale : {1.5, 2.5, 1.37}) {
            SCOPED_TRACE(scale);
            EXPECT_EQ(proposal(rescaled(bare, scale, smooth), 96, 64), "bare CX 96 CY 64 AnyScale");
        }
    }
    // The face at 1.5 and 2.5: the layout comes back at scale 1.
    for (double scale : {1.5, 2.5}) {
        SCOPED_TRACE(scale);
        EXPECT_EQ(proposal(rescaled(standInFace(1, standInDots(4, 96, 64)), scale, true), 96, 64),
                  "layout CX 96 CY 64 RCX 160 RCY 280 RX 32 RY 40 AnyScale");
    }
}

TEST(Locate, SaysSoWhenThereIsNoScreen) {
    // Too small for the dots.
    EXPECT_EQ(locateScreen(Picture(95, 64), 96, 64).outcome, LocateOutcome::NotFound);
    // Noise: nothing is one colour, nothing has edged sides of whole dots.
    Picture noise(250, 170);
    for (int y = 0; y < noise.height; ++y) {
        for (int x = 0; x < noise.width; ++x) {
            noise.at(x, y) =
                frames::mix(static_cast<std::uint32_t>(x), static_cast<std::uint32_t>(y), 9u) &
                0xFFFFFFu;
        }
    }
    const ScreenPlace n = locateScreen(noise, 96, 64);
    EXPECT_EQ(n.outcome, LocateOutcome::NotFound) << rect(n);
    EXPECT_FALSE(n.how.empty());
    // One colour that does not divide into the dots: blank, not a guess.
    const ScreenPlace u = locateScreen(Picture(250, 170, 0xFFFFFF), 96, 64);
    EXPECT_EQ(u.outcome, LocateOutcome::Blank) << rect(u);
    // The face, asked for a screen larger than its own.
    const ScreenPlace f = locateScreen(standInFace(1, standInDots(0, 96, 64)), 128, 64);
    EXPECT_NE(f.outcome, LocateOutcome::Found) << rect(f) << " " << f.how;
}

// Screenshots of real emulator windows under Wine (tests/data/locate), each cut to the part of
// the client area around the screen: file NAME+LEFT+TOP.png is the client area from (LEFT, TOP).
// The helper locates the screen in the cut picture as in the whole one (what lies beyond is the
// emulator's face); the place is moved back by the cut's offset and the profile proposed for
// the whole client area, as /locate does. The oracle is the emulator's known geometry: every
// dot's centre, where Pixmote reads it through the proposed profile at this window size, lies
// inside that dot as the emulator draws it (its layout at scale 1, scaled to the client).
struct RealWindow {
    const char* file;
    int clientWidth, clientHeight;
    int across, down;
    // The emulator's layout at scale 1: client, screen's corner, dot size.
    int layoutWidth, layoutHeight, screenX, screenY, dotWidth, dotHeight;
    const char* profile;  // the exact proposal expected
};

// Where Pixmote reads dot (i, j) through the profile in a client of width x height.
void dotCentre(const Profile& p, int width, int height, int i, int j, double* x, double* y) {
    const int dw = p.dotWidth != 0 ? p.dotWidth : 1;
    const int dh = p.dotHeight != 0 ? p.dotHeight : 1;
    const double rcx = p.kind == ProfileKind::Bare ? p.cx : p.rcx;
    const double rcy = p.kind == ProfileKind::Bare ? p.cy : p.rcy;
    const double sx = width / rcx;
    const double sy = height / rcy;
    *x = (p.rx + (i + 0.5) * dw) * sx;
    *y = (p.ry + (j + 0.5) * dh) * sy;
}

TEST(LocateReal, ScreenshotsOfEmulatorsAreReadDotForDot) {
    const RealWindow windows[] = {
        {"free42-first-start+12+98.png", 340, 617, 131, 16, 340, 617, 40, 138, 2, 3,
         "layout CX 262 CY 48 RCX 340 RCY 617 RX 40 RY 138 AnyScale dots 2x3"},
        {"free42-255x463+9+73.png", 255, 463, 131, 16, 340, 617, 40, 138, 2, 3,
         "layout CX 262 CY 48 RCX 340 RCY 617 RX 40 RY 138 AnyScale dots 2x3"},
        {"free42-374x679+13+107.png", 374, 679, 131, 16, 340, 617, 40, 138, 2, 3,
         "layout CX 262 CY 48 RCX 340 RCY 617 RX 40 RY 138 AnyScale dots 2x3"},
        {"free42-425x771+15+122.png", 425, 771, 131, 16, 340, 617, 40, 138, 2, 3,
         "layout CX 262 CY 48 RCX 340 RCY 617 RX 40 RY 138 AnyScale dots 2x3"},
        {"free42-466x845+16+134.png", 466, 845, 131, 16, 340, 617, 40, 138, 2, 3,
         "layout CX 262 CY 48 RCX 340 RCY 617 RX 40 RY 138 AnyScale dots 2x3"},
        {"free42-510x926+18+147.png", 510, 926, 131, 16, 340, 617, 40, 138, 2, 3,
         "layout CX 262 CY 48 RCX 340 RCY 617 RX 40 RY 138 AnyScale dots 2x3"},
        // The Standard skin (302 x 348) in a client 2 px short of it, a line of digits typed
        // across the screen. (With only "Y: 37.0000" on it, the first 60 dots lie 1.976 px apart,
        // not 1.987: the helper then proposes 304 x 350, which reads those dots right but may
        // read the last ones half a dot off.)
        {"free42-standard+0+0.png", 300, 346, 131, 16, 302, 348, 20, 20, 2, 3,
         "layout CX 262 CY 48 RCX 302 RCY 348 RX 20 RY 20 AnyScale dots 2x3"},
        {"numworks-first-start+29+27.png", 458, 888, 320, 240, 458, 888, 69, 67, 1, 1,
         "layout CX 320 CY 240 RCX 458 RCY 888 RX 69 RY 67"},
    };
    for (const RealWindow& w : windows) {
        SCOPED_TRACE(w.file);
        Picture cut;
        int left = 0;
        int top = 0;
        ASSERT_TRUE(readLocateShot(w.file, &cut, &left, &top));

        ScreenPlace place = locateScreen(cut, w.across, w.down);
        ASSERT_EQ(place.outcome, LocateOutcome::Found) << place.how;
        place.x += left;
        place.y += top;
        place.left += left;
        place.top += top;
        Profile profile;
        ASSERT_TRUE(
            proposeProfile(place, w.across, w.down, w.clientWidth, w.clientHeight, &profile));
        EXPECT_EQ(describe(profile), w.profile);
        const double sx = static_cast<double>(w.clientWidth) / w.layoutWidth;
        const double sy = static_cast<double>(w.clientHeight) / w.layoutHeight;
        int outside = 0;
        for (int j = 0; j < w.down; ++j) {
            for (int i = 0; i < w.across; ++i) {
                double x = 0;
                double y = 0;
                dotCentre(profile, w.clientWidth, w.clientHeight, i, j, &x, &y);
                const bool inside = x >= (w.screenX + i * w.dotWidth) * sx &&
                                    x < (w.screenX + (i + 1) * w.dotWidth) * sx &&
                                    y >= (w.screenY + j * w.dotHeight) * sy &&
                                    y < (w.screenY + (j + 1) * w.dotHeight) * sy;
                outside += inside ? 0 : 1;
            }
        }
        EXPECT_EQ(outside, 0) << describe(profile);
    }
}

// The NumWorks simulator resized: it fits its photo (with a margin beyond the part it fits)
// into the client, centred, between flat gray bars, and draws the LCD smoothly scaled. Each
// screenshot is the client's full width (both bars) from row TOP, cut above and below the LCD
// (the photo runs on to the client's top and bottom). The screen must be found where it is
// drawn within a pixel, and the profile proposed (AnyScale 2), worked out again by detection's
// own code, must read every dot from a pixel at most half a dot from it at this size and at
// the first start. At the other screenshot's size it may stray further: the simulator
// truncates its photo's rectangle and rounds the LCD's to whole pixels at each size, which
// moves the LCD by up to a pixel against any one scale (the catalogue's own profile, measured
// by hand, strays 0.9 dot at 640 x 940 and 1.04 at 600 x 1000; these proposals 2.04 and 1.89).
struct FittedWindow {
    const char* file;
    int clientWidth, clientHeight;
    int x, y, width, height;  // the LCD as drawn, in the client
    const char* profile;      // the exact proposal expected
};

// Where detection reads the profile's dots in a client of cw x ch: the farthest a read pixel
// lies from its dot's centre on an LCD drawn at lcd (x, y, width, height), in dots (0.5: the
// pixel touches the dot); -1 when the profile does not fit this client.
double worstDotOffset(const Profile& p, int cw, int ch, const int lcd[4]) {
    ScreenShape shape;
    shape.width = static_cast<std::int16_t>(p.cx);
    shape.height = static_cast<std::int16_t>(p.cy);
    shape.layout = LayoutKind::Valid;
    shape.layoutWidth = static_cast<std::int16_t>(p.rcx);
    shape.layoutHeight = static_cast<std::int16_t>(p.rcy);
    shape.screenX = static_cast<std::int16_t>(p.rx);
    shape.screenY = static_cast<std::int16_t>(p.ry);
    shape.fitWidth = static_cast<std::int16_t>(p.fitWidth);
    shape.fitHeight = static_cast<std::int16_t>(p.fitHeight);
    const ScreenFit fit = fitScreen(shape, cw, ch);
    if (fit.kind == FitKind::None) {
        return -1;
    }
    std::vector<std::int32_t> columns(static_cast<std::size_t>(p.cx));
    std::vector<std::int32_t> rows(static_cast<std::size_t>(p.cy));
    if (fit.kind == FitKind::Sampled) {
        sampleIndices(shape, cw, ch, columns.data(), rows.data());
    } else {
        std::iota(columns.begin(), columns.end(), 0);
        std::iota(rows.begin(), rows.end(), 0);
    }
    const double pitchX = static_cast<double>(lcd[2]) / p.cx;
    const double pitchY = static_cast<double>(lcd[3]) / p.cy;
    double worst = 0;
    for (int i = 0; i < p.cx; ++i) {
        const double read = fit.sourceX + columns[static_cast<std::size_t>(i)] + 0.5;
        worst = std::max(worst, (std::abs(read - (lcd[0] + (i + 0.5) * pitchX)) - 0.5) / pitchX);
    }
    for (int j = 0; j < p.cy; ++j) {
        const double read = fit.sourceY + rows[static_cast<std::size_t>(j)] + 0.5;
        worst = std::max(worst, (std::abs(read - (lcd[1] + (j + 0.5) * pitchY)) - 0.5) / pitchY);
    }
    return worst;
}

TEST(LocateReal, PicturesFittedBetweenBarsAreProposedToFollowTheWindow) {
    const FittedWindow windows[] = {
        {"numworks-640x940+0+50.png", 640, 940, 150, 70, 339, 254,
         "layout CX 320 CY 240 RCX 605 RCY 888 RX 142 RY 66 AnyScale 2 fit 390x888"},
        {"numworks-600x1000+0+50.png", 600, 1000, 119, 76, 361, 271,
         "layout CX 320 CY 240 RCX 531 RCY 885 RX 105 RY 67 AnyScale 2 fit 389x885"},
    };
    // The LCD as drawn at other sizes: the first start, and the sizes above.
    const int first[] = {458, 888, 69, 67, 320, 240};
    constexpr double kElsewhere = 2.1;
    for (const FittedWindow& w : windows) {
        SCOPED_TRACE(w.file);
        Picture cut;
        int left = 0;
        int top = 0;
        ASSERT_TRUE(readLocateShot(w.file, &cut, &left, &top));
        ScreenPlace place = locateScreen(cut, 320, 240);
        ASSERT_EQ(place.outcome, LocateOutcome::Found) << place.how;
        ASSERT_GT(place.fitWidth, 0) << rect(place);
        place.x += left;
        place.y += top;
        place.left += left;
        place.top += top;
        // The cut's bars are the client's; the photo it touches runs on to the client's edges.
        place.fitX += left;
        place.fitY += top;
        if (place.fitHeight == cut.height) {
            place.fitY = 0;
            place.fitHeight = w.clientHeight;
        } else {
            place.fitX = 0;
            place.fitWidth = w.clientWidth;
        }
        EXPECT_LE(std::abs(place.x - w.x), 1) << rect(place);
        EXPECT_LE(std::abs(place.y - w.y), 1) << rect(place);
        EXPECT_LE(std::abs(place.width - w.width), 1) << rect(place);
        EXPECT_LE(std::abs(place.height - w.height), 1) << rect(place);
        Profile profile;
        ASSERT_TRUE(proposeProfile(place, 320, 240, w.clientWidth, w.clientHeight, &profile));
        EXPECT_EQ(describe(profile), w.profile);
        const int here[4] = {w.x, w.y, w.width, w.height};
        for (const auto& [cw, ch, lcd] :
             {std::tuple{w.clientWidth, w.clientHeight, here}, {first[0], first[1], first + 2}}) {
            const double offset = worstDotOffset(profile, cw, ch, lcd);
            EXPECT_GE(offset, 0) << cw << "x" << ch;
            EXPECT_LE(offset, 0.5) << cw << "x" << ch;
        }
        for (const FittedWindow& other : windows) {
            SCOPED_TRACE(other.file);
            const int there[4] = {other.x, other.y, other.width, other.height};
            const double offset =
                worstDotOffset(profile, other.clientWidth, other.clientHeight, there);
            EXPECT_GE(offset, 0);
            EXPECT_LE(offset, kElsewhere);
        }
    }
}

// A caption, or a caption and what it changed to; the start matched ("": the whole caption).
TEST(Propose, CaptionsWithAFileNameANumberOrAChangeAreMatchedByTheirStart) {
    const std::tuple<const char*, const char*, const char*> cases[] = {
        {"Free42 Binary", nullptr, ""},
        {"Calculator Stand-In", nullptr, ""},
        {"Wabbitemu (2)", nullptr, "Wabbitemu"},
        {"Emu48 1.58", nullptr, "Emu48"},
        {"Emu48 - C:\\states\\hp48.e48", nullptr, "Emu48"},
        {"TilEm - game.8xp", nullptr, "TilEm"},
        {"42", nullptr, ""},  // nothing before the number
        {"My Calc", "My Calc", ""},
        {"Calc", "Other", ""},
        {"Emu 1", "Emu2", ""},  // "Emu" against "Emu2": no whole word
        {"My Calc", "My Calc - game.8xp", "My Calc"},
        {"Emu 1.58", "Emu 1.59", "Emu"},
        {"Emu - a.e48", "Emu - b.e48", "Emu"},
        {"Calc (1)", "Calc (12)", "Calc"},
        {"Calc [run]", "Calc [stop]", "Calc"},
    };
    for (const auto& [caption, changed, start] : cases) {
        std::string prefix = "unchanged";
        const int match = changed == nullptr ? proposeCaptionMatch(caption, &prefix)
                                             : captionMatchFromChange(caption, changed, &prefix);
        EXPECT_EQ(match, *start != '\0' ? 1 : 0) << caption;
        if (*start != '\0' || changed != nullptr) {
            EXPECT_EQ(prefix, *start != '\0' ? start : "unchanged") << caption;
        }
    }
}

TEST(Propose, ALayoutThatTheWholeClientTestWouldTakeIsFlagged) {
    // A 288 x 640 face whose client divides by 96 x 64: detection would take all of it.
    ScreenPlace s;
    s.outcome = LocateOutcome::Found;
    s.x = 96;
    s.y = 64;
    s.width = 96;
    s.height = 64;
    s.pitchX = s.pitchY = 1;
    s.whole = true;
    Profile p;
    ASSERT_TRUE(proposeProfile(s, 96, 64, 288, 640, &p));
    EXPECT_TRUE(wholeClientShadows(p, 288, 640));
    EXPECT_NE(p.note, "");
    ASSERT_TRUE(proposeProfile(s, 96, 64, 290, 640, &p));
    EXPECT_EQ(p.note, "");
}

}  // namespace
