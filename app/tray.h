// The tray icon: the program's whole control surface. Used by the dialog's initialisation,
// the event handler (close sequence, shell restart), the capture session and the still-mode
// ending.
#pragma once

#include "platform/win32.h"

#include <cstdint>

// Fills the notification record anew and hands it to the shell; destroys icon afterwards
// (the shell keeps its own copy). icon and tip may be null; tip is cut to 63 characters.
// Returns the shell's result.
BOOL trayNotify(DWORD action, HICON icon, const char* tip);

// The look of a SessionState (0 Halted, 1 Ready, 2 Capturing): its icon (101, 102, 103) at the
// system's small-icon size (16 x 16 at 100 %), loaded for this one call, and its tooltip. Any
// other value shows the Halted look.
void trayShowState(DWORD action, std::int16_t state);
