// pixmote-lcd-check: checks a recording of a real emulator's screen against screenshots of it.
//
//   pixmote-lcd-check GIF [--layout WxH+X+Y] [--dots WxH] [--dot WxH] [--dump FILE]
//                     [--enlarge K] SHOT.ppm...
//
// Each SHOT is the emulator's whole client area (binary PPM), taken after one key, in order.
// --layout is the client at scale 1 and where the screen starts in it (default Free42's
// Realistic skin, 340x617+40+138); --dots the screen in dots (131x16); --dot one dot's size in
// pixels of the picture at scale 1 (2x3). --dump writes every state and frame as text art.
// Prints what it found and the figures; exit code 0 when the recording is right, 1 when not,
// 2 on bad usage or an unreadable screenshot.
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "tests/support/gif_replay.h"
#include "tools/lcdcheck/check.h"

namespace {

int usage(const std::string& why) {
    std::fprintf(stderr,
                 "pixmote-lcd-check: %s\n"
                 "usage: pixmote-lcd-check GIF [--layout WxH+X+Y] [--dots WxH] [--dot WxH]\n"
                 "                         [--dump FILE] SHOT.ppm...\n",
                 why.c_str());
    return 2;
}

bool parseSize(const std::string& text, int* w, int* h) {
    char tail = 0;
    return std::sscanf(text.c_str(), "%dx%d%c", w, h, &tail) == 2 && *w > 0 && *h > 0;
}

bool parseLayout(const std::string& text, DotGeometry* g) {
    char tail = 0;
    return std::sscanf(text.c_str(), "%dx%d+%d+%d%c", &g->layoutWidth, &g->layoutHeight,
                       &g->screenX, &g->screenY, &tail) == 4 &&
           g->layoutWidth > 0 && g->layoutHeight > 0 && g->screenX >= 0 && g->screenY >= 0;
}

void dumpLevels(std::ofstream& out, const std::string& title, const std::vector<std::uint8_t>& dots,
                int across) {
    out << title << '\n';
    for (std::size_t i = 0; i < dots.size(); ++i) {
        out << (dots[i] == 0 ? '.' : dots[i] == 15 ? '#' : "0123456789abcdef"[dots[i]]);
        if ((i + 1) % static_cast<std::size_t>(across) == 0) {
            out << '\n';
        }
    }
}

}  // namespace

int main(int argc, char** argv) {
    DotGeometry g;
    std::string gif;
    std::string dump;
    std::vector<std::string> shots;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        const bool more = i + 1 < argc;
        if (a == "--layout" && more) {
            if (!parseLayout(argv[++i], &g)) {
                return usage("bad --layout");
            }
        } else if (a == "--dots" && more) {
            if (!parseSize(argv[++i], &g.across, &g.down)) {
                return usage("bad --dots");
            }
        } else if (a == "--dot" && more) {
            if (!parseSize(argv[++i], &g.dotWidth, &g.dotHeight)) {
                return usage("bad --dot");
            }
        } else if (a == "--enlarge" && more) {
            g.enlarge = std::atoi(argv[++i]);  // the recording's Size, 1..4
            if (g.enlarge < 1 || g.enlarge > 4) {
                return usage("--enlarge is 1 to 4");
            }
        } else if (a == "--dump" && more) {
            dump = argv[++i];
        } else if (!a.empty() && a[0] == '-') {
            return usage("unknown option " + a);
        } else if (gif.empty()) {
            gif = a;
        } else {
            shots.push_back(a);
        }
    }
    if (gif.empty() || shots.empty()) {
        return usage("a GIF and at least one screenshot are needed");
    }

    std::vector<LcdState> states;
    for (const std::string& path : shots) {
        Picture client;
        std::string error;
        if (!readPpm(path, &client, &error)) {
            return usage(error);
        }
        const std::size_t slash = path.find_last_of('/');
        states.push_back({slash == std::string::npos ? path : path.substr(slash + 1),
                          dotsOfScreenshot(client, g)});
    }

    LcdReport r = checkLcd(gif, states, g);
    for (const std::string& line : r.lines) {
        std::printf("%s\n", line.c_str());
    }
    std::printf(
        "frames %d, states %d (distinct %d), found %d, dot mismatches %d, stray frames %d, "
        "blurred dots %d, last frame is the last state: %s\n",
        r.frames, r.states, r.distinct, r.found, r.mismatches, r.strayFrames, r.blurredDots,
        r.lastIsLast ? "yes" : "no");
    if (!dump.empty()) {
        std::ofstream out(dump);
        for (const LcdState& s : states) {
            dumpLevels(out, "state " + s.name, s.levels, g.across);
        }
        DecodedGif decoded = decodeGif(gif);
        int n = 0;
        int blurred = 0;
        const bool fits = decoded.screenWidth == g.across * g.dotWidth + 4 &&
                          decoded.screenHeight == g.down * g.dotHeight + 4;
        for (const ShownCanvas& canvas : fits ? replayGif(decoded) : std::vector<ShownCanvas>{}) {
            dumpLevels(out, "frame " + std::to_string(n++),
                       dotsOfFrame(innerFrame(canvas, 2), g, &blurred), g.across);
        }
    }
    std::printf("%s\n", r.ok ? "OK" : "FAIL");
    return r.ok ? 0 : 1;
}
