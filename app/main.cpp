// The entry point: stores the instance, creates the hidden settings dialog (which adds the
// tray icon while it is initialised) and serves the dialog's messages until the quit message.
#include "app/app.h"

HWND appCreate(HINSTANCE instance) {
    // Stored first: the dialog's initialisation, inside the creation call, already loads the
    // tray picture from this module.
    appInstance = instance;
    // The settings dialog's start/stop key is a common control ("msctls_hotkey32").
    InitCommonControls();
    return CreateDialogParamA(instance, "PIXMOTE", nullptr, dialogProc, 0);
}

int appRun(HWND dialog) {
    // Only the dialog's messages are fetched, and keystrokes get no dialog handling: Tab, Enter
    // and Escape have no meaning in the settings dialog.
    MSG msg = {};
    for (;;) {
        if (!IsWindow(dialog)) {
            // The dialog was destroyed, and its close sequence posted the quit message. A
            // fetch filtered on a window that no longer exists fails on Windows and waits for
            // ever under Wine: take the quit message, and its exit code, directly.
            return PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)
                       ? static_cast<int>(msg.wParam)
                       : 1;
        }
        const BOOL got = GetMessageA(&msg, dialog, 0, 0);
        if (got == 0) {
            return static_cast<int>(msg.wParam);
        }
        if (got == -1) {
            // No message can come any more (for instance the window is gone): end rather than
            // spin.
            return 1;
        }
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE /*previous*/, LPSTR /*commandLine*/,
                   int /*show*/) {
    const HWND dialog = appCreate(instance);
    if (dialog == nullptr) {
        return 1;
    }
    return appRun(dialog);
}
