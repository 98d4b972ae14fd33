// Test support: a PNG file read into 0x00RRGGBB pixels (libpng), for the tests that check the
// grab on screenshots of real emulator windows (tests/data/*.png).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct PngPicture {
    int width = 0;
    int height = 0;
    std::vector<std::uint32_t> pixels;  // 0x00RRGGBB, row-major, top row first

    std::uint32_t at(int x, int y) const {
        return pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) +
                      static_cast<std::size_t>(x)];
    }
};

// The picture, any PNG colour type brought to 8-bit RGB; false (with *error set) when the file
// cannot be read.
bool readPng(const std::string& path, PngPicture* picture, std::string* error);
