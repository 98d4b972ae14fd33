// The stand-in's client-area picture: a top-down 32-bit DIB section drawn by hand. The screen
// (or the whole face) is kept at scale 1 in gBase and enlarged into the DIB on every change.
#include "tools/emulator/surface.h"

#include <algorithm>
#include <cmath>

#include "tools/emulator/resample.h"

namespace {

Layout gLayout;
Picture gBase;  // the face, or the screen, at scale 1
HBITMAP gBitmap = nullptr;
HDC gMemory = nullptr;
HGDIOBJ gOldBitmap = nullptr;
std::uint32_t* gBits = nullptr;
int gWidth = 0;
int gHeight = 0;

int scaled(int length, double scale) {
    return static_cast<int>(std::lround(length * scale));
}

bool fitted(const Layout& l) {
    return l.fitClientWidth > 0;
}

int baseWidth(const Layout& l) {
    if (fitted(l)) {
        return l.screenWidth * l.dotWidth + 2 * kPhotoMargin;
    }
    return l.face ? kFaceWidth : l.screenWidth * l.dotWidth;
}

int baseHeight(const Layout& l) {
    if (fitted(l)) {
        return 2 * l.screenHeight * l.dotHeight + 3 * kPhotoMargin;
    }
    return l.face ? kFaceHeight : l.screenHeight * l.dotHeight;
}

// The fitted photo's factor at the client's size now.
double fitScale(const Layout& l) {
    return std::min(static_cast<double>(l.clientWidth) / baseWidth(l),
                    static_cast<double>(l.clientHeight) / baseHeight(l));
}

// Where the screen lies in the base picture.
int baseScreenX(const Layout& l) {
    return fitted(l) ? kPhotoMargin : (l.face ? kFaceScreenX : 0);
}

int baseScreenY(const Layout& l) {
    return fitted(l) ? kPhotoMargin : (l.face ? kFaceScreenY : 0);
}

void fill(std::uint32_t* bits, int stride, int rows, int x, int y, int w, int h,
          std::uint32_t rgb) {
    for (int row = y; row < y + h; ++row) {
        if (row < 0 || row >= rows) {
            continue;
        }
        for (int col = x; col < x + w; ++col) {
            if (col >= 0 && col < stride) {
                bits[row * stride + col] = rgb;
            }
        }
    }
}

void fillBase(int x, int y, int w, int h, std::uint32_t rgb) {
    fill(gBase.pixels.data(), gBase.width, gBase.height, x, y, w, h, rgb);
}

void fillClient(int x, int y, int w, int h, std::uint32_t rgb) {
    fill(gBits, gWidth, gHeight, x, y, w, h, rgb);
}

void drawFace() {
    fillBase(0, 0, kFaceWidth, kFaceHeight, 0x3C465A);                         // body
    fillBase(kFaceScreenX - 6, kFaceScreenY - 6, 96 + 12, 64 + 12, 0x9AA0A8);  // bezel
    fillBase(kFaceScreenX - 2, kFaceScreenY - 2, 96 + 4, 64 + 4, 0x202020);    // screen rim
    fillBase(40, 12, 80, 10, 0xD0D0D0);                                        // label strip
    static const std::uint32_t kTopRow[5] = {0xF0C020, 0x3070E0, 0x3070E0, 0x3070E0, 0xE04040};
    for (int row = 0; row < 8; ++row) {
        for (int col = 0; col < 5; ++col) {
            std::uint32_t colour = row == 0 ? kTopRow[col] : (row < 3 ? 0x202428 : 0xC8C8C8);
            fillBase(12 + col * 28, 120 + row * 20, 24, 12, colour);
        }
    }
}

// A skin of fixed size: a body, a bezel round the screen and rows of keys below it.
void drawSkin(const RECT& screen) {
    fillClient(0, 0, gWidth, gHeight, 0x2E3440);
    const int left = static_cast<int>(screen.left);
    const int top = static_cast<int>(screen.top);
    const int w = static_cast<int>(screen.right - screen.left);
    const int h = static_cast<int>(screen.bottom - screen.top);
    fillClient(left - 10, top - 10, w + 20, h + 20, 0x8C9098);
    fillClient(left - 3, top - 3, w + 6, h + 6, 0x1A1A1A);
    const int keysTop = top + h + 24;
    for (int y = keysTop; y + 22 <= gHeight - 8; y += 34) {
        for (int x = 16; x + 48 <= gWidth - 8; x += 64) {
            fillClient(x, y, 48, 22, y == keysTop ? 0x4A7FD0 : 0xBFC3C8);
        }
    }
}

// A status bar across the client area under the screen: a rule and a few words' worth of text.
void drawStatusBar(int top) {
    fillClient(0, top, gWidth, gHeight - top, 0xECE9D8);
    fillClient(0, top, gWidth, 1, 0xA0A0A0);
    for (int x = 4; x + 30 <= gWidth - 4 && x < 120; x += 36) {
        fillClient(x, top + 4, 30, gHeight - top - 8 > 2 ? gHeight - top - 8 : 1, 0x404040);
    }
}

// The fitted photo: a body, a bezel round the screen and a keypad below it.
void drawPhoto() {
    const int w = gBase.width;
    const int h = gBase.height;
    const int sw = gLayout.screenWidth * gLayout.dotWidth;
    const int sh = gLayout.screenHeight * gLayout.dotHeight;
    fillBase(0, 0, w, h, 0x3A3F4A);
    fillBase(kPhotoMargin - 8, kPhotoMargin - 8, sw + 16, sh + 16, 0x101010);
    const int keysTop = 2 * kPhotoMargin + sh;
    for (int y = keysTop; y + 10 <= h - 4; y += 18) {
        for (int x = 8; x + 24 <= w - 8; x += 32) {
            fillBase(x, y, 24, 10, y == keysTop ? 0xF0A030 : 0xE8E8E8);
        }
    }
}

void drawPicture() {
    if (fitted(gLayout)) {
        fillClient(0, 0, gWidth, gHeight, kBarColour);
    }
    RECT r = layoutPictureRect(gLayout);
    resample(gBase, gLayout.smooth, gBits, gWidth, static_cast<int>(r.left),
             static_cast<int>(r.top), static_cast<int>(r.right - r.left),
             static_cast<int>(r.bottom - r.top));
}

}  // namespace

