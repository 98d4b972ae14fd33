// The helper's live preview: the emulator's client area copied as the /locate command copies
// it, turned into what Pixmote would record (add/preview.h) and shown, enlarged, in a static
// control of the dialog. The bitmap shown is the one module-level object of preview_show.cpp.
// Called by the helper's dialog on its preview timer and when it closes; tested through the
// stand-in.
#pragma once

#include "add/preview.h"
#include "platform/win32.h"

// Replaces the picture in the dialog's static `id` (a box of boxWidth x boxHeight pixels).
// False, the last picture kept, when the window cannot be copied or the rectangle does not fit
// its client area now.
bool showPreview(HWND dialog, int id, HWND source, const ScreenRect& rect, int boxWidth,
                 int boxHeight);

// Whether the next pictures show the recording in colour (the profile's Colors 1) or in grays;
// grays until set.
void setPreviewColours(bool colours);

// Takes the picture out of the static and deletes it; nothing is held afterwards.
void releasePreview(HWND dialog, int id);
