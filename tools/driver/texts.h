// The settings dialog's texts measured against their controls, and a start/stop key held as
// another program would hold it. Used by the driver's commands (main.cpp) only.
#pragma once

#include <windows.h>

// "dialog-texts": every control of the visible settings dialog that shows a text, its text's
// extent in the dialog's font against the room the control gives it; one line per control
// ("ok" or "FAIL"), and a first line comparing the font made here with the dialog's (its
// dialog base units, read from the controls' pixel sizes). 0 when every text fits.
int dialogTexts();

// "hold-key VK MODIFIERS SECONDS": registers the key system-wide, as another program that holds
// it, prints "held" and keeps it for SECONDS (or until killed). 1 when it cannot be had.
int holdKey(UINT virtualKey, UINT modifiers, int seconds);
