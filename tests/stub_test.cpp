// The stand-in's own semantics where the program's tests depend on a detail: registry limits
// and enumeration, the shrinking copy, the pixel read-out, global memory and window lookup.
#include "platform/stub/stub.h"
#include "tests/support/stub_fixture.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace {

using StubRegistryTest = StubTest;
using StubGdiTest = StubTest;
using StubMemoryTest = StubTest;
using StubWindowTest = StubTest;

HKEY openKey(HKEY parent, const char* name, REGSAM access = KEY_READ) {
    HKEY key = nullptr;
    EXPECT_EQ(RegOpenKeyExA(parent, name, 0, access, &key), ERROR_SUCCESS) << name;
    return key;
}

TEST_F(StubRegistryTest, StringValuesFitOnlyWithTheirNul) {
    stub::regSetString("Software\\Pixmote", "", std::string(63, 'a'));
    stub::regSetString("Software\\Pixmote", "Caption", std::string(64, 'b'));
    HKEY key = openKey(HKEY_CURRENT_USER, "software\\PIXMOTE");

    char buffer[64];
    DWORD type = REG_NONE;
    DWORD size = sizeof buffer;
    ASSERT_EQ(
        RegQueryValueExA(key, nullptr, nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size),
        ERROR_SUCCESS);
    EXPECT_EQ(type, REG_SZ);
    EXPECT_EQ(size, 64u);
    EXPECT_EQ(std::string(buffer), std::string(63, 'a'));

    size = sizeof buffer;
    std::memset(buffer, 'x', sizeof buffer);
    EXPECT_EQ(
        RegQueryValueExA(key, "CAPTION", nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size),
        ERROR_MORE_DATA);
    EXPECT_EQ(size, 65u);
    EXPECT_EQ(buffer[0], 'x');

    size = sizeof buffer;
    EXPECT_EQ(RegQueryValueExA(key, "CX", nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size),
              ERROR_FILE_NOT_FOUND);

    // A key opened for reading only cannot be written.
    const BYTE data[] = "x";
    EXPECT_EQ(RegSetValueExA(key, nullptr, 0, REG_SZ, data, 2), ERROR_ACCESS_DENIED);
    EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS);
    EXPECT_EQ(RegCloseKey(key), ERROR_INVALID_HANDLE);
    expectNothingHeld();
}

TEST_F(StubRegistryTest, SubkeysEnumerateInCreationOrderUntilANameDoesNotFit) {
    stub::regCreateKey("Software\\Pixmote\\Zeta");
    stub::regCreateKey("Software\\Pixmote\\alpha");
    stub::regCreateKey("Software\\Pixmote\\ZETA\\Profile");  // the same group again
    stub::regCreateKey("Software\\Pixmote\\" + std::string(63, 'm'));
    stub::regCreateKey("Software\\Pixmote\\" + std::string(64, 'n'));
    stub::regCreateKey("Software\\Pixmote\\Last");
    HKEY key = openKey(HKEY_CURRENT_USER, "Software\\Pixmote");

    std::vector<std::string> names;
    std::vector<LSTATUS> results;
    for (DWORD index = 0; index < 6; ++index) {
        char name[64];
        DWORD length = sizeof name;
        const LSTATUS status =
            RegEnumKeyExA(key, index, name, &length, nullptr, nullptr, nullptr, nullptr);
        results.push_back(status);
        if (status == ERROR_SUCCESS) {
            EXPECT_EQ(length, std::strlen(name));
            names.emplace_back(name);
        } else {
            EXPECT_EQ(length, 64u);
        }
    }
    EXPECT_EQ(names, (std::vector<std::string>{"Zeta", "alpha", std::string(63, 'm'), "Last"}));
    EXPECT_EQ(results, (std::vector<LSTATUS>{ERROR_SUCCESS, ERROR_SUCCESS, ERROR_SUCCESS,
                                             ERROR_MORE_DATA, ERROR_SUCCESS, ERROR_NO_MORE_ITEMS}));
    RegCloseKey(key);
    expectNothingHeld();
}

