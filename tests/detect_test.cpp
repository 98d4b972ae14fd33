// Emulator detection against the stand-in's registry and windows: which profile wins, the
// rectangle it gives, the profiles passed over, the warnings, and that no key is left open.
#include "detect/detect.h"

#include "app/app.h"
#include "platform/stub/stub.h"
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
           std::to_string(g.sourceWidth) + "," + std::to_string(g.sourceHeight) + ")";
}

// One catalogue entry below Software\Pixmote, written value by value.
struct Entry {
    std::string path;
    const Entry& text(const char* name, const std::string& value, DWORD type = REG_SZ) const {
        stub::regSetString(path, name, value, type);
        return *this;
    }
    const Entry& number(const char* name, DWORD value) const {
        stub::regSetDword(path, name, value);
        return *this;
    }
    const Entry& bytes(const char* name, const std::vector<BYTE>& data, DWORD type) const {
        stub::regSetBinary(path, name, data, type);
        return *this;
    }
    const Entry& layout(DWORD rcx, DWORD rcy, DWORD rx, DWORD ry) const {
        return number("RCX", rcx).number("RCY", rcy).number("RX", rx).number("RY", ry);
    }
};

std::string keyPath(const std::string& group, const std::string& profile = "") {
    return "Software\\Pixmote\\" + group + (profile.empty() ? "" : "\\" + profile);
}

