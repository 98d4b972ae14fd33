// Application-wide values of the entry point: the instance handle and the one dialog window.
// Set by WinMain (app/main.cpp) before and by the dialog's initialisation; read by every
// handler that loads resources or owns a box.
#pragma once

#include "platform/win32.h"

extern HINSTANCE appInstance;
extern HWND appDialog;

// The dialog's one event handler: routes every event of the program (app/dispatch.cpp).
INT_PTR CALLBACK dialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

// The tray's callback message.
constexpr UINT WM_TRAYNOTIFY = WM_APP + 100;
