// The colour decision: the distinct colours of the screen's rectangle with their counts, then
// each colour's distance from the line through the background and the darkest colour.
#include "add/colour_choice.h"

#include <algorithm>
#include <cstdint>
#include <map>

namespace {

constexpr double kOffLine = 24.0;          // RGB distance that is clearly another hue
constexpr std::int64_t kRareShare = 2000;  // a colour on fewer pixels than 1 in this is noise

struct Rgb {
    double r = 0;
    double g = 0;
    double b = 0;
};

Rgb rgbOf(std::uint32_t colour) {
    return {static_cast<double>((colour >> 16) & 0xFF), static_cast<double>((colour >> 8) & 0xFF),
            static_cast<double>(colour & 0xFF)};
}

int brightness(std::uint32_t colour) {
    return static_cast<int>(((colour >> 16) & 0xFF) + ((colour >> 8) & 0xFF) + (colour & 0xFF));
}

// Squared distance of p from the line through a and b. The line, not the segment: the most
// frequent colour of a gray screen may be a mid gray, with lighter grays beyond it.
double offLine(Rgb p, Rgb a, Rgb b) {
    const Rgb ab{b.r - a.r, b.g - a.g, b.b - a.b};
    const Rgb ap{p.r - a.r, p.g - a.g, p.b - a.b};
    const double length = ab.r * ab.r + ab.g * ab.g + ab.b * ab.b;
    const double t = length == 0 ? 0 : (ap.r * ab.r + ap.g * ab.g + ap.b * ab.b) / length;
    const Rgb d{ap.r - t * ab.r, ap.g - t * ab.g, ap.b - t * ab.b};
    return d.r * d.r + d.g * d.g + d.b * d.b;
}

}  // namespace

bool screenHasColours(const Picture& picture, int x, int y, int width, int height) {
    const int left = std::max(0, x);
    const int top = std::max(0, y);
    const int right = std::min(picture.width, x + width);
    const int bottom = std::min(picture.height, y + height);
    if (left >= right || top >= bottom) {
        return false;
    }
    std::map<std::uint32_t, std::int64_t> counts;
    for (int row = top; row < bottom; ++row) {
        for (int col = left; col < right; ++col) {
            ++counts[picture.at(col, row) & 0xFFFFFFu];
        }
    }
    const std::int64_t pixels = std::int64_t{right - left} * (bottom - top);
    std::uint32_t background = counts.begin()->first;
    std::uint32_t darkest = background;
    for (const auto& [colour, count] : counts) {
        if (count > counts[background]) {
            background = colour;
        }
        if (brightness(colour) < brightness(darkest)) {
            darkest = colour;
        }
    }
    const Rgb a = rgbOf(background);
    const Rgb b = rgbOf(darkest);
    for (const auto& [colour, count] : counts) {
        if (count * kRareShare >= pixels && offLine(rgbOf(colour), a, b) > kOffLine * kOffLine) {
            return true;
        }
    }
    return false;
}
