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

// The same, for the colour tests' pictures; empty (width 0) when the file cannot be read.
RgbPicture readPng(const std::string& path);
