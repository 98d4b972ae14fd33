// Application-wide values of the entry point: the instance handle and the one dialog window.
// appInstance is set by WinMain (app/main.cpp) before the dialog is created; appDialog is set
// by the event handler when the dialog is initialised, before anything in the initialisation
// needs it. Read by every handler that loads resources, owns a box or talks to the tray.
#pragma once

#include "platform/win32.h"

extern HINSTANCE appInstance;
extern HWND appDialog;

// The dialog's one event handler: routes every event of the program (app/dispatch.cpp).
// Called only by the window system (CreateDialogParamA, DispatchMessageA, SendMessageA and the
// nested loops of boxes and the file dialog).
INT_PTR CALLBACK dialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

// The steps of WinMain (app/main.cpp), also callable one by one by the native tests.
// appCreate stores the instance and creates the hidden dialog; null when that fails.
HWND appCreate(HINSTANCE instance);
// Serves the dialog's messages until the quit message; returns its exit code, or 1 when the
// window system reports an error instead of a message.
int appRun(HWND dialog);

// The tray's callback message.
constexpr UINT WM_TRAYNOTIFY = WM_APP + 100;
