// The dot grid of an LCD drawn at any scale, measured from what is drawn on it: the places where
// the picture turns from the screen's background to a mark (a lit dot, a stroke of text) and
// back lie on the lines between dots. Portable. Called by the locator (add/locate.cpp) for a
// region whose background runs on beyond the screen; tested through it.
//
// How: along every row (and column) of the region, each run of pixels that differ from the
// background gives two edges, placed to a fraction of a pixel where the run reaches half its
// strongest difference (a dot blended over two pixels by smooth scaling still has its edge
// there). The pitch is the largest one whose grid holds most edges (their phases agree); the
// grid's phase is where they agree.
#pragma once

#include "add/picture.h"

#include <cstdint>
#include <vector>

struct DotAxis {
    bool found = false;
    double pitch = 0;           // pixels per dot
    double phase = 0;           // a grid line lies at phase + k * pitch
    double agreement = 0;       // 0..1: how well the edges fit the grid
    std::vector<double> edges;  // every edge measured, in pixels of the picture, sorted
};

struct DotGrid {
    DotAxis across;
    DotAxis down;
};

// The marks' grid inside [x0, x1) x [y0, y1) of `picture`, on `background`; before (or null):
// an earlier picture: the pixels that changed since then are the marks. across x down: the
// screen's dots. Pitches are sought between leastPitch and mostAcross (mostDown) pixels.
DotGrid measureDotGrid(const Picture& picture, const Picture* before, int x0, int y0, int x1,
                       int y1, std::uint32_t background, int across, int down, double leastPitch,
                       double mostAcross, double mostDown);
