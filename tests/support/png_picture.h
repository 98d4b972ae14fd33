// Test support: real emulator screens kept as PNG files in tests/data, read with libpng.
#pragma once

#include "tests/support/colour_replay.h"

#include <string>

// Reads an 8-bit RGB or RGBA PNG into a picture (alpha dropped); empty (width 0) when it cannot.
RgbPicture readPng(const std::string& path);
