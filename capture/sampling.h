// The grab of a screen shown at a factor that is not whole: one 1:1 copy of the source
// rectangle, from which each recording pixel is read at the centre of its calculator dot
// through index tables made with the copy. Owns the copy bitmap and one movable block (the
// tables, then the copy's pixels), module-level in sampling.cpp.
//
// Called by the grab only: prepareSampling when a recording is prepared at such a factor,
// grabSampled at every tick that copies at one, releaseSampling when the recording's buffers are
// released. Nothing is allocated by a tick unless the window's client size has changed.
#pragma once

#include "detect/fit.h"
#include "platform/win32.h"

#include <cstdint>

// Makes the copy and its tables for a Sampled fit of shape in screen's client area of
// clientWidth x clientHeight. False when they could not be made; nothing is held then.
bool prepareSampling(HWND screen, const ScreenShape& shape, const ScreenFit& fit,
                     std::int64_t clientWidth, std::int64_t clientHeight);

// One grab from screen (shown), a child of window or window itself: makes the copy anew first
// when fit or the client size differ from what it was made for (the bitmap and block only when
// the rectangle's size changed), copies the rectangle 1:1 (out of window at the child's place
// when screen's own context gives no copy), reads it out, and writes shape.width x shape.height
// pixels (B, G, R, 0) into pixels, each from its dot's centre. With fromScreen the rectangle is
// copied out of the screen's context at screen's place instead. False, with pixels untouched,
// when the copy could not be made or taken; a copy that could not be made is tried again only at
// another size.
bool grabSampled(HWND screen, HWND window, const ScreenShape& shape, const ScreenFit& fit,
                 std::int64_t clientWidth, std::int64_t clientHeight, bool fromScreen,
                 std::uint8_t* pixels);

// Releases the copy bitmap and the block, each only when held.
void releaseSampling();
