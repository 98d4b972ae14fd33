// The helper's steps: what it offers and previews on pictures of known answers (the calculators'
// screens and typed sizes, the recording a located screen gives: each dot at its level, the
// GIF's frame, the enlargement, the window's picture with the screen outlined, on screenshots of
// real emulators); and against the Win32 stand-in the pictures' bitmaps, the window list (without
// tool windows) and the finder, and Save (Pixmote not installed, the values written, an earlier
// profile that catches the window, the check with Pixmote's own detection). Nothing is held after
// any path.
#include "add/calculators.h"
#include "add/catalogue_save.h"
#include "add/client_picture.h"
#include "add/preview.h"
#include "add/preview_show.h"
#include "add/window_list.h"
#include "add/window_mark.h"
#include "platform/stub/helper.h"
#include "tests/support/catalogue_profile.h"
#include "tests/support/png_picture.h"
#include "tests/support/stub_fixture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
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

// The face as the emulator's window.
void drawFace(HWND w) {
    const Picture picture = face();
    for (int y = 0; y < picture.height; ++y) {
        for (int x = 0; x < picture.width; ++x) {
            stub::setPixel(w, x, y, picture.at(x, y));
        }
    }
}

std::string textValue(const std::string& path, const std::string& name) {
    DWORD type = 0;
    std::vector<BYTE> data;
    if (!stub::regGetValue(path, name, &type, &data) || type != REG_SZ || data.empty()) {
        return "?";
    }
    return std::string(data.begin(), data.end() - 1);
}

// The face's screen as a Layout profile of "My Calc": the face at half size, 120 x 160.
Profile myCalcLayout() {
    Profile p;
    p.kind = ProfileKind::Layout;
    p.className = "MyCalc";
    p.caption = "My Calc";
    p.cx = 96;
    p.cy = 64;
    p.rcx = 120;
    p.rcy = 160;
    p.rx = 12;
    p.ry = 20;
    return p;
}

using AddWindow = StubTest;

TEST(AddCalculators, RowsNameTheirScreensAndTypedSizesAreRead) {
    EXPECT_EQ(calculatorRowText(calculatorScreens().back()), "Casio fx-CG50  (384 x 216)");
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

TEST_F(AddWindow, PreviewAndWindowPictureHoldOneBitmapEachUntilReleased) {
    HWND dialog = stub::addWindow("#32770", "Add an emulator to Pixmote", 500, 600);
    HWND w = stub::addWindow("MyCalc", "My Calc", 240, 320);
    drawFace(w);
    ASSERT_TRUE(showPreview(dialog, 1109, w, {24, 40, 2, 2, 96, 64}, 290, 188));
    ASSERT_TRUE(showPreview(dialog, 1109, w, {24, 40, 2, 2, 96, 64}, 290, 188));
    EXPECT_EQ(stub::held().gdiObjects, 1);
    EXPECT_EQ(stub::held().windowDCs + stub::held().memoryDCs, 0);
    // A rectangle that no longer fits, a failed copy: the last picture stays, nothing more held.
    EXPECT_FALSE(showPreview(dialog, 1109, w, {200, 40, 2, 2, 96, 64}, 290, 188));
    stub::failNextGetDC();
    EXPECT_FALSE(showPreview(dialog, 1109, w, {24, 40, 2, 2, 96, 64}, 290, 188));
    stub::failNextCreateCompatibleBitmap();
    EXPECT_FALSE(showPreview(dialog, 1109, w, {24, 40, 2, 2, 96, 64}, 290, 188));
    EXPECT_EQ(stub::held().gdiObjects, 1);

    // The window's picture beside it: a bitmap of its own, replaced on each showing.
    Picture client;
    ASSERT_TRUE(grabClientPicture(w, &client));
    const ScreenRect rect{24, 40, 2, 2, 96, 64};
    ASSERT_TRUE(showWindowMark(dialog, 1123, client, rect, 120, 188));
    ASSERT_TRUE(showWindowMark(dialog, 1123, client, rect, 120, 188));
    ASSERT_TRUE(showPreviewOf(dialog, 1109, client, rect, 290, 188));
    EXPECT_EQ(stub::held().gdiObjects, 2);
    stub::failNextCreateCompatibleBitmap();
    EXPECT_FALSE(showWindowMark(dialog, 1123, client, rect, 120, 188));
    EXPECT_FALSE(showWindowMark(dialog, 1123, Picture(), rect, 120, 188));
    EXPECT_EQ(stub::held().gdiObjects, 2);
    EXPECT_EQ(stub::held().windowDCs + stub::held().memoryDCs, 0);
    releasePreview(dialog, 1109);
    EXPECT_EQ(stub::held().gdiObjects, 1);
    releaseWindowMark(dialog, 1123);
    expectNothingHeld();
}

TEST_F(AddWindow, ListsVisibleWindowsWithTheirChildrenAndTheFinderPicksTheInnermost) {
    HWND dialog = stub::addWindow("#32770", "Add an emulator to Pixmote", 500, 600);
    HWND emu = stub::addWindow("EmuFrame", "Emu 1.0", 400, 300);
    HWND lcd = stub::addChildWindow(emu, "EmuLcd", "", 192, 128);
    HWND hidden = stub::addWindow("Hidden", "Hidden", 100, 100);
    ShowWindow(hidden, SW_HIDE);
    stub::addWindow("Empty", "Empty", 0, 0);
    stub::addChildWindow(dialog, "Button", "Save", 60, 20);
    // A tool window, as the tray's: no emulator.
    stub::setExStyle(stub::addWindow("Shell_TrayWnd", "", 200, 30), WS_EX_TOOLWINDOW);

    const std::vector<WindowEntry> rows = listWindows(dialog);
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0].window, emu);
    EXPECT_EQ(windowRowText(rows[0]), "Emu 1.0  [EmuFrame]  400 x 300");
    EXPECT_EQ(rows[1].window, lcd);
    EXPECT_EQ(rows[1].topLevel, emu);
    EXPECT_EQ(windowRowText(rows[1]), "      child: (no title)  [EmuLcd]  192 x 128");

    stub::placeCursor({300, 200}, lcd);
    EXPECT_EQ(windowUnderPoint({300, 200}, dialog), lcd);
    stub::placeCursor({10, 10}, stub::addChildWindow(dialog, "Static", "+", 20, 20));
    EXPECT_EQ(windowUnderPoint({10, 10}, dialog), nullptr);
    stub::placeCursor({10, 10}, nullptr);
    EXPECT_EQ(windowUnderPoint({10, 10}, dialog), nullptr);
    stub::destroyWindow(emu);
    WindowEntry gone;
    EXPECT_FALSE(describeWindow(lcd, &gone));
    expectNothingHeld();
}

