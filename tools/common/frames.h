// The deterministic screen pictures of the emulator stand-in, and the frame scripts that say
// how long each is shown.
//
// The stand-in (tools/emulator) draws pattern k of a W x H calculator screen; the recording
// checker (tools/checker) regenerates the same pattern to compare it with what a recorded GIF
// shows. A pattern holds only the 16 grays 255 - 17 * level (level 0 white .. 15 black) and
// always holds level 0 at pixel (0, 0) and level 15 at pixel (W - 1, H - 1), so a screen copy
// reduced to 16 levels between its own lightest and darkest value gives back exactly the
// levels drawn here.
//
// Consecutive patterns differ in a block that moves (old and new place), and every fourth
// pattern also changes the whole background, so recordings carry both small changed
// rectangles and whole-screen ones. Header only: built by mingw for the stand-in and natively
// for the checker.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

namespace frames {

constexpr int kLevels = 16;

// The red (= green = blue) value of a gray level.
inline std::uint8_t grayOfLevel(int level) {
    return static_cast<std::uint8_t>(255 - 17 * level);
}

inline std::uint32_t mix(std::uint32_t a, std::uint32_t b, std::uint32_t c) {
    std::uint32_t h = a * 73856093u ^ b * 19349663u ^ c * 83492791u;
    h ^= h >> 13;
    h *= 0x5bd1e995u;
    h ^= h >> 15;
    return h;
}

// The moving block of pattern k: its top-left corner and size.
struct Block {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
};

inline Block blockOf(int k, int width, int height) {
    Block b;
    b.width = width / 4 > 4 ? width / 4 : (width < 4 ? width : 4);
    b.height = height / 4 > 4 ? height / 4 : (height < 4 ? height : 4);
    int spanX = width - b.width + 1;
    int spanY = height - b.height + 1;
    b.x = static_cast<int>(static_cast<std::uint32_t>(k) * 37u % static_cast<std::uint32_t>(spanX));
    b.y = static_cast<int>(static_cast<std::uint32_t>(k) * 23u % static_cast<std::uint32_t>(spanY));
    return b;
}

// Level of calculator pixel (x, y) in pattern k (k >= 0) of a width x height screen.
inline int levelAt(int k, int width, int height, int x, int y) {
    if (x == 0 && y == 0) {
        return 0;
    }
    if (x == width - 1 && y == height - 1) {
        return kLevels - 1;
    }
    Block b = blockOf(k, width, height);
    if (x >= b.x && x < b.x + b.width && y >= b.y && y < b.y + b.height) {
        auto h = mix(static_cast<std::uint32_t>(k) + 1u, static_cast<std::uint32_t>(x),
                     static_cast<std::uint32_t>(y));
        return static_cast<int>(h % kLevels);
    }
    // Diagonal bands of levels 1..14 that shift with every fourth pattern.
    return ((x + y) / 6 + k / 4) % 14 + 1;
}

// The whole pattern, row-major, top row first.
inline std::vector<std::uint8_t> pattern(int k, int width, int height) {
    std::vector<std::uint8_t> levels(static_cast<std::size_t>(width) *
                                     static_cast<std::size_t>(height));
    std::size_t i = 0;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            levels[i++] = static_cast<std::uint8_t>(levelAt(k, width, height, x, y));
        }
    }
    return levels;
}

// Colour patterns (the stand-in's --colours): pattern k's levels drawn in 16 colours instead
// of the grays, and, in every third pattern (k mod 3 = 2), its moving block in 16 more colours
// that appear only there. Colour code c (0..31) is level c mod 16; codes c and c + 16 have the
// same red, and red is all a gray recording reads, so the block of such a pattern changes hue
// only. Code 0 is white and code 15 black, so a recording in grays still gets its extremes.
inline std::uint32_t colourOfCode(int code) {
    const auto level = static_cast<std::uint32_t>(code % kLevels);
    const std::uint32_t red = grayOfLevel(static_cast<int>(level));
    if (code == 0) {
        return 0xFFFFFF;
    }
    if (code == kLevels - 1) {
        return 0x000000;
    }
    const std::uint32_t green =
        code < kLevels ? (level * 53u + 20u) % 256u : (level * 29u + 140u) % 256u;
    const std::uint32_t blue =
        code < kLevels ? (level * 97u + 40u) % 256u : (255u - level * 13u) % 256u;
    return red << 16 | green << 8 | blue;
}

