// Detection with the catalogue values for real emulator windows: CaptionMatch, ScreenClass,
// AnyScale with DotWidth and DotHeight. Each bound is tried from both sides through the
// stand-in's registry and windows; each profile that must not match is followed by one that
// must, so a wrong match shows as the wrong window or rectangle.
#include "detect/detect.h"

#include "platform/stub/stub.h"
#include "tests/support/stub_fixture.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// One profile below Software\Pixmote, written value by value.
struct Profile {
    std::string path;
    const Profile& text(const char* name, const std::string& value, DWORD type = REG_SZ) const {
        stub::regSetString(path, name, value, type);
        return *this;
    }
    const Profile& number(const char* name, DWORD value) const {
        stub::regSetDword(path, name, value);
        return *this;
    }
    const Profile& bytes(const char* name, const std::vector<BYTE>& data, DWORD type) const {
        stub::regSetBinary(path, name, data, type);
        return *this;
    }
    const Profile& layout(DWORD rcx, DWORD rcy, DWORD rx, DWORD ry) const {
        return number("RCX", rcx).number("RCY", rcy).number("RX", rx).number("RY", ry);
    }
    const Profile& dots(DWORD width, DWORD height) const {
        return number("AnyScale", 1).number("DotWidth", width).number("DotHeight", height);
    }
};

// Profiles are enumerated in the order they are made.
Profile profile(const std::string& name, const std::string& className, const std::string& caption,
                DWORD cx, DWORD cy) {
    const Profile made{"Software\\Pixmote\\Group\\" + name};
    stub::regCreateKey(made.path);
    made.text("ClassName", className).text("Caption", caption).number("CX", cx).number("CY", cy);
    return made;
}

// Free42's Standard skin: a 302 x 348 face, the 262 x 48 screen at (20, 20), 2 x 3 dots.
Profile free42Standard(const std::string& name = "Standard") {
    return profile(name, "FREE42", "Free42 ", 262, 48)
        .number("CaptionMatch", 1)
        .layout(302, 348, 20, 20)
        .dots(2, 3);
}

std::string describe(const CaptureGeometry& g) {
    return std::to_string(g.width) + "x" + std::to_string(g.height) + " (" +
           std::to_string(g.sourceX) + "," + std::to_string(g.sourceY) + "," +
           std::to_string(g.sourceWidth) + "," + std::to_string(g.sourceHeight) + ")" +
           (g.sampled ? " sampled" : "");
}

class DetectValuesTest : public StubTest {
  protected:
    void SetUp() override {
        StubTest::SetUp();
        stub::regCreateKey("Software\\Pixmote");
    }
    void TearDown() override { EXPECT_EQ(stub::held().keys, 0); }

    // The window and rectangle detection finds, or "none".
    std::string detect(HWND* window = nullptr) {
        const char* warning = nullptr;
        result = CaptureGeometry{};
        if (!detectEmulator(&result, &warning)) {
            EXPECT_STREQ(warning, "The software was unable to detect a supported emulator.");
            return "none";
        }
        if (window != nullptr) {
            *window = result.window;
        }
        return describe(result);
    }

    // The profile found the window it was meant to, or the fallback profile made last won.
    HWND fallback() {
        HWND window = stub::addWindow("Fallback", "Fallback", 10, 10);
        profile("ZFallback", "Fallback", "Fallback", 10, 10);
        return window;
    }

    CaptureGeometry result;
};

// ---- CaptionMatch --------------------------------------------------------------------------

TEST_F(DetectValuesTest, CaptionPrefixIgnoresCaseAndNeedsTheWholePrefix) {
    HWND shortCaption = stub::addWindow("FREE42", "Free42", 262, 48);
    HWND otherLetters = stub::addWindow("FREE42", "Free4 2 Binary", 262, 48);
    HWND binary = stub::addWindow("free42", "FREE42 bINARY", 262, 48);
    profile("Prefix", "FREE42", "Free42 ", 262, 48).number("CaptionMatch", 1);
    HWND found = nullptr;
    EXPECT_EQ(detect(&found), "262x48 (0,0,262,48)");
    EXPECT_EQ(found, binary);
    EXPECT_EQ(result.screen, binary);
    (void)shortCaption;
    (void)otherLetters;
}

