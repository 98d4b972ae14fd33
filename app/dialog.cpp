// The settings dialog: loads the stored message at initialisation, applies the timer buttons
// at once, takes the check box and the message at OK and stores the message, and shows itself
// on the tray's right press.
#include "app/dialog.h"

#include "app/settings.h"
#include "app/tray.h"
#include "app/warning.h"

#include <cstring>

const char kDefaultMessage[] = "Made with Pixmote";
static_assert(sizeof kDefaultMessage <= 20, "the built-in message holds at most 19 characters");

namespace {

constexpr int kMessageEdit = 1004;
constexpr int kStillCheck = 1005;
constexpr int kTimer110 = 40006;
constexpr int kTimer220 = 40007;
constexpr int kTimer330 = 40008;
constexpr DWORD kMessageBytes = sizeof settings.embeddedMessage;  // 64, with the NUL

constexpr char kSoftwareFailed[] = "Unable to open registry key HKEY_CURRENT_USER/Software";
constexpr char kProgramFailed[] = "Unable to open registry key HKEY_CURRENT_USER/Software/PIXMOTE";
constexpr char kWriteFailed[] = "Unable to successfully modify embedded message.";

// Opens HKEY_CURRENT_USER\Software, then the program key below it, with this access. On failure
// tells the user, with every key it opened closed again, and returns false.
bool openProgramKey(REGSAM access, HKEY* software, HKEY* program) {
    if (RegOpenKeyExA(HKEY_CURRENT_USER, "Software", 0, access, software) != ERROR_SUCCESS) {
        showWarning(kSoftwareFailed);
        return false;
    }
    if (RegOpenKeyExA(*software, "Pixmote", 0, access, program) != ERROR_SUCCESS) {
        RegCloseKey(*software);
        showWarning(kProgramFailed);
        return false;
    }
    return true;
}

void closeProgramKey(HKEY software, HKEY program) {
    RegCloseKey(program);
    RegCloseKey(software);
}

// Reads the program key's default value into the message buffer. A value that is missing, not
// REG_SZ, or does not fit with its NUL gives the built-in text. The registry does not promise
// a NUL after the data: a shorter text is ended here, and 64 bytes without a NUL do not fit.
void loadMessage(HKEY program) {
    char* buffer = settings.embeddedMessage;
    DWORD type = REG_NONE;
    DWORD size = kMessageBytes;
    const LSTATUS result =
        RegQueryValueExA(program, nullptr, nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size);
    bool fits = result == ERROR_SUCCESS && type == REG_SZ && size <= kMessageBytes;
    if (fits && std::memchr(buffer, '\0', size) == nullptr) {
        if (size < kMessageBytes) {
            buffer[size] = '\0';
        } else {
            fits = false;
        }
    }
    if (!fits) {
        std::memcpy(buffer, kDefaultMessage, sizeof kDefaultMessage);
    }
}

INT_PTR pressOk(HWND dialog) {
    // Taken whatever happens to the registry afterwards.
    settings.stillMode = IsDlgButtonChecked(dialog, kStillCheck) == BST_CHECKED;
    GetDlgItemTextA(dialog, kMessageEdit, settings.embeddedMessage,
                    static_cast<int>(kMessageBytes));

    HKEY software = nullptr;
    HKEY program = nullptr;
    if (!openProgramKey(KEY_READ | KEY_WRITE, &software, &program)) {
        return FALSE;  // the dialog stays open
    }
    const char* text = settings.embeddedMessage;
    const auto bytes = static_cast<DWORD>(std::strlen(text) + 1);
    if (RegSetValueExA(program, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(text), bytes) !=
        ERROR_SUCCESS) {
        showWarning(kWriteFailed);
    }
    closeProgramKey(software, program);
    ShowWindow(dialog, SW_HIDE);
    return TRUE;
}

}  // namespace

INT_PTR dialogInitialise(HWND dialog) {
    // First of all, so that the icon is there even when the program key is missing.
    trayShowState(NIM_ADD, 0);

    HKEY software = nullptr;
    HKEY program = nullptr;
    if (!openProgramKey(KEY_READ, &software, &program)) {
        return FALSE;
    }
    loadMessage(program);
    closeProgramKey(software, program);

    SendDlgItemMessageA(dialog, kMessageEdit, EM_LIMITTEXT, kMessageBytes - 1, 0);
    SetDlgItemTextA(dialog, kMessageEdit, settings.embeddedMessage);
    CheckDlgButton(dialog, kTimer110, BST_CHECKED);  // TimerMultiplier starts at 1
    return TRUE;
}

INT_PTR dialogCommand(HWND dialog, WORD id) {
    switch (id) {
        // The timer buttons take effect at once, without OK.
        case kTimer110:
            settings.timerMultiplier = 1;
            return TRUE;
        case kTimer220:
            settings.timerMultiplier = 2;
            return TRUE;
        case kTimer330:
            settings.timerMultiplier = 3;
            return TRUE;
        case IDOK:
            return pressOk(dialog);
        case IDCANCEL:
            // The event handler decides: it ends the program while Halted and refuses
            // otherwise. Exit never hides the dialog.
            SendMessageA(dialog, WM_CLOSE, 0, 0);
            return TRUE;
        default:
            return FALSE;
    }
}

void dialogShow(HWND dialog) {
    ShowWindow(dialog, SW_SHOWNORMAL);
    SetForegroundWindow(dialog);
}
