// A picture of a window's client area as the helper sees it: width x height pixels, top row
// first, each 0x00RRGGBB (the blue, green, red, reserved bytes GetDIBits gives, read as one
// little-endian number). Portable: the locator and its tests work on it without any window.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <vector>

struct Picture {
    int width = 0;
    int height = 0;
    std::vector<std::uint32_t> pixels;  // width x height, row-major

    Picture() = default;
    Picture(int w, int h, std::uint32_t fill = 0)
        : width(w),
          height(h),
          pixels(static_cast<std::size_t>(w) * static_cast<std::size_t>(h), fill) {}

    std::uint32_t at(int x, int y) const {
        return pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) +
                      static_cast<std::size_t>(x)];
    }
    std::uint32_t& at(int x, int y) {
        return pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) +
                      static_cast<std::size_t>(x)];
    }
};

// How far apart two pixels are: the sum of their three channels' differences (0..765).
inline int channelDistance(std::uint32_t a, std::uint32_t b) {
    int sum = 0;
    for (int shift = 0; shift <= 16; shift += 8) {
        sum += std::abs(static_cast<int>((a >> shift) & 0xFFu) -
                        static_cast<int>((b >> shift) & 0xFFu));
    }
    return sum;
}
