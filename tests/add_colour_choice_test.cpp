// The helper's colour proposal: which screens it proposes to record in colour (Colors 1), on
// real NumWorks screens and on the same content shown as a tinted monochrome LCD would show it;
// and /locate writing Colors 1 where it decides so, or where /colors or /grays say otherwise.
#include "add/colour_choice.h"
#include "add/command_line.h"
#include "add/locate_command.h"
#include "tests/support/png_picture.h"
#include "tests/support/stub_fixture.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

namespace {

Picture pictureOf(const RgbPicture& rgb) {
    Picture picture(rgb.width, rgb.height);
    picture.pixels = rgb.at;
    return picture;
}

Picture numworks(const char* name) {
    return pictureOf(readPng(std::string(PIXMOTE_TEST_DATA) + "/numworks-" + name + ".png"));
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

class LocateColours : public StubTest {
  protected:
    void SetUp() override {
        StubTest::SetUp();
        out = ::testing::TempDir() + "pixmote-add-" +
              ::testing::UnitTest::GetInstance()->current_test_info()->name() + ".reg";
        std::remove(out.c_str());
    }
    void TearDown() override {
        std::remove(out.c_str());
        StubTest::TearDown();
    }
    // A window of the stand-in's face at scale 1 with the picture as its 320 x 240 screen.
    static void addScreen(const Picture& picture) {
        HWND w = stub::addWindow("ColourEmu", "Colour Emu", 458, 400);
        stub::fillRect(w, 0, 0, 458, 400, 0x3C465A);
        stub::fillRect(w, 61, 59, 336, 256, 0x101010);
        for (int y = 0; y < picture.height; ++y) {
            for (int x = 0; x < picture.width; ++x) {
                stub::fillRect(w, 69 + x, 67 + y, 1, 1, picture.at(x, y));
            }
        }
    }
    std::string locate(const std::string& extra) {
        std::string why;
        const int code = runLocateCommand(
            splitCommandLine(
                ("/locate ColourEmu \"Colour Emu\" 320 240 /out \"" + out + "\"" + extra).c_str()),
            &why);
        EXPECT_EQ(code, kLocateWritten) << why;
        std::ifstream file(out, std::ios::binary);
        std::stringstream text;
        text << file.rdbuf();
        return text.str();
    }
    std::string out;
};

TEST_F(LocateColours, LocateProposesColoursOrGraysAndObeysTheSwitches) {
    struct Case {
        const char* name;
        bool colourScreen;
        const char* extra;
        bool colors;
    };
    const Case cases[] = {{"colour screen", true, "", true},
                          {"monochrome screen", false, "", false},
                          {"colour screen, /grays", true, " /grays", false},
                          {"monochrome screen, /colors", false, " /colors", true},
                          {"/colors before /out", false, "", true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        stub::reset();
        const Picture home = numworks("home");
        addScreen(c.colourScreen ? home : tinted(home, 0xC7D5BA, 0x28301F));
        std::string text;
        if (std::string(c.name) == "/colors before /out") {
            std::string why;
            ASSERT_EQ(runLocateCommand(splitCommandLine(("/locate ColourEmu \"Colour Emu\" 320 240 "
                                                         "/colors /out \"" +
                                                         out + "\"")
                                                            .c_str()),
                                       &why),
                      kLocateWritten)
                << why;
            std::ifstream file(out, std::ios::binary);
            std::stringstream read;
            read << file.rdbuf();
            text = read.str();
        } else {
            text = locate(c.extra);
        }
        EXPECT_NE(text.find("\"CX\"=dword:00000140"), std::string::npos) << text;
        EXPECT_EQ(text.find("\"Colors\"=dword:00000001\r\n") != std::string::npos, c.colors)
            << text;
        expectNothingHeld();
    }
}

}  // namespace
