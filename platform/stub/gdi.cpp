// The stand-in's GDI: window and memory device contexts, 32-bit bitmaps, the stretching copy
// and the read-out of a bitmap's pixels.
//
// A bitmap made compatible with a memory DC that holds no bitmap of its own is monochrome, as
// in Windows: it keeps only white (0xFFFFFF) and black. Shrinking follows the stretch mode:
// BLACKONWHITE (the default) ANDs the dropped pixels in, WHITEONBLACK ORs them, HALFTONE
// averages them and COLORONCOLOR keeps one source pixel per destination pixel.
#include "platform/stub/world.h"

#include <algorithm>
#include <cstdint>
#include <vector>

namespace stub::detail {
namespace {

// The bitmap that a fresh memory DC holds (the stock 1 x 1 monochrome bitmap of Windows).
constexpr std::uintptr_t kStockBitmap = 0x0F00;
constexpr int kBlackOnWhite = 1;
constexpr int kWhiteOnBlack = 2;
constexpr int kHalftone = 4;
// Larger bitmaps fail to be made, as they would for lack of memory.
constexpr long long kMaxBitmapPixels = 1LL << 26;

Dc* findDc(HDC dc) {
    World& w = world();
    const auto found = w.dcs.find(raw(dc));
    return found == w.dcs.end() ? nullptr : &found->second;
}

Bitmap* findBitmap(std::uintptr_t handle) {
    World& w = world();
    const auto found = w.bitmaps.find(handle);
    return found == w.bitmaps.end() ? nullptr : &found->second;
}

std::uint32_t toMono(std::uint32_t rgb) {
    return (rgb & 0xFFFFFFu) == 0xFFFFFFu ? 0xFFFFFFu : 0u;
}

// A source of pixels for StretchBlt: a live window's client area, the screen (what it shows),
// or a bitmap. Pixels outside it read as 0.
struct Source {
    const std::vector<std::uint32_t>* pixels = nullptr;
    int width = 0;
    int height = 0;
    std::uint32_t at(long long x, long long y) const {
        if (pixels == nullptr || x < 0 || y < 0 || x >= width || y >= height) {
            return 0;
        }
        return (*pixels)[static_cast<std::size_t>(y * width + x)];
    }
};

std::uint32_t combine(const Source& source, long long x0, long long x1, long long y0, long long y1,
                      int mode) {
    if (mode != kBlackOnWhite && mode != kWhiteOnBlack && mode != kHalftone) {
        return source.at(x0, y0);
    }
    std::uint32_t anded = 0xFFFFFFu;
    std::uint32_t ored = 0;
    unsigned long long sum[3] = {0, 0, 0};
    unsigned long long count = 0;
    for (long long y = y0; y < y1; ++y) {
        for (long long x = x0; x < x1; ++x) {
            const std::uint32_t p = source.at(x, y);
            anded &= p;
            ored |= p;
            for (unsigned c = 0; c < 3; ++c) {
                sum[c] += (p >> (8 * c)) & 0xFFu;
            }
            ++count;
        }
    }
    if (mode == kBlackOnWhite) {
        return anded;
    }
    if (mode == kWhiteOnBlack) {
        return ored;
    }
    std::uint32_t average = 0;
    for (unsigned c = 0; c < 3; ++c) {
        average |= static_cast<std::uint32_t>(sum[c] / count) << (8 * c);
    }
    return average;
}

// What the screen shows: every visible top-level window at the origin, the first in the
// Z-order on top, each with its visible children at their places over it.
void paintWindow(std::vector<std::uint32_t>& screen, int screenWidth, std::uintptr_t handle,
                 int originX, int originY) {
    const Window* window = liveWindow(handleOf<HWND>(handle));
    if (window == nullptr || !window->visible || window->minimized) {
        return;
    }
    for (int y = 0; y < window->height; ++y) {
        for (int x = 0; x < window->width; ++x) {
            const int sx = originX + x;
            const int sy = originY + y;
            if (sx >= 0 && sy >= 0 && sx < screenWidth &&
                static_cast<std::size_t>(sy) * static_cast<std::size_t>(screenWidth) <
                    screen.size()) {
                screen[static_cast<std::size_t>(sy) * static_cast<std::size_t>(screenWidth) +
                       static_cast<std::size_t>(sx)] =
                    window->pixels[static_cast<std::size_t>(y) *
                                       static_cast<std::size_t>(window->width) +
                                   static_cast<std::size_t>(x)];
            }
        }
    }
    const World& w = world();
    for (auto it = w.windowOrder.rbegin(); it != w.windowOrder.rend(); ++it) {
        const Window* child = liveWindow(handleOf<HWND>(*it));
        if (child != nullptr && child->parent == handle) {
            paintWindow(screen, screenWidth, *it, originX + child->x, originY + child->y);
        }
    }
}

Source screenSource() {
    static std::vector<std::uint32_t> screen;
    const World& w = world();
    int width = 0;
    int height = 0;
    for (const auto& [handle, window] : w.windows) {
        if (!window.destroyed && window.parent == 0 && window.visible) {
            width = std::max(width, window.width);
            height = std::max(height, window.height);
        }
    }
    screen.assign(static_cast<std::size_t>(width) * static_cast<std::size_t>(height), 0);
    for (auto it = w.windowOrder.rbegin(); it != w.windowOrder.rend(); ++it) {
        const Window* window = liveWindow(handleOf<HWND>(*it));
        if (window != nullptr && window->parent == 0) {
            paintWindow(screen, width, *it, 0, 0);
        }
    }
    return Source{&screen, width, height};
}

// Whether a window, or one above it, is drawn by the GPU.
bool drawnByGpu(const Window* window) {
    for (; window != nullptr; window = liveWindow(handleOf<HWND>(window->parent))) {
        if (window->blackCopies) {
            return true;
        }
    }
    return false;
}

std::string objectName(std::uintptr_t handle) {
    if (handle == kStockBitmap) {
        return "stock";
    }
    return findBitmap(handle) != nullptr ? "bitmap" : "?";
}

}  // namespace

// StretchBlt's work, without its log line and count; BitBlt's too, at equal sizes.
BOOL copyBlock(HDC dest, int destX, int destY, int destWidth, int destHeight, HDC source,
               int sourceX, int sourceY, int sourceWidth, int sourceHeight, DWORD rop);

}  // namespace stub::detail

