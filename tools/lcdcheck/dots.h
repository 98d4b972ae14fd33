// The calculator's dots, from a screenshot of the emulator's client area and from a recorded
// frame, so the two can be compared dot by dot. Portable: plain memory and files only.
// Used by the LCD check (check.cpp, main.cpp) and its self-test.
//
// A screen is `across` x `down` dots, each dotWidth x dotHeight pixels of the picture at
// scale 1. In the emulator's client, at scale 1 a `layoutWidth` x `layoutHeight` layout with
// the screen's top-left pixel at (screenX, screenY); the emulator may stretch that layout by
// any factor across and down (cw / layoutWidth, ch / layoutHeight).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct DotGeometry {
    int across = 131;
    int down = 16;
    int dotWidth = 2;
    int dotHeight = 3;
    int layoutWidth = 340;
    int layoutHeight = 617;
    int screenX = 40;
    int screenY = 138;
    int enlarge = 1;  // the recording's Size (2..4: checked as brought back to x1)
};

// A picture as 32-bit pixels, top row first: blue, green, red, reserved (the layout the grab
// hands to quantizeFrame).
struct Picture {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> pixels;
};

// Reads a binary PPM (P6, maxval 255), as ImageMagick writes it. False with error set on
// anything else.
bool readPpm(const std::string& path, Picture* out, std::string* error);

// The screen shown in a screenshot of the whole client area: each dot's pixel at its centre
// (the pixel holding the point), the across x down samples quantized to 16 levels with the
// program's own quantizeFrame. across x down levels, row-major.
std::vector<std::uint8_t> dotsOfScreenshot(const Picture& client, const DotGeometry& g);

// The screen shown in a recorded frame of (across * dotWidth) x (down * dotHeight) levels:
// each dot's level at its centre pixel. Adds to *blurred the dots whose block of pixels is not
// all one level (a recording of the screen at scale 1 has none).
std::vector<std::uint8_t> dotsOfFrame(const std::vector<std::uint8_t>& frame, const DotGeometry& g,
                                      int* blurred);
