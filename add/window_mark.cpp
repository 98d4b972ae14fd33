// The window's picture: averaged down to the box, the screen rectangle outlined.
#include "add/window_mark.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr int kFar = 128;  // the least channel difference that reads as a clear line

int channel(std::uint32_t colour, int shift) {
    return static_cast<int>((colour >> shift) & 0xFFu);
}

// The scaled position of client coordinate v along a side of `from` pixels made `to` long.
int scaledAt(double v, int from, int to) {
    return static_cast<int>(std::lround(v * to / from));
}

}  // namespace

Picture scaledToBox(const Picture& client, int boxWidth, int boxHeight) {
    if (client.width <= 0 || client.height <= 0 || boxWidth <= 0 || boxHeight <= 0) {
        return Picture();
    }
    const double scale = std::min({1.0, static_cast<double>(boxWidth) / client.width,
                                   static_cast<double>(boxHeight) / client.height});
    const int width = std::clamp(static_cast<int>(std::lround(client.width * scale)), 1, boxWidth);
    const int height =
        std::clamp(static_cast<int>(std::lround(client.height * scale)), 1, boxHeight);
    Picture out(width, height);
    for (int oy = 0; oy < height; ++oy) {
        const int y0 = oy * client.height / height;
        const int y1 = std::max(y0 + 1, (oy + 1) * client.height / height);
        for (int ox = 0; ox < width; ++ox) {
            const int x0 = ox * client.width / width;
            const int x1 = std::max(x0 + 1, (ox + 1) * client.width / width);
            int sum[3] = {0, 0, 0};
            for (int y = y0; y < y1; ++y) {
                for (int x = x0; x < x1; ++x) {
                    const std::uint32_t p = client.at(x, y);
                    sum[0] += channel(p, 16);
                    sum[1] += channel(p, 8);
                    sum[2] += channel(p, 0);
                }
            }
            const int n = (x1 - x0) * (y1 - y0);
            const auto mean = [n](int s) { return static_cast<std::uint32_t>((s + n / 2) / n); };
            out.at(ox, oy) = mean(sum[0]) << 16 | mean(sum[1]) << 8 | mean(sum[2]);
        }
    }
    return out;
}

MarkBounds scaledRect(const ScreenRect& rect, int clientWidth, int clientHeight, int width,
                      int height) {
    MarkBounds b;
    b.left = scaledAt(rect.x, clientWidth, width);
    b.top = scaledAt(rect.y, clientHeight, height);
    b.right = scaledAt(rect.x + rect.across * rect.pitchX, clientWidth, width);
    b.bottom = scaledAt(rect.y + rect.down * rect.pitchY, clientHeight, height);
    return b;
}

std::uint32_t markColour(std::uint32_t under) {
    const bool reddish = channel(under, 16) >= 255 - kFar + 1 && channel(under, 8) < kFar &&
                         channel(under, 0) < kFar;
    return reddish ? 0x00FFFFu : 0xFF0000u;
}

Picture markedWindow(const Picture& client, const ScreenRect& rect, int boxWidth, int boxHeight) {
    Picture out = scaledToBox(client, boxWidth, boxHeight);
    if (out.width == 0) {
        return out;
    }
    const MarkBounds b = scaledRect(rect, client.width, client.height, out.width, out.height);
    // The outline's outer edge, kept inside the picture.
    const int left = std::clamp(b.left - kMarkLine, 0, std::max(0, out.width - 2 * kMarkLine));
    const int top = std::clamp(b.top - kMarkLine, 0, std::max(0, out.height - 2 * kMarkLine));
    const int right =
        std::clamp(b.right + kMarkLine, std::min(out.width, left + 2 * kMarkLine), out.width);
    const int bottom =
        std::clamp(b.bottom + kMarkLine, std::min(out.height, top + 2 * kMarkLine), out.height);
    for (int y = top; y < bottom; ++y) {
        for (int x = left; x < right; ++x) {
            const bool line = x < left + kMarkLine || x >= right - kMarkLine ||
                              y < top + kMarkLine || y >= bottom - kMarkLine;
            if (line) {
                out.at(x, y) = markColour(out.at(x, y));
            }
        }
    }
    return out;
}
