// Screenshots kept as PNG files in tests/data, read into the helper's Picture. Called by the
// locate tests, which run the helper's locating on pictures of real emulator windows.
#pragma once

#include "add/picture.h"
#include "tests/support/colour_replay.h"

#include <string>

// The test data folder (tests/data), as the build knows it.
std::string testDataPath(const std::string& relative);

// Reads an 8-bit RGB or RGBA PNG (alpha dropped). False when the file is missing or unreadable.
bool readPngPicture(const std::string& path, Picture* picture);

// A cut of a real emulator's client area, tests/data/locate/NAME+LEFT+TOP.png: the client area
// from (LEFT, TOP), with that offset. False when it cannot be read or is not so named.
bool readLocateShot(const std::string& file, Picture* cut, int* left, int* top);

// The same, for the colour tests' pictures; empty (width 0) when the file cannot be read.
RgbPicture readPng(const std::string& path);
