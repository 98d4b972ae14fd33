// The preview's bitmap: made from the framed, enlarged picture and handed to the static.
#include "add/preview_show.h"

#include "add/client_picture.h"

namespace {

HBITMAP shown = nullptr;
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

}  // namespace

bool showPreview(HWND dialog, int id, HWND source, const ScreenRect& rect, int boxWidth,
                 int boxHeight) {
    Picture client;
    if (!grabClientPicture(source, &client)) {
        return false;
    }
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
    HBITMAP bitmap = bitmapOf(dialog, preview);
    if (bitmap == nullptr) {
        return false;
    }
    SendDlgItemMessageA(dialog, id, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(bitmap));
    if (shown != nullptr) {
        DeleteObject(shown);
    }
    shown = bitmap;
    return true;
}

void setPreviewColours(bool colours) {
    inColour = colours;
}

void releasePreview(HWND dialog, int id) {
    SendDlgItemMessageA(dialog, id, STM_SETIMAGE, IMAGE_BITMAP, 0);
    if (shown != nullptr) {
        DeleteObject(shown);
        shown = nullptr;
    }
}
