// Colour images: count the colours of the image, choose its table (global, local exact, or
// local reduced), then hand giflib one row of indices at a time.
#include "gif/colour_images.h"

#include "gif/enlarge.h"
#include "gif/palette_table.h"

#include <cstddef>
#include <new>

namespace {

constexpr int kBorder = 2;
constexpr std::uint32_t kBlack = 0x000000u;  // the outer line of the border
constexpr std::uint32_t kWhite = 0xFFFFFFu;  // the inner line
constexpr std::uint32_t kBorderColours[2] = {kBlack, kWhite};

int frameWidth = 0;
int frameHeight = 0;
std::uint8_t* row = nullptr;  // frameWidth + 4 indices
bool haveGlobal = false;
ImagePalette global;
ImagePalette local;

// What giflib is handed: a table padded with black to a power of two, at least 2 entries.
GifColorType mapColours[kMostColours];
ColorMapObject map = {0, 0, false, mapColours};
GifColorType fallbackColours[2] = {{0, 0, 0}, {255, 255, 255}};
ColorMapObject fallback = {2, 1, false, fallbackColours};

const ColorMapObject* mapOf(const ImagePalette& table) {
    int bits = 1;
    while (bits < 8 && (1 << bits) < table.count) {
        ++bits;
    }
    map.ColorCount = 1 << bits;
    map.BitsPerPixel = bits;
    for (int i = 0; i < kMostColours; ++i) {
        const std::uint32_t colour = i < table.count ? table.colours[i] : 0;
        GifColorType& entry = mapColours[i];
        entry.Red = static_cast<GifByteType>(colour >> 16);
        entry.Green = static_cast<GifByteType>(colour >> 8);
        entry.Blue = static_cast<GifByteType>(colour);
    }
    return &map;
}

bool put(int result) {
    return result != GIF_ERROR;
}

// One row of indices, count wide, enlarged by the writer's factor (gif/enlarge.h) and handed to
// giflib once for every row it stands for.
bool putRow(GifFileType* gif, std::uint8_t* indices, int count) {
    const int scale = enlargeFactor();
    std::uint8_t* out = scale > 1 ? enlargeRow(indices, count) : indices;
    bool ok = true;
    for (int copy = 0; copy < scale; ++copy) {
        ok = ok && put(EGifPutLine(gif, out, count * scale));
    }
    return ok;
}

}  // namespace

bool colourImagesBegin(int width, int height) {
    colourImagesEnd();
    if (width < 1 || height < 1) {
        return false;
    }
    row = new (std::nothrow) std::uint8_t[static_cast<std::size_t>(width) + 2 * kBorder];
    if (row == nullptr || !paletteMake(std::int64_t{width} * height)) {
        colourImagesEnd();
        return false;
    }
    frameWidth = width;
    frameHeight = height;
    return true;
}

void colourImagesEnd() {
    delete[] row;
    row = nullptr;
    paletteRelease();
    frameWidth = 0;
    frameHeight = 0;
    haveGlobal = false;
    global = {};
    local = {};
}

bool colourHasGlobalTable() {
    return haveGlobal;
}

bool putColourImage(GifFileType* gif, const std::uint8_t* frame, bool framed, int left, int top,
                    int right, int bottom, BeforeColourImage before) {
    if (row == nullptr) {
        return false;
    }
    const int width = right - left + 1;
    const int height = bottom - top + 1;

    const ColorMapObject* localMap = nullptr;
    if (!haveGlobal) {
        // The framed image holds the border's black and white too.
        paletteCount(frame, frameWidth, left, top, width, height, kBorderColours, framed ? 2 : 0);
        paletteChoose(&global);
        paletteKeepTable(global);
        haveGlobal = true;
        before(mapOf(global));
    } else {
        // Most changes use colours already in the global table: indexed in one pass. Others,
        // and a framed image (its border's colours are extras of the count), are counted, and
        // get their own table where they need it.
        if (framed || !paletteIndexByKeptTable(frame, frameWidth, left, top, width, height)) {
            paletteCount(frame, frameWidth, left, top, width, height, kBorderColours,
                         framed ? 2 : 0);
            if (!paletteFitsTable(global)) {
                paletteChoose(&local);
                localMap = mapOf(local);
            }
        }
        before(nullptr);
    }

    bool ok = true;
    const int scale = enlargeFactor();
    if (framed) {
        const GifByteType outer = paletteIndexOfExtra(0);
        const GifByteType inner = paletteIndexOfExtra(1);
        const int across = frameWidth + 2 * kBorder;
        ok = put(EGifPutImageDesc(gif, 0, 0, across * scale, (frameHeight + 2 * kBorder) * scale,
                                  false, localMap));
        const auto line = [&](GifByteType ends, GifByteType middle) {
            row[0] = ends;
            for (int x = 1; x < across - 1; ++x) {
                row[x] = middle;
            }
            row[across - 1] = ends;
            ok = ok && putRow(gif, row, across);
        };
        line(outer, outer);
        line(outer, inner);
        for (int y = 0; y < frameHeight; ++y) {
            row[0] = outer;
            row[1] = inner;
            paletteIndexRow(y, row + kBorder);
            row[across - 2] = inner;
            row[across - 1] = outer;
            ok = ok && putRow(gif, row, across);
        }
        line(outer, inner);
        line(outer, outer);
    } else {
        ok = put(EGifPutImageDesc(gif, (left + kBorder) * scale, (top + kBorder) * scale,
                                  width * scale, height * scale, false, localMap));
        for (int y = 0; y < height; ++y) {
            paletteIndexRow(y, row);
            ok = ok && putRow(gif, row, width);
        }
    }
    // giflib keeps its copy of a local table until the next image that has one: an image
    // written without one forgets the copy without freeing it. Freed here, once the image's
    // rows are written (they need only the code size, fixed by the descriptor).
    if (localMap != nullptr && gif->Image.ColorMap != nullptr) {
        GifFreeMapObject(gif->Image.ColorMap);
        gif->Image.ColorMap = nullptr;
    }
    return ok;
}

const ColorMapObject* colourFallbackTable() {
    return &fallback;
}