using namespace stub::detail;

HDC WINAPI GetDC(HWND hwnd) {
    log("GetDC " + windowName(hwnd));
    World& w = world();
    if (w.failNextGetDC) {
        w.failNextGetDC = false;
        return nullptr;
    }
    if (hwnd != nullptr && liveWindow(hwnd) == nullptr) {
        return nullptr;
    }
    const std::uintptr_t handle = newHandle();
    Dc dc;
    dc.kind = DcKind::Window;
    dc.window = raw(hwnd);
    w.dcs[handle] = dc;
    return handleOf<HDC>(handle);
}

int WINAPI ReleaseDC(HWND hwnd, HDC dc) {
    log("ReleaseDC " + windowName(hwnd));
    const Dc* found = findDc(dc);
    if (found == nullptr || found->kind != DcKind::Window || found->window != raw(hwnd)) {
        return 0;
    }
    world().dcs.erase(raw(dc));
    return 1;
}

HDC WINAPI CreateCompatibleDC(HDC dc) {
    log("CreateCompatibleDC");
    if (dc != nullptr && findDc(dc) == nullptr) {
        return nullptr;
    }
    const std::uintptr_t handle = newHandle();
    Dc made;
    made.kind = DcKind::Memory;
    made.selected = kStockBitmap;
    world().dcs[handle] = made;
    return handleOf<HDC>(handle);
}

