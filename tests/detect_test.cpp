// Emulator detection against the stand-in's registry and windows: which profile wins, the
// rectangle it gives, the profiles passed over, the warnings, and that no key is left open;
// then the values for real emulator windows (CaptionMatch, ScreenClass, AnyScale with
// DotWidth and DotHeight), each bound tried from both sides.
#include "detect/detect.h"

#include "app/app.h"
#include "platform/stub/stub.h"
#include "tests/support/catalogue_profile.h"
#include "tests/support/stub_fixture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

namespace {

const char kClass[] = "CalcStandIn";
const char kCaption[] = "Calculator Stand-In";
const char kNoSoftware[] = "Unable to open registry key HKEY_CURRENT_USER/Software";
const char kNoProgram[] = "Unable to open registry key HKEY_CURRENT_USER/Software/PIXMOTE";
const char kNoEmulator[] = "The software was unable to detect a supported emulator.";

// What a caller had before the call; a failed detection must leave it as it was.
const CaptureGeometry kUntouched{reinterpret_cast<HWND>(0x5eed), 11, 22, 33, 44, 55, 66};

std::string describe(const CaptureGeometry& g) {
    return std::to_string(g.width) + "x" + std::to_string(g.height) + " (" +
           std::to_string(g.sourceX) + "," + std::to_string(g.sourceY) + "," +
           std::to_string(g.sourceWidth) + "," + std::to_string(g.sourceHeight) + ")" +
           (g.sampled ? " sampled" : "");
}

std::string keyPath(const std::string& group, const std::string& profile = "") {
    return "Software\\Pixmote\\" + group + (profile.empty() ? "" : "\\" + profile);
}

// A profile under the stand-in's caption.
CatalogueProfile bare(const std::string& group, const std::string& profile,
                      const std::string& className, DWORD cx, DWORD cy) {
    return catalogueProfile(group, profile, className, kCaption, cx, cy);
}

// Free42's Standard skin: a 302 x 348 face, the 262 x 48 screen at (20, 20), 2 x 3 dots.
CatalogueProfile free42Standard() {
    return catalogueProfile("Group", "Standard", "FREE42", "Free42 ", 262, 48)
        .number("CaptionMatch", 1)
        .layout(302, 348, 20, 20)
        .dots(2, 3);
}

bool logged(const std::string& line) {
    const auto& calls = stub::calls();
    return std::find(calls.begin(), calls.end(), line) != calls.end();
}

class DetectTest : public StubTest {
  protected:
    void SetUp() override {
        StubTest::SetUp();
        appDialog = stub::addWindow("#32770", "Pixmote Configuration", 0, 0);
        stub::regCreateKey("Software\\Pixmote");
    }
    void TearDown() override {
        EXPECT_EQ(stub::held().keys, 0);
        StubTest::TearDown();
    }

    bool detect() {
        result = kUntouched;
        warning = nullptr;
        return detectEmulator(&result, &warning);
    }

    // The rectangle detection finds (its window in result), or "none" after the warning.
    std::string rectangle() {
        if (!detect()) {
            EXPECT_STREQ(warning, kNoEmulator);
            return "none";
        }
        return describe(result);
    }

    // Detection reaches the last profile, which describes a window of its own: every profile
    // before it was passed over and left nothing behind.
    void expectAllPassedOver() {
        HWND good = stub::addWindow("Good", kCaption, 20, 30);
        bare("Last", "Good", "Good", 10, 10);
        ASSERT_TRUE(detect());
        EXPECT_EQ(result.window, good);
        EXPECT_EQ(describe(result), "10x10 (0,0,20,30)");
        EXPECT_EQ(warning, nullptr);
    }

