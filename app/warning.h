// The common failure report: raises the dialog, then a modal warning box owned by it with the
// caption "Pixmote". Used by the settings dialog, detection and the capture session.
#pragma once

void showWarning(const char* text);
