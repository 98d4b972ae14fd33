// Nearest and bilinear scaling with per-column tables, made once per call.
#include "tools/emulator/resample.h"

#include <cmath>

namespace {

// Where window pixel i of `to` pixels samples a line of `from` pixels: the two picture pixels
// around its centre and the weight of the second.
struct Tap {
    int first = 0;
    int second = 0;
    double weight = 0;
};

std::vector<Tap> taps(int from, int to, bool smooth) {
    std::vector<Tap> out(static_cast<std::size_t>(to));
    for (int i = 0; i < to; ++i) {
        Tap& t = out[static_cast<std::size_t>(i)];
        if (!smooth) {
            // Integer arithmetic, so that whole factors repeat pixels exactly.
            long long at = (2LL * i + 1) * from / (2LL * to);
            t.first = t.second = static_cast<int>(at < from ? at : from - 1);
            continue;
        }
        double u = (i + 0.5) * from / to - 0.5;
        if (u < 0) {
            u = 0;
        }
        if (u > from - 1) {
            u = from - 1;
        }
        t.first = static_cast<int>(std::floor(u));
        t.second = t.first + 1 < from ? t.first + 1 : t.first;
        t.weight = u - t.first;
    }
    return out;
}

std::uint32_t channel(std::uint32_t rgb, int shift) {
    return rgb >> shift & 0xFFu;
}

std::uint32_t blend(std::uint32_t a, std::uint32_t b, double w) {
    std::uint32_t out = 0;
    for (int shift = 0; shift <= 16; shift += 8) {
        double v = channel(a, shift) * (1 - w) + channel(b, shift) * w;
        out |= static_cast<std::uint32_t>(std::lround(v)) << shift;
    }
    return out;
}

}  // namespace

void resample(const Picture& from, bool smooth, std::uint32_t* to, int stride, int x, int y,
              int width, int height) {
    if (from.width < 1 || from.height < 1) {
        return;
    }
    const std::vector<Tap> across = taps(from.width, width, smooth);
    const std::vector<Tap> down = taps(from.height, height, smooth);
    auto at = [&from](int px, int py) {
        return from.pixels[static_cast<std::size_t>(py) * static_cast<std::size_t>(from.width) +
                           static_cast<std::size_t>(px)];
    };
    for (int row = 0; row < height; ++row) {
        const Tap& v = down[static_cast<std::size_t>(row)];
        std::uint32_t* line = to + static_cast<std::ptrdiff_t>(y + row) * stride + x;
        for (int col = 0; col < width; ++col) {
            const Tap& h = across[static_cast<std::size_t>(col)];
            if (!smooth) {
                line[col] = at(h.first, v.first);
                continue;
            }
            std::uint32_t top = blend(at(h.first, v.first), at(h.second, v.first), h.weight);
            std::uint32_t bottom = blend(at(h.first, v.second), at(h.second, v.second), h.weight);
            line[col] = blend(top, bottom, v.weight);
        }
    }
}