TEST_F(AddWindow, SaveWritesTheProfileThatPixmotesDetectionThenUses) {
    HWND w = stub::addWindow("MyCalc", "My Calc", 240, 320);
    drawFace(w);
    const Profile p = myCalcLayout();

    // No Software\Pixmote: not installed for this account, and nothing is written by the check.
    EXPECT_FALSE(pixmoteInstalled());
    catalogueProfile("Shipped", "Other", "OtherCalc", "Other", 96, 64);
    ASSERT_TRUE(pixmoteInstalled());
    EXPECT_EQ(profileDescribing("MyCalc", "My Calc", "Added", "My Calc", false), "");

    ASSERT_TRUE(writeProfile(p, "Added", "My Calc"));
    const std::string key = "Software\\Pixmote\\Added\\My Calc";
    EXPECT_EQ(textValue(key, "ClassName"), "MyCalc");
    EXPECT_EQ(textValue(key, "Caption"), "My Calc");
    for (const auto& [name, value] : std::vector<std::pair<const char*, DWORD>>{
             {"CX", 96}, {"CY", 64}, {"RCX", 120}, {"RCY", 160}, {"RX", 12}, {"RY", 20}}) {
        EXPECT_EQ(dwordValue(key, name), value) << name;
    }
    EXPECT_FALSE(stub::regHasValue(key, "AnyScale"));
    EXPECT_FALSE(stub::regHasValue(key, "CaptionMatch"));
    EXPECT_EQ(detectionCheck(w, p, "Added", "My Calc"), "");

    // Names the catalogue cannot hold are refused before any key is made.
    EXPECT_FALSE(writeProfile(p, "Added", "a\\b"));
    EXPECT_FALSE(writeProfile(p, "", "x"));
    EXPECT_FALSE(stub::regHasValue("Software\\Pixmote\\Added\\a", "CX"));
    stub::regRefuseWrite("Software\\Pixmote\\Added\\Refused");
    stub::regCreateKey("Software\\Pixmote\\Added\\Refused");
    EXPECT_FALSE(writeProfile(p, "Added", "Refused"));
    expectNothingHeld();
}

