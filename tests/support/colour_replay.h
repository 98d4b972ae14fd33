// Test support for colour recordings: decodes a GIF with giflib's DGifSlurp and plays it like a
// viewer in RGB, so that what a recording shows can be compared with the screens painted into
// the stand-in's window, colour for colour.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// An RGB picture: 0x00RRGGBB words, row-major, top row first.
struct RgbPicture {
    int width = 0;
    int height = 0;
    std::vector<std::uint32_t> at;

    RgbPicture() = default;
    RgbPicture(int w, int h, std::uint32_t colour = 0)
        : width(w), height(h), at(static_cast<std::size_t>(w * h), colour) {}
    std::uint32_t& operator()(int x, int y) { return at[static_cast<std::size_t>(y * width + x)]; }
    std::uint32_t operator()(int x, int y) const {
        return at[static_cast<std::size_t>(y * width + x)];
    }
    bool operator==(const RgbPicture&) const = default;
};

// One image of the file as drawn: the canvas after it, and what the image carried.
struct ShownColour {
    RgbPicture canvas;                   // the logical screen after this image
    std::optional<std::uint16_t> delay;  // from its graphic control extension
    bool localTable = false;             // the image carried a local colour table
    int tableSize = 0;                   // entries of the table it used (local or global)
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
};

struct ColourReplay {
    bool ok = false;
    std::string error;
    int globalSize = 0;  // entries of the global table (0 when none)
    std::vector<ShownColour> shown;
};

// Decodes path and draws every image in order (disposal 1, no transparency: what this program
// writes) onto a canvas of the logical screen's size that starts black.
ColourReplay replayColourGif(const std::string& path);
// The same for a file's bytes already read.
ColourReplay replayColourBytes(const std::vector<std::uint8_t>& bytes);

// The picture without a border of the given width on every side.
RgbPicture insideBorder(const RgbPicture& picture, int border);

// True when the picture carries this program's frame: an outer black line and an inner white
// line, one pixel each, on all four sides.
bool hasColourBorder(const RgbPicture& picture);