BOOL WINAPI DeleteDC(HDC dc) {
    log("DeleteDC");
    const Dc* found = findDc(dc);
    if (found == nullptr || found->kind != DcKind::Memory) {
        return FALSE;
    }
    if (Bitmap* bitmap = findBitmap(found->selected)) {
        bitmap->selectedInto = 0;
    }
    world().dcs.erase(raw(dc));
    return TRUE;
}

HBITMAP WINAPI CreateCompatibleBitmap(HDC dc, int width, int height) {
    log("CreateCompatibleBitmap " + std::to_string(width) + " " + std::to_string(height));
    World& w = world();
    const Dc* found = findDc(dc);
    if (found == nullptr) {
        return nullptr;
    }
    if (w.failNextBitmap) {
        w.failNextBitmap = false;
        return nullptr;
    }
    if (width < 0 || height < 0 ||
        static_cast<long long>(width) * static_cast<long long>(height) > kMaxBitmapPixels) {
        return nullptr;
    }
    Bitmap bitmap;
    bitmap.mono = false;
    if (found->kind == DcKind::Memory) {
        const Bitmap* selected = findBitmap(found->selected);
        bitmap.mono = selected == nullptr || selected->mono;
    }
    if (width == 0 || height == 0) {
        width = 1;
        height = 1;
        bitmap.mono = true;
    }
    bitmap.width = width;
    bitmap.height = height;
    bitmap.pixels.assign(static_cast<std::size_t>(width) * static_cast<std::size_t>(height), 0);
    const std::uintptr_t handle = newHandle();
    w.bitmaps[handle] = std::move(bitmap);
    return handleOf<HBITMAP>(handle);
}

BOOL WINAPI DeleteObject(HGDIOBJ object) {
    const std::uintptr_t handle = raw(object);
    log("DeleteObject " + objectName(handle));
    if (handle == kStockBitmap) {
        return TRUE;
    }
    const Bitmap* bitmap = findBitmap(handle);
    if (bitmap == nullptr || bitmap->selectedInto != 0) {
        return FALSE;  // unknown, or still selected into a DC
    }
    world().bitmaps.erase(handle);
    return TRUE;
}

HGDIOBJ WINAPI SelectObject(HDC dc, HGDIOBJ object) {
    const std::uintptr_t handle = raw(object);
    log("SelectObject " + objectName(handle));
    Dc* found = findDc(dc);
    if (found == nullptr || found->kind != DcKind::Memory) {
        return nullptr;
    }
    Bitmap* bitmap = findBitmap(handle);
    if (handle != kStockBitmap &&
        (bitmap == nullptr || (bitmap->selectedInto != 0 && bitmap->selectedInto != raw(dc)))) {
        return nullptr;
    }
    const std::uintptr_t previous = found->selected;
    if (Bitmap* old = findBitmap(previous)) {
        old->selectedInto = 0;
    }
    found->selected = handle;
    if (bitmap != nullptr) {
        bitmap->selectedInto = raw(dc);
    }
    return handleOf<HGDIOBJ>(previous);
}

int WINAPI SetStretchBltMode(HDC dc, int mode) {
    log("SetStretchBltMode " + std::to_string(mode));
    Dc* found = findDc(dc);
    if (found == nullptr || mode < kBlackOnWhite || mode > kHalftone) {
        return 0;
    }
    const int previous = found->stretchMode;
    found->stretchMode = mode;
    return previous;
}

BOOL WINAPI StretchBlt(HDC dest, int destX, int destY, int destWidth, int destHeight, HDC source,
                       int sourceX, int sourceY, int sourceWidth, int sourceHeight, DWORD rop) {
    World& w = world();
    ++w.stretchBltCalls;
    log("StretchBlt " + std::to_string(destX) + " " + std::to_string(destY) + " " +
        std::to_string(destWidth) + " " + std::to_string(destHeight) + " " +
        std::to_string(sourceX) + " " + std::to_string(sourceY) + " " +
        std::to_string(sourceWidth) + " " + std::to_string(sourceHeight));
    return copyBlock(dest, destX, destY, destWidth, destHeight, source, sourceX, sourceY,
                     sourceWidth, sourceHeight, rop);
}

