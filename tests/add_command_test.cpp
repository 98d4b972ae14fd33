// The helper's /locate command against the Win32 stand-in: the .reg file it writes for a window
// it finds, its exit codes, and that nothing is held after any path.
#include "add/command_line.h"
#include "add/locate_command.h"
#include "tests/support/stub_fixture.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

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

TEST(CommandLine, QuotesGroupBlanks) {
    EXPECT_EQ(splitCommandLine("/locate \"A B\"  c \"\" d\\\"e \"f\\\"g\""),
              (std::vector<std::string>{"/locate", "A B", "c", "", "d\"e", "f\"g"}));
    EXPECT_EQ(splitCommandLine(nullptr), std::vector<std::string>{});
    EXPECT_EQ(splitCommandLine("   "), std::vector<std::string>{});
}

}  // namespace
