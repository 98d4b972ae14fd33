// The client area copied one to one into a bitmap and read out as 32-bit pixels.
#include "add/client_picture.h"

#include <cstdint>
#include <cstring>
#include <vector>

bool grabClientPicture(HWND window, Picture* picture) {
    RECT client = {};
    if (!GetClientRect(window, &client)) {
        return false;
    }
    const int width = static_cast<int>(client.right - client.left);
    const int height = static_cast<int>(client.bottom - client.top);
    if (width <= 0 || height <= 0) {
        return false;
    }
    HDC windowContext = GetDC(window);
    if (windowContext == nullptr) {
        return false;
    }
    HDC memoryContext = CreateCompatibleDC(windowContext);
    HBITMAP bitmap = CreateCompatibleBitmap(windowContext, width, height);
    bool copied = false;
    if (memoryContext != nullptr && bitmap != nullptr) {
        HGDIOBJ previous = SelectObject(memoryContext, bitmap);
        SetStretchBltMode(memoryContext, COLORONCOLOR);
        copied = StretchBlt(memoryContext, 0, 0, width, height, windowContext, 0, 0, width, height,
                            SRCCOPY) != FALSE;
        SelectObject(memoryContext, previous);
    }
    ReleaseDC(window, windowContext);

    std::vector<std::uint32_t> pixels(static_cast<std::size_t>(width) *
                                      static_cast<std::size_t>(height));
    if (copied) {
        BITMAPINFO header = {};
        header.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
        header.bmiHeader.biWidth = width;
        header.bmiHeader.biHeight = -height;
        header.bmiHeader.biPlanes = 1;
        header.bmiHeader.biBitCount = 32;
        header.bmiHeader.biCompression = BI_RGB;
        copied = GetDIBits(memoryContext, bitmap, 0, static_cast<UINT>(height), pixels.data(),
                           &header, DIB_RGB_COLORS) == height;
    }
    if (memoryContext != nullptr) {
        DeleteDC(memoryContext);
    }
    if (bitmap != nullptr) {
        DeleteObject(bitmap);
    }
    if (!copied) {
        return false;
    }
    picture->width = width;
    picture->height = height;
    // Blue, green, red, reserved: the reserved byte is not part of the colour.
    for (std::uint32_t& p : pixels) {
        p &= 0x00FFFFFFu;
    }
    picture->pixels = std::move(pixels);
    return true;
}