// A 1:1 copy: every destination pixel is its one source pixel, whatever the stretch mode.
BOOL WINAPI BitBlt(HDC dest, int destX, int destY, int width, int height, HDC source, int sourceX,
                   int sourceY, DWORD rop) {
    log("BitBlt " + std::to_string(destX) + " " + std::to_string(destY) + " " +
        std::to_string(width) + " " + std::to_string(height) + " " + std::to_string(sourceX) + " " +
        std::to_string(sourceY));
    return copyBlock(dest, destX, destY, width, height, source, sourceX, sourceY, width, height,
                     rop);
}

namespace stub::detail {

BOOL copyBlock(HDC dest, int destX, int destY, int destWidth, int destHeight, HDC source,
               int sourceX, int sourceY, int sourceWidth, int sourceHeight, DWORD rop) {
    if (world().duringNextCopy) {
        const std::function<void()> action = std::move(world().duringNextCopy);
        world().duringNextCopy = nullptr;
        action();
    }
    const Dc* to = findDc(dest);
    const Dc* from = findDc(source);
    if (to == nullptr || from == nullptr || rop != SRCCOPY || destWidth <= 0 || destHeight <= 0 ||
        sourceWidth <= 0 || sourceHeight <= 0) {
        return FALSE;
    }
    Bitmap* target = findBitmap(to->selected);
    if (to->kind != DcKind::Memory || target == nullptr) {
        return FALSE;
    }
    Source src;
    if (from->kind == DcKind::Window) {
        if (from->window != 0) {
            const Window* window = liveWindow(handleOf<HWND>(from->window));
            if (window == nullptr || (window->parent != 0 && world().childCopiesFail)) {
                return FALSE;
            }
            // A window drawn by the GPU gives a copy, all black: a Source without pixels.
            if (!drawnByGpu(window)) {
                src = Source{&window->pixels, window->width, window->height};
            }
        } else {
            src = screenSource();
        }
    } else {
        const Bitmap* bitmap = findBitmap(from->selected);
        if (bitmap == nullptr) {
            return FALSE;
        }
        src = Source{&bitmap->pixels, bitmap->width, bitmap->height};
    }
    // Computed whole before anything is written, so a copy within one bitmap reads the old
    // pixels.
    std::vector<std::uint32_t> block(static_cast<std::size_t>(destWidth) *
                                     static_cast<std::size_t>(destHeight));
    const long long sw = sourceWidth;
    const long long sh = sourceHeight;
    for (long long y = 0; y < destHeight; ++y) {
        const long long y0 = sourceY + y * sh / destHeight;
        const long long y1 = std::max(y0 + 1, sourceY + (y + 1) * sh / destHeight);
        for (long long x = 0; x < destWidth; ++x) {
            const long long x0 = sourceX + x * sw / destWidth;
            const long long x1 = std::max(x0 + 1, sourceX + (x + 1) * sw / destWidth);
            block[static_cast<std::size_t>(y * destWidth + x)] =
                combine(src, x0, x1, y0, y1, to->stretchMode);
        }
    }
    for (long long y = 0; y < destHeight; ++y) {
        const long long ty = destY + y;
        if (ty < 0 || ty >= target->height) {
            continue;
        }
        for (long long x = 0; x < destWidth; ++x) {
            const long long tx = destX + x;
            if (tx < 0 || tx >= target->width) {
                continue;
            }
            const std::uint32_t p = block[static_cast<std::size_t>(y * destWidth + x)];
            target->pixels[static_cast<std::size_t>(ty * target->width + tx)] =
                target->mono ? toMono(p) : p;
        }
    }
    return TRUE;
}

}  // namespace stub::detail

