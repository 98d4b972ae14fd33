// Dot sampling for the LCD check: dot centres in a stretched screenshot, dot blocks in a frame.
#include "tools/lcdcheck/dots.h"

#include <cstddef>
#include <fstream>

#include "capture/quantize.h"

namespace {

constexpr std::size_t kPixelBytes = 4;

// Skips blanks and '#' comments in a PPM header, then reads a decimal number.
bool headerNumber(std::istream& in, int* value) {
    for (;;) {
        int c = in.peek();
        if (c == '#') {
            std::string ignored;
            std::getline(in, ignored);
        } else if (c == ' ' || c == '\t' || c == '\r' || c == '\n') {
            in.get();
        } else {
            break;
        }
    }
    return static_cast<bool>(in >> *value);
}

}  // namespace

bool readPpm(const std::string& path, Picture* out, std::string* error) {
    std::ifstream in(path, std::ios::binary);
    char magic[2] = {};
    if (!in.read(magic, 2) || magic[0] != 'P' || magic[1] != '6') {
        *error = path + ": not a binary PPM";
        return false;
    }
    int width = 0;
    int height = 0;
    int maxval = 0;
    if (!headerNumber(in, &width) || !headerNumber(in, &height) || !headerNumber(in, &maxval) ||
        width <= 0 || height <= 0 || width > 16384 || height > 16384 || maxval != 255) {
        *error = path + ": unreadable PPM header";
        return false;
    }
    in.get();  // the one blank after maxval
    const std::size_t count = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
    std::vector<char> rgb(count * 3);
    if (!in.read(rgb.data(), static_cast<std::streamsize>(rgb.size()))) {
        *error = path + ": PPM shorter than its header says";
        return false;
    }
    out->width = width;
    out->height = height;
    out->pixels.assign(count * kPixelBytes, 0);
    for (std::size_t i = 0; i < count; ++i) {
        out->pixels[i * kPixelBytes + 0] = static_cast<std::uint8_t>(rgb[i * 3 + 2]);
        out->pixels[i * kPixelBytes + 1] = static_cast<std::uint8_t>(rgb[i * 3 + 1]);
        out->pixels[i * kPixelBytes + 2] = static_cast<std::uint8_t>(rgb[i * 3 + 0]);
    }
    return true;
}

std::vector<std::uint8_t> dotsOfScreenshot(const Picture& client, const DotGeometry& g) {
    // The pixel holding point p of the scale-1 layout is floor(p x client / layout); with p a
    // dot's centre, a multiple of one half, twice both sides keeps it exact.
    auto centre = [](int twiceCentre, int clientLength, int layoutLength) {
        const long long at =
            static_cast<long long>(twiceCentre) * clientLength / (2LL * layoutLength);
        return static_cast<int>(at < clientLength ? at : clientLength - 1);
    };
    const std::size_t count = static_cast<std::size_t>(g.across) * static_cast<std::size_t>(g.down);
    std::vector<std::uint8_t> samples(count * kPixelBytes, 0);
    std::size_t at = 0;
    for (int j = 0; j < g.down; ++j) {
        const int y =
            centre(2 * (g.screenY + j * g.dotHeight) + g.dotHeight, client.height, g.layoutHeight);
        for (int i = 0; i < g.across; ++i, ++at) {
            const int x =
                centre(2 * (g.screenX + i * g.dotWidth) + g.dotWidth, client.width, g.layoutWidth);
            const std::size_t from =
                (static_cast<std::size_t>(y) * static_cast<std::size_t>(client.width) +
                 static_cast<std::size_t>(x)) *
                kPixelBytes;
            for (std::size_t b = 0; b < kPixelBytes; ++b) {
                samples[at * kPixelBytes + b] = client.pixels[from + b];
            }
        }
    }
    std::vector<std::uint8_t> levels(count, 0);
    quantizeFrame(samples.data(), static_cast<std::int16_t>(g.across),
                  static_cast<std::int16_t>(g.down), levels.data());
    return levels;
}

std::vector<std::uint8_t> dotsOfFrame(const std::vector<std::uint8_t>& frame, const DotGeometry& g,
                                      int* blurred) {
    const int width = g.across * g.dotWidth;
    std::vector<std::uint8_t> levels;
    levels.reserve(static_cast<std::size_t>(g.across) * static_cast<std::size_t>(g.down));
    auto level = [&frame, width](int x, int y) {
        return frame[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) +
                     static_cast<std::size_t>(x)];
    };
    for (int j = 0; j < g.down; ++j) {
        for (int i = 0; i < g.across; ++i) {
            const int left = i * g.dotWidth;
            const int top = j * g.dotHeight;
            const std::uint8_t centre = level(left + g.dotWidth / 2, top + g.dotHeight / 2);
            bool uniform = true;
            for (int y = top; y < top + g.dotHeight; ++y) {
                for (int x = left; x < left + g.dotWidth; ++x) {
                    uniform = uniform && level(x, y) == centre;
                }
            }
            *blurred += uniform ? 0 : 1;
            levels.push_back(centre);
        }
    }
    return levels;
}