const char* layoutProblem(const Layout& l) {
    if (l.screenWidth < 2 || l.screenHeight < 2 || l.screenWidth > 1024 || l.screenHeight > 1024) {
        return "screen size out of range";
    }
    if (l.dotWidth < 1 || l.dotHeight < 1 || l.dotWidth > 16 || l.dotHeight > 16) {
        return "dot size out of range";
    }
    if (!(l.scale > 0 && l.scale <= 16)) {
        return "scale out of range";
    }
    SIZE picture = {scaled(baseWidth(l), l.scale), scaled(baseHeight(l), l.scale)};
    if (picture.cx < 1 || picture.cy < 1) {
        return "the scale leaves no picture";
    }
    if (l.face && (l.screenWidth != 96 || l.screenHeight != 64 || l.dotWidth != 1 ||
                   l.dotHeight != 1 || l.skinWidth != 0 || l.statusBar != 0)) {
        return "--face needs the 96x64 screen of square dots, no skin and no status bar";
    }
    if (l.skinWidth != 0 &&
        (l.statusBar != 0 || l.screenX < 0 || l.screenY < 0 ||
         l.screenX + picture.cx > l.skinWidth || l.screenY + picture.cy > l.skinHeight)) {
        return "the screen does not fit on the skin (or a status bar was asked for too)";
    }
    if (l.statusBar < 0 || l.statusBar > 200) {
        return "status bar out of range";
    }
    if (fitted(l) && (l.face || l.skinWidth != 0 || l.statusBar != 0 || l.scale != 1 ||
                      l.fitClientWidth < baseWidth(l) || l.fitClientHeight < baseHeight(l))) {
        return "--fit wants no face, skin, status bar or scale, and room for the photo";
    }
    SIZE client = layoutClientSize(l);
    if (client.cx > 4096 || client.cy > 4096) {
        return "client area too large";
    }
    return nullptr;
}

SIZE layoutClientSize(const Layout& l) {
    if (fitted(l)) {
        return SIZE{l.fitClientWidth, l.fitClientHeight};
    }
    if (l.skinWidth != 0) {
        return SIZE{l.skinWidth, l.skinHeight};
    }
    RECT r = layoutPictureRect(l);
    return SIZE{r.right, r.bottom + l.statusBar};
}

