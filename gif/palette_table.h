// The colour tables of a colour recording: which colours one image holds, the table it is
// written with, and the index of each of its pixels. Portable: plain memory only.
//
// Pixels are 0x00RRGGBB words (the grab's blue, green, red bytes and a zero byte, read as one
// little-endian word). An image of at most 256 distinct colours gets exactly those colours.
// One of more gets the 256 colours that cover the most pixels (frequency first) and every
// other colour is written as its nearest table colour (smallest squared RGB distance); there is
// no dithering, since a calculator's flat areas and thin lines would only gain noise.
//
// One set of tables for the whole program (module-level in palette_table.cpp). Called by the
// AnimationWriter's colour images (gif/colour_images.cpp) and by test and bench drivers:
// paletteMake when a colour recording begins, paletteRelease when it ends. Between the two
// nothing is allocated.
#pragma once

#include <cstdint>

constexpr int kMostColours = 256;

// The table of one image: its colours, in index order.
struct ImagePalette {
    int count = 0;
    std::uint32_t colours[kMostColours] = {};
};

// Tables for images of at most pixelCount pixels (and a few extra colours). False when they
// could not be made; nothing is held then.
bool paletteMake(std::int64_t pixelCount);
void paletteRelease();

// Counts the colours of a width x height rectangle at (left, top) of frame (stride pixels a
// row), plus the extra colours (which count as one pixel each, so that they are always in the
// table), and remembers each pixel's colour. Returns the number of distinct colours.
std::int64_t paletteCount(const std::uint8_t* frame, int stride, int left, int top, int width,
                          int height, const std::uint32_t* extra, int extraCount);

// After paletteCount: true when every colour counted is one of the first count colours of
// table; each then takes its index there.
bool paletteFitsTable(const ImagePalette& table);

// The table later images are first tried against (the recording's global table): kept until
// the next paletteRelease or paletteKeepTable.
void paletteKeepTable(const ImagePalette& table);

// In place of paletteCount and paletteFitsTable, in one pass: true when every pixel of the
// rectangle has a colour of the kept table, each pixel then taking its index there for
// paletteIndexRow; false at the first pixel that has not (count the rectangle then).
bool paletteIndexByKeptTable(const std::uint8_t* frame, int stride, int left, int top, int width,
                             int height);

// After paletteCount: the image's own table into *table, the exact colours when they are 256 or
// fewer (in the order first met), otherwise the frequency-first reduction. Each counted colour
// takes its index in *table. Returns the number of pixels whose colour is not exactly in the
// table (0 when exact).
std::int64_t paletteChoose(ImagePalette* table);

// After paletteIndexByKeptTable, paletteFitsTable or paletteChoose: the table indices of row y (0 =
// the rectangle's top) of the rectangle last counted, written into out (width bytes).
void paletteIndexRow(int y, std::uint8_t* out);

// The index of an extra colour of the last count.
std::uint8_t paletteIndexOfExtra(int extra);
