// A picture fitted into a client area of any size and shape, centred with bars (AnyScale 2,
// FitWidth, FitHeight): where fitScreen puts the screen, what detectEmulator reads for it, and
// that a profile without those values is searched as before.
//
// The shape is the NumWorks simulator's: a 458 x 888 client with the 320 x 240 LCD at (69, 67),
// the photo 388 x 888 of it.
#include "detect/detect.h"
#include "detect/fit.h"
#include "platform/stub/stub.h"
#include "tests/support/stub_fixture.h"

#include <gtest/gtest.h>

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

constexpr const char* kProfile = "Software\\Pixmote\\NumWorks\\Epsilon";

class FittedDetection : public StubTest {
  protected:
    void SetUp() override {
        StubTest::SetUp();
        stub::regCreateKey(kProfile);
        stub::regSetString(kProfile, "ClassName", "SDL_app");
        stub::regSetString(kProfile, "Caption", "Epsilon");
        for (const auto& [name, value] : std::vector<std::pair<const char*, DWORD>>{
                 {"CX", 320}, {"CY", 240}, {"RCX", 458}, {"RCY", 888}, {"RX", 69}, {"RY", 67}}) {
            stub::regSetDword(kProfile, name, value);
        }
    }
    void TearDown() override {
        EXPECT_EQ(stub::held().keys, 0);
        StubTest::TearDown();
    }

    static void fitted(DWORD anyScale, DWORD fitWidth, DWORD fitHeight) {
        stub::regSetDword(kProfile, "AnyScale", anyScale);
        stub::regSetDword(kProfile, "FitWidth", fitWidth);
        stub::regSetDword(kProfile, "FitHeight", fitHeight);
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

TEST_F(FittedDetection, FollowsThePictureAtAnySize) {
    fitted(2, 388, 888);
    EXPECT_EQ(detectAt(458, 888), "whole 69,67 320x240 fitted");
    EXPECT_EQ(detectAt(640, 940), "sampled 151,71 338x254 fitted");
    EXPECT_EQ(detectAt(1374, 888), "whole 527,67 320x240 fitted");
    EXPECT_EQ(detectAt(229, 444), "none");
}

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

// FitWidth and FitHeight are read only with AnyScale 2: the other profiles' calls stay as
// they were.
TEST_F(FittedDetection, FitValuesAreReadOnlyForAFittedPicture) {
    fitted(1, 388, 888);
    stub::clearCalls();
    detectAt(458, 888);
    EXPECT_EQ(queries("FitWidth"), 0);
    EXPECT_EQ(queries("DotWidth"), 1);
    fitted(2, 388, 888);
    stub::clearCalls();
    detectAt(458, 888);
    EXPECT_EQ(queries("FitWidth"), 1);
    EXPECT_EQ(queries("FitHeight"), 1);
}