    CaptureGeometry result;
    const char* warning = nullptr;
};

// ---- The worked examples ---------------------------------------------------------------------

struct Example {
    const char* name;
    std::optional<std::vector<DWORD>> layout;  // RCX, RCY, RX, RY
    int cw, ch;
    const char* expected;  // nullptr: passed over, the next profile wins
};

const Example kExamples[] = {
    {"BareDoubled", std::nullopt, 192, 128, "96x64 (0,0,192,128)"},
    {"BareAtScaleOne", std::nullopt, 96, 64, "96x64 (0,0,96,64)"},
    {"BareOffByTwoRows", std::nullopt, 192, 130, nullptr},
    {"LayoutDoubled", std::vector<DWORD>{300, 600, 50, 80}, 600, 1200, "96x64 (100,160,192,128)"},
    {"LayoutAtScaleOne", std::vector<DWORD>{300, 600, 50, 80}, 300, 600, "96x64 (50,80,96,64)"},
    {"LayoutOneAndAHalf", std::vector<DWORD>{300, 600, 50, 80}, 450, 900, nullptr},
    {"WholeClientTestComesFirst", std::vector<DWORD>{288, 640, 96, 64}, 288, 640,
     "96x64 (0,0,288,640)"},
    {"BareFactorsAcrossAndDownDiffer", std::nullopt, 288, 192, "96x64 (0,0,288,192)"},
    {"LayoutFactorsAcrossAndDownDiffer", std::vector<DWORD>{160, 280, 32, 40}, 320, 840,
     "96x64 (64,120,192,192)"},
    {"ClientAreaOfZeroSize", std::nullopt, 0, 0, "96x64 (0,0,0,0)"},
};

class WorkedExample : public DetectTest, public testing::WithParamInterface<Example> {};

TEST_P(WorkedExample, GivesItsResult) {
    const Example& example = GetParam();
    HWND window = stub::addWindow(kClass, kCaption, example.cw, example.ch);
    const CatalogueProfile entry = bare("Emulators", "Profile", kClass, 96, 64);
    if (example.layout) {
        const auto& v = *example.layout;
        entry.layout(v[0], v[1], v[2], v[3]);
    }
    if (example.expected == nullptr) {
        expectAllPassedOver();
        return;
    }
    ASSERT_TRUE(detect());
    EXPECT_EQ(result.window, window);
    EXPECT_EQ(describe(result), example.expected);
    EXPECT_EQ(warning, nullptr);
}

INSTANTIATE_TEST_SUITE_P(Detect, WorkedExample, testing::ValuesIn(kExamples),
                         [](const testing::TestParamInfo<Example>& param) {
                             return std::string(param.param.name);
                         });

// ---- Search order ------------------------------------------------------------------------------

TEST_F(DetectTest, FirstMatchInEnumerationOrderWinsAndNothingAfterItIsOpened) {
    HWND first = stub::addWindow("First", kCaption, 96, 64);
    stub::addWindow("Second", kCaption, 96, 64);
    // Created in this order, so enumerated in this order whatever the names.
    bare("Zeta", "NotRunning", "Absent", 96, 64);
    bare("Zeta", "Winner", "First", 96, 64);
    bare("Zeta", "AlsoFits", "Second", 96, 64);
    bare("Alpha", "AlsoFits", "Second", 96, 64);

    ASSERT_TRUE(detect());
    EXPECT_EQ(result.window, first);
    EXPECT_TRUE(logged("RegOpenKeyExA NotRunning"));
    EXPECT_FALSE(logged("RegOpenKeyExA AlsoFits"));
    EXPECT_FALSE(logged("RegOpenKeyExA Alpha"));
    // Innermost first: profile, group, program key, "Software".
    std::vector<std::string> closes;
    for (const std::string& line : stub::calls()) {
        if (line.rfind("RegCloseKey ", 0) == 0) {
            closes.push_back(line.substr(12));
        }
    }
    ASSERT_GE(closes.size(), 4u);
    EXPECT_EQ(std::vector<std::string>(closes.end() - 4, closes.end()),
              (std::vector<std::string>{"Winner", "Zeta", "Pixmote", "Software"}));
}

// ---- Limits of names and texts -----------------------------------------------------------------

TEST_F(DetectTest, NamesOf64CharactersEndTheirLevel) {
    const std::string fits(63, 'g');
    const std::string tooLong(64, 'p');
    HWND window = stub::addWindow(kClass, kCaption, 96, 64);
    stub::addWindow("Hidden", kCaption, 96, 64);
    // A long profile name ends its group, and only its group.
    bare(fits, tooLong, "Hidden", 96, 64);
    bare(fits, "AfterLongName", "Hidden", 96, 64);
    bare("Next", fits, kClass, 96, 64);
    ASSERT_TRUE(detect());
    EXPECT_EQ(result.window, window);
    EXPECT_FALSE(logged("RegOpenKeyExA AfterLongName"));

    // A long group name ends the catalogue.
    stub::regDeleteKey("Software\\Pixmote");
    bare(tooLong, "Profile", kClass, 96, 64);
    bare("Later", "Profile", kClass, 96, 64);
    stub::clearCalls();
    EXPECT_EQ(rectangle(), "none");
    EXPECT_FALSE(logged("RegOpenKeyExA Later"));
}

// ---- Profiles that fit --------------------------------------------------------------------------

// Each case makes its windows and profiles and gives the window that must be found.
struct Fitting {
    const char* name;
    HWND (*arrange)();
    const char* expected;
};

const Fitting kFitting[] = {
    {"LaterGroupWhenEarlierOnesHoldNoMatch",
     [] {
         HWND w = stub::addWindow(kClass, kCaption, 192, 130);
         stub::regCreateKey(keyPath("Empty"));
         bare("Faces", "NoLayout", kClass, 96, 64);
         bare("Faces", "Face", kClass, 96, 64).layout(96, 65, 0, 0);  // 130 = 2 x 65
         return w;
     },
     "96x64 (0,0,192,128)"},
    {"TextsOf63Characters",
     [] {
         HWND w = stub::addWindow(std::string(63, 'c'), std::string(63, 't'), 96, 64);
         bare("G", "P", std::string(63, 'c'), 96, 64).text("Caption", std::string(63, 't'));
         return w;
     },
     "96x64 (0,0,96,64)"},
    {"CaptionOf63CharactersAsAPrefix",
     [] {
         HWND w = stub::addWindow("Prefix", std::string(63, 't') + " and more", 96, 64);
         bare("G", "P", "Prefix", 96, 64)
             .text("Caption", std::string(63, 't'))
             .number("CaptionMatch", 1);
         return w;
     },
     "96x64 (0,0,96,64)"},
    {"ShortTextStoredWithoutItsNul",
     [] {
         HWND w = stub::addWindow(kClass, kCaption, 96, 64);
         bare("G", "P", "placeholder", 96, 64)
             .bytes("ClassName", std::vector<BYTE>(kClass, kClass + sizeof kClass - 1), REG_SZ);
         return w;
     },
     "96x64 (0,0,96,64)"},
    {"OnlyTheLow16BitsOfANumberCount",
     [] {
         HWND w = stub::addWindow(kClass, kCaption, 300, 600);
         bare("G", "P", kClass, 0x00010060, 0xABCD0040).layout(0x1012C, 0x70258, 0xF0032, 0x10050);
         return w;
     },
     "96x64 (50,80,96,64)"},
    {"WidestScreen",
     [] {
         HWND w = stub::addWindow("Widest", kCaption, 32767, 1);
         bare("A", "Widest", "Widest", 32767, 1);
         return w;
     },
     "32767x1 (0,0,32767,1)"},
    {"ScreenBeyondTheClientAreaAsComputed",
     [] {
         HWND w = stub::addWindow("Edge", kCaption, 4, 4);
         bare("B", "Edge", "Edge", 6383, 3).layout(2, 2, 10000, 0);
         return w;
     },
     "6383x3 (20000,0,12766,6)"},
    // An exact caption and the class ignore case, as FindWindowA compares them.
    {"ExactCaptionInAnotherCase",
     [] {
         HWND w = stub::addWindow(kClass, kCaption, 96, 64);
         bare("G", "P", "calcSTANDin", 96, 64).text("Caption", "CALCULATOR stand-in");
         return w;
     },
     "96x64 (0,0,96,64)"},
    // A caption prefix ignores case and needs the whole prefix.
    {"CaptionPrefix",
     [] {
         stub::addWindow("FREE42", "Free42", 262, 48);
         stub::addWindow("FREE42", "Free4 2 Binary", 262, 48);
         HWND w = stub::addWindow("free42", "FREE42 bINARY", 262, 48);
         catalogueProfile("G", "Prefix", "FREE42", "Free42 ", 262, 48).number("CaptionMatch", 1);
         return w;
     },
     "262x48 (0,0,262,48)"},
};

TEST_F(DetectTest, FittingProfilesGiveTheirRectangles) {
    for (const Fitting& c : kFitting) {
        SCOPED_TRACE(c.name);
        stub::regDeleteKey("Software\\Pixmote");
        stub::regCreateKey("Software\\Pixmote");
        const HWND window = c.arrange();
        EXPECT_EQ(rectangle(), c.expected);
        EXPECT_EQ(result.window, window);
        EXPECT_EQ(result.screen, window);
        stub::destroyWindow(window);
    }
}

// ---- Profiles passed over ----------------------------------------------------------------------

// A profile named after its own window's class, spoilt one way; with the spoilt value taken at
// face value (or, for 0, a division by it) the profile would match its window.
using Entry = const CatalogueProfile&;

struct Spoilt {
    const char* name;
    int clientWidth, clientHeight;
    DWORD cx, cy;
    void (*spoil)(Entry);
};

const Spoilt kSpoilt[] = {
    // Values of another type, or missing.
    {"ExpandClass", 96, 64, 96, 64,
     [](Entry p) { p.text("ClassName", "ExpandClass", REG_EXPAND_SZ); }},
    {"ExpandCaption", 96, 64, 96, 64, [](Entry p) { p.text("Caption", kCaption, REG_EXPAND_SZ); }},
    {"BinaryCX", 96, 64, 96, 64,
     [](Entry p) {
         p.bytes("CX", {96, 0, 0, 0}, REG_BINARY);
     }},
    {"ShortDword", 96, 64, 96, 64,
     [](Entry p) {
         p.bytes("CY", {64, 0}, REG_DWORD);
     }},
    {"BinaryRCX", 300, 600, 96, 64,
     [](Entry p) {
         p.layout(300, 600, 50, 80).bytes("RCX", {44, 1, 0, 0}, REG_BINARY);
     }},
    {"NoRY", 300, 600, 96, 64,
     [](Entry p) { p.number("RCX", 300).number("RCY", 600).number("RX", 50); }},
    // Sizes of zero or below (in the low 16 bits).
    {"ZeroCX", 300, 600, 0, 64, nullptr},
    {"ZeroCY", 300, 600, 96, 0, nullptr},
    {"NegativeCX", 300, 600, 0xFFFFFF9C, 100, nullptr},
    {"NegativeCY", 300, 600, 100, 0x0000FF9C, nullptr},
    {"ZeroRCX", 300, 600, 96, 64, [](Entry p) { p.layout(0, 600, 50, 80); }},
    {"ZeroRCY", 300, 600, 96, 64, [](Entry p) { p.layout(300, 0, 50, 80); }},
    {"NegativeRCX", 300, 600, 96, 64, [](Entry p) { p.layout(0xFED4, 600, 50, 80); }},
    {"NegativeRX", 300, 600, 96, 64, [](Entry p) { p.layout(300, 600, 0xFFCE, 80); }},
    {"NegativeRY", 300, 600, 96, 64, [](Entry p) { p.layout(300, 600, 50, 0x8000); }},
    // A rectangle beyond signed 16-bit coordinates is never handed on truncated.
    {"WideClient", 40000, 64, 100, 64, nullptr},
    {"ScreenBeyondLayout", 400, 300, 96, 64, [](Entry p) { p.layout(1, 1, 0, 0); }},
    {"FarOffset", 4, 4, 3, 3, [](Entry p) { p.layout(2, 2, 20000, 0); }},
    {"FarEdge", 4, 4, 10000, 3,  // each product fits, their sum does not
     [](Entry p) { p.layout(2, 2, 10000, 0); }},
    {"FarSampled", 310, 310, 100, 100,
     [](Entry p) { p.layout(300, 300, 32000, 32000).number("AnyScale", 1); }},
    // CaptionMatch 0, missing or of another type: the exact caption, which this one is not.
    {"CaptionMatchZero", 96, 64, 96, 64,
     [](Entry p) { p.text("Caption", "Calculator ").number("CaptionMatch", 0); }},
    {"CaptionMatchAbsent", 96, 64, 96, 64, [](Entry p) { p.text("Caption", "Calculator "); }},
    {"CaptionMatchBinary", 96, 64, 96, 64,
     [](Entry p) {
         p.text("Caption", "Calculator ").bytes("CaptionMatch", {1, 0, 0, 0}, REG_BINARY);
     }},
    // CaptionMatch outside its range.
    {"CaptionMatchThree", 96, 64, 96, 64,
     [](Entry p) { p.text("Caption", "Calculator ").number("CaptionMatch", 3); }},
    {"CaptionMatchNegative", 96, 64, 96, 64,
     [](Entry p) { p.text("Caption", "Calculator ").number("CaptionMatch", 0xFFFF); }},
    // A ScreenClass that names no child window (the main window alone would fit).
    {"NoScreenWindow", 192, 128, 96, 64, [](Entry p) { p.text("ScreenClass", "wabbitlcd"); }},
    // AnyScale other than 1, dots out of range or a layout half given: whole factors only.
    {"AnyScaleOff", 300, 346, 262, 48,
     [](Entry p) { p.layout(302, 348, 20, 20).number("AnyScale", 0); }},
    {"AnyScaleTwo", 300, 346, 262, 48,
     [](Entry p) { p.layout(302, 348, 20, 20).number("AnyScale", 2); }},
    {"AnyScaleBinary", 300, 346, 262, 48,
     [](Entry p) {
         p.layout(302, 348, 20, 20).bytes("AnyScale", {1, 0, 0, 0}, REG_BINARY);
     }},
    {"ZeroDot", 300, 346, 262, 48, [](Entry p) { p.layout(302, 348, 20, 20).dots(0, 3); }},
    {"NegativeDot", 300, 346, 262, 48, [](Entry p) { p.layout(302, 348, 20, 20).dots(2, 0xFFFD); }},
    {"HalfLayout", 300, 346, 262, 48,
     [](Entry p) { p.number("RCX", 302).number("RCY", 348).number("RX", 20).dots(2, 3); }},
    {"ZeroLayout", 300, 346, 262, 48, [](Entry p) { p.layout(302, 0, 20, 20).dots(2, 3); }},
};

TEST_F(DetectTest, SpoiltProfilesArePassedOver) {
    for (const Spoilt& s : kSpoilt) {
        stub::addWindow(s.name, kCaption, s.clientWidth, s.clientHeight);
        const CatalogueProfile p = bare("Spoilt", s.name, s.name, s.cx, s.cy);
        if (s.spoil != nullptr) {
            s.spoil(p);
        }
    }
    // Texts that do not fit 64 bytes are missing: windows under the full texts and under
    // their first 63 characters, and neither may be found.
    const std::string longClass(64, 'c');
    const std::string longCaption(64, 't');
    stub::addWindow(longClass, kCaption, 96, 64);
    stub::addWindow(longClass.substr(0, 63), kCaption, 96, 64);
    stub::addWindow(kClass, longCaption, 96, 64);
    stub::addWindow(kClass, longCaption.substr(0, 63), 96, 64);
    bare("Spoilt", "LongClass", longClass, 96, 64);
    bare("Spoilt", "LongCaption", kClass, 96, 64).text("Caption", longCaption);
    // 64 bytes without a NUL: 64 characters.
    bare("Spoilt", "Unterminated", kClass, 96, 64)
        .bytes("ClassName", std::vector<BYTE>(longClass.begin(), longClass.end()), REG_SZ);
    // No Caption at all.
    stub::addWindow("NoCaption", kCaption, 100, 100);
    const CatalogueProfile noCaption{keyPath("Spoilt", "NoCaption")};
    stub::regCreateKey(noCaption.path);
    noCaption.text("ClassName", "NoCaption").number("CX", 100).number("CY", 100);
    // Keys that cannot be opened.
    stub::addWindow("Locked", kCaption, 96, 64);
    bare("Locked", "Profile", "Locked", 96, 64);
    bare("Open", "Locked", "Locked", 96, 64);
    stub::regRefuseOpen(keyPath("Locked"));
    stub::regRefuseOpen(keyPath("Open", "Locked"));
    expectAllPassedOver();
}

// ---- Warnings ----------------------------------------------------------------------------------

struct Warned {
    const char* name;
    void (*arrange)();
    const char* warning;
};

const Warned kWarned[] = {
    {"EmptyCatalogue", [] {}, kNoEmulator},
    {"GroupWithoutProfiles",
     [] {
         stub::regCreateKey(keyPath("Nothing"));
         stub::addWindow(kClass, kCaption, 96, 64);
     },
     kNoEmulator},
    {"OpenWindowFittingNeitherTest",
     [] {
         stub::addWindow(kClass, kCaption, 450, 900);
         bare("StandIn", "Face", kClass, 96, 64).layout(300, 600, 50, 80);
     },
     kNoEmulator},
    {"SoftwareKeyThatCannotBeOpened",
     [] {
         stub::addWindow(kClass, kCaption, 96, 64);
         bare("G", "P", kClass, 96, 64);
         stub::regRefuseOpen("Software");
     },
     kNoSoftware},
    {"MissingProgramKey",
     [] {
         stub::regDeleteKey("Software\\Pixmote");
         stub::regCreateKey("Software\\Other");
     },
     kNoProgram},
};

class Warning : public DetectTest, public testing::WithParamInterface<Warned> {};

// Detection fails with this one warning for its caller to show, the caller's geometry as it
// was, every key closed and no box of its own.
TEST_P(Warning, IsGivenWithNothingChanged) {
    GetParam().arrange();
    EXPECT_FALSE(detect());
    EXPECT_EQ(result, kUntouched);
    ASSERT_NE(warning, nullptr);
    EXPECT_STREQ(warning, GetParam().warning);
    EXPECT_EQ(stub::held().keys, 0);
    EXPECT_TRUE(stub::boxes().empty());
    EXPECT_TRUE(logged("RegCloseKey Software") || GetParam().warning == kNoSoftware);
}

INSTANTIATE_TEST_SUITE_P(Detect, Warning, testing::ValuesIn(kWarned),
                         [](const testing::TestParamInfo<Warned>& param) {
                             return std::string(param.param.name);
                         });

// ---- CaptionMatch ------------------------------------------------------------------------------

// Of the top-level windows of the class, the first in Z-order whose caption fits, skipping
// hidden ones; an exact caption finds a hidden window as FindWindowA does.
TEST_F(DetectTest, FirstVisibleFittingWindowInZOrder) {
    HWND hidden = stub::addWindow("FREE42", "Free42 Decimal", 262, 48);
    stub::addWindow("FREE42", "Other", 262, 48);
    HWND decimal = stub::addWindow("FREE42", "Free42 Decimal", 262, 48);
    HWND binary = stub::addWindow("FREE42", "Free42 Binary", 262, 48);
    ShowWindow(hidden, SW_HIDE);
    const auto prefix = [] {
        catalogueProfile("Group", "Prefix", "FREE42", "Free42 ", 262, 48).number("CaptionMatch", 1);
    };
    prefix();
    rectangle();
    EXPECT_EQ(result.window, decimal);

    stub::raiseWindow(binary);
    rectangle();
    EXPECT_EQ(result.window, binary);

    // A child window of the class is no top-level window.
    stub::regDeleteKey(keyPath("Group"));
    HWND top = stub::addWindow("Host", "Host", 50, 50);
    stub::raiseWindow(stub::addChildWindow(top, "FREE42", "Free42 Child", 262, 48));
    prefix();
    rectangle();
    EXPECT_EQ(result.window, binary);

    stub::regDeleteKey(keyPath("Group"));
    catalogueProfile("Group", "Exact", "FREE42", "Free42 Decimal", 262, 48);
    stub::raiseWindow(hidden);
    rectangle();
    EXPECT_EQ(result.window, hidden);
}

TEST_F(DetectTest, AnyCaptionNeedsNoCaptionButTheClassAndAVisibleWindow) {
    HWND hidden = stub::addWindow("Emu48", "Untitled", 131, 64);
    stub::addWindow("Other", "Emu48", 131, 64);
    HWND shown = stub::addWindow("emu48", "C:\\calc\\state.e48", 131, 64);
    ShowWindow(hidden, SW_HIDE);
    const CatalogueProfile any{keyPath("Group", "Any")};
    stub::regCreateKey(any.path);
    any.text("ClassName", "EMU48").number("CaptionMatch", 2).number("CX", 131).number("CY", 64);
    EXPECT_EQ(rectangle(), "131x64 (0,0,131,64)");
    EXPECT_EQ(result.window, shown);

    // Without CaptionMatch 2 a missing caption still passes the profile over.
    any.number("CaptionMatch", 1);
    EXPECT_EQ(rectangle(), "none");
}

// ---- ScreenClass -------------------------------------------------------------------------------

TEST_F(DetectTest, ScreenIsTheFirstVisibleDescendantOfItsClass) {
    // Wabbitemu with its default skin: a 350 x 725 client, the LCD a 192 x 128 child.
    HWND main = stub::addWindow("z80", "Wabbitemu (2)", 350, 725);
    HWND frame = stub::addChildWindow(main, "Frame", "", 300, 300);
    HWND hiddenLcd = stub::addChildWindow(frame, "wabbitlcd", "", 288, 192);
    HWND lcd = stub::addChildWindow(frame, "WabbitLCD", "", 192, 128);
    HWND laterLcd = stub::addChildWindow(main, "wabbitlcd", "", 96, 64);
    ShowWindow(hiddenLcd, SW_HIDE);
    catalogueProfile("Group", "TI-83", "z80", "Wabbitemu", 96, 64)
        .number("CaptionMatch", 1)
        .text("ScreenClass", "wabbitlcd");
    EXPECT_EQ(rectangle(), "96x64 (0,0,192,128)");
    EXPECT_EQ(result.window, main);
    EXPECT_EQ(result.screen, lcd);
    EXPECT_EQ(result.clientWidth, 192);
    EXPECT_EQ(result.clientHeight, 128);

    // A hidden frame hides everything in it: the later LCD is the first visible one.
    ShowWindow(frame, SW_HIDE);
    EXPECT_EQ(rectangle(), "96x64 (0,0,96,64)");
    EXPECT_EQ(result.screen, laterLcd);

    ShowWindow(laterLcd, SW_HIDE);
    EXPECT_EQ(rectangle(), "none");
}

// A ScreenClass that does not fit 64 bytes, or of another type, counts as missing: the main
// window's client area is the screen. Class names compare whole.
TEST_F(DetectTest, ScreenClassTextLimitsAndTypes) {
    const std::string longest(63, 'c');
    HWND main = stub::addWindow("z80", "Wabbitemu", 192, 128);
    stub::addChildWindow(main, longest + "x", "", 96, 64);
    HWND child = stub::addChildWindow(main, longest, "", 288, 192);
    const CatalogueProfile p = catalogueProfile("Group", "P", "z80", "Wabbitemu", 96, 64);

    p.text("ScreenClass", longest);
    EXPECT_EQ(rectangle(), "96x64 (0,0,288,192)");
    EXPECT_EQ(result.screen, child);

    p.text("ScreenClass", longest + "x");
    EXPECT_EQ(rectangle(), "96x64 (0,0,192,128)");
    EXPECT_EQ(result.screen, main);

    p.text("ScreenClass", longest, REG_EXPAND_SZ);
    EXPECT_EQ(rectangle(), "96x64 (0,0,192,128)");
    EXPECT_EQ(result.screen, main);
}

// ---- AnyScale ----------------------------------------------------------------------------------

// A profile of the windows below, made afresh for each size.
enum class Shape { Standard, StandardTextDot, Bare, BareDot2x1, BareDot2x2 };

struct Sized {
    Shape shape;
    int width, height;  // the window's client size
    const char* expected;
};

const Sized kSized[] = {
    // Whole factors keep the designed rectangle; the whole-client test comes first.
    {Shape::Standard, 302, 348, "262x48 (20,20,262,48)"},
    {Shape::Standard, 604, 1044, "262x48 (40,60,524,144)"},
    {Shape::Standard, 524, 96, "262x48 (0,0,524,96)"},
    // Any factor: the source spans the client pixels that hold the first and the last dot's
    // centres. 2 px short of the skin (Free42 after a skin switch): dot 0 is centred at 21 of
    // 302 -> 20.86 of 300, dot 130 at 281 -> 279.1; rows 21.5 of 348 -> 21.4, 66.5 -> 66.1.
    {Shape::Standard, 300, 346, "262x48 (20,21,260,46) sampled"},
    // 1.37 x: 21 x 1.37 = 28.8, 21.5 x 1.37 = 29.5; 281 x 1.37 = 385.2; 66.5 x 1.37 = 91.1.
    {Shape::Standard, 414, 477, "262x48 (28,29,358,63) sampled"},
    // A DotWidth of another type is a dot of 1: below one pixel at 0.98 x, fine at 1.37 x.
    {Shape::StandardTextDot, 296, 341, "none"},
    {Shape::StandardTextDot, 414, 477, "262x48 (28,29,358,63) sampled"},
    // The aspect within 2 px of rounding, on whichever side is looser, from both sides: 150
    // wide means 75 high; 75 high means 150 wide, 154 means 77 high.
    {Shape::Bare, 150, 77, "100x50 (0,0,150,77) sampled"},
    {Shape::Bare, 150, 73, "100x50 (0,0,150,73) sampled"},
    {Shape::Bare, 150, 78, "none"},
    {Shape::Bare, 150, 72, "none"},
    {Shape::Bare, 154, 75, "100x50 (0,0,154,75) sampled"},
    {Shape::Bare, 155, 75, "none"},
    // Every dot at least one client pixel across and down.
    {Shape::Bare, 99, 50, "none"},
    {Shape::BareDot2x1, 99, 50, "100x50 (0,0,99,50) sampled"},
    {Shape::BareDot2x2, 50, 25, "100x50 (0,0,50,25) sampled"},
    {Shape::BareDot2x2, 49, 25, "none"},
};

TEST_F(DetectTest, RectangleAtEachClientSize) {
    HWND free42 = stub::addWindow("FREE42", "Free42 Binary", 302, 348);
    HWND bareWindow = stub::addWindow("Bare", "Bare", 100, 50);
    for (const Sized& s : kSized) {
        stub::regDeleteKey(keyPath("Group"));
        switch (s.shape) {
            case Shape::Standard:
                free42Standard();
                break;
            case Shape::StandardTextDot:
                free42Standard().bytes("DotWidth", {2, 0, 0, 0}, REG_BINARY);
                break;
            case Shape::Bare:
            case Shape::BareDot2x1:
            case Shape::BareDot2x2: {
                const CatalogueProfile p =
                    catalogueProfile("Group", "Bare", "Bare", "Bare", 100, 50)
                        .number("AnyScale", 1);
                if (s.shape != Shape::Bare) {
                    p.number("DotWidth", 2);
                }
                if (s.shape == Shape::BareDot2x2) {
                    p.number("DotHeight", 2);
                }
                break;
            }
        }
        const bool isFree42 = s.shape == Shape::Standard || s.shape == Shape::StandardTextDot;
        stub::resizeWindow(isFree42 ? free42 : bareWindow, s.width, s.height);
        EXPECT_EQ(rectangle(), s.expected) << s.width << " x " << s.height;
        if (std::string(s.expected) != "none") {
            // What a recording needs to work the source out again when the size changes.
            EXPECT_EQ(result.clientWidth, s.width);
            EXPECT_EQ(result.clientHeight, s.height);
            EXPECT_TRUE(result.shape.anyScale);
        }
    }
}

}  // namespace