TEST_F(DetectValuesTest, ExactCaptionAsBeforeWhenCaptionMatchIsZeroMissingOrMistyped) {
    stub::addWindow("FREE42", "Free42 Binary", 262, 48);
    HWND window = fallback();
    profile("Zero", "FREE42", "Free42 ", 262, 48).number("CaptionMatch", 0);
    profile("Absent", "FREE42", "Free42 ", 262, 48);
    // Of another type it counts as missing: the exact caption again.
    profile("Binary", "FREE42", "Free42 ", 262, 48).bytes("CaptionMatch", {1, 0, 0, 0}, REG_BINARY);
    HWND found = nullptr;
    EXPECT_EQ(detect(&found), "10x10 (0,0,10,10)");
    EXPECT_EQ(found, window);
}

TEST_F(DetectValuesTest, CaptionMatchOutsideItsRangePassesTheProfileOver) {
    stub::addWindow("FREE42", "Free42 Binary", 262, 48);
    HWND window = fallback();
    profile("Three", "FREE42", "Free42 ", 262, 48).number("CaptionMatch", 3);
    profile("Negative", "FREE42", "Free42 ", 262, 48).number("CaptionMatch", 0xFFFF);
    HWND found = nullptr;
    detect(&found);
    EXPECT_EQ(found, window);
}

// Of the top-level windows of the class, the first in Z-order whose caption fits, skipping
// hidden ones; an exact caption finds a hidden window as FindWindowA does.
TEST_F(DetectValuesTest, FirstVisibleFittingWindowInZOrder) {
    HWND hidden = stub::addWindow("FREE42", "Free42 Decimal", 262, 48);
    HWND unfitting = stub::addWindow("FREE42", "Other", 262, 48);
    HWND decimal = stub::addWindow("FREE42", "Free42 Decimal", 262, 48);
    HWND binary = stub::addWindow("FREE42", "Free42 Binary", 262, 48);
    ShowWindow(hidden, SW_HIDE);
    profile("Prefix", "FREE42", "Free42 ", 262, 48).number("CaptionMatch", 1);
    HWND found = nullptr;
    detect(&found);
    EXPECT_EQ(found, decimal);

    stub::raiseWindow(binary);
    detect(&found);
    EXPECT_EQ(found, binary);

    // A child window of the class is no top-level window.
    stub::regDeleteKey("Software\\Pixmote\\Group");
    HWND top = stub::addWindow("Host", "Host", 50, 50);
    stub::raiseWindow(stub::addChildWindow(top, "FREE42", "Free42 Child", 262, 48));
    profile("Prefix", "FREE42", "Free42 ", 262, 48).number("CaptionMatch", 1);
    detect(&found);
    EXPECT_EQ(found, binary);

    stub::regDeleteKey("Software\\Pixmote\\Group");
    profile("Exact", "FREE42", "Free42 Decimal", 262, 48);
    stub::raiseWindow(hidden);
    detect(&found);
    EXPECT_EQ(found, hidden);
    (void)unfitting;
}

TEST_F(DetectValuesTest, AnyCaptionNeedsNoCaptionButTheClassAndAVisibleWindow) {
    HWND hidden = stub::addWindow("Emu48", "Untitled", 131, 64);
    HWND other = stub::addWindow("Other", "Emu48", 131, 64);
    HWND shown = stub::addWindow("emu48", "C:\\calc\\state.e48", 131, 64);
    ShowWindow(hidden, SW_HIDE);
    const Profile any{"Software\\Pixmote\\Group\\Any"};
    stub::regCreateKey(any.path);
    any.text("ClassName", "EMU48").number("CaptionMatch", 2).number("CX", 131).number("CY", 64);
    HWND found = nullptr;
    EXPECT_EQ(detect(&found), "131x64 (0,0,131,64)");
    EXPECT_EQ(found, shown);
    (void)other;

    // Without CaptionMatch 2 a missing caption still passes the profile over.
    stub::regSetDword(any.path, "CaptionMatch", 1);
    EXPECT_EQ(detect(), "none");
}

TEST_F(DetectValuesTest, CaptionPrefixTextLimits) {
    const std::string longest(63, 'f');
    HWND window = stub::addWindow("FREE42", longest + " and more", 262, 48);
    stub::addWindow("FREE42", std::string(64, 'g') + " x", 262, 48);
    profile("TooLong", "FREE42", std::string(64, 'g'), 262, 48).number("CaptionMatch", 1);
    profile("Longest", "FREE42", longest, 262, 48).number("CaptionMatch", 1);
    HWND found = nullptr;
    detect(&found);
    EXPECT_EQ(found, window);
}

// ---- ScreenClass --------------------------------------------------------------------------