TEST_F(StubRegistryTest, OpeningFailsForMissingAndRefusedKeysAndLogsLeafNames) {
    stub::regCreateKey("Software\\Pixmote\\Group");
    stub::regRefuseOpen("SOFTWARE\\pixmote\\group");
    HKEY software = openKey(HKEY_CURRENT_USER, "Software");
    HKEY key = reinterpret_cast<HKEY>(1);
    EXPECT_EQ(RegOpenKeyExA(software, "Missing", 0, KEY_READ, &key), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(key, nullptr);
    HKEY program = openKey(software, "Pixmote");
    EXPECT_EQ(RegOpenKeyExA(program, "Group", 0, KEY_READ, &key), ERROR_ACCESS_DENIED);
    EXPECT_EQ(stub::held().keys, 2);
    RegCloseKey(program);
    RegCloseKey(software);
    EXPECT_EQ(stub::calls(),
              (std::vector<std::string>{"RegOpenKeyExA Software", "RegOpenKeyExA Missing",
                                        "RegOpenKeyExA Pixmote", "RegOpenKeyExA Group",
                                        "RegCloseKey Pixmote", "RegCloseKey Software"}));
    expectNothingHeld();
}

TEST_F(StubRegistryTest, DeletingAValueNeedsTheRightToSetOneAndFindsItWithoutCase) {
    const std::string path = "Software\\Pixmote\\Added\\Calc";
    stub::regSetDword(path, "AnyScale", 1);
    stub::regSetDword(path, "CX", 96);
    HKEY reading = openKey(HKEY_CURRENT_USER, path.c_str());
    EXPECT_EQ(RegDeleteValueA(reading, "AnyScale"), ERROR_ACCESS_DENIED);
    HKEY writing = openKey(HKEY_CURRENT_USER, path.c_str(), KEY_WRITE);
    EXPECT_EQ(RegDeleteValueA(writing, "anyscale"), ERROR_SUCCESS);
    EXPECT_EQ(RegDeleteValueA(writing, "AnyScale"), ERROR_FILE_NOT_FOUND);
    EXPECT_FALSE(stub::regHasValue(path, "AnyScale"));
    EXPECT_TRUE(stub::regHasValue(path, "CX"));
    stub::regRefuseWrite("Software\\Pixmote\\Added");
    EXPECT_EQ(RegDeleteValueA(writing, "CX"), ERROR_ACCESS_DENIED);
    EXPECT_TRUE(stub::regHasValue(path, "CX"));
    RegCloseKey(writing);
    RegCloseKey(reading);
    EXPECT_EQ(countCalls("RegDeleteValueA"), 4);
    expectNothingHeld();
}

// Pixels whose value tells where they came from: 0x00YYYXXX.
HWND numberedWindow(int width, int height) {
    const HWND window = stub::addWindow("CalcStandIn", "Calculator Stand-In", width, height);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            stub::setPixel(window, x, y, static_cast<std::uint32_t>(y << 12 | x));
        }
    }
    return window;
}

// The grab of the program: a W x H bitmap filled by StretchBlt from the window, read back as
// 32-bit top-down pixels (0x00RRGGBB again).
std::vector<std::uint32_t> grab(HWND window, int width, int height, int sx, int sy, int sw, int sh,
                                int mode, BOOL* copied) {
    HDC windowDc = GetDC(window);
    HBITMAP bitmap = CreateCompatibleBitmap(windowDc, width, height);
    HDC memoryDc = CreateCompatibleDC(windowDc);
    HGDIOBJ stock = SelectObject(memoryDc, bitmap);
    EXPECT_NE(stock, nullptr);
    SetStretchBltMode(memoryDc, mode);
    *copied = StretchBlt(memoryDc, 0, 0, width, height, windowDc, sx, sy, sw, sh, SRCCOPY);
    ReleaseDC(window, windowDc);

    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    std::vector<BYTE> bytes(static_cast<std::size_t>(4 * width * height));
    EXPECT_EQ(GetDIBits(memoryDc, bitmap, 0, static_cast<UINT>(height), bytes.data(), &info,
                        DIB_RGB_COLORS),
              height);
    EXPECT_EQ(DeleteObject(bitmap), FALSE);  // still selected
    DeleteDC(memoryDc);
    EXPECT_EQ(DeleteObject(bitmap), TRUE);
    std::vector<std::uint32_t> pixels(static_cast<std::size_t>(width * height));
    for (std::size_t i = 0; i < pixels.size(); ++i) {
        pixels[i] = static_cast<std::uint32_t>(bytes[4 * i + 2] << 16 | bytes[4 * i + 1] << 8 |
                                               bytes[4 * i]);
        EXPECT_EQ(bytes[4 * i + 3], 0);
    }
    return pixels;
}

TEST_F(StubGdiTest, ColorOnColorShrinkKeepsOneSourcePixelPerWholeFactor) {
    const HWND window = numberedWindow(300, 128);
    BOOL copied = FALSE;
    // Three times across, twice down, from (12, 0).
    const auto pixels = grab(window, 96, 64, 12, 0, 288, 128, COLORONCOLOR, &copied);
    ASSERT_TRUE(copied);
    for (int y = 0; y < 64; ++y) {
        for (int x = 0; x < 96; ++x) {
            ASSERT_EQ(pixels[static_cast<std::size_t>(y * 96 + x)],
                      stub::pixel(window, 12 + 3 * x, 2 * y))
                << x << "," << y;
        }
    }
    EXPECT_EQ(stub::stretchBltCalls(), 1);
    expectNothingHeld();
}

