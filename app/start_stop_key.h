// The start/stop key: a system-wide key (RegisterHotKey on the dialog) that does what a left
// press on the tray icon does. Called by the settings dialog (app/dialog.cpp) at
// initialisation and at OK, and by the close sequence (app/dispatch.cpp). The key pressed
// arrives as WM_HOTKEY with kStartStopKeyId and is routed like the tray's left press.
#pragma once

#include "platform/win32.h"

#include <cstdint>

constexpr int kStartStopKeyId = 1;

// Registers key (a hotkey control's value: virtual key, HOTKEYF_ flags in the high byte) for
// the dialog, in place of the key registered before. 0 registers nothing. False when the
// system refuses it (another program holds the key); no key is registered then.
bool startStopKeyRegister(HWND dialog, std::uint32_t key);
// Releases the key registered, if any.
void startStopKeyRelease(HWND dialog);
