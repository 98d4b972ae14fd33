// The enlarging row buffer: (W + 4) x factor pixels, made once per file.
#include "gif/enlarge.h"

#include <cstring>
#include <new>

namespace {

constexpr long kLargestScreen = 0xFFFF;  // the logical screen's 16-bit width and height
constexpr int kBorder = 2;

std::uint8_t* buffer = nullptr;
int frameWidth = 0;
int factor = 1;

// Each of count pixels as k copies, from to onwards; returns the position after them. One
// loop per factor, so that the compiler sees how many copies each pixel makes.
template <int k>
std::uint8_t* spreadBy(std::uint8_t* to, const std::uint8_t* pixels, int count) {
    for (int i = 0; i < count; ++i) {
        for (int copy = 0; copy < k; ++copy) {
            to[copy] = pixels[i];
        }
        to += k;
    }
    return to;
}

std::uint8_t* spread(std::uint8_t* to, const std::uint8_t* pixels, int count) {
    switch (factor) {
        case 2:
            return spreadBy<2>(to, pixels, count);
        case 3:
            return spreadBy<3>(to, pixels, count);
        default:
            return spreadBy<4>(to, pixels, count);
    }
}

std::uint8_t* fill(std::uint8_t* to, std::uint8_t level, int count) {
    const auto bytes = static_cast<std::size_t>(count) * static_cast<std::size_t>(factor);
    std::memset(to, level, bytes);
    return to + bytes;
}

}  // namespace

bool enlargeFits(int width, int height, int k) {
    if (k < kSmallestEnlarge || k > kLargestEnlarge || width < 1 || height < 1) {
        return false;
    }
    return (static_cast<long>(width) + 2 * kBorder) * k <= kLargestScreen &&
           (static_cast<long>(height) + 2 * kBorder) * k <= kLargestScreen;
}

bool enlargeBegin(int width, int k) {
    enlargeEnd();
    if (k <= kSmallestEnlarge || !enlargeFits(width, 1, k)) {
        return false;
    }
    buffer = new (std::nothrow)
        std::uint8_t[static_cast<std::size_t>(width + 2 * kBorder) * static_cast<std::size_t>(k)];
    if (buffer == nullptr) {
        return false;
    }
    frameWidth = width;
    factor = k;
    return true;
}

void enlargeEnd() {
    delete[] buffer;
    buffer = nullptr;
    frameWidth = 0;
    factor = 1;
}

int enlargeFactor() {
    return factor;
}

std::uint8_t* enlargeFilledRow(std::uint8_t level) {
    fill(buffer, level, frameWidth + 2 * kBorder);
    return buffer;
}

std::uint8_t* enlargeBorderRow(std::uint8_t outer, std::uint8_t inner) {
    std::uint8_t* to = fill(buffer, outer, 1);
    to = fill(to, inner, frameWidth + 2);
    fill(to, outer, 1);
    return buffer;
}

std::uint8_t* enlargeFramedRow(const std::uint8_t* row, std::uint8_t outer, std::uint8_t inner) {
    std::uint8_t* to = fill(buffer, outer, 1);
    to = fill(to, inner, 1);
    to = spread(to, row, frameWidth);
    to = fill(to, inner, 1);
    fill(to, outer, 1);
    return buffer;
}

std::uint8_t* enlargeRow(const std::uint8_t* pixels, int count) {
    spread(buffer, pixels, count);
    return buffer;
}
