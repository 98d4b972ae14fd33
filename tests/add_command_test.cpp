// The helper's /locate command against the Win32 stand-in: the .reg file it writes for a window
// it finds, its exit codes, and that nothing is held after any path. And its colour proposal:
// which screens it proposes to record in colour (Colors 1), on real NumWorks screens and on the
// same content shown as a tinted monochrome LCD would show it; /colors and /grays overriding it.
#include "add/colour_choice.h"
#include "add/command_line.h"
#include "add/locate_command.h"
#include "tests/support/png_picture.h"
#include "tests/support/stub_fixture.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

Picture numworks(const char* name) {
    Picture picture;
    EXPECT_TRUE(readPngPicture(testDataPath(std::string("numworks-") + name + ".png"), &picture));
    return picture;
}

// The same content on a monochrome LCD: each pixel's brightness placed on the line from the
// LCD's background to its darkest dot, as a tinted LCD (or an emulator drawing one) shows it.
Picture tinted(const Picture& picture, std::uint32_t light, std::uint32_t dark) {
    Picture out = picture;
    for (std::uint32_t& pixel : out.pixels) {
        const int level = static_cast<int>(((pixel >> 16) & 0xFF) * 3 + ((pixel >> 8) & 0xFF) * 6 +
                                           (pixel & 0xFF)) /
                          10;
        std::uint32_t mixed = 0;
        for (int shift : {0, 8, 16}) {
            const int a = static_cast<int>((light >> shift) & 0xFF);
            const int b = static_cast<int>((dark >> shift) & 0xFF);
            mixed |= static_cast<std::uint32_t>(b + (a - b) * level / 255) << shift;
        }
        pixel = mixed;
    }
    return out;
}

TEST(ColourChoice, ColourScreensAreToldFromMonochromeOnes) {
    const Picture home = numworks("home");
    const Picture grapher = numworks("grapher");
    ASSERT_EQ(home.width, 320);
    ASSERT_EQ(grapher.width, 320);
    Picture stray = tinted(home, 0xC7D5BA, 0x28301F);
    stray.at(100, 100) = 0xFF0000;  // one pixel of an edge or a cursor: not a colour screen
    Picture uniform(96, 64, 0x9AA890);
    // Grays whose most frequent is a mid gray, the lighter ones beyond it (the stand-in's ramp).
    Picture ramp(96, 64, 0x888888);
    for (int y = 0; y < 64; ++y) {
        for (int x = 0; x < 48; ++x) {
            ramp.at(x, y) = 0x111111u * static_cast<std::uint32_t>((x + y) % 16);
        }
    }
    struct Case {
        const char* name;
        const Picture& picture;
        bool colour;
    };
    const Picture greenLcd = tinted(home, 0xC7D5BA, 0x28301F);
    const Picture blueLcd = tinted(grapher, 0x9CB4D8, 0x101838);
    const Picture grays = tinted(grapher, 0xFFFFFF, 0x000000);
    const Case cases[] = {{"NumWorks home", home, true},
                          {"NumWorks grapher", grapher, true},
                          {"home on a green LCD", greenLcd, false},
                          {"grapher on a blue LCD", blueLcd, false},
                          {"grapher in grays", grays, false},
                          {"one stray red pixel", stray, false},
                          {"uniform", uniform, false},
                          {"grays round a mid gray", ramp, false}};
    for (const Case& c : cases) {
        EXPECT_EQ(screenHasColours(c.picture, 0, 0, c.picture.width, c.picture.height), c.colour)
            << c.name;
    }
    // Only the screen's rectangle counts: the orange status bar (top 18 rows) is left out
    // when the rectangle starts below it, and the rest of the home screen still has colours.
    EXPECT_TRUE(screenHasColours(home, 0, 20, 320, 220));
    EXPECT_FALSE(screenHasColours(greenLcd, 0, 20, 320, 220));
}

class LocateCommand : public StubTest {
  protected:
    void TearDown() override {
        std::remove(out.c_str());
        StubTest::TearDown();
    }
    void SetUp() override {
        StubTest::SetUp();
        // One file per test: CTest runs the tests side by side.
        out = ::testing::TempDir() + "pixmote-add-" +
              ::testing::UnitTest::GetInstance()->current_test_info()->name() + ".reg";
        std::remove(out.c_str());
    }

    // The stand-in's face at scale 2: 320 x 560, the 96 x 64 screen at (64, 80) showing a
    // checkerboard of 2 x 2 dots inside a 4-pixel dark rim.
    HWND addFace(const std::string& caption) {
        HWND w = stub::addWindow("CalcStandIn", caption, 320, 560);
        stub::fillRect(w, 0, 0, 320, 560, 0x3C465A);
        stub::fillRect(w, 52, 68, 216, 152, 0x9AA0A8);
        stub::fillRect(w, 60, 76, 200, 136, 0x202020);
        for (int y = 0; y < 64; ++y) {
            for (int x = 0; x < 96; ++x) {
                stub::fillRect(w, 64 + 2 * x, 80 + 2 * y, 2, 2,
                               (x / 2 + y / 2 + x * y) % 3 == 0 ? 0x000000 : 0xFFFFFF);
            }
        }
        return w;
    }

    int run(const std::string& commandLine) {
        why.clear();
        return runLocateCommand(splitCommandLine(commandLine.c_str()), &why);
    }

    std::string written() const {
        std::ifstream file(out, std::ios::binary);
        std::stringstream text;
        text << file.rdbuf();
        return text.str();
    }

    std::string out;
    std::string why;
};

