// pixmote-shot-check: checks a screenshot of the emulator stand-in against a pattern of
// tools/common/frames.h, dot by dot.
//
//   pixmote-shot-check SHOT.ppm --place X Y W H --screen WxH --pattern K
//
// SHOT.ppm is the display as a binary PPM (ImageMagick: import -window root ppm:SHOT.ppm);
// X Y W H is where the calculator screen lies on it, in display pixels and not necessarily whole
// (the stand-in logs it as "screen-on-display"); the screen has W x H calculator dots (--screen,
// whatever their size in pixels). The pixel under each dot's centre must show exactly the gray
// of that dot's level in pattern K. Prints the count of wrong dots and the first few; exit code
// 0 when none is wrong, 1 when some are, 2 on bad usage.
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "tools/common/frames.h"

namespace {

struct Image {
    int width = 0;
    int height = 0;
    std::vector<unsigned char> rgb;
};

int usage(const char* why) {
    std::fprintf(stderr,
                 "pixmote-shot-check: %s\n"
                 "usage: pixmote-shot-check SHOT.ppm --place X Y W H --screen WxH --pattern K\n",
                 why);
    return 2;
}

// Reads a binary PPM of 8-bit samples (P6, no comments).
bool readPpm(const std::string& path, Image* out) {
    std::ifstream in(path, std::ios::binary);
    std::string magic;
    int maxValue = 0;
    if (!(in >> magic >> out->width >> out->height >> maxValue) || magic != "P6" ||
        maxValue != 255 || out->width < 1 || out->height < 1) {
        return false;
    }
    in.get();
    out->rgb.resize(static_cast<std::size_t>(out->width) * static_cast<std::size_t>(out->height) *
                    3);
    in.read(reinterpret_cast<char*>(out->rgb.data()),
            static_cast<std::streamsize>(out->rgb.size()));
    return static_cast<std::size_t>(in.gcount()) == out->rgb.size();
}

}  // namespace

int main(int argc, char** argv) {
    std::string path;
    double place[4] = {-1, -1, 0, 0};
    int across = 96;
    int down = 64;
    int k = -1;
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        if (a == "--place" && i + 4 < argc) {
            for (double& v : place) {
                v = std::atof(argv[++i]);
            }
        } else if (a == "--screen" && i + 1 < argc) {
            if (std::sscanf(argv[++i], "%dx%d", &across, &down) != 2) {
                return usage("--screen wants WxH");
            }
        } else if (a == "--pattern" && i + 1 < argc) {
            k = std::atoi(argv[++i]);
        } else if (path.empty() && !a.empty() && a[0] != '-') {
            path = a;
        } else {
            return usage(("unknown argument " + a).c_str());
        }
    }
    if (path.empty() || k < 0 || across < 1 || down < 1 || place[2] <= 0 || place[3] <= 0) {
        return usage("a screenshot, --place, --screen and --pattern are needed");
    }
    Image shot;
    if (!readPpm(path, &shot)) {
        return usage("cannot read the screenshot as a binary PPM");
    }
    std::vector<std::uint8_t> levels = frames::pattern(k, across, down);
    int wrong = 0;
    for (int j = 0; j < down; ++j) {
        for (int i = 0; i < across; ++i) {
            int x = static_cast<int>(std::floor(place[0] + (i + 0.5) * place[2] / across));
            int y = static_cast<int>(std::floor(place[1] + (j + 0.5) * place[3] / down));
            int want = frames::grayOfLevel(levels[static_cast<std::size_t>(j * across + i)]);
            if (x < 0 || y < 0 || x >= shot.width || y >= shot.height) {
                return usage("the screen lies outside the screenshot");
            }
            const unsigned char* p =
                &shot.rgb[(static_cast<std::size_t>(y) * static_cast<std::size_t>(shot.width) +
                           static_cast<std::size_t>(x)) *
                          3];
            if (p[0] != want || p[1] != want || p[2] != want) {
                if (++wrong <= 5) {
                    std::printf("dot (%d, %d) at pixel (%d, %d): want gray %d, got %d,%d,%d\n", i,
                                j, x, y, want, p[0], p[1], p[2]);
                }
            }
        }
    }
    std::printf("pattern %d: %d of %d dots wrong\n", k, wrong, across * down);
    return wrong == 0 ? 0 : 1;
}
