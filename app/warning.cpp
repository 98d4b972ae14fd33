// showWarning: every failure the user is told of, but the close refusal.
#include "app/warning.h"

#include "app/app.h"

void showWarning(const char* text) {
    // Raised even while hidden, so that the box comes up in front.
    SetForegroundWindow(appDialog);
    MessageBoxA(appDialog, text, "Pixmote", MB_ICONWARNING);
}
