// What the helper offers and previews, on pictures of known answers: the calculators' screens
// and typed sizes, the recording a located screen gives (each dot at its level, the GIF's
// frame, the enlargement), and the window's picture with the screen outlined, on screenshots
// of real emulators.
#include "add/calculators.h"
#include "add/preview.h"
#include "add/window_mark.h"
#include "tests/support/png_picture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

namespace {

// The checkerboard-like pattern of the stand-in's screen: dot (x, y) dark or light.
bool darkDot(int x, int y) {
    return (x / 2 + y / 2 + x * y) % 3 == 0;
}

// A 240 x 320 face (0x3C465A) with a 96 x 64 screen drawn at scale 2 at (24, 40).
Picture face() {
    Picture p(240, 320, 0x3C465A);
    for (int y = 0; y < 64; ++y) {
        for (int x = 0; x < 96; ++x) {
            for (int k = 0; k < 4; ++k) {
                p.at(24 + 2 * x + k % 2, 40 + 2 * y + k / 2) = darkDot(x, y) ? 0x101010 : 0xE0E8E0;
            }
        }
    }
    return p;
}

TEST(AddCalculators, OffersEveryScreenOfTheListAndReadsTypedSizes) {
    std::vector<std::string> rows;
    for (const CalculatorScreen& s : calculatorScreens()) {
        rows.push_back(calculatorRowText(s));
    }
    const std::vector<std::string> expected = {"TI-73/81/82/83/83 Plus/84 Plus  (96 x 64)",
                                               "TI-85/86  (128 x 64)",
                                               "TI-89/92/Voyage 200  (160 x 100)",
                                               "TI-89/92/Voyage 200  (240 x 128)",
                                               "TI-84 Plus CE/CSE, TI-Nspire  (320 x 240)",
                                               "HP-42S  (131 x 16)",
                                               "HP-48/49/50  (131 x 64)",
                                               "HP-48/49/50  (131 x 80)",
                                               "Casio fx-9860G  (128 x 64)",
                                               "NumWorks, HP Prime  (320 x 240)",
                                               "Casio fx-CG50  (384 x 216)"};
    EXPECT_EQ(rows, expected);

    int n = 0;
    EXPECT_TRUE(readDotCount(" 131 ", &n));
    EXPECT_EQ(n, 131);
    EXPECT_TRUE(readDotCount("1024", &n));
    for (const char* bad : {"", "0", "1025", "12x", "-5", "99999999999999999999", "1 2"}) {
        EXPECT_FALSE(readDotCount(bad, &n)) << bad;
    }
}

TEST(AddPreview, ShowsEachDotAtItsLevelInsideTheGifFrame) {
    const Picture client = face();
    const ScreenRect exact{24, 40, 2, 2, 96, 64};

    const std::vector<std::uint8_t> levels = recordedLevels(client, exact);
    ASSERT_EQ(levels.size(), 96u * 64u);
    for (int y = 0; y < 64; ++y) {
        for (int x = 0; x < 96; ++x) {
            ASSERT_EQ(levels[static_cast<std::size_t>(y * 96 + x)], darkDot(x, y) ? 15 : 0)
                << x << "," << y;
        }
    }
    // One pixel to the right, each dot is read at its right neighbour's first pixel column.
    const std::vector<std::uint8_t> moved = recordedLevels(client, {25, 40, 2, 2, 96, 64});
    ASSERT_EQ(moved.size(), levels.size());
    EXPECT_EQ(moved[0], levels[1]);
    EXPECT_EQ(moved[10 * 96 + 40], levels[10 * 96 + 41]);
    EXPECT_NE(moved, levels);
    // Reaching outside the client area, or dots under a pixel: nothing.
    EXPECT_TRUE(recordedLevels(client, {25, 40, 2.5, 2, 96, 64}).empty());
    EXPECT_TRUE(recordedLevels(client, {24, 40, 0.5, 2, 96, 64}).empty());

    // 290 x 188 holds (96 + 4) x (64 + 4) at 2, not 3.
    const int factor = previewFactor(96, 64, 290, 188);
    EXPECT_EQ(factor, 2);
    EXPECT_EQ(previewFactor(320, 240, 290, 188), 1);
    const Picture shown = framedPreview(levels, 96, 64, factor);
    ASSERT_EQ(shown.width, 200);
    ASSERT_EQ(shown.height, 136);
    EXPECT_EQ(shown.at(0, 0), 0x000000u);  // the dark outer line
    EXPECT_EQ(shown.at(3, 3), 0xFFFFFFu);  // the light inner line
    for (int y = 0; y < 64; ++y) {
        for (int x = 0; x < 96; ++x) {
            const std::uint32_t gray = darkDot(x, y) ? 0x000000u : 0xFFFFFFu;
            ASSERT_EQ(shown.at((x + 2) * 2 + 1, (y + 2) * 2 + 1), gray) << x << "," << y;
        }
    }
}

// The window's picture on screenshots of real emulators (tests/data/locate, NAME+LEFT+TOP.png:
// the client area from (LEFT, TOP), pasted back into a client of its size over the colour of
// its corner), at the box sizes of 96 and 144 DPI, as they are and inverted (a dark LCD). The
// oracle is the LCD's place as the emulator draws it: the pixels the outline changed form a
// closed 2-pixel ring just outside that place, scaled, within a pixel, each at least 128 off
// the picture beneath in one channel. A screen filling the whole client is outlined inside.
struct MarkCase {
    const char* file;
    int clientWidth, clientHeight;
    double x, y, width, height;  // the LCD in client pixels
    int across, down;
    int boxWidth, boxHeight;
};

Picture clientOf(const MarkCase& c) {
    Picture cut;
    if (!readPngPicture(testDataPath(std::string("locate/") + c.file), &cut)) {
        return Picture();
    }
    const std::string name = c.file;
    int left = 0;
    int top = 0;
    std::sscanf(name.substr(name.find('+')).c_str(), "+%d+%d", &left, &top);
    Picture client(c.clientWidth, c.clientHeight, cut.at(0, 0));
    for (int y = 0; y < cut.height; ++y) {
        for (int x = 0; x < cut.width; ++x) {
            client.at(left + x, top + y) = cut.at(x, y);
        }
    }
    return client;
}

TEST(AddWindowMark, OutlinesTheLcdOfRealEmulatorWindowsInTheScaledPicture) {
    const MarkCase cases[] = {
        {"numworks-first-start+29+27.png", 458, 888, 69, 67, 320, 240, 320, 240, 120, 188},
        {"free42-first-start+12+98.png", 340, 617, 40, 138, 262, 48, 131, 16, 120, 188},
        // Resized to 1.37x: the LCD at the layout's (40, 138) 262 x 48, scaled.
        {"free42-466x845+16+134.png", 466, 845, 40 * 466 / 340.0, 138 * 845 / 617.0,
         262 * 466 / 340.0, 48 * 845 / 617.0, 131, 16, 180, 282},
        // A bare window: the screen is the whole client area.
        {"free42-standard+0+0.png", 300, 100, 0, 0, 300, 100, 150, 25, 180, 282},
    };
    for (const MarkCase& c : cases) {
        Picture client = clientOf(c);
        ASSERT_EQ(client.width, c.clientWidth) << c.file;
        for (const bool inverted : {false, true}) {
            SCOPED_TRACE(std::string(c.file) + (inverted ? " inverted" : ""));
            if (inverted) {
                for (std::uint32_t& p : client.pixels) {
                    p ^= 0xFFFFFFu;
                }
            }
            const ScreenRect rect{static_cast<int>(std::lround(c.x)),
                                  static_cast<int>(std::lround(c.y)),
                                  c.width / c.across,
                                  c.height / c.down,
                                  c.across,
                                  c.down};
            const Picture plain = scaledToBox(client, c.boxWidth, c.boxHeight);
            const Picture marked = markedWindow(client, rect, c.boxWidth, c.boxHeight);
            // Fits the box, fills it one way, keeps the window's proportions.
            ASSERT_EQ(marked.width, plain.width);
            ASSERT_EQ(marked.height, plain.height);
            ASSERT_TRUE(marked.width == c.boxWidth || marked.height == c.boxHeight);
            ASSERT_LE(marked.width, c.boxWidth);
            ASSERT_LE(marked.height, c.boxHeight);
            const double sx = static_cast<double>(marked.width) / c.clientWidth;
            const double sy = static_cast<double>(marked.height) / c.clientHeight;
            EXPECT_NEAR(sx, sy, 1.5 / std::min(marked.width, marked.height));

            int left = marked.width;
            int top = marked.height;
            int right = -1;
            int bottom = -1;
            int changed = 0;
            int faint = 0;
            for (int y = 0; y < marked.height; ++y) {
                for (int x = 0; x < marked.width; ++x) {
                    const std::uint32_t m = marked.at(x, y);
                    const std::uint32_t p = plain.at(x, y);
                    if (m == p) {
                        continue;
                    }
                    ++changed;
                    left = std::min(left, x);
                    top = std::min(top, y);
                    right = std::max(right, x + 1);
                    bottom = std::max(bottom, y + 1);
                    int far = 0;
                    for (int shift : {0, 8, 16}) {
                        far = std::max(far, std::abs(static_cast<int>((m >> shift) & 0xFF) -
                                                     static_cast<int>((p >> shift) & 0xFF)));
                    }
                    faint += far >= 128 ? 0 : 1;
                }
            }
            EXPECT_EQ(faint, 0);
            const bool whole = c.width == c.clientWidth && c.height == c.clientHeight;
            const int line = whole ? 0 : kMarkLine;
            EXPECT_NEAR(left, c.x * sx - line, 1.0);
            EXPECT_NEAR(top, c.y * sy - line, 1.0);
            EXPECT_NEAR(right, (c.x + c.width) * sx + line, 1.0);
            EXPECT_NEAR(bottom, (c.y + c.height) * sy + line, 1.0);
            // A closed ring: every pixel within the line's width of its edge, and no other.
            const int w = right - left;
            const int h = bottom - top;
            EXPECT_EQ(changed, w * h - (w - 2 * kMarkLine) * (h - 2 * kMarkLine));
        }
    }
}

}  // namespace
