// Whether a located screen is proposed for recording in its own colours (the profile's
// Colors 1) or in 16 grays. Portable: plain memory only. Called by the /locate command and by
// the helper's window when a screen has been found; the user's choice (the dialog's checkbox,
// /colors or /grays) overrides it.
//
// A monochrome LCD, tinted or not, shows colours on one line in RGB space: from its background
// to its darkest dot, with the steps between (grays, antialiasing) mixed from the two. Any
// colour clearly off that line (a status bar, a coloured plot, a highlight) is a colour screen.
#pragma once

#include "add/picture.h"

// The rectangle (x, y, width, height) of picture that holds the screen. True when a colour
// that covers at least one pixel in 2000 (so a stray pixel of an edge does not count) lies more
// than 24 levels (RGB distance) off the segment from the most common colour (the background)
// to the darkest one (least red + green + blue). A uniform screen is gray.
bool screenHasColours(const Picture& picture, int x, int y, int width, int height);
