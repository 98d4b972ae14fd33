// The demo home screen: canned expressions typed in, answers shown right-aligned, scrolling
// when the screen is full, and a cursor block that blinks twice a second.
#include "tools/emulator/demo.h"

#include <cstring>
#include <string>

namespace {

// 5 x 7 glyphs, one byte per column, bit 0 the top row.
struct Glyph {
    char c;
    std::uint8_t columns[5];
};

constexpr Glyph kFont[] = {
    {'0', {0x3E, 0x51, 0x49, 0x45, 0x3E}}, {'1', {0x00, 0x42, 0x7F, 0x40, 0x00}},
    {'2', {0x42, 0x61, 0x51, 0x49, 0x46}}, {'3', {0x21, 0x41, 0x45, 0x4B, 0x31}},
    {'4', {0x18, 0x14, 0x12, 0x7F, 0x10}}, {'5', {0x27, 0x45, 0x45, 0x45, 0x39}},
    {'6', {0x3C, 0x4A, 0x49, 0x49, 0x30}}, {'7', {0x01, 0x71, 0x09, 0x05, 0x03}},
    {'8', {0x36, 0x49, 0x49, 0x49, 0x36}}, {'9', {0x06, 0x49, 0x49, 0x29, 0x1E}},
    {'A', {0x7E, 0x11, 0x11, 0x11, 0x7E}}, {'B', {0x7F, 0x49, 0x49, 0x49, 0x36}},
    {'C', {0x3E, 0x41, 0x41, 0x41, 0x22}}, {'D', {0x7F, 0x41, 0x41, 0x22, 0x1C}},
    {'E', {0x7F, 0x49, 0x49, 0x49, 0x41}}, {'F', {0x7F, 0x09, 0x09, 0x09, 0x01}},
    {'G', {0x3E, 0x41, 0x49, 0x49, 0x7A}}, {'H', {0x7F, 0x08, 0x08, 0x08, 0x7F}},
    {'I', {0x00, 0x41, 0x7F, 0x41, 0x00}}, {'J', {0x20, 0x40, 0x41, 0x3F, 0x01}},
    {'K', {0x7F, 0x08, 0x14, 0x22, 0x41}}, {'L', {0x7F, 0x40, 0x40, 0x40, 0x40}},
    {'M', {0x7F, 0x02, 0x0C, 0x02, 0x7F}}, {'N', {0x7F, 0x04, 0x08, 0x10, 0x7F}},
    {'O', {0x3E, 0x41, 0x41, 0x41, 0x3E}}, {'P', {0x7F, 0x09, 0x09, 0x09, 0x06}},
    {'Q', {0x3E, 0x41, 0x51, 0x21, 0x5E}}, {'R', {0x7F, 0x09, 0x19, 0x29, 0x46}},
    {'S', {0x46, 0x49, 0x49, 0x49, 0x31}}, {'T', {0x01, 0x01, 0x7F, 0x01, 0x01}},
    {'U', {0x3F, 0x40, 0x40, 0x40, 0x3F}}, {'V', {0x1F, 0x20, 0x40, 0x20, 0x1F}},
    {'W', {0x3F, 0x40, 0x38, 0x40, 0x3F}}, {'X', {0x63, 0x14, 0x08, 0x14, 0x63}},
    {'Y', {0x07, 0x08, 0x70, 0x08, 0x07}}, {'Z', {0x61, 0x51, 0x49, 0x45, 0x43}},
    {'+', {0x08, 0x08, 0x3E, 0x08, 0x08}}, {'-', {0x08, 0x08, 0x08, 0x08, 0x08}},
    {'*', {0x14, 0x08, 0x3E, 0x08, 0x14}}, {'/', {0x20, 0x10, 0x08, 0x04, 0x02}},
    {'=', {0x14, 0x14, 0x14, 0x14, 0x14}}, {'(', {0x00, 0x1C, 0x22, 0x41, 0x00}},
    {')', {0x00, 0x41, 0x22, 0x1C, 0x00}}, {'.', {0x00, 0x60, 0x60, 0x00, 0x00}},
    {':', {0x00, 0x36, 0x36, 0x00, 0x00}}, {'^', {0x04, 0x02, 0x01, 0x02, 0x04}},
    {',', {0x00, 0x50, 0x30, 0x00, 0x00}},
};

const std::uint8_t* glyphOf(char c) {
    for (const Glyph& g : kFont) {
        if (g.c == c) {
            return g.columns;
        }
    }
    return nullptr;  // space and anything unknown draw nothing
}

struct Exchange {
    const char* typed;
    const char* answer;
};

constexpr Exchange kSession[] = {
    {"12*34", "408"},      {"2^10", "1024"}, {"355/113", "3.14159292"},
    {"(1+2)*(3+4)", "21"}, {"100-58", "42"}, {"SQRT(144)", "12"},
    {"7*6", "42"},         {"1/8", ".125"},
};
constexpr unsigned kExchanges = sizeof(kSession) / sizeof(kSession[0]);

// Steps: two per typed key, then four of thinking before the answer, then four of rest.
unsigned stepsOf(const Exchange& e) {
    return 2u * static_cast<unsigned>(std::strlen(e.typed)) + 8u;
}

struct Line {
    std::string text;
    bool rightAligned = false;
};

class Screen {
  public:
    Screen(int width, int height, bool colour)
        : width_(width),
          height_(height),
          colour_(colour),
          pixels_(static_cast<std::size_t>(width) * static_cast<std::size_t>(height),
                  colour ? 0xFFFFFFu : 0xC8D0C0u) {}

