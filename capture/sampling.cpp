// The sampled grab: a 1:1 copy of the source rectangle and index tables that pick each dot's
// centre out of it. The block holds W column offsets, H row offsets (in pixels of the copy) and
// then the copy's 32-bit top-down pixels.
#include "capture/sampling.h"

#include "capture/screen_copy.h"

#include <cstring>

namespace {

struct Copy {
    HBITMAP bitmap = nullptr;
    HGLOBAL block = nullptr;
    BITMAPINFO header = {};  // the copy's pixel-transfer header: the rectangle, 32 bits, top-down
    // What the tables were made for; a copy that failed to be made keeps made false until
    // another fit or size asks again.
    ScreenFit fit;
    std::int64_t clientWidth = -1;
    std::int64_t clientHeight = -1;
    bool made = false;
};
Copy copy;

std::size_t tableBytes(const ScreenShape& shape) {
    return sizeof(std::int32_t) *
           (static_cast<std::size_t>(shape.width) + static_cast<std::size_t>(shape.height));
}

void releaseHeld() {
    if (copy.bitmap != nullptr) {
        DeleteObject(copy.bitmap);
        copy.bitmap = nullptr;
    }
    if (copy.block != nullptr) {
        GlobalFree(copy.block);
        copy.block = nullptr;
    }
    copy.made = false;
}

// Makes (or keeps, at an unchanged rectangle size) the bitmap and the block, then the tables.
bool make(HDC windowContext, const ScreenShape& shape, const ScreenFit& fit,
          std::int64_t clientWidth, std::int64_t clientHeight) {
    const bool sameSize = copy.bitmap != nullptr && copy.block != nullptr &&
                          copy.fit.sourceWidth == fit.sourceWidth &&
                          copy.fit.sourceHeight == fit.sourceHeight;
    copy.fit = fit;
    copy.clientWidth = clientWidth;
    copy.clientHeight = clientHeight;
    if (!sameSize) {
        releaseHeld();
        copy.header = {};
        BITMAPINFOHEADER& header = copy.header.bmiHeader;
        header.biSize = sizeof(BITMAPINFOHEADER);
        header.biWidth = fit.sourceWidth;
        header.biHeight = -fit.sourceHeight;
        header.biPlanes = 1;
        header.biBitCount = 32;
        header.biCompression = BI_RGB;
        const SIZE_T pixelBytes = std::size_t{4} * static_cast<std::size_t>(fit.sourceWidth) *
                                  static_cast<std::size_t>(fit.sourceHeight);
        copy.bitmap = CreateCompatibleBitmap(windowContext, fit.sourceWidth, fit.sourceHeight);
        copy.block = copy.bitmap == nullptr ? nullptr
                                            : GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT,
                                                          tableBytes(shape) + pixelBytes);
        if (copy.block == nullptr) {
            releaseHeld();
            return false;
        }
    }
    auto* tables = static_cast<std::int32_t*>(GlobalLock(copy.block));
    if (tables == nullptr) {
        releaseHeld();
        return false;
    }
    sampleIndices(shape, clientWidth, clientHeight, tables, tables + shape.width);
    // Rows as offsets in pixels of the copy, so that a tick multiplies nothing.
    for (std::int32_t* row = tables + shape.width; row != tables + shape.width + shape.height;
         ++row) {
        *row *= fit.sourceWidth;
    }
    GlobalUnlock(copy.block);
    copy.made = true;
    return true;
}

}  // namespace

bool prepareSampling(HWND screen, const ScreenShape& shape, const ScreenFit& fit,
                     std::int64_t clientWidth, std::int64_t clientHeight) {
    HDC windowContext = GetDC(screen);
    if (windowContext == nullptr) {
        releaseHeld();
        return false;
    }
    const bool made = make(windowContext, shape, fit, clientWidth, clientHeight);
    ReleaseDC(screen, windowContext);
    return made;
}

bool grabSampled(HWND screen, HWND window, const ScreenShape& shape, const ScreenFit& fit,
                 std::int64_t clientWidth, std::int64_t clientHeight, bool fromScreen,
                 std::uint8_t* pixels) {
    const bool current =
        copy.fit == fit && copy.clientWidth == clientWidth && copy.clientHeight == clientHeight;
    if (current && !copy.made) {
        return false;
    }
    HDC windowContext = GetDC(screen);
    if (windowContext == nullptr) {
        return false;
    }
    if (!current && !make(windowContext, shape, fit, clientWidth, clientHeight)) {
        ReleaseDC(screen, windowContext);
        return false;
    }
    HDC memoryContext = CreateCompatibleDC(windowContext);
    SelectObject(memoryContext, copy.bitmap);
    const auto copyFrom = [&](HDC context, int dx, int dy) {
        return BitBlt(memoryContext, 0, 0, fit.sourceWidth, fit.sourceHeight, context,
                      fit.sourceX + dx, fit.sourceY + dy, SRCCOPY) != FALSE;
    };
    bool copied = false;
    if (fromScreen) {
        ReleaseDC(screen, windowContext);
        copied = copyAtScreensPlace(screen, copyFrom);
    } else {
        copied = copyFrom(windowContext, 0, 0);
        ReleaseDC(screen, windowContext);
        if (!copied) {
            copied = copyAtChildsPlace(screen, window, copyFrom);
        }
    }

    // A window hidden while it was copied may have given what lay behind it: no picture.
    copied = copied && IsWindowVisible(screen) != FALSE;

    auto* tables = static_cast<std::int32_t*>(GlobalLock(copy.block));
    bool read = false;
    if (copied && tables != nullptr) {
        const std::int32_t* columns = tables;
        const std::int32_t* rows = tables + shape.width;
        auto* source = reinterpret_cast<std::uint8_t*>(tables + shape.width + shape.height);
        BITMAPINFO header = copy.header;
        read = GetDIBits(memoryContext, copy.bitmap, 0, static_cast<UINT>(fit.sourceHeight), source,
                         &header, DIB_RGB_COLORS) == fit.sourceHeight;
        if (read) {
            std::uint8_t* out = pixels;
            for (std::int32_t y = 0; y < shape.height; ++y) {
                const std::uint8_t* row =
                    source + std::size_t{4} * static_cast<std::size_t>(rows[y]);
                for (std::int32_t x = 0; x < shape.width; ++x, out += 4) {
                    std::memcpy(out, row + std::size_t{4} * static_cast<std::size_t>(columns[x]),
                                4);
                }
            }
        }
    }
    DeleteDC(memoryContext);
    if (tables != nullptr) {
        GlobalUnlock(copy.block);
    }
    return read;
}

void releaseSampling() {
    releaseHeld();
    copy = Copy{};
}
