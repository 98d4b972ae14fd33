// showWarning: every failure the user is told of, but the close refusal.
#include "app/warning.h"

#include "app/app.h"

void showWarning(const char* text) {
    // Raised even while hidden, so that the box comes up in front.
    SetForegroundWindow(appDialog);
    MessageBoxA(appDialog, text, "Pixmote", MB_ICONWARNING);
    // The box's own loop takes every message posted to this thread while it is up, also the
    // one that wakes a modal loop around it whose dialog ended meanwhile: a save dialog
    // accepted just before the press that failed here would otherwise keep its preparation
    // unfinished, and left presses ignored, until something else happened to be posted.
    PostMessageA(appDialog, WM_NULL, 0, 0);
}