TEST_F(DetectValuesTest, ScreenIsTheFirstVisibleDescendantOfItsClass) {
    // Wabbitemu with its default skin: a 350 x 725 client, the LCD a 192 x 128 child.
    HWND main = stub::addWindow("z80", "Wabbitemu (2)", 350, 725);
    HWND frame = stub::addChildWindow(main, "Frame", "", 300, 300);
    HWND hiddenLcd = stub::addChildWindow(frame, "wabbitlcd", "", 288, 192);
    HWND lcd = stub::addChildWindow(frame, "WabbitLCD", "", 192, 128);
    HWND laterLcd = stub::addChildWindow(main, "wabbitlcd", "", 96, 64);
    ShowWindow(hiddenLcd, SW_HIDE);
    profile("TI-83", "z80", "Wabbitemu", 96, 64)
        .number("CaptionMatch", 1)
        .text("ScreenClass", "wabbitlcd");
    EXPECT_EQ(detect(), "96x64 (0,0,192,128)");
    EXPECT_EQ(result.window, main);
    EXPECT_EQ(result.screen, lcd);
    EXPECT_EQ(result.clientWidth, 192);
    EXPECT_EQ(result.clientHeight, 128);

    // A hidden frame hides everything in it: the later LCD is the first visible one.
    ShowWindow(frame, SW_HIDE);
    EXPECT_EQ(detect(), "96x64 (0,0,96,64)");
    EXPECT_EQ(result.screen, laterLcd);

    ShowWindow(laterLcd, SW_HIDE);
    EXPECT_EQ(detect(), "none");
}

TEST_F(DetectValuesTest, MissingScreenWindowPassesTheProfileOver) {
    stub::addWindow("z80", "Wabbitemu", 192, 128);  // would fit as a bare screen
    HWND window = fallback();
    profile("NoChild", "z80", "Wabbitemu", 96, 64).text("ScreenClass", "wabbitlcd");
    HWND found = nullptr;
    detect(&found);
    EXPECT_EQ(found, window);
}

// A ScreenClass that does not fit 64 bytes, or of another type, counts as missing: the main
// window's client area is the screen. Class names compare whole.
TEST_F(DetectValuesTest, ScreenClassTextLimitsAndTypes) {
    const std::string longest(63, 'c');
    HWND main = stub::addWindow("z80", "Wabbitemu", 192, 128);
    stub::addChildWindow(main, longest + "x", "", 96, 64);
    HWND child = stub::addChildWindow(main, longest, "", 288, 192);
    const Profile p = profile("P", "z80", "Wabbitemu", 96, 64);

    p.text("ScreenClass", longest);
    EXPECT_EQ(detect(), "96x64 (0,0,288,192)");
    EXPECT_EQ(result.screen, child);

    p.text("ScreenClass", longest + "x");
    EXPECT_EQ(detect(), "96x64 (0,0,192,128)");
    EXPECT_EQ(result.screen, main);

    p.text("ScreenClass", longest, REG_EXPAND_SZ);
    EXPECT_EQ(detect(), "96x64 (0,0,192,128)");
    EXPECT_EQ(result.screen, main);
}

// ---- AnyScale -------------------------------------------------------------------------------

TEST_F(DetectValuesTest, WholeScalesKeepTheDesignedRectangle) {
    HWND window = stub::addWindow("FREE42", "Free42 Binary", 302, 348);
    free42Standard();
    EXPECT_EQ(detect(), "262x48 (20,20,262,48)");
    EXPECT_EQ(result.shape.layout, LayoutKind::Valid);
    EXPECT_TRUE(result.shape.anyScale);
    stub::resizeWindow(window, 604, 1044);  // 2 across, 3 down
    EXPECT_EQ(detect(), "262x48 (40,60,524,144)");
    stub::resizeWindow(window, 524, 96);  // the whole-client test first
    EXPECT_EQ(detect(), "262x48 (0,0,524,96)");
}

// Free42 after a skin switch, 2 px short of the Standard skin: the source spans the client
// pixels that hold the first and the last dot's centres.
TEST_F(DetectValuesTest, AnyFactorGivesTheSampledRectangle) {
    HWND window = stub::addWindow("FREE42", "Free42 Binary", 300, 346);
    free42Standard();
    // Columns: dot 0 centred at 21 of 302 -> 20.86 of 300; dot 130 at 281 -> 279.1.
    // Rows: dot 0 at 21.5 of 348 -> 21.4 of 346; dot 15 at 66.5 -> 66.1.
    EXPECT_EQ(detect(), "262x48 (20,21,260,46) sampled");
    EXPECT_EQ(result.clientWidth, 300);
    EXPECT_EQ(result.clientHeight, 346);

    stub::resizeWindow(window, 414, 477);  // 1.37 x
    // Dot 0: 21 x 1.37 = 28.8, 21.5 x 1.37 = 29.5; dot 130: 281 x 1.37 = 385.2; dot 15: 91.1.
    EXPECT_EQ(detect(), "262x48 (28,29,358,63) sampled");
}