TEST_F(AddWindow, SavingAgainTakesOutTheValuesTheNewProfileDoesWithout) {
    // The same window shown bare at scale 2 (192 x 128), saved before as a child-window profile
    // sampled at any scale with a caption prefix: every value of that profile would change what
    // detection makes of the window.
    HWND w = stub::addWindow("MyCalc", "My Calc", 192, 128);
    const std::string key = "Software\\Pixmote\\Added\\My Calc";
    stub::regCreateKey(key);
    for (const char* value : {"CaptionMatch", "RCX", "RCY", "RX", "RY", "AnyScale"}) {
        stub::regSetDword(key, value, 1);
    }
    stub::regSetDword(key, "DotWidth", 2);
    stub::regSetDword(key, "DotHeight", 3);
    stub::regSetString(key, "ScreenClass", "MyLcd");
    stub::regSetString(key, "Comment", "kept");  // not a catalogue value: left alone

    Profile p;
    p.kind = ProfileKind::Bare;
    p.className = "MyCalc";
    p.caption = "My Calc";
    p.cx = 96;
    p.cy = 64;
    ASSERT_TRUE(writeProfile(p, "Added", "My Calc"));
    for (const char* value : {"CaptionMatch", "ScreenClass", "RCX", "RCY", "RX", "RY", "AnyScale",
                              "DotWidth", "DotHeight"}) {
        EXPECT_FALSE(stub::regHasValue(key, value)) << value;
    }
    EXPECT_EQ(dwordValue(key, "CX"), 96u);
    EXPECT_EQ(dwordValue(key, "CY"), 64u);
    EXPECT_EQ(textValue(key, "Comment"), "kept");
    EXPECT_EQ(detectionCheck(w, p, "Added", "My Calc"), "");

    // Saved once more with the values it needs: they are written, the rest stays out.
    p.kind = ProfileKind::Layout;
    p.captionMatch = 1;
    p.rcx = 96;
    p.rcy = 64;
    ASSERT_TRUE(writeProfile(p, "Added", "My Calc"));
    EXPECT_EQ(dwordValue(key, "CaptionMatch"), 1u);
    EXPECT_EQ(dwordValue(key, "RCX"), 96u);
    EXPECT_EQ(dwordValue(key, "RX"), 0u);
    EXPECT_FALSE(stub::regHasValue(key, "AnyScale"));
    EXPECT_FALSE(stub::regHasValue(key, "ScreenClass"));
    expectNothingHeld();
}

TEST_F(AddWindow, SaveNamesAnEarlierProfileThatCatchesTheWindowFirst) {
    HWND w = stub::addWindow("MyCalc", "My Calc - game.8xp", 240, 320);
    drawFace(w);
    // An older profile, made first so detection meets it first: the whole client area at
    // 120 x 160, matched by the caption's beginning.
    const CatalogueProfile old =
        catalogueProfile("Mine", "Old", "mycalc", "My Calc", 120, 160).number("CaptionMatch", 1);

    Profile p = myCalcLayout();
    p.captionMatch = 1;
    EXPECT_EQ(profileDescribing("MyCalc", "My Calc - game.8xp", "Added", "My Calc", false),
              "Mine\\Old");
    ASSERT_TRUE(writeProfile(p, "Added", "My Calc"));
    EXPECT_EQ(dwordValue("Software\\Pixmote\\Added\\My Calc", "CaptionMatch"), 1u);
    EXPECT_EQ(detectionCheck(w, p, "Added", "My Calc"),
              "Pixmote finds this window through the profile Mine\\Old first, which records it "
              "at 120 x 160.");
    // Profiles after one's own are not the ones detection meets first.
    EXPECT_EQ(profileDescribing("MyCalc", "My Calc - game.8xp", "Mine", "Old", true), "");

    // Another open emulator whose profile comes earlier in the catalogue is found instead.
    stub::regDeleteKey(old.path);
    stub::raiseWindow(stub::addWindow("OtherCalc", "Other", 96, 64));
    catalogueProfile("Mine", "Other", "OtherCalc", "Other", 96, 64);
    const std::string check = detectionCheck(w, p, "Added", "My Calc");
    EXPECT_NE(check.find("another open emulator first: \"Other\""), std::string::npos) << check;
    expectNothingHeld();
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
    int left = 0;
    int top = 0;
    if (!readLocateShot(c.file, &cut, &left, &top)) {
        return Picture();
    }
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
