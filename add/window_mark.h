// The helper's picture of the emulator's window: the whole client area, scaled down to fit a
// box, with the screen rectangle it proposes (or the one set by Left/Top/Dot) outlined so the
// user sees where it looked. Portable: plain memory only. Called by the helper's preview
// (add/preview_show.h); tested natively on screenshots of real emulators.
#pragma once

#include "add/picture.h"
#include "add/preview.h"

#include <cstdint>

// The outline's width in pixels of the scaled picture.
constexpr int kMarkLine = 2;

// client averaged down to the largest size that fits a box of boxWidth x boxHeight pixels with
// its proportions kept; never enlarged. Empty (0 x 0) when the client or the box is empty.
Picture scaledToBox(const Picture& client, int boxWidth, int boxHeight);

// Where rect (in client pixels of a client x clientWidth x clientHeight) lies in a scaled
// picture of width x height: left, top, right, bottom (right and bottom one past the last).
struct MarkBounds {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
};
MarkBounds scaledRect(const ScreenRect& rect, int clientWidth, int clientHeight, int width,
                      int height);

// The outline's colour over a pixel: red, or cyan over reddish pixels; either way at least 128
// away from the pixel in one channel, so that it shows on light, dark and coloured screens.
std::uint32_t markColour(std::uint32_t under);

// The scaled picture of the client with a kMarkLine-pixel outline just outside rect (moved
// inside where the picture ends). The outline is drawn even when rect reaches past the client.
Picture markedWindow(const Picture& client, const ScreenRect& rect, int boxWidth, int boxHeight);