// The aspect within 2 px of rounding, on whichever side is looser, from both sides.
TEST_F(DetectValuesTest, AspectWithinTwoPixels) {
    HWND window = stub::addWindow("Bare", "Bare", 150, 77);
    profile("Bare", "Bare", "Bare", 100, 50).number("AnyScale", 1);
    // 150 wide means 75 high.
    EXPECT_EQ(detect(), "100x50 (0,0,150,77) sampled");
    stub::resizeWindow(window, 150, 73);
    EXPECT_EQ(detect(), "100x50 (0,0,150,73) sampled");
    stub::resizeWindow(window, 150, 78);
    EXPECT_EQ(detect(), "none");
    stub::resizeWindow(window, 150, 72);
    EXPECT_EQ(detect(), "none");
    // 75 high means 150 wide, 154 means 77 high.
    stub::resizeWindow(window, 154, 75);
    EXPECT_EQ(detect(), "100x50 (0,0,154,75) sampled");
    stub::resizeWindow(window, 155, 75);
    EXPECT_EQ(detect(), "none");
}

// Every dot at least one client pixel across and down.
TEST_F(DetectValuesTest, DotsOfLessThanOnePixelDoNotMatch) {
    HWND window = stub::addWindow("Bare", "Bare", 99, 50);  // 0.99 x across
    const Profile p = profile("Bare", "Bare", "Bare", 100, 50).number("AnyScale", 1);
    EXPECT_EQ(detect(), "none");
    p.number("DotWidth", 2);
    EXPECT_EQ(detect(), "100x50 (0,0,99,50) sampled");

    // Half size: 2 x 2 dots are one pixel, 49 across leaves less.
    p.number("DotHeight", 2);
    stub::resizeWindow(window, 50, 25);
    EXPECT_EQ(detect(), "100x50 (0,0,50,25) sampled");
    stub::resizeWindow(window, 49, 25);
    EXPECT_EQ(detect(), "none");
}

// AnyScale other than 1, dots out of range or a layout half given leave whole factors only;
// values of another type count as missing (AnyScale off, a dot of 1).
TEST_F(DetectValuesTest, SpoiltAnyScaleValuesLeaveWholeFactorsOnly) {
    for (const char* name : {"A", "B", "C", "D", "E", "F", "G"}) {
        stub::addWindow(name, "Emu", 300, 346);
    }
    HWND window = fallback();
    auto standard = [](const char* name, const char* className) {
        return profile(name, className, "Emu", 262, 48).layout(302, 348, 20, 20);
    };
    standard("Off", "A").number("AnyScale", 0);
    standard("Two", "B").number("AnyScale", 2);
    standard("Binary", "C").bytes("AnyScale", {1, 0, 0, 0}, REG_BINARY);
    standard("ZeroDot", "D").dots(0, 3);
    standard("NegativeDot", "E").dots(2, 0xFFFD);
    profile("HalfLayout", "F", "Emu", 262, 48)
        .number("RCX", 302)
        .number("RCY", 348)
        .number("RX", 20)
        .dots(2, 3);
    profile("ZeroLayout", "G", "Emu", 262, 48).layout(302, 0, 20, 20).dots(2, 3);
    HWND found = nullptr;
    detect(&found);
    EXPECT_EQ(found, window);

    // A dot of another type is a dot of 1: below one pixel at 0.98 x, fine at 1.37 x.
    stub::regDeleteKey("Software\\Pixmote\\Group");
    HWND free42 = stub::addWindow("FREE42", "Free42 Binary", 296, 341);
    free42Standard().bytes("DotWidth", {2, 0, 0, 0}, REG_BINARY);
    EXPECT_EQ(detect(), "none");
    stub::resizeWindow(free42, 414, 477);
    EXPECT_EQ(detect(), "262x48 (28,29,358,63) sampled");
    EXPECT_EQ(result.shape.dotWidth, 1);
}

// A sampled rectangle beyond signed 16-bit coordinates is never handed on.
TEST_F(DetectValuesTest, SampledRectangleBeyondSixteenBitsPassesTheProfileOver) {
    stub::addWindow("Far", "Far", 310, 310);
    HWND window = fallback();
    profile("Far", "Far", "Far", 100, 100).layout(300, 300, 32000, 32000).number("AnyScale", 1);
    HWND found = nullptr;
    detect(&found);
    EXPECT_EQ(found, window);
}

}  // namespace
