// The colour replay: giflib's whole-file decoder, then each image drawn with its own table.
#include "tests/support/colour_replay.h"

#include "tests/support/gif_replay.h"

#include <algorithm>
#include <cstring>

#include <gif_lib.h>

namespace {

struct Source {
    const std::vector<std::uint8_t>* bytes;
    std::size_t at;
};

int readBytes(GifFileType* gif, GifByteType* out, int count) {
    auto* source = static_cast<Source*>(gif->UserData);
    const std::size_t left = source->bytes->size() - source->at;
    const std::size_t n = std::min(left, static_cast<std::size_t>(count));
    std::memcpy(out, source->bytes->data() + source->at, n);
    source->at += n;
    return static_cast<int>(n);
}

}  // namespace

ColourReplay replayColourGif(const std::string& path) {
    return replayColourBytes(readFileBytes(path));
}

ColourReplay replayColourBytes(const std::vector<std::uint8_t>& bytes) {
    ColourReplay replay;
    int error = 0;
    Source source{&bytes, 0};
    GifFileType* gif = DGifOpen(&source, readBytes, &error);
    if (gif == nullptr) {
        replay.error = "DGifOpen: " + std::string(GifErrorString(error));
        return replay;
    }
    if (DGifSlurp(gif) != GIF_OK) {
        replay.error = "DGifSlurp: " + std::string(GifErrorString(gif->Error));
        DGifCloseFile(gif, &error);
        return replay;
    }
    replay.globalSize = gif->SColorMap != nullptr ? gif->SColorMap->ColorCount : 0;
    RgbPicture canvas(gif->SWidth, gif->SHeight);
    for (int i = 0; i < gif->ImageCount; ++i) {
        const SavedImage& image = gif->SavedImages[i];
        const GifImageDesc& desc = image.ImageDesc;
        ShownColour shown;
        GraphicsControlBlock control;
        if (DGifSavedExtensionToGCB(gif, i, &control) == GIF_OK) {
            shown.delay = static_cast<std::uint16_t>(control.DelayTime);
        }
        const ColorMapObject* map = desc.ColorMap != nullptr ? desc.ColorMap : gif->SColorMap;
        shown.localTable = desc.ColorMap != nullptr;
        shown.tableSize = map != nullptr ? map->ColorCount : 0;
        shown.left = desc.Left;
        shown.top = desc.Top;
        shown.width = desc.Width;
        shown.height = desc.Height;
        for (int y = 0; y < desc.Height; ++y) {
            for (int x = 0; x < desc.Width; ++x) {
                const int cx = desc.Left + x;
                const int cy = desc.Top + y;
                if (cx >= canvas.width || cy >= canvas.height || map == nullptr) {
                    continue;
                }
                const int index = image.RasterBits[y * desc.Width + x];
                if (index >= map->ColorCount) {
                    replay.error = "index beyond the table in image " + std::to_string(i);
                    DGifCloseFile(gif, &error);
                    return replay;
                }
                const GifColorType c = map->Colors[index];
                canvas(cx, cy) = (std::uint32_t{c.Red} << 16) | (std::uint32_t{c.Green} << 8) |
                                 std::uint32_t{c.Blue};
            }
        }
        shown.canvas = canvas;
        replay.shown.push_back(std::move(shown));
    }
    DGifCloseFile(gif, &error);
    replay.ok = true;
    return replay;
}

RgbPicture insideBorder(const RgbPicture& picture, int border) {
    RgbPicture inside(picture.width - 2 * border, picture.height - 2 * border);
    for (int y = 0; y < inside.height; ++y) {
        for (int x = 0; x < inside.width; ++x) {
            inside(x, y) = picture(x + border, y + border);
        }
    }
    return inside;
}

bool hasColourBorder(const RgbPicture& p) {
    for (int y = 0; y < p.height; ++y) {
        for (int x = 0; x < p.width; ++x) {
            const int ring = std::min(std::min(x, y), std::min(p.width - 1 - x, p.height - 1 - y));
            if ((ring == 0 && p(x, y) != 0) || (ring == 1 && p(x, y) != 0xFFFFFF)) {
                return false;
            }
        }
    }
    return true;
}
