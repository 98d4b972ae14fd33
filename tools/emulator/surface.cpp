// The stand-in's client-area picture: a top-down 32-bit DIB section drawn by hand.
#include "tools/emulator/surface.h"

namespace {

Layout gLayout;
HBITMAP gBitmap = nullptr;
HDC gMemory = nullptr;
HGDIOBJ gOldBitmap = nullptr;
std::uint32_t* gBits = nullptr;
int gWidth = 0;
int gHeight = 0;

void fillRect(int x, int y, int w, int h, std::uint32_t rgb) {
    for (int row = y; row < y + h; ++row) {
        if (row < 0 || row >= gHeight) {
            continue;
        }
        for (int col = x; col < x + w; ++col) {
            if (col >= 0 && col < gWidth) {
                gBits[row * gWidth + col] = rgb;
            }
        }
    }
}

// A rectangle of the face at scale 1, enlarged with the layout.
void faceRect(int x, int y, int w, int h, std::uint32_t rgb) {
    int s = gLayout.scale;
    fillRect(x * s, y * s, w * s, h * s, rgb);
}

void drawFace() {
    faceRect(0, 0, kFaceWidth, kFaceHeight, 0x3C465A);                         // body
    faceRect(kFaceScreenX - 6, kFaceScreenY - 6, 96 + 12, 64 + 12, 0x9AA0A8);  // bezel
    faceRect(kFaceScreenX - 2, kFaceScreenY - 2, 96 + 4, 64 + 4, 0x202020);    // screen rim
    faceRect(40, 12, 80, 10, 0xD0D0D0);                                        // label strip
    static const std::uint32_t kTopRow[5] = {0xF0C020, 0x3070E0, 0x3070E0, 0x3070E0, 0xE04040};
    for (int row = 0; row < 8; ++row) {
        for (int col = 0; col < 5; ++col) {
            std::uint32_t colour = row == 0 ? kTopRow[col] : (row < 3 ? 0x202428 : 0xC8C8C8);
            faceRect(12 + col * 28, 120 + row * 20, 24, 12, colour);
        }
    }
}

}  // namespace

SIZE layoutClientSize(const Layout& layout) {
    SIZE size;
    if (layout.face) {
        size.cx = kFaceWidth * layout.scale;
        size.cy = kFaceHeight * layout.scale;
    } else {
        size.cx = layout.screenWidth * layout.scale;
        size.cy = layout.screenHeight * layout.scale;
    }
    return size;
}

RECT layoutScreenRect(const Layout& layout) {
    RECT r;
    r.left = layout.face ? kFaceScreenX * layout.scale : 0;
    r.top = layout.face ? kFaceScreenY * layout.scale : 0;
    r.right = r.left + layout.screenWidth * layout.scale;
    r.bottom = r.top + layout.screenHeight * layout.scale;
    return r;
}

bool surfaceCreate(const Layout& layout) {
    gLayout = layout;
    SIZE size = layoutClientSize(layout);
    gWidth = static_cast<int>(size.cx);
    gHeight = static_cast<int>(size.cy);
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = gWidth;
    info.bmiHeader.biHeight = -gHeight;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    gBitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (gBitmap == nullptr) {
        return false;
    }
    gBits = static_cast<std::uint32_t*>(bits);
    gMemory = CreateCompatibleDC(nullptr);
    gOldBitmap = SelectObject(gMemory, gBitmap);
    fillRect(0, 0, gWidth, gHeight, 0xFFFFFF);
    if (layout.face) {
        drawFace();
    }
    GdiFlush();
    return true;
}

void surfaceDestroy() {
    if (gMemory != nullptr) {
        SelectObject(gMemory, gOldBitmap);
        DeleteDC(gMemory);
        gMemory = nullptr;
    }
    if (gBitmap != nullptr) {
        DeleteObject(gBitmap);
        gBitmap = nullptr;
        gBits = nullptr;
    }
}

void surfaceDrawScreen(const std::vector<std::uint32_t>& colours) {
    RECT r = layoutScreenRect(gLayout);
    int s = gLayout.scale;
    GdiFlush();
    std::size_t i = 0;
    for (int y = 0; y < gLayout.screenHeight; ++y) {
        for (int x = 0; x < gLayout.screenWidth; ++x) {
            fillRect(static_cast<int>(r.left) + x * s, static_cast<int>(r.top) + y * s, s, s,
                     colours[i++]);
        }
    }
}

void surfacePaint(HDC dc, const RECT& area) {
    BitBlt(dc, area.left, area.top, area.right - area.left, area.bottom - area.top, gMemory,
           area.left, area.top, SRCCOPY);
}
