// giflib alone; see giflib_alone.h.
#include "bench/giflib_alone.h"

#include <cstddef>
#include <vector>

namespace {

constexpr int kBorder = 2;

}  // namespace

GifFileType* openGiflibAlone(const char* path, std::int16_t width, std::int16_t height) {
    int error = 0;
    GifFileType* file = EGifOpenFileName(path, false, &error);
    if (file == nullptr) {
        return nullptr;
    }
    EGifSetGifVersion(file, true);
    GifColorType colors[16];
    for (int i = 0; i < 16; ++i) {
        const auto value = static_cast<GifByteType>(255 - 17 * i);
        colors[i] = GifColorType{value, value, value};
    }
    ColorMapObject* map = GifMakeMapObject(16, colors);
    EGifPutScreenDesc(file, width + 2 * kBorder, height + 2 * kBorder, 8, 0, map);
    GifFreeMapObject(map);
    EGifPutExtensionLeader(file, 0xFF);
    EGifPutExtensionBlock(file, 11, "NETSCAPE2.0");
    const GifByteType loop[3] = {0x01, 0x00, 0x00};
    EGifPutExtensionBlock(file, 3, loop);
    EGifPutExtensionTrailer(file);
    EGifPutComment(file, "Pixmote v2.0");
    return file;
}

void putDelay(GifFileType* file, std::uint16_t delay) {
    const GifByteType record[4] = {0x04, static_cast<GifByteType>(delay & 0xFF),
                                   static_cast<GifByteType>(delay >> 8), 0x00};
    EGifPutExtension(file, 0xF9, 4, record);
}

void putRegion(GifFileType* file, std::uint8_t* levels, std::int16_t width, Rect rect) {
    const int regionWidth = rect.right - rect.left + 1;
    EGifPutImageDesc(file, rect.left + kBorder, rect.top + kBorder, regionWidth,
                     rect.bottom - rect.top + 1, false, nullptr);
    for (int y = rect.top; y <= rect.bottom; ++y) {
        EGifPutLine(file, levels + y * width + rect.left, regionWidth);
    }
}

void putFramed(GifFileType* file, const std::uint8_t* levels, std::int16_t width,
               std::int16_t height) {
    const int outerWidth = width + 2 * kBorder;
    const int outerHeight = height + 2 * kBorder;
    std::vector<GifPixelType> image(static_cast<std::size_t>(outerWidth * outerHeight), 15);
    for (int y = 1; y < outerHeight - 1; ++y) {
        for (int x = 1; x < outerWidth - 1; ++x) {
            const bool inside =
                x >= kBorder && x < kBorder + width && y >= kBorder && y < kBorder + height;
            image[static_cast<std::size_t>(y * outerWidth + x)] =
                inside ? levels[(y - kBorder) * width + (x - kBorder)] : 0;
        }
    }
    EGifPutImageDesc(file, 0, 0, outerWidth, outerHeight, false, nullptr);
    for (int y = 0; y < outerHeight; ++y) {
        EGifPutLine(file, image.data() + y * outerWidth, outerWidth);
    }
}

void closeGiflibAlone(GifFileType* file) {
    int error = 0;
    EGifCloseFile(file, &error);
}