Entry bare(const std::string& group, const std::string& profile, const std::string& className,
           DWORD cx, DWORD cy) {
    const Entry entry{keyPath(group, profile)};
    stub::regCreateKey(entry.path);
    entry.text("ClassName", className).text("Caption", kCaption).number("CX", cx).number("CY", cy);
    return entry;
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

    // Detection fails with this one warning for its caller to show, every key closed and no
    // box of its own.
    void expectWarning(const char* text) {
        EXPECT_FALSE(detect());
        EXPECT_EQ(result, kUntouched);
        ASSERT_NE(warning, nullptr);
        EXPECT_STREQ(warning, text);
        EXPECT_EQ(stub::held().keys, 0);
        EXPECT_TRUE(stub::boxes().empty());
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
};

class WorkedExample : public DetectTest, public testing::WithParamInterface<Example> {};

TEST_P(WorkedExample, GivesItsResult) {
    const Example& example = GetParam();
    HWND window = stub::addWindow(kClass, kCaption, example.cw, example.ch);
    const Entry entry = bare("Emulators", "Profile", kClass, 96, 64);
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

TEST_F(DetectTest, LaterGroupIsSearchedWhenEarlierOnesHoldNoMatch) {
    HWND window = stub::addWindow(kClass, kCaption, 192, 130);
    stub::regCreateKey(keyPath("Empty"));
    bare("Faces", "NoLayout", kClass, 96, 64);
    bare("Faces", "Face", kClass, 96, 64).layout(96, 65, 0, 0);  // 130 = 2 x 65
    ASSERT_TRUE(detect());
    EXPECT_EQ(result.window, window);
    EXPECT_EQ(describe(result), "96x64 (0,0,192,128)");
}

// The same window described once per enlargement and once per face: each profile is tested on
// its own, and the catalogue is read afresh on every detection.
TEST_F(DetectTest, SameWindowUnderSeveralProfiles) {
    HWND window = stub::addWindow(kClass, kCaption, 320, 560);
    bare("StandIn", "Bare", kClass, 96, 64);
    bare("StandIn", "Face", kClass, 96, 64).layout(160, 280, 32, 40);
    ASSERT_TRUE(detect());
    EXPECT_EQ(result.window, window);
    EXPECT_EQ(describe(result), "96x64 (64,80,192,128)");

    stub::resizeWindow(window, 192, 128);
    ASSERT_TRUE(detect());
    EXPECT_EQ(describe(result), "96x64 (0,0,192,128)");
}

TEST_F(DetectTest, FactorsAcrossAndDownMayDiffer) {
    stub::addWindow("Bare", kCaption, 288, 192);
    stub::addWindow("Face", kCaption, 320, 840);
    bare("Bare", "Bare", "Bare", 96, 64);
    ASSERT_TRUE(detect());
    EXPECT_EQ(describe(result), "96x64 (0,0,288,192)");

    stub::regDeleteKey(keyPath("Bare"));
    bare("Face", "Face", "Face", 96, 64).layout(160, 280, 32, 40);
    ASSERT_TRUE(detect());
    EXPECT_EQ(describe(result), "96x64 (64,120,192,192)");
}

TEST_F(DetectTest, ClientAreaOfZeroSizePassesTheWholeClientTest) {
    HWND window = stub::addWindow(kClass, kCaption, 0, 0);
    bare("StandIn", "Bare", kClass, 96, 64);
    ASSERT_TRUE(detect());
    EXPECT_EQ(result.window, window);
    EXPECT_EQ(describe(result), "96x64 (0,0,0,0)");
}

TEST_F(DetectTest, OpenWindowFittingNeitherTestLeavesNothingBehind) {
    stub::addWindow(kClass, kCaption, 450, 900);
    bare("StandIn", "Face", kClass, 96, 64).layout(300, 600, 50, 80);
    expectWarning(kNoEmulator);
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
    expectWarning(kNoEmulator);
    EXPECT_FALSE(logged("RegOpenKeyExA Later"));
}

TEST_F(DetectTest, TextOf63CharactersFits) {
    const std::string className(63, 'c');
    const std::string caption(63, 't');
    HWND window = stub::addWindow(className, caption, 96, 64);
    bare("G", "P", className, 96, 64).text("Caption", caption);
    ASSERT_TRUE(detect());
    EXPECT_EQ(result.window, window);
}

TEST_F(DetectTest, TextsThatDoNotFitAreMissing) {
    const std::string longClass(64, 'c');
    const std::string longCaption(64, 't');
    // Windows under the full texts and under their first 63 characters: neither may be found.
    stub::addWindow(longClass, kCaption, 96, 64);
    stub::addWindow(longClass.substr(0, 63), kCaption, 96, 64);
    stub::addWindow(kClass, longCaption, 96, 64);
    stub::addWindow(kClass, longCaption.substr(0, 63), 96, 64);
    bare("Spoilt", "LongClass", longClass, 96, 64);
    bare("Spoilt", "LongCaption", kClass, 96, 64).text("Caption", longCaption);
    // 64 bytes without a NUL: 64 characters.
    bare("Spoilt", "Unterminated", kClass, 96, 64)
        .bytes("ClassName", std::vector<BYTE>(longClass.begin(), longClass.end()), REG_SZ);
    expectAllPassedOver();
}

TEST_F(DetectTest, ShortTextStoredWithoutItsNulIsRead) {
    HWND window = stub::addWindow(kClass, kCaption, 96, 64);
    bare("G", "P", "placeholder", 96, 64)
        .bytes("ClassName", std::vector<BYTE>(kClass, kClass + sizeof kClass - 1), REG_SZ);
    ASSERT_TRUE(detect());
    EXPECT_EQ(result.window, window);
}

// ---- Values passed over ----------------------------------------------------------------------

// Each profile names its own open window, and would match if the spoilt value were taken at
// face value (or, for 0, crash on the division).
TEST_F(DetectTest, WrongTypesAndMissingValuesPassTheProfileOver) {
    for (const char* name : {"A", "B", "C", "D"}) {
        stub::addWindow(name, kCaption, 96, 64);
    }
    stub::addWindow("E", kCaption, 300, 600);
    stub::addWindow("F", kCaption, 300, 600);
    stub::addWindow("G", kCaption, 100, 100);
    bare("Spoilt", "ExpandClass", "A", 96, 64).text("ClassName", "A", REG_EXPAND_SZ);
    bare("Spoilt", "ExpandCaption", "B", 96, 64).text("Caption", kCaption, REG_EXPAND_SZ);
    bare("Spoilt", "BinaryCX", "C", 96, 64).bytes("CX", {96, 0, 0, 0}, REG_BINARY);
    bare("Spoilt", "ShortDword", "D", 96, 64).bytes("CY", {64, 0}, REG_DWORD);
    bare("Spoilt", "BinaryRCX", "E", 96, 64)
        .layout(300, 600, 50, 80)
        .bytes("RCX", {44, 1, 0, 0}, REG_BINARY);
    bare("Spoilt", "NoRY", "F", 96, 64).number("RCX", 300).number("RCY", 600).number("RX", 50);
    const Entry noCaption{keyPath("Spoilt", "NoCaption")};
    stub::regCreateKey(noCaption.path);
    noCaption.text("ClassName", "G").number("CX", 100).number("CY", 100);
    expectAllPassedOver();
}

TEST_F(DetectTest, ZeroAndNegativeSizesPassTheProfileOver) {
    for (const char* name : {"A", "B", "C", "D", "E", "F", "G", "H", "I"}) {
        stub::addWindow(name, kCaption, 300, 600);
    }
    bare("Spoilt", "ZeroCX", "A", 0, 64);
    bare("Spoilt", "ZeroCY", "B", 96, 0);
    bare("Spoilt", "NegativeCX", "C", 0xFFFFFF9C, 100);  // -100 in the low 16 bits
    bare("Spoilt", "NegativeCY", "D", 100, 0x0000FF9C);
    bare("Spoilt", "ZeroRCX", "E", 96, 64).layout(0, 600, 50, 80);
    bare("Spoilt", "ZeroRCY", "F", 96, 64).layout(300, 0, 50, 80);
    bare("Spoilt", "NegativeRCX", "G", 96, 64).layout(0xFED4, 600, 50, 80);  // -300
    bare("Spoilt", "NegativeRX", "H", 96, 64).layout(300, 600, 0xFFCE, 80);  // -50
    bare("Spoilt", "NegativeRY", "I", 96, 64).layout(300, 600, 50, 0x8000);
    expectAllPassedOver();
}

TEST_F(DetectTest, OnlyTheLow16BitsOfANumberCount) {
    stub::addWindow(kClass, kCaption, 300, 600);
    bare("G", "P", kClass, 0x00010060, 0xABCD0040).layout(0x1012C, 0x70258, 0xF0032, 0x10050);
    ASSERT_TRUE(detect());
    EXPECT_EQ(describe(result), "96x64 (50,80,96,64)");
}

// A rectangle that does not fit signed 16-bit coordinates is never handed on truncated.
TEST_F(DetectTest, SixteenBitOverflowPassesTheProfileOver) {
    stub::addWindow("WideClient", kCaption, 40000, 64);
    stub::addWindow("ScreenBeyondLayout", kCaption, 400, 300);
    stub::addWindow("FarOffset", kCaption, 4, 4);
    stub::addWindow("FarEdge", kCaption, 4, 4);
    bare("Spoilt", "WideClient", "WideClient", 100, 64);
    bare("Spoilt", "ScreenBeyondLayout", "ScreenBeyondLayout", 96, 64).layout(1, 1, 0, 0);
    bare("Spoilt", "FarOffset", "FarOffset", 3, 3).layout(2, 2, 20000, 0);
    // Each product fits, their sum does not.
    bare("Spoilt", "FarEdge", "FarEdge", 10000, 3).layout(2, 2, 10000, 0);
    expectAllPassedOver();
}

TEST_F(DetectTest, LargestCoordinatesAreKept) {
    stub::addWindow("Widest", kCaption, 32767, 1);
    stub::addWindow("Edge", kCaption, 4, 4);
    bare("A", "Widest", "Widest", 32767, 1);
    ASSERT_TRUE(detect());
    EXPECT_EQ(describe(result), "32767x1 (0,0,32767,1)");

    // A screen reaching beyond the client area is taken as computed.
    stub::regDeleteKey(keyPath("A"));
    bare("B", "Edge", "Edge", 6383, 3).layout(2, 2, 10000, 0);
    ASSERT_TRUE(detect());
    EXPECT_EQ(describe(result), "6383x3 (20000,0,12766,6)");
}

// ---- Keys that cannot be opened, empty catalogues, warnings
// --------------------------------------

TEST_F(DetectTest, KeysThatCannotBeOpenedArePassedOver) {
    stub::addWindow(kClass, kCaption, 96, 64);
    bare("Locked", "Profile", kClass, 96, 64);
    bare("Open", "Locked", kClass, 96, 64);
    stub::regRefuseOpen(keyPath("Locked"));
    stub::regRefuseOpen(keyPath("Open", "Locked"));
    expectAllPassedOver();
}

TEST_F(DetectTest, EmptyCatalogueWarns) {
    expectWarning(kNoEmulator);
}

TEST_F(DetectTest, GroupWithoutProfilesWarns) {
    stub::regCreateKey(keyPath("Nothing"));
    stub::addWindow(kClass, kCaption, 96, 64);
    expectWarning(kNoEmulator);
}

TEST_F(DetectTest, SoftwareKeyThatCannotBeOpenedWarns) {
    stub::addWindow(kClass, kCaption, 96, 64);
    bare("G", "P", kClass, 96, 64);
    stub::regRefuseOpen("Software");
    expectWarning(kNoSoftware);
}

TEST_F(DetectTest, MissingProgramKeyWarns) {
    stub::regDeleteKey("Software\\Pixmote");
    stub::regCreateKey("Software\\Other");
    expectWarning(kNoProgram);
    EXPECT_TRUE(logged("RegCloseKey Software"));
}

}  // namespace
