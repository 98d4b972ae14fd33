// The preview's bitmaps: made from the framed, enlarged picture and from the marked window,
// each handed to its static.
#include "add/preview_show.h"

#include "add/client_picture.h"
#include "add/window_mark.h"

namespace {

HBITMAP shown = nullptr;
HBITMAP markShown = nullptr;
bool inColour = false;

HBITMAP bitmapOf(HWND dialog, const Picture& picture) {
    HDC context = GetDC(dialog);
    if (context == nullptr) {
        return nullptr;
    }
    HBITMAP bitmap = CreateCompatibleBitmap(context, picture.width, picture.height);
    if (bitmap != nullptr) {
        BITMAPINFO header = {};
        header.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
        header.bmiHeader.biWidth = picture.width;
        header.bmiHeader.biHeight = -picture.height;
        header.bmiHeader.biPlanes = 1;
        header.bmiHeader.biBitCount = 32;
        header.bmiHeader.biCompression = BI_RGB;
        if (SetDIBits(context, bitmap, 0, static_cast<UINT>(picture.height), picture.pixels.data(),
                      &header, DIB_RGB_COLORS) != picture.height) {
            DeleteObject(bitmap);
            bitmap = nullptr;
        }
    }
    ReleaseDC(dialog, context);
    return bitmap;
}

// Hands picture to the static `id` in place of *held, which is deleted.
bool hand(HWND dialog, int id, const Picture& picture, HBITMAP* held) {
    HBITMAP bitmap = bitmapOf(dialog, picture);
    if (bitmap == nullptr) {
        return false;
    }
    SendDlgItemMessageA(dialog, id, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(bitmap));
    if (*held != nullptr) {
        DeleteObject(*held);
    }
    *held = bitmap;
    return true;
}

void takeBack(HWND dialog, int id, HBITMAP* held) {
    SendDlgItemMessageA(dialog, id, STM_SETIMAGE, IMAGE_BITMAP, 0);
    if (*held != nullptr) {
        DeleteObject(*held);
        *held = nullptr;
    }
}

}  // namespace

bool showPreview(HWND dialog, int id, HWND source, const ScreenRect& rect, int boxWidth,
                 int boxHeight) {
    Picture client;
    return grabClientPicture(source, &client) &&
           showPreviewOf(dialog, id, client, rect, boxWidth, boxHeight);
}

bool showPreviewOf(HWND dialog, int id, const Picture& client, const ScreenRect& rect, int boxWidth,
                   int boxHeight) {
    const int factor = previewFactor(rect.across, rect.down, boxWidth, boxHeight);
    Picture preview;
    if (inColour) {
        const std::vector<std::uint32_t> colours = recordedColours(client, rect);
        if (colours.empty()) {
            return false;
        }
        preview = framedColourPreview(colours, rect.across, rect.down, factor);
    } else {
        const std::vector<std::uint8_t> levels = recordedLevels(client, rect);
        if (levels.empty()) {
            return false;
        }
        preview = framedPreview(levels, rect.across, rect.down, factor);
    }
    return hand(dialog, id, preview, &shown);
}

bool showWindowMark(HWND dialog, int id, const Picture& client, const ScreenRect& rect,
                    int boxWidth, int boxHeight) {
    const Picture marked = markedWindow(client, rect, boxWidth, boxHeight);
    return marked.width > 0 && hand(dialog, id, marked, &markShown);
}

void setPreviewColours(bool colours) {
    inColour = colours;
}

void releasePreview(HWND dialog, int id) {
    takeBack(dialog, id, &shown);
}

void releaseWindowMark(HWND dialog, int id) {
    takeBack(dialog, id, &markShown);
}
