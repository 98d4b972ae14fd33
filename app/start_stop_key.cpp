// The start/stop key's registration: the hotkey control's flags turned into RegisterHotKey's
// modifiers. Auto-repeat is left out (MOD_NOREPEAT), so a key held down starts or stops once.
#include "app/start_stop_key.h"

namespace {

bool registered = false;

UINT modifiersOf(std::uint32_t key) {
    const auto flags = static_cast<BYTE>((key >> 8) & 0xFF);
    UINT modifiers = MOD_NOREPEAT;
    if ((flags & HOTKEYF_ALT) != 0) {
        modifiers |= MOD_ALT;
    }
    if ((flags & HOTKEYF_CONTROL) != 0) {
        modifiers |= MOD_CONTROL;
    }
    if ((flags & HOTKEYF_SHIFT) != 0) {
        modifiers |= MOD_SHIFT;
    }
    return modifiers;
}

}  // namespace

bool startStopKeyRegister(HWND dialog, std::uint32_t key) {
    startStopKeyRelease(dialog);
    const UINT virtualKey = key & 0xFF;
    if (virtualKey == 0) {
        return true;
    }
    registered = RegisterHotKey(dialog, kStartStopKeyId, modifiersOf(key), virtualKey) != FALSE;
    return registered;
}

void startStopKeyRelease(HWND dialog) {
    if (registered) {
        UnregisterHotKey(dialog, kStartStopKeyId);
        registered = false;
    }
}