    int columns() const { return width_ / 6; }
    int rows() const { return height_ / 8; }

    void text(int row, int col, const std::string& s, std::uint32_t ink) {
        for (std::size_t i = 0; i < s.size(); ++i) {
            glyph(row, col + static_cast<int>(i), s[i], ink);
        }
    }
    void cursor(int row, int col) {
        for (int y = 0; y < 7; ++y) {
            for (int x = 0; x < 5; ++x) {
                put(col * 6 + x, row * 8 + y, ink());
            }
        }
    }
    std::uint32_t ink() const { return colour_ ? 0x102080u : 0x202820u; }
    std::uint32_t answerInk() const { return colour_ ? 0xA01010u : 0x202820u; }
    std::vector<std::uint32_t>& pixels() { return pixels_; }

  private:
    void put(int x, int y, std::uint32_t rgb) {
        if (x >= 0 && x < width_ && y >= 0 && y < height_) {
            pixels_[static_cast<std::size_t>(y * width_ + x)] = rgb;
        }
    }
    void glyph(int row, int col, char c, std::uint32_t rgb) {
        const std::uint8_t* g = glyphOf(c);
        if (g == nullptr) {
            return;
        }
        for (int x = 0; x < 5; ++x) {
            for (int y = 0; y < 7; ++y) {
                if ((g[x] >> y) & 1) {
                    put(col * 6 + x, row * 8 + y, rgb);
                }
            }
        }
    }

    int width_;
    int height_;
    bool colour_;
    std::vector<std::uint32_t> pixels_;
};

}  // namespace

std::vector<std::uint32_t> demoPicture(unsigned step, int width, int height) {
    Screen screen(width, height, width >= 200);
    unsigned total = 0;
    for (const Exchange& e : kSession) {
        total += stepsOf(e);
    }
    unsigned t = step % total;

    // Replay the session up to step t as lines of text.
    std::vector<Line> lines;
    std::string typing;
    for (unsigned i = 0; i < kExchanges; ++i) {
        const Exchange& e = kSession[i];
        unsigned n = stepsOf(e);
        if (t >= n) {
            lines.push_back({e.typed, false});
            lines.push_back({e.answer, true});
            t -= n;
            continue;
        }
        std::size_t keys = std::strlen(e.typed);
        if (t < 2u * keys) {
            typing.assign(e.typed, t / 2u + 1u);
        } else {
            lines.push_back({e.typed, false});
            if (t >= 2u * keys + 4u) {
                lines.push_back({e.answer, true});
            }
        }
        break;
    }

    int rows = screen.rows();
    int cols = screen.columns();
    // The cursor line is the last; earlier lines scroll up and off.
    int first = static_cast<int>(lines.size()) + 1 - rows;
    if (first < 0) {
        first = 0;
    }
    int row = 0;
    for (std::size_t i = static_cast<std::size_t>(first); i < lines.size(); ++i, ++row) {
        const Line& line = lines[i];
        int col = line.rightAligned ? cols - static_cast<int>(line.text.size()) : 0;
        screen.text(row, col, line.text, line.rightAligned ? screen.answerInk() : screen.ink());
    }
    screen.text(row, 0, typing, screen.ink());
    if ((step / 4u) % 2u == 0u) {
        screen.cursor(row, static_cast<int>(typing.size()));
    }
    return screen.pixels();
}