RECT layoutPictureRect(const Layout& l) {
    RECT r;
    if (fitted(l)) {
        const double s = fitScale(l);
        r.left = static_cast<LONG>(std::lround((l.clientWidth - baseWidth(l) * s) / 2));
        r.top = static_cast<LONG>(std::lround((l.clientHeight - baseHeight(l) * s) / 2));
        r.right = r.left + scaled(baseWidth(l), s);
        r.bottom = r.top + scaled(baseHeight(l), s);
        return r;
    }
    r.left = l.skinWidth != 0 ? l.screenX : 0;
    r.top = l.skinWidth != 0 ? l.screenY : 0;
    r.right = r.left + scaled(baseWidth(l), l.scale);
    r.bottom = r.top + scaled(baseHeight(l), l.scale);
    return r;
}

void layoutScreenPlace(const Layout& l, double place[4]) {
    RECT r = layoutPictureRect(l);
    const double sx = static_cast<double>(r.right - r.left) / baseWidth(l);
    const double sy = static_cast<double>(r.bottom - r.top) / baseHeight(l);
    place[0] = static_cast<double>(r.left) + baseScreenX(l) * sx;
    place[1] = static_cast<double>(r.top) + baseScreenY(l) * sy;
    place[2] = l.screenWidth * l.dotWidth * sx;
    place[3] = l.screenHeight * l.dotHeight * sy;
}

// The gWidth x gHeight 32-bit top-down bitmap the window is drawn from, selected into gMemory.
static bool makeBitmap() {
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
    return true;
}

bool surfaceCreate(const Layout& layout) {
    gLayout = layout;
    SIZE size = layoutClientSize(layout);
    gLayout.clientWidth = static_cast<int>(size.cx);
    gLayout.clientHeight = static_cast<int>(size.cy);
    gWidth = static_cast<int>(size.cx);
    gHeight = static_cast<int>(size.cy);
    if (!makeBitmap()) {
        return false;
    }
    fillClient(0, 0, gWidth, gHeight, 0xFFFFFF);
    RECT picture = layoutPictureRect(layout);
    if (layout.skinWidth != 0) {
        drawSkin(picture);
    }
    if (layout.statusBar != 0) {
        drawStatusBar(static_cast<int>(picture.bottom));
    }
    gBase.width = baseWidth(layout);
    gBase.height = baseHeight(layout);
    gBase.pixels.assign(
        static_cast<std::size_t>(gBase.width) * static_cast<std::size_t>(gBase.height), 0xFFFFFF);
    if (layout.face) {
        drawFace();
        fillBase(kFaceScreenX, kFaceScreenY, 96, 64, 0xFFFFFF);
    }
    if (fitted(layout)) {
        drawPhoto();
        fillBase(kPhotoMargin, kPhotoMargin, layout.screenWidth * layout.dotWidth,
                 layout.screenHeight * layout.dotHeight, 0xFFFFFF);
    }
    drawPicture();
    GdiFlush();
    return true;
}

bool surfaceResize(int width, int height) {
    if (!fitted(gLayout) || width < 1 || height < 1 || width > 4096 || height > 4096) {
        return false;
    }
    if (width == gLayout.clientWidth && height == gLayout.clientHeight && gBitmap != nullptr) {
        return true;
    }
    if (gMemory != nullptr) {
        SelectObject(gMemory, gOldBitmap);
        DeleteDC(gMemory);
        gMemory = nullptr;
    }
    if (gBitmap != nullptr) {
        DeleteObject(gBitmap);
        gBitmap = nullptr;
    }
    gLayout.clientWidth = width;
    gLayout.clientHeight = height;
    gWidth = width;
    gHeight = height;
    if (!makeBitmap()) {
        return false;
    }
    drawPicture();
    GdiFlush();
    return true;
}

const Layout& surfaceLayout() {
    return gLayout;
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
    const int ox = baseScreenX(gLayout);
    const int oy = baseScreenY(gLayout);
    const int dw = gLayout.dotWidth;
    const int dh = gLayout.dotHeight;
    std::size_t i = 0;
    for (int y = 0; y < gLayout.screenHeight; ++y) {
        for (int x = 0; x < gLayout.screenWidth; ++x) {
            fillBase(ox + x * dw, oy + y * dh, dw, dh, colours[i++]);
        }
    }
    GdiFlush();
    drawPicture();
}

void surfacePaint(HDC dc, const RECT& area, int originX, int originY) {
    BitBlt(dc, area.left, area.top, area.right - area.left, area.bottom - area.top, gMemory,
           area.left + originX, area.top + originY, SRCCOPY);
}
