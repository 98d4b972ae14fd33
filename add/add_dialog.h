// The helper's window: the dialog "PIXMOTEADD" (add/pixmote-add.rc) with its three steps (pick
// the window, say which calculator and find its screen, preview and save). Its state (the
// window picked, the screen found, the timers, the finder's drag) is module-level in
// add_dialog.cpp. Called by the helper's entry point when it runs without /locate.
#pragma once

#include "platform/win32.h"

// Creates the dialog, shows it and serves its messages until it is closed; returns 0, or 1
// when the dialog could not be created.
int runAddDialog(HINSTANCE instance);

// The dialog procedure, for the entry point and for tests.
INT_PTR CALLBACK addDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
