// The helper's live preview: the emulator's client area copied as the /locate command copies
// it, turned into what Pixmote would record (add/preview.h) and shown, enlarged, in a static
// control of the dialog; beside it, the whole window scaled down with the screen rectangle
// outlined (add/window_mark.h). Each static's bitmap is one module-level object of
// preview_show.cpp. Called by the helper's dialog on its preview timer, when the rectangle
// changes and when it closes; tested through the stand-in.
#pragma once

#include "add/preview.h"
#include "platform/win32.h"

// Replaces the picture in the dialog's static `id` (a box of boxWidth x boxHeight pixels).
// False, the last picture kept, when the window cannot be copied or the rectangle does not fit
// its client area now.
bool showPreview(HWND dialog, int id, HWND source, const ScreenRect& rect, int boxWidth,
                 int boxHeight);
// The same from a picture of the client area already copied.
bool showPreviewOf(HWND dialog, int id, const Picture& client, const ScreenRect& rect, int boxWidth,
                   int boxHeight);

// Replaces the picture in the static `id` with the client area scaled down to its box and rect
// outlined. False, the last picture kept, when the client is empty or a step failed.
bool showWindowMark(HWND dialog, int id, const Picture& client, const ScreenRect& rect,
                    int boxWidth, int boxHeight);

// Whether the next pictures show the recording in colour (the profile's Colors 1) or in grays;
// grays until set.
void setPreviewColours(bool colours);

// Take the picture out of the static and delete it; nothing is held afterwards.
void releasePreview(HWND dialog, int id);
void releaseWindowMark(HWND dialog, int id);