TEST_F(StubGdiTest, CopiesWithoutColorOnColorBeyondTheWindowOrFromAGoneWindowDiffer) {
    const HWND window = numberedWindow(4, 4);
    stub::fillRect(window, 0, 0, 4, 4, 0xFFFFFF);
    stub::setPixel(window, 1, 1, 0x123456);
    BOOL copied = FALSE;
    // BLACKONWHITE (the default) ANDs the dropped pixels into the kept one.
    auto pixels = grab(window, 2, 2, 0, 0, 4, 4, 1, &copied);
    EXPECT_EQ(pixels, (std::vector<std::uint32_t>{0x123456, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF}));
    // Beyond the client area the source reads as 0.
    pixels = grab(window, 2, 2, 3, 3, 2, 2, COLORONCOLOR, &copied);
    EXPECT_EQ(pixels, (std::vector<std::uint32_t>{0xFFFFFF, 0, 0, 0}));

    // A destroyed window copies nothing: the bitmap keeps what the last copy put there.
    HDC windowDc = GetDC(window);
    HBITMAP bitmap = CreateCompatibleBitmap(windowDc, 4, 4);
    HDC memoryDc = CreateCompatibleDC(windowDc);
    SelectObject(memoryDc, bitmap);
    ASSERT_TRUE(StretchBlt(memoryDc, 0, 0, 4, 4, windowDc, 0, 0, 4, 4, SRCCOPY));
    stub::destroyWindow(window);
    EXPECT_FALSE(StretchBlt(memoryDc, 0, 0, 4, 4, windowDc, 0, 0, 4, 4, SRCCOPY));
    EXPECT_EQ(GetDC(window), nullptr);
    BITMAPINFO info = {};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), 4, -4, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    std::vector<BYTE> bytes(4 * 16);
    GetDIBits(memoryDc, bitmap, 0, 4, bytes.data(), &info, DIB_RGB_COLORS);
    EXPECT_EQ(bytes[4 * 5], 0x56);  // blue of (1, 1)
    EXPECT_EQ(bytes[4 * 4], 0xFF);  // blue of (0, 1)
    ReleaseDC(window, windowDc);
    DeleteDC(memoryDc);
    DeleteObject(bitmap);
    expectNothingHeld();
}

TEST_F(StubGdiTest, GetDIBitsReportsTheSizeAndCopiesOnlyTheRowsAsked) {
    const HWND window = numberedWindow(3, 200);
    HDC windowDc = GetDC(window);
    HBITMAP bitmap = CreateCompatibleBitmap(windowDc, 3, 200);
    HDC memoryDc = CreateCompatibleDC(windowDc);
    SelectObject(memoryDc, bitmap);
    SetStretchBltMode(memoryDc, COLORONCOLOR);
    StretchBlt(memoryDc, 0, 0, 3, 200, windowDc, 0, 0, 3, 200, SRCCOPY);

    BITMAPINFO info = {};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), 3, -200, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    EXPECT_NE(GetDIBits(windowDc, bitmap, 0, 128, nullptr, &info, DIB_RGB_COLORS), 0);
    EXPECT_EQ(info.bmiHeader.biSizeImage, 4u * 3u * 200u);
    stub::shortNextDibSizeQuery(10);
    GetDIBits(windowDc, bitmap, 0, 128, nullptr, &info, DIB_RGB_COLORS);
    EXPECT_EQ(info.bmiHeader.biSizeImage, 10u);

    // 128 of 200 rows, top-down: row r lands at r; nothing beyond row 127 is written.
    std::vector<BYTE> bytes(4 * 3 * 200, 0xAB);
    EXPECT_EQ(GetDIBits(memoryDc, bitmap, 0, 128, bytes.data(), &info, DIB_RGB_COLORS), 128);
    EXPECT_EQ(stub::getDIBitsRowsCopied(), 128);
    const auto greenAt = [&](int row, int col) {
        return bytes[static_cast<std::size_t>(4 * (row * 3 + col) + 1)];
    };
    EXPECT_EQ(greenAt(0, 2), 0);
    EXPECT_EQ(greenAt(127, 2), (127 << 4) & 0xF0);
    EXPECT_EQ(bytes[4 * 3 * 127 + 2], (127 >> 4) & 0xFF);  // red: y >> 4
    EXPECT_EQ(greenAt(128, 0), 0xAB);

    // Asking past the end delivers only what is there; bottom-up starts at the last row.
    info.bmiHeader.biHeight = 200;
    std::fill(bytes.begin(), bytes.end(), BYTE{0xAB});
    EXPECT_EQ(GetDIBits(memoryDc, bitmap, 190, 128, bytes.data(), &info, DIB_RGB_COLORS), 10);
    EXPECT_EQ(bytes[2], 9 >> 4);  // DIB line 190 is bitmap row 9
    EXPECT_EQ(greenAt(0, 0), (9 << 4) & 0xF0);
    EXPECT_EQ(greenAt(10, 0), 0xAB);

    ReleaseDC(window, windowDc);
    DeleteDC(memoryDc);
    DeleteObject(bitmap);
    expectNothingHeld();
}

