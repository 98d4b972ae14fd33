// The preview's picture: dot centres, Pixmote's quantization, the GIF's frame, enlarged.
#include "add/preview.h"

#include "capture/quantize.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {

constexpr int kBorder = 2;
constexpr int kOuterLevel = 15;  // as the GIF writer draws its frame
constexpr int kInnerLevel = 0;
constexpr int kMaxScreenSide = 32767;

}  // namespace

int ScreenRect::width() const {
    return static_cast<int>(std::lround(across * pitchX));
}

int ScreenRect::height() const {
    return static_cast<int>(std::lround(down * pitchY));
}

bool screenRectFits(const ScreenRect& rect, int pictureWidth, int pictureHeight) {
    return rect.across > 0 && rect.down > 0 && rect.across <= kMaxScreenSide &&
           rect.down <= kMaxScreenSide && rect.pitchX >= 1 && rect.pitchY >= 1 && rect.x >= 0 &&
           rect.y >= 0 && rect.x + rect.width() <= pictureWidth &&
           rect.y + rect.height() <= pictureHeight;
}

std::vector<std::uint32_t> recordedColours(const Picture& client, const ScreenRect& rect) {
    if (!screenRectFits(rect, client.width, client.height)) {
        return {};
    }
    const auto count = static_cast<std::size_t>(rect.across) * static_cast<std::size_t>(rect.down);
    std::vector<std::uint32_t> dots(count);
    for (int j = 0; j < rect.down; ++j) {
        const int y =
            std::min(rect.y + static_cast<int>((j + 0.5) * rect.pitchY), client.height - 1);
        for (int i = 0; i < rect.across; ++i) {
            const int x =
                std::min(rect.x + static_cast<int>((i + 0.5) * rect.pitchX), client.width - 1);
            dots[static_cast<std::size_t>(j) * static_cast<std::size_t>(rect.across) +
                 static_cast<std::size_t>(i)] = client.at(x, y) & 0xFFFFFFu;
        }
    }
    return dots;
}

Picture framedColourPreview(const std::vector<std::uint32_t>& colours, int across, int down,
                            int factor) {
    const int w = across + 2 * kBorder;
    const int h = down + 2 * kBorder;
    Picture out(w * factor, h * factor, 0x000000);
    for (int y = 1; y < h - 1; ++y) {
        for (int x = 1; x < w - 1; ++x) {
            std::uint32_t colour = 0xFFFFFF;
            const int i = x - kBorder;
            const int j = y - kBorder;
            if (i >= 0 && j >= 0 && i < across && j < down) {
                const std::size_t k =
                    static_cast<std::size_t>(j) * static_cast<std::size_t>(across) +
                    static_cast<std::size_t>(i);
                colour = k < colours.size() ? colours[k] : 0xFFFFFF;
            }
            for (int dy = 0; dy < factor; ++dy) {
                std::uint32_t* row = &out.at(x * factor, y * factor + dy);
                std::fill(row, row + factor, colour);
            }
        }
    }
    return out;
}

std::vector<std::uint8_t> recordedLevels(const Picture& client, const ScreenRect& rect) {
    const std::vector<std::uint32_t> dots = recordedColours(client, rect);
    if (dots.empty()) {
        return {};
    }
    const std::size_t count = dots.size();
    // The pixels as GetDIBits hands them to the recording: blue, green, red, reserved.
    std::vector<std::uint8_t> bytes(count * 4);
    for (std::size_t k = 0; k < count; ++k) {
        bytes[4 * k] = static_cast<std::uint8_t>(dots[k] & 0xFF);
        bytes[4 * k + 1] = static_cast<std::uint8_t>((dots[k] >> 8) & 0xFF);
        bytes[4 * k + 2] = static_cast<std::uint8_t>((dots[k] >> 16) & 0xFF);
        bytes[4 * k + 3] = 0;
    }
    std::vector<std::uint8_t> levels(count);
    quantizeFrame(bytes.data(), static_cast<std::int16_t>(rect.across),
                  static_cast<std::int16_t>(rect.down), levels.data());
    return levels;
}

int previewFactor(int across, int down, int boxWidth, int boxHeight) {
    if (across <= 0 || down <= 0) {
        return 1;
    }
    const int factor =
        std::min(boxWidth / (across + 2 * kBorder), boxHeight / (down + 2 * kBorder));
    return std::max(factor, 1);
}

std::uint32_t levelGray(int level) {
    const auto v = static_cast<std::uint32_t>(255 - 17 * std::clamp(level, 0, 15));
    return (v << 16) | (v << 8) | v;
}

Picture framedPreview(const std::vector<std::uint8_t>& levels, int across, int down, int factor) {
    const int w = across + 2 * kBorder;
    const int h = down + 2 * kBorder;
    Picture out(w * factor, h * factor, levelGray(kOuterLevel));
    for (int y = 1; y < h - 1; ++y) {
        for (int x = 1; x < w - 1; ++x) {
            int level = kInnerLevel;
            const int i = x - kBorder;
            const int j = y - kBorder;
            if (i >= 0 && j >= 0 && i < across && j < down) {
                const std::size_t k =
                    static_cast<std::size_t>(j) * static_cast<std::size_t>(across) +
                    static_cast<std::size_t>(i);
                level = k < levels.size() ? levels[k] : kInnerLevel;
            }
            const std::uint32_t gray = levelGray(level);
            for (int dy = 0; dy < factor; ++dy) {
                std::uint32_t* row = &out.at(x * factor, y * factor + dy);
                std::fill(row, row + factor, gray);
            }
        }
    }
    return out;
}
