// Text extents in the settings dialog. A font handle cannot cross processes, so the dialog's
// font is made again as the dialog manager makes it from the template (8-point "MS Sans Serif"
// at the display's DPI), and checked to be that font: its dialog base units (the average width
// of the letters and the height, as the dialog manager computes them) must give the controls
// the pixel sizes they have.
#include "tools/driver/texts.h"

#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "tools/driver/find.h"

namespace {

constexpr int kPointSize = 8;
const char kFace[] = "MS Sans Serif";
// The widest and highest controls of the template (dialog units) used to read the base units
// back: the banner "Pixmote v2.0" (259 x 20) and the message group box (188 x 73).
constexpr int kBannerWidthDu = 259;
constexpr int kGroupHeightDu = 73;

struct Measured {
    int width;
    int height;
};

Measured measure(HDC dc, const std::string& text, int width, UINT format) {
    RECT r = {0, 0, width, 0};
    DrawTextA(dc, text.c_str(), -1, &r, format | DT_CALCRECT);
    return {r.right - r.left, r.bottom - r.top};
}

bool hasStyle(LONG style, LONG bits) {
    return (style & bits) == bits;
}

}  // namespace

int dialogTexts() {
    HWND dialog = waitFor([] {
        HWND d = findSettingsDialog();
        return d != nullptr && IsWindowVisible(d) ? d : nullptr;
    });
    if (dialog == nullptr) {
        std::printf("FAIL the settings dialog is not visible\n");
        return 1;
    }
    HDC dc = GetDC(dialog);
    const int dpi = GetDeviceCaps(dc, LOGPIXELSY);
    HFONT font = CreateFontA(-MulDiv(kPointSize, dpi, 72), 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE,
                             DEFAULT_CHARSET, 0, 0, PROOF_QUALITY, FF_DONTCARE, kFace);
    HGDIOBJ old = SelectObject(dc, font);
    // The dialog manager's base units of this font.
    SIZE letters = {};
    GetTextExtentPoint32A(dc, "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz", 52, &letters);
    TEXTMETRICA metrics = {};
    GetTextMetricsA(dc, &metrics);
    const int baseX = (letters.cx / 26 + 1) / 2;
    const int baseY = metrics.tmHeight;
    int failures = 0;

    // Which control is which: the banner is the sunken centred static, the message group the
    // group box "&Embedded Message".
    int bannerWidth = 0;
    int groupHeight = 0;
    std::vector<HWND> children;
    for (HWND c = GetWindow(dialog, GW_CHILD); c != nullptr; c = GetWindow(c, GW_HWNDNEXT)) {
        children.push_back(c);
    }
    for (HWND c : children) {
        RECT r = {};
        GetWindowRect(c, &r);
        const LONG style = GetWindowLongA(c, GWL_STYLE);
        const std::string kind = className(c);
        if (kind == "Static" && hasStyle(style, SS_SUNKEN)) {
            bannerWidth = r.right - r.left;
        } else if (kind == "Button" && (style & 0xF) == BS_GROUPBOX &&
                   windowText(c) == "&Embedded Message") {
            groupHeight = r.bottom - r.top;
        }
    }
    const int expectWidth = MulDiv(kBannerWidthDu, baseX, 4);
    const int expectHeight = MulDiv(kGroupHeightDu, baseY, 8);
    const bool sameFont =
        std::abs(bannerWidth - expectWidth) <= 1 && std::abs(groupHeight - expectHeight) <= 1;
    std::printf(
        "%s font %d dpi, base units %d x %d: banner %d px (%d expected), group %d px "
        "(%d expected)\n",
        sameFont ? "ok" : "FAIL", dpi, baseX, baseY, bannerWidth, expectWidth, groupHeight,
        expectHeight);
    failures += sameFont ? 0 : 1;

    const int check = GetSystemMetrics(SM_CXMENUCHECK);
    for (HWND c : children) {
        const std::string text = windowText(c);
        const std::string kind = className(c);
        const LONG style = GetWindowLongA(c, GWL_STYLE);
        const int id = GetDlgCtrlID(c);
        RECT client = {};
        GetClientRect(c, &client);
        const int width = client.right;
        const int height = client.bottom;
        if (text.empty() || !IsWindowVisible(c)) {
            continue;
        }
        int roomWidth = width;
        int roomHeight = height;
        Measured need = {0, 0};
        if (kind == "Static") {
            if ((style & SS_TYPEMASK) == SS_ICON) {
                continue;
            }
            const UINT align = (style & SS_TYPEMASK) == SS_CENTER ? DT_CENTER : DT_LEFT;
            need = measure(dc, text, width, DT_WORDBREAK | DT_EXPANDTABS | align);
        } else if (kind == "Button") {
            const LONG type = style & 0xF;
            need = measure(dc, text, width, DT_SINGLELINE);
            if (type == BS_GROUPBOX) {
                roomWidth = width - 2 * baseX;  // the frame's corner and a space each side
                roomHeight = height;
            } else if (type == BS_AUTORADIOBUTTON || type == BS_AUTOCHECKBOX ||
                       type == BS_RADIOBUTTON || type == BS_CHECKBOX) {
                roomWidth = width - check - 4;  // the box or circle and the gap after it
            } else {
                roomWidth = width - 4;  // the button's edges
            }
        } else {
            continue;  // edit and hotkey boxes hold what is typed, not a text of the template
        }
        const bool fits = need.width <= roomWidth && need.height <= roomHeight;
        failures += fits ? 0 : 1;
        std::printf("%s %d %s \"%s\": needs %d x %d, has %d x %d\n", fits ? "ok" : "FAIL", id,
                    kind.c_str(), text.c_str(), need.width, need.height, roomWidth, roomHeight);
    }
    SelectObject(dc, old);
    DeleteObject(font);
    ReleaseDC(dialog, dc);
    return failures == 0 ? 0 : 1;
}

int holdKey(UINT virtualKey, UINT modifiers, int seconds) {
    if (!RegisterHotKey(nullptr, 1, modifiers, virtualKey)) {
        std::printf("FAIL cannot register the key\n");
        return 1;
    }
    std::printf("held\n");
    std::fflush(stdout);
    Sleep(static_cast<DWORD>(seconds) * 1000);
    UnregisterHotKey(nullptr, 1);
    return 0;
}
