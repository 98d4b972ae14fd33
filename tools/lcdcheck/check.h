// The LCD check: does a recording show, in order, every state the emulator's screen went
// through? The states come from screenshots taken while recording (dotsOfScreenshot); the
// recording is decoded with giflib and played like a viewer. Used by main.cpp and selftest.cpp.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tools/lcdcheck/dots.h"

struct LcdState {
    std::string name;                  // where it came from, for the report
    std::vector<std::uint8_t> levels;  // across x down dot levels
};

struct LcdReport {
    bool ok = false;
    int frames = 0;           // images in the recording
    int states = 0;           // states given
    int distinct = 0;         // after dropping a state equal to the one before it
    int found = 0;            // distinct states shown, in order, by a frame
    int mismatches = 0;       // dots wrong: of each state not found, against its nearest frame
                              // after the previous state's, and of the last frame against the
                              // last state
    int strayFrames = 0;      // frames that show none of the states (a screen caught mid-draw)
    int blurredDots = 0;      // dots of the frames whose pixels are not all one level
    bool lastIsLast = false;  // the last frame shows the last state
    std::vector<std::string> lines;  // what was found; failures start with "FAIL"
};

// What must hold: the file is a whole GIF of (across x dotWidth + 4) x (down x dotHeight + 4)
// whose every shown canvas carries the program's two-line border; the distinct states appear
// as frames in their order (a frame may show a state again later); the last frame shows the
// last state; no dot of any frame is blurred.
LcdReport checkLcd(const std::string& gifPath, const std::vector<LcdState>& states,
                   const DotGeometry& geometry);
