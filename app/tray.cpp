// The tray icon: one notification record, filled anew for each call to the shell.
#include "app/tray.h"

#include "app/app.h"

#include <cstring>

BOOL trayNotify(DWORD action, HICON icon, const char* tip) {
    NOTIFYICONDATAA data = {};
    // The first form of the record: window, id, flags, callback, icon and a 64-character tip.
    data.cbSize = NOTIFYICONDATAA_V1_SIZE;
    data.hWnd = appDialog;
    data.uID = 0;
    data.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    data.uCallbackMessage = WM_TRAYNOTIFY;
    data.hIcon = icon;
    if (tip != nullptr) {
        constexpr std::size_t kTipMax = 63;  // the first form holds 64 characters with the NUL
        std::size_t length = 0;
        while (length < kTipMax && tip[length] != '\0') {
            ++length;
        }
        std::memcpy(data.szTip, tip, length);
        data.szTip[length] = '\0';
    }
    const BOOL result = Shell_NotifyIconA(action, &data);
    if (icon != nullptr) {
        DestroyIcon(icon);  // the shell keeps its own copy
    }
    return result;
}

void trayShowState(DWORD action, std::int16_t state) {
    int resource = 101;
    const char* tip = "Halted";
    if (state == 1) {
        resource = 102;
        tip = "Ready";
    } else if (state == 2) {
        resource = 103;
        tip = "Capturing";
    }
    // Loaded for this one call and never kept; a picture that cannot be loaded is passed as
    // none. The groups hold the small icon drawn at 16, 20, 24 and 32 pixels, the sizes of
    // 100, 125, 150 and 200 %, so the shell need not blur one to fit.
    const HICON icon = static_cast<HICON>(
        LoadImageA(appInstance, MAKEINTRESOURCE(resource), IMAGE_ICON,
                   GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON), LR_DEFAULTCOLOR));
    trayNotify(action, icon, tip);
}
