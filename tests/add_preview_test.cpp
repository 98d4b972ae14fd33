// What the helper offers and previews, on pictures of known answers: the calculators' screens
// and typed sizes, and the recording a located screen gives (each dot at its level, the GIF's
// frame, the enlargement).
#include "add/calculators.h"
#include "add/preview.h"

#include <gtest/gtest.h>

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

}  // namespace
