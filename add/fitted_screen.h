// A picture fitted into the client area: some emulators scale one picture (a photo of the
// calculator) by one factor across and down, as large as the client allows, centred, and fill
// the rest with bars of one flat colour. Portable. Called by the locator (add/locate.cpp) before
// its other steps; tested through it on screenshots of such a window.
//
// How it looks:
//  1. The bars: the columns at the left and right edges (or the rows at the top and bottom) of
//     one colour, the same on both sides, about equally wide (a photo's margin of that colour
//     makes one look wider), at least two pixels each, while the picture touches the other two
//     edges. No bars (a client of the picture's own aspect, or a picture that overflows it), or
//     bars on all four sides: no fitted picture.
//  2. The screen inside it: a rectangle of the dot count's aspect (within a pixel or two) whose
//     four sides are long runs of strong colour changes (the LCD against its bezel); a frame
//     around another (its inner ring one colour, as a bezel's dark rim) is passed over; of the
//     rest, the one whose sides are covered best, the largest among equals. Its dots are as
//     many pixels across as down (square), taken from its size: its edges are whole pixels, as
//     the emulator rounds the rectangle it draws the screen into.
#pragma once

#include "add/locate.h"
#include "add/picture.h"

#include <optional>

struct FittedPicture {
    bool found = false;
    int x = 0;  // the picture's rectangle in client pixels, bars excluded
    int y = 0;
    int width = 0;
    int height = 0;
};

// The fitted picture of a client area, or found false.
FittedPicture findFittedPicture(const Picture& picture);

// The screen of across x down square dots inside the fitted picture, its fitted rectangle
// recorded in the place (fitX..fitHeight); nothing when no rectangle fits.
std::optional<ScreenPlace> locateFittedScreen(const Picture& picture, const FittedPicture& fit,
                                              int across, int down);
