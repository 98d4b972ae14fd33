// Faults found by the end-to-end fault checks under Wine (tests/wine/faults.sh), pinned down
// against the stand-in.
#include "tests/support/session_fixture.h"

namespace {

// A hidden emulator window shows nothing of the emulator: a copy of it is whatever lies behind
// it (under Wine, for an emulator being closed, a blank frame that stayed to the end of the
// recording). While it is hidden the last picture stays; once shown again, copying resumes.
// A window hidden, or minimised (which still counts as visible), holds no picture to copy.
class HiddenWindow : public SessionTest, public testing::WithParamInterface<int> {};

TEST_P(HiddenWindow, KeepsTheLastPictureUntilTheWindowIsShownAgain) {
    const HWND window = addBare(96, 64);
    std::mt19937 random(47);
    const Levels first = randomScreen(96, 64, random);
    const Levels second = changedScreen(first, random);
    const Levels third = changedScreen(second, random);
    const std::string path = (folder / "hidden.gif").string();

    record(path);
    paint(window, first);
    stub::fireTimer();
    paint(window, second);
    stub::fireTimer();
    ShowWindow(window, GetParam());
    stub::fillRect(window, 0, 0, 96, 64, 0xFFFFFF);  // what a copy would find now
    for (int t = 0; t < 3; ++t) {
        stub::fireTimer();
        EXPECT_EQ(stub::held().windowDCs, 0);
        EXPECT_EQ(stub::held().memoryDCs, 0);
    }
    ShowWindow(window, SW_SHOWNORMAL);
    paint(window, third);
    stub::fireTimer();
    stub::fireTimer();
    press();
    expectHaltedAndClean();
    // second stays on screen through the hidden ticks; no white frame.
    expectShows(path, {first, second, third}, {1, 4, 2}, 16);
}

// Hidden between the tick's look at the window and its copy (an emulator closing, or a user's
// hide, under load): the copy may be what lay behind the window, and is dropped.
TEST_F(SessionTest, CopyMadeWhileTheWindowIsBeingHiddenIsDropped) {
    const HWND window = addBare(96, 64);
    std::mt19937 random(48);
    const Levels first = randomScreen(96, 64, random);
    const Levels second = changedScreen(first, random);
    const std::string path = (folder / "hidden-during-copy.gif").string();

    record(path);
    paint(window, first);
    stub::fireTimer();
    stub::duringNextCopy([&] {
        ShowWindow(window, SW_HIDE);
        stub::fillRect(window, 0, 0, 96, 64, 0xFFFFFF);
    });
    stub::fireTimer();
    ShowWindow(window, SW_SHOWNORMAL);
    paint(window, second);
    stub::fireTimer();
    stub::fireTimer();
    press();
    expectHaltedAndClean();
    expectShows(path, {first, second}, {2, 2}, 16);
}

INSTANTIATE_TEST_SUITE_P(Hardening, HiddenWindow, testing::Values(SW_HIDE, SW_MINIMIZE),
                         [](const testing::TestParamInfo<int>& param) {
                             return param.param == SW_HIDE ? "Hidden" : "Minimised";
                         });

}  // namespace
