// The settings dialog: initialisation, commands, showing on the tray's right press.
// Called only by the event handler (app/dispatch.cpp). Edits the Settings record.
#pragma once

#include "platform/win32.h"

// Built-in text when no stored message can be read (at most 19 characters).
extern const char kDefaultMessage[];

// WM_INITDIALOG: adds the tray icon (Halted look), then loads the stored message, the Size and
// the start/stop key into the dialog and registers the key (its note says when it cannot be
// had). Returns the handled flag (false after a registry failure).
INT_PTR dialogInitialise(HWND dialog);
// WM_COMMAND for ids 1, 2, 40006, 40007, 40008. Returns the handled flag (OK: false when a
// key could not be opened). Any other id: does nothing and returns false. OK also takes the
// Size and the start/stop key (registered anew when changed; the dialog stays open, its note
// telling why, when the new key cannot be had) and stores those that changed.
INT_PTR dialogCommand(HWND dialog, WORD id);
// The tray's right press while Halted or Ready: show the dialog and bring it to the front.
void dialogShow(HWND dialog);
