// Finding the calculator screen in a picture of an emulator's client area. Portable: plain
// memory only. Called by the /locate command and by the helper's proposal step; the tests run it
// on pictures with known answers.
//
// How it looks:
//  0. A window that fits one picture into its client area between flat bars (add/fitted_screen.h):
//     the rectangle of the screen's aspect edged all round inside that picture, when there is
//     one; the place then holds the fitted picture's rectangle too. Otherwise:
//  1. Rectangles whose four sides are edges (a colour change along at least 80 % of the side, or
//     the client area's own border), with something plain just outside each inner side (a rim,
//     a bezel, a status bar), and at least one window pixel per dot.
//  2. A rectangle that divides into whole dots, every dot one colour, is the screen drawn at a
//     whole scale; the largest such rectangle wins (a rectangle drawn on the screen is smaller).
//  3. Otherwise the screen's background may run on beyond the screen (an LCD glass drawn around
//     it): inside the smallest edged region that holds it, the dots that differ from the
//     background (or, given a second picture, the dots that changed), when they are drawn
//     crisply (mostly one colour), give the dot size from their runs, and the screen is placed
//     at their top-left corner on their grid, kept inside the region. Drawn smoothly at a scale
//     that is not whole (their colours all between the background and one ink), the marks'
//     edges give the dot grid to a fraction of a pixel (add/dot_grid.h), and the screen is
//     placed on it where it holds the most marks, at their first dot where that ties.
//  4. Otherwise a rectangle whose colour changes are redrawn by its dots (each dot's colour
//     taken at its centre, drawn again by nearest pixel and smoothly) is the screen drawn at a
//     scale that is not whole. It must show strokes one dot thin, and its dots must be at least
//     1.25 pixels unless it is the whole client area. In steps 2 and 4 frames (a rectangle
//     whose inner border is one colour all round, around another candidate) are passed over.
// When none of these finds a place, it says why instead of guessing: Blank when the only
// candidate regions show nothing but their background (press some keys and look again with a
// second picture), NotFound otherwise.
#pragma once

#include "add/picture.h"

#include <string>

enum class LocateOutcome { Found, Blank, NotFound };

struct ScreenPlace {
    LocateOutcome outcome = LocateOutcome::NotFound;
    int x = 0;  // the screen's rectangle in client pixels
    int y = 0;
    int width = 0;
    int height = 0;
    double left = 0;    // the rectangle's left and top edges to a fraction of a pixel (x and y
    double top = 0;     // but where the dots were measured at a scale that is not whole)
    double pitchX = 0;  // window pixels per dot, across and down
    double pitchY = 0;
    bool whole = false;  // width and height are whole multiples of the dots
    // The picture the emulator fits into its client area between flat bars, where it does
    // (add/fitted_screen.h): its rectangle in client pixels; fitWidth 0 where it does not.
    int fitX = 0;
    int fitY = 0;
    int fitWidth = 0;
    int fitHeight = 0;
    std::string how;  // one line: how it was found, or why it was not
};

// picture: the client area now; before: an earlier picture of the same size (or null), whose
// differences show where the screen changed. dotsAcross x dotsDown: the calculator's screen.
ScreenPlace locateScreen(const Picture& picture, int dotsAcross, int dotsDown,
                         const Picture* before = nullptr);
