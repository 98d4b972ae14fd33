// The dialog's event handler: every event of the program arrives here and goes to the module
// that owns it. Also the close sequence and the refusal to close during a recording.
#include "app/app.h"

#include "app/dialog.h"
#include "app/settings.h"
#include "app/start_stop_key.h"
#include "app/tray.h"
#include "app/warning.h"
#include "capture/session.h"
#include "capture/tick.h"

HINSTANCE appInstance = nullptr;
HWND appDialog = nullptr;

namespace {

// The shell's message that a new notification area exists (after the shell restarted) and
// that every icon must be added again. 0 while not registered.
UINT taskbarCreated = 0;
// Set once the close sequence has run: the icon is gone for good and is not added again.
bool closed = false;

// What the capture session is handed: the warning box, the tray's looks and the settings of the
// moment.
void showSessionState(std::int16_t state) {
    trayShowState(NIM_MODIFY, state);
}

CaptureChoices currentChoices() {
    return {settings.timerMultiplier, settings.stillMode, settings.enlarge};
}

void closeSequence(HWND dialog) {
    EndDialog(dialog, 1);  // hides the dialog; the window stays until the process ends
    trayNotify(NIM_DELETE, nullptr, nullptr);
    startStopKeyRelease(dialog);
    PostQuitMessage(0);
    closed = true;
}

// A recording is unfinished. The dialog is not raised: it stays as it was.
void refuseClose(HWND dialog) {
    MessageBoxA(dialog, "The current screenshot has not yet been completed", "Pixmote",
                MB_ICONWARNING);
}

bool recordingUnfinished() {
    return sessionState() != Halted;
}

INT_PTR trayNotification(HWND dialog, LPARAM mouseMessage) {
    if (mouseMessage == WM_LBUTTONDOWN) {
        sessionLeftPress(dialog);
        return TRUE;
    }
    if (mouseMessage == WM_RBUTTONDOWN && sessionState() != Capturing) {
        dialogShow(dialog);
    }
    return FALSE;
}

INT_PTR command(HWND dialog, WPARAM wParam) {
    // The notification code in the high word is not examined.
    const WORD id = LOWORD(wParam);
    switch (id) {
        case IDOK:
        case IDCANCEL:
        case 40006:
        case 40007:
        case 40008:
            return dialogCommand(dialog, id);
        default:
            return FALSE;
    }
}

}  // namespace

INT_PTR CALLBACK dialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    if (taskbarCreated != 0 && message == taskbarCreated) {
        // The shell restarted and forgot the icon: add it again in the look of the moment.
        if (!closed) {
            trayShowState(NIM_ADD, sessionState());
        }
        return TRUE;
    }
    switch (message) {
        case WM_INITDIALOG:
            appDialog = dialog;
            closed = false;
            taskbarCreated = RegisterWindowMessageA("TaskbarCreated");
            sessionSetHost({showWarning, showSessionState, currentChoices});
            return dialogInitialise(dialog);
        case WM_COMMAND:
            return command(dialog, wParam);
        case WM_TIMER:
            captureTick(dialog);
            return TRUE;
        case WM_TRAYNOTIFY:
            return trayNotification(dialog, lParam);
        case WM_HOTKEY:
            // The start/stop key is the tray's left press, with its guards, in every state.
            if (wParam == static_cast<WPARAM>(kStartStopKeyId) && !closed) {
                return trayNotification(dialog, WM_LBUTTONDOWN);
            }
            return FALSE;
        case WM_CLOSE:
            if (recordingUnfinished()) {
                refuseClose(dialog);
            } else {
                closeSequence(dialog);
            }
            return TRUE;
        case WM_DESTROY:
            // The window is going away whatever the state: finish the file first so that a
            // recording is not lost half written.
            if (recordingUnfinished()) {
                stopRecording(dialog);
            }
            closeSequence(dialog);
            return TRUE;
        case WM_ENDSESSION:
            // Windows is ending and will end the process without further messages: finish
            // the file now. Ending the session is never refused (WM_QUERYENDSESSION is left
            // to the default processing).
            if (wParam != FALSE && recordingUnfinished()) {
                stopRecording(dialog);
                return TRUE;
            }
            return FALSE;
        default:
            return FALSE;
    }
}
