// Finding the windows of the running Pixmote, of the emulator stand-in and of real emulators,
// with bounded waits. Used by the driver's commands (main.cpp) only.
#pragma once

#include <windows.h>

#include <string>

// How long every wait may take, in ms (set from --timeout).
extern DWORD gTimeoutMs;

// Polls `found` every 50 ms until it gives a window or gTimeoutMs has passed; null then.
template <class F>
HWND waitFor(F found) {
    DWORD start = GetTickCount();
    for (;;) {
        HWND w = found();
        if (w != nullptr) {
            return w;
        }
        if (GetTickCount() - start >= gTimeoutMs) {
            return nullptr;
        }
        Sleep(50);
    }
}

// Polls `done` every 50 ms until it is true; false after gTimeoutMs.
template <class F>
bool waitUntil(F done) {
    DWORD start = GetTickCount();
    for (;;) {
        if (done()) {
            return true;
        }
        if (GetTickCount() - start >= gTimeoutMs) {
            return false;
        }
        Sleep(50);
    }
}

std::string windowText(HWND w);
std::string className(HWND w);
DWORD processOf(HWND w);

// The settings dialog "Pixmote Configuration" (hidden or not), or null.
HWND findSettingsDialog();
// The visible save-file dialog "Create Animated Screenshot" of Pixmote's process, or
// "Export the profile" of the helper's, or null.
HWND findSaveDialog();
// The helper's window "Add an emulator to Pixmote", or null.
HWND findHelperWindow();
// A visible message box of Pixmote's process or of the helper's (a dialog holding the box's
// text control 0xFFFF that is neither of their main dialogs nor the save dialog), or null.
HWND findMessageBox();
// The stand-in's window (class "CalcStandIn"), or null.
HWND findStandIn();
// The first visible top-level window of a class, in Z-order, or null (a real emulator's).
HWND findVisibleOfClass(const std::string& windowClass);
// The file-name edit control of a save dialog, or null.
HWND fileNameEdit(HWND saveDialog);

// Sends `message` the way the shell sends notifications (it returns at once), then waits,
// within the timeout, until the receiving thread has handled it or entered a nested loop.
void notifyAndSettle(HWND w, UINT message, WPARAM wParam, LPARAM lParam);
