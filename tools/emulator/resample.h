// Scaling of the stand-in's pictures by any factor, whole or not, the way an emulator that lets
// its window be resized draws its screen: nearest neighbour (each window pixel shows the picture
// pixel under its centre) or smooth (bilinear between the four nearest picture pixels).
// Used by the stand-in's surface (surface.cpp) only.
#pragma once

#include <cstdint>
#include <vector>

// A 32-bit picture (0x00RRGGBB), row-major.
struct Picture {
    int width = 0;
    int height = 0;
    std::vector<std::uint32_t> pixels;
};

// Draws `from`, scaled to width x height, into the rows of `to` (stride pixels a row) starting at
// (x, y). At a whole factor the nearest-neighbour result is exactly the picture with every pixel
// repeated factor x factor times.
void resample(const Picture& from, bool smooth, std::uint32_t* to, int stride, int x, int y,
              int width, int height);
