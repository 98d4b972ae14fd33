// Resampling with smoothing, one colour channel at a time.
#include "tests/support/smooth_picture.h"

#include <algorithm>
#include <cmath>

namespace smooth {
namespace {

double channel(std::uint32_t rgb, int c) {
    return static_cast<double>((rgb >> (8 * c)) & 0xFFu);
}

std::uint32_t pack(const double (&value)[3]) {
    std::uint32_t rgb = 0;
    for (int c = 0; c < 3; ++c) {
        const long v = std::lround(std::clamp(value[c], 0.0, 255.0));
        rgb |= static_cast<std::uint32_t>(v) << (8 * c);
    }
    return rgb;
}

// Along one axis: the weight of every source pixel in each target pixel.
struct Tap {
    int source;
    double weight;
};
std::vector<std::vector<Tap>> taps(int from, int to, Filter filter) {
    std::vector<std::vector<Tap>> all(static_cast<std::size_t>(to));
    const double scale = static_cast<double>(from) / to;
    for (int i = 0; i < to; ++i) {
        std::vector<Tap>& mine = all[static_cast<std::size_t>(i)];
        if (filter == Filter::Area) {
            const double a = i * scale;
            const double b = (i + 1) * scale;
            for (int s = static_cast<int>(a); s < from && s < b; ++s) {
                const double covered = std::min<double>(b, s + 1) - std::max<double>(a, s);
                if (covered > 0) {
                    mine.push_back({s, covered / scale});
                }
            }
        } else {
            const double u = std::clamp((i + 0.5) * scale - 0.5, 0.0, from - 1.0);
            const int s = static_cast<int>(u);
            const double f = u - s;
            mine.push_back({s, 1 - f});
            if (s + 1 < from && f > 0) {
                mine.push_back({s + 1, f});
            }
        }
    }
    return all;
}

}  // namespace

Canvas resample(const Canvas& from, int width, int height, Filter filter) {
    const auto across = taps(from.width, width, filter);
    const auto down = taps(from.height, height, filter);
    Canvas to(width, height);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            double sum[3] = {0, 0, 0};
            for (const Tap& v : down[static_cast<std::size_t>(y)]) {
                for (const Tap& h : across[static_cast<std::size_t>(x)]) {
                    for (int c = 0; c < 3; ++c) {
                        sum[c] += v.weight * h.weight * channel(from.at(h.source, v.source), c);
                    }
                }
            }
            to.at(x, y) = pack(sum);
        }
    }
    return to;
}

Canvas face(int faceWidth, int faceHeight, std::uint32_t faceColour, int x, int y,
            const std::vector<std::uint8_t>& dots, int across, int dotWidth, int dotHeight,
            const std::vector<std::uint32_t>& colours) {
    Canvas made(faceWidth, faceHeight, faceColour);
    for (std::size_t i = 0; i < dots.size(); ++i) {
        const int dx = static_cast<int>(i) % across;
        const int dy = static_cast<int>(i) / across;
        for (int py = 0; py < dotHeight; ++py) {
            for (int px = 0; px < dotWidth; ++px) {
                made.at(x + dx * dotWidth + px, y + dy * dotHeight + py) = colours[dots[i]];
            }
        }
    }
    return made;
}

}  // namespace smooth