TEST_F(LocateCommand, WritesTheProfileOfTheWindowItFinds) {
    addFace("Calculator Stand-In");
    EXPECT_EQ(run("/locate CalcStandIn \"Calculator Stand-In\" 96 64 /out \"" + out + "\""),
              kLocateWritten)
        << why;
    EXPECT_EQ(written(),
              "REGEDIT4\r\n\r\n"
              "[HKEY_CURRENT_USER\\Software\\Pixmote\\Added\\Calculator Stand-In]\r\n"
              "\"ClassName\"=\"CalcStandIn\"\r\n"
              "\"Caption\"=\"Calculator Stand-In\"\r\n"
              "\"CX\"=dword:00000060\r\n\"CY\"=dword:00000040\r\n"
              "\"RCX\"=dword:000000a0\r\n\"RCY\"=dword:00000118\r\n"
              "\"RX\"=dword:00000020\r\n\"RY\"=dword:00000028\r\n\r\n");
    expectNothingHeld();
}

TEST_F(LocateCommand, ACaptionWithANumberIsMatchedByItsStartInTheGroupAsked) {
    addFace("Stand-In (2)");
    ASSERT_EQ(run("/locate CalcStandIn \"Stand-In (2)\" 96 64 /out " + out +
                  " /group Mine /name \"Face x2\""),
              kLocateWritten)
        << why;
    const std::string text = written();
    EXPECT_NE(text.find("[HKEY_CURRENT_USER\\Software\\Pixmote\\Mine\\Face x2]"),
              std::string::npos);
    EXPECT_NE(text.find("\"Caption\"=\"Stand-In\"\r\n\"CaptionMatch\"=dword:00000001"),
              std::string::npos)
        << text;
    expectNothingHeld();
}

TEST_F(LocateCommand, ExitCodesSayWhatWentWrong) {
    // Bad arguments: nothing is looked up.
    for (const char* line :
         {"", "/locate CalcStandIn Caption 96", "/locate CalcStandIn Caption 96 0 /out x.reg",
          "/locate CalcStandIn Caption 96 64", "/locate CalcStandIn Caption 96 64 /out",
          "/locate CalcStandIn Caption 96 64 /out x.reg /colour red", "/find a b 1 1 /out x"}) {
        SCOPED_TRACE(line);
        EXPECT_EQ(run(line), kLocateBadArguments);
        EXPECT_NE(why, "");
    }
    EXPECT_EQ(countCalls("FindWindowA"), 0);

    // No such window.
    EXPECT_EQ(run("/locate CalcStandIn Other 96 64 /out " + out), kLocateNoWindow);

    // A window whose picture shows no screen of that size, one whose copy fails, one with an
    // empty client area: no file, nothing held.
    HWND face = addFace("Face");
    EXPECT_EQ(run("/locate CalcStandIn Face 400 64 /out " + out), kLocateNoScreen);
    stub::failNextGetDC();
    EXPECT_EQ(run("/locate CalcStandIn Face 96 64 /out " + out), kLocateNoScreen);
    stub::failNextCreateCompatibleBitmap();
    EXPECT_EQ(run("/locate CalcStandIn Face 96 64 /out " + out), kLocateNoScreen);
    stub::resizeWindow(face, 0, 0);
    EXPECT_EQ(run("/locate CalcStandIn Face 96 64 /out " + out), kLocateNoScreen);
    EXPECT_EQ(written(), "");
    expectNothingHeld();

    // A file that cannot be written.
    addFace("Writable");
    EXPECT_EQ(run("/locate CalcStandIn Writable 96 64 /out /no-such-folder/x.reg"),
              kLocateBadArguments);
    expectNothingHeld();
}

// A window of the stand-in's face at scale 1 with the picture as its 320 x 240 screen: /locate
// proposes colours for a colour screen and grays for a monochrome one, unless /colors or /grays
// say otherwise (before or after /out).
TEST_F(LocateCommand, ProposesColoursOrGraysAndObeysTheSwitches) {
    const Picture home = numworks("home");
    const Picture greenLcd = tinted(home, 0xC7D5BA, 0x28301F);
    const struct {
        const Picture& screen;
        const char* before;
        const char* after;
        bool colors;
    } cases[] = {{home, "", "", true},
                 {greenLcd, "", "", false},
                 {home, "", " /grays", false},
                 {greenLcd, "", " /colors", true},
                 {greenLcd, "/colors ", "", true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.before) + c.after);
        stub::reset();
        std::remove(out.c_str());
        HWND w = stub::addWindow("ColourEmu", "Colour Emu", 458, 400);
        stub::fillRect(w, 0, 0, 458, 400, 0x3C465A);
        stub::fillRect(w, 61, 59, 336, 256, 0x101010);
        for (int y = 0; y < 240; ++y) {
            for (int x = 0; x < 320; ++x) {
                stub::setPixel(w, 69 + x, 67 + y, c.screen.at(x, y));
            }
        }
        ASSERT_EQ(run(std::string("/locate ColourEmu \"Colour Emu\" 320 240 ") + c.before +
                      "/out \"" + out + "\"" + c.after),
                  kLocateWritten)
            << why;
        const std::string text = written();
        EXPECT_NE(text.find("\"CX\"=dword:00000140"), std::string::npos) << text;
        EXPECT_EQ(text.find("\"Colors\"=dword:00000001\r\n") != std::string::npos, c.colors)
            << text;
        expectNothingHeld();
    }
}

TEST(CommandLine, QuotesGroupBlanks) {
    EXPECT_EQ(splitCommandLine("/locate \"A B\"  c \"\" d\\\"e \"f\\\"g\""),
              (std::vector<std::string>{"/locate", "A B", "c", "", "d\"e", "f\"g"}));
    EXPECT_EQ(splitCommandLine(nullptr), std::vector<std::string>{});
    EXPECT_EQ(splitCommandLine("   "), std::vector<std::string>{});
}

}  // namespace
