// The settings dialog: loads the stored message at initialisation, applies the timer buttons
// at once, takes the check box and the message at OK and stores the message, and shows itself
// on the tray's right press.
#include "app/dialog.h"

#include "app/settings.h"
#include "app/start_stop_key.h"
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
constexpr int kFirstSize = 1007;  // "x1"; "x2" to "x4" follow
constexpr int kKeyControl = 1012;
constexpr int kKeyNote = 1013;
constexpr DWORD kMessageBytes = sizeof settings.embeddedMessage;  // 64, with the NUL
constexpr char kEnlargeValue[] = "Enlarge";
constexpr char kKeyValue[] = "StartStopKey";

constexpr char kSoftwareFailed[] = "Unable to open registry key HKEY_CURRENT_USER/Software";
constexpr char kProgramFailed[] = "Unable to open registry key HKEY_CURRENT_USER/Software/PIXMOTE";
constexpr char kWriteFailed[] = "Unable to successfully modify embedded message.";
constexpr char kKeyTaken[] =
    "Another program already uses this key, so it cannot start and stop recordings. Choose "
    "another key here; a left click on the tray icon works as always.";

// The Size and the key as last read from or written to the program key (the defaults when
// they were missing): OK writes a value only when the choice differs, so a dialog confirmed
// without touching them makes the calls it always made.
std::int16_t storedEnlarge = 1;
std::uint32_t storedKey = kDefaultStartStopKey;

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

// A REG_DWORD of the program key, or fallback when it is missing or of another type.
DWORD readDword(HKEY program, const char* name, DWORD fallback) {
    DWORD type = REG_NONE;
    DWORD value = 0;
    DWORD size = sizeof value;
    const LSTATUS result =
        RegQueryValueExA(program, name, nullptr, &type, reinterpret_cast<BYTE*>(&value), &size);
    return result == ERROR_SUCCESS && type == REG_DWORD && size == sizeof value ? value : fallback;
}

// Enlarge (missing, 0 or out of range: x1) and StartStopKey (missing: the default; 0: none).
void loadChoices(HKEY program) {
    const DWORD enlarge = readDword(program, kEnlargeValue, 1);
    settings.enlarge = enlarge >= 1 && enlarge <= 4 ? static_cast<std::int16_t>(enlarge) : 1;
    settings.startStopKey = readDword(program, kKeyValue, kDefaultStartStopKey) & 0xFFFF;
    storedEnlarge = settings.enlarge;
    storedKey = settings.startStopKey;
}

void writeDword(HKEY program, const char* name, DWORD value) {
    if (RegSetValueExA(program, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value),
                       sizeof value) != ERROR_SUCCESS) {
        showWarning(kWriteFailed);
    }
}

// Registers the key of the Settings; when the system refuses it, the note under the key says
// so (and is emptied again once a key works). True when the key is in force.
bool applyStartStopKey(HWND dialog, bool noteShown) {
    const bool registered = startStopKeyRegister(dialog, settings.startStopKey);
    if (!registered) {
        SetDlgItemTextA(dialog, kKeyNote, kKeyTaken);
    } else if (noteShown) {
        SetDlgItemTextA(dialog, kKeyNote, "");
    }
    return registered;
}

bool keyNoteShown = false;

INT_PTR pressOk(HWND dialog) {
    // Taken whatever happens to the registry afterwards.
    settings.stillMode = IsDlgButtonChecked(dialog, kStillCheck) == BST_CHECKED;
    GetDlgItemTextA(dialog, kMessageEdit, settings.embeddedMessage,
                    static_cast<int>(kMessageBytes));
    for (int k = 1; k <= 4; ++k) {
        if (IsDlgButtonChecked(dialog, kFirstSize + k - 1) == BST_CHECKED) {
            settings.enlarge = static_cast<std::int16_t>(k);
        }
    }
    const auto key = static_cast<std::uint32_t>(
        SendDlgItemMessageA(dialog, kKeyControl, HKM_GETHOTKEY, 0, 0) & 0xFFFF);
    bool keyWorks = true;
    if (key != settings.startStopKey) {
        settings.startStopKey = key;
        keyWorks = applyStartStopKey(dialog, keyNoteShown);
        keyNoteShown = !keyWorks;
    }

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
    if (settings.enlarge != storedEnlarge) {
        writeDword(program, kEnlargeValue, static_cast<DWORD>(settings.enlarge));
        storedEnlarge = settings.enlarge;
    }
    if (settings.startStopKey != storedKey) {
        writeDword(program, kKeyValue, settings.startStopKey);
        storedKey = settings.startStopKey;
    }
    closeProgramKey(software, program);
    if (keyWorks) {
        ShowWindow(dialog, SW_HIDE);  // else the dialog stays up, its note telling why
    }
    return TRUE;
}

}  // namespace

INT_PTR dialogInitialise(HWND dialog) {
    // First of all, so that the icon is there even when the program key is missing.
    trayShowState(NIM_ADD, 0);

    HKEY software = nullptr;
    HKEY program = nullptr;
    storedEnlarge = settings.enlarge;
    storedKey = settings.startStopKey;
    const bool opened = openProgramKey(KEY_READ, &software, &program);
    if (opened) {
        loadMessage(program);
        loadChoices(program);
        closeProgramKey(software, program);
    }
    // The Size and the key work without the program key too, at their defaults; the program
    // starts whether or not the key can be had.
    CheckDlgButton(dialog, kFirstSize + settings.enlarge - 1, BST_CHECKED);
    SendDlgItemMessageA(dialog, kKeyControl, HKM_SETHOTKEY, settings.startStopKey, 0);
    keyNoteShown = !applyStartStopKey(dialog, false);
    if (!opened) {
        return FALSE;
    }

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