int WINAPI GetDIBits(HDC dc, HBITMAP bitmap, UINT start, UINT lines, LPVOID bits, LPBITMAPINFO info,
                     UINT usage) {
    log("GetDIBits " + std::to_string(start) + " " + std::to_string(lines) +
        (bits == nullptr ? " query" : " copy"));
    World& w = world();
    if (bits != nullptr) {
        w.rowsCopied = 0;
    }
    const Bitmap* from = findBitmap(raw(bitmap));
    if (findDc(dc) == nullptr || from == nullptr || info == nullptr ||
        info->bmiHeader.biSize < sizeof(BITMAPINFOHEADER) || usage != DIB_RGB_COLORS) {
        return 0;
    }
    BITMAPINFOHEADER& header = info->bmiHeader;
    if (bits == nullptr && header.biBitCount == 0) {
        // The bitmap describes itself.
        header.biWidth = from->width;
        header.biHeight = from->height;
        header.biPlanes = 1;
        header.biBitCount = 32;
        header.biCompression = BI_RGB;
        header.biSizeImage = static_cast<DWORD>(4 * from->width * from->height);
        return 1;
    }
    if (header.biWidth <= 0 || header.biHeight == 0 || header.biCompression != BI_RGB) {
        return 0;
    }
    const long long width = header.biWidth;
    const long long height = header.biHeight < 0 ? -static_cast<long long>(header.biHeight)
                                                 : static_cast<long long>(header.biHeight);
    const long long stride = (width * header.biBitCount + 31) / 32 * 4;
    if (bits == nullptr) {
        if (w.shortDibQuery) {
            w.shortDibQuery = false;
            header.biSizeImage = w.shortDibSize;
        } else {
            header.biSizeImage = static_cast<DWORD>(stride * height);
        }
        return 1;
    }
    if (header.biBitCount != 32) {
        return 0;  // the stand-in delivers 32-bit pixels only
    }
    header.biSizeImage = static_cast<DWORD>(stride * height);
    const bool topDown = header.biHeight < 0;
    const long long first = start;
    const long long rows = first >= height ? 0 : std::min<long long>(lines, height - first);
    auto* out = static_cast<BYTE*>(bits);
    for (long long r = 0; r < rows; ++r) {
        const long long line = first + r;
        const long long row = topDown ? line : height - 1 - line;
        for (long long col = 0; col < width; ++col) {
            std::uint32_t p = 0;
            if (row < from->height && col < from->width) {
                p = from->pixels[static_cast<std::size_t>(row * from->width + col)];
            }
            BYTE* at = out + (r * width + col) * 4;
            at[0] = static_cast<BYTE>(p & 0xFF);
            at[1] = static_cast<BYTE>((p >> 8) & 0xFF);
            at[2] = static_cast<BYTE>((p >> 16) & 0xFF);
            at[3] = 0;
        }
    }
    w.rowsCopied = static_cast<int>(rows);
    return static_cast<int>(rows);
}

namespace stub {

void duringNextCopy(std::function<void()> action) {
    world().duringNextCopy = std::move(action);
}

void failCopiesFromChildWindows(bool fail) {
    world().childCopiesFail = fail;
}

void copiesComeBackBlack(HWND window, bool black) {
    if (Window* found = liveWindow(window)) {
        found->blackCopies = black;
    }
}

void failNextGetDC() {
    world().failNextGetDC = true;
}

void failNextCreateCompatibleBitmap() {
    world().failNextBitmap = true;
}

void shortNextDibSizeQuery(DWORD size) {
    World& w = world();
    w.shortDibQuery = true;
    w.shortDibSize = size;
}

int stretchBltCalls() {
    return world().stretchBltCalls;
}

int getDIBitsRowsCopied() {
    return world().rowsCopied;
}

}  // namespace stub
