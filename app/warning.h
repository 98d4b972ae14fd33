// The common failure report: raises the dialog (even while hidden), then a modal warning box
// owned by it with the caption "Pixmote" and an OK button; returns when the box is dismissed,
// leaving a WM_NULL posted to the dialog (it does nothing; it wakes any modal loop around the
// box whose own wake-up the box's loop took).
// Used by the settings dialog, detection and the capture session. The close refusal does not
// use it (it must not raise the dialog).
#pragma once

void showWarning(const char* text);