TEST_F(StubMemoryTest, MovableBlocksAreZeroFilledHandlesWithLockCounts) {
    stub::failGlobalAllocAfter(2);
    HGLOBAL first = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, 100);
    HGLOBAL second = GlobalAlloc(GMEM_MOVEABLE, 8);
    EXPECT_EQ(GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, 1), nullptr);
    EXPECT_EQ(GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, 1), nullptr);
    ASSERT_NE(first, nullptr);
    ASSERT_NE(second, nullptr);

    auto* bytes = static_cast<BYTE*>(GlobalLock(first));
    ASSERT_NE(bytes, nullptr);
    EXPECT_NE(static_cast<void*>(bytes), static_cast<void*>(first));
    EXPECT_EQ(std::vector<BYTE>(bytes, bytes + 100), std::vector<BYTE>(100, 0));
    EXPECT_EQ(GlobalLock(first), bytes);
    EXPECT_EQ(stub::held().globalLocks, 2);
    EXPECT_TRUE(GlobalUnlock(first));   // still locked once
    EXPECT_FALSE(GlobalUnlock(first));  // now unlocked
    EXPECT_FALSE(GlobalUnlock(first));  // was not locked
    EXPECT_EQ(stub::held().globalLocks, 0);
    EXPECT_EQ(stub::held().globalBlocks, 2);

    EXPECT_EQ(GlobalFree(second), nullptr);
    EXPECT_EQ(GlobalFree(first), nullptr);
    EXPECT_EQ(GlobalFree(first), first);
    EXPECT_EQ(countCalls("GlobalFree 2"), 1);
    EXPECT_EQ(countCalls("GlobalFree 1"), 1);
    expectNothingHeld();
}

TEST_F(StubWindowTest, FindWindowComparesWholeNamesWithoutCase) {
    const HWND calc = stub::addWindow("CalcStandIn", "Calculator Stand-In", 96, 64);
    const HWND untitled = stub::addWindow("CalcStandIn", "", 96, 64);
    EXPECT_EQ(FindWindowA("calcstandin", "CALCULATOR STAND-IN"), calc);
    EXPECT_EQ(FindWindowA("CalcStandIn", "Calculator Stand"), nullptr);
    EXPECT_EQ(FindWindowA("CalcStand", "Calculator Stand-In"), nullptr);
    EXPECT_EQ(FindWindowA("CalcStandIn", ""), untitled);

    RECT rect = {1, 1, 1, 1};
    ASSERT_TRUE(GetClientRect(calc, &rect));
    EXPECT_EQ(rect.left, 0);
    EXPECT_EQ(rect.right, 96);
    EXPECT_EQ(rect.bottom, 64);

    stub::destroyWindow(calc);
    EXPECT_EQ(FindWindowA("CalcStandIn", "Calculator Stand-In"), nullptr);
    EXPECT_FALSE(GetClientRect(calc, &rect));
}

using StubMessageTest = StubTest;

std::vector<UINT> seen;

INT_PTR CALLBACK recordingProc(HWND, UINT message, WPARAM, LPARAM) {
    seen.push_back(message);
    if (message == WM_CLOSE) {
        PostQuitMessage(3);
    }
    return TRUE;
}

TEST_F(StubMessageTest, LoopDeliversWhatWasQueuedBeforeTheQuitThenNeverWaits) {
    seen.clear();
    const HWND dialog =
        CreateDialogParamA(stub::programInstance(), "PIXMOTE", nullptr, recordingProc, 0);
    ASSERT_EQ(dialog, stub::dialog());
    EXPECT_FALSE(stub::dialogVisible());
    stub::post(WM_TIMER, 1);
    stub::post(WM_CLOSE);
    stub::post(WM_USER);  // queued before the quit that WM_CLOSE posts

    MSG msg = {};
    int got = 0;
    while ((got = GetMessageA(&msg, dialog, 0, 0)) > 0) {
        DispatchMessageA(&msg);
    }
    EXPECT_EQ(got, 0);
    EXPECT_EQ(msg.wParam, 3u);
    EXPECT_EQ(seen, (std::vector<UINT>{WM_INITDIALOG, WM_TIMER, WM_CLOSE, WM_USER}));
    EXPECT_EQ(GetMessageA(&msg, dialog, 0, 0), -1);
    EXPECT_EQ(stub::quitCode(), 3);
}

}  // namespace