// The colour code of calculator pixel (x, y) in colour pattern k.
inline int colourCodeAt(int k, int width, int height, int x, int y) {
    const int level = levelAt(k, width, height, x, y);
    if (k % 3 != 2 || level == 0 || level == kLevels - 1) {
        return level;
    }
    Block b = blockOf(k, width, height);
    const bool inBlock = x >= b.x && x < b.x + b.width && y >= b.y && y < b.y + b.height;
    return inBlock ? level + kLevels : level;
}

// The colour code of an RGB colour (0x00RRGGBB), or 255 for a colour no pattern holds.
inline int codeOfColour(std::uint32_t colour) {
    for (int code = 0; code < 2 * kLevels; ++code) {
        if (colourOfCode(code) == colour) {
            return code;
        }
    }
    return 255;
}

// Pattern k of a screen of dotsAcross x dotsDown calculator dots, each drawn as a dotWidth x
// dotHeight block: the picture an emulator shows at scale 1 when its dots are not square pixels
// (dotWidth = dotHeight = 1 gives pattern()). Row-major, (dotsAcross * dotWidth) pixels a row.
// With colour, the colour pattern's codes instead of levels.
inline std::vector<std::uint8_t> dottedPattern(int k, int dotsAcross, int dotsDown, int dotWidth,
                                               int dotHeight, bool colour = false) {
    std::vector<std::uint8_t> dots = pattern(k, dotsAcross, dotsDown);
    if (colour) {
        std::size_t i = 0;
        for (int y = 0; y < dotsDown; ++y) {
            for (int x = 0; x < dotsAcross; ++x) {
                dots[i++] = static_cast<std::uint8_t>(colourCodeAt(k, dotsAcross, dotsDown, x, y));
            }
        }
    }
    const int width = dotsAcross * dotWidth;
    std::vector<std::uint8_t> levels(static_cast<std::size_t>(width) *
                                     static_cast<std::size_t>(dotsDown * dotHeight));
    for (std::size_t i = 0; i < levels.size(); ++i) {
        int x = static_cast<int>(i % static_cast<std::size_t>(width));
        int y = static_cast<int>(i / static_cast<std::size_t>(width));
        levels[i] = dots[static_cast<std::size_t>(y / dotHeight * dotsAcross + x / dotWidth)];
    }
    return levels;
}

// One step of a frame script: show pattern `pattern` for holdMs milliseconds.
struct ScriptFrame {
    int pattern = 0;
    int holdMs = 0;
};

// Parses a frame script. One frame per line: "HOLD_MS" (the pattern is the frame's own index,
// counting from 0) or "HOLD_MS PATTERN"; blank lines and text after '#' are ignored.
// Returns false with error set (naming the line) on anything else or when no frame is given.
inline bool parseScript(const std::string& text, std::vector<ScriptFrame>* out,
                        std::string* error) {
    out->clear();
    std::size_t pos = 0;
    int lineNo = 0;
    while (pos <= text.size()) {
        std::size_t end = text.find('\n', pos);
        if (end == std::string::npos) {
            end = text.size();
        }
        std::string line = text.substr(pos, end - pos);
        pos = end + 1;
        ++lineNo;
        std::size_t hash = line.find('#');
        if (hash != std::string::npos) {
            line.resize(hash);
        }
        const char* p = line.c_str();
        char* next = nullptr;
        long hold = std::strtol(p, &next, 10);
        if (next == p) {
            // Nothing but blanks?
            bool blank = true;
            for (char c : line) {
                if (c != ' ' && c != '\t' && c != '\r') {
                    blank = false;
                }
            }
            if (blank) {
                continue;
            }
            *error = "line " + std::to_string(lineNo) + ": expected a hold time in ms";
            return false;
        }
        ScriptFrame f;
        f.holdMs = static_cast<int>(hold);
        f.pattern = static_cast<int>(out->size());
        p = next;
        long pat = std::strtol(p, &next, 10);
        if (next != p) {
            f.pattern = static_cast<int>(pat);
            p = next;
        }
        while (*p == ' ' || *p == '\t' || *p == '\r') {
            ++p;
        }
        if (*p != '\0' || hold <= 0 || hold > 600000 || f.pattern < 0) {
            *error = "line " + std::to_string(lineNo) + ": expected HOLD_MS [PATTERN]";
            return false;
        }
        out->push_back(f);
    }
    if (out->empty()) {
        *error = "the script holds no frame";
        return false;
    }
    return true;
}

}  // namespace frames
