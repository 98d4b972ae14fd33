// What Pixmote would record from a screen rectangle, as the helper's preview shows it: each dot
// read at its centre, the 16 gray levels of Pixmote's own quantization, the GIF's two-pixel
// frame, enlarged by a whole factor. Portable: plain memory only. Called by the helper's
// preview; tested natively.
#pragma once

#include "add/picture.h"

#include <cstdint>
#include <vector>

// A calculator screen in a client area: its top-left client pixel, the window pixels per dot
// across and down, and the dots.
struct ScreenRect {
    int x = 0;
    int y = 0;
    double pitchX = 1;
    double pitchY = 1;
    int across = 0;
    int down = 0;

    int width() const;  // in client pixels: across x pitchX, rounded
    int height() const;
    bool operator==(const ScreenRect&) const = default;
};

// True when the rectangle lies inside the picture and has at least one pixel per dot.
bool screenRectFits(const ScreenRect& rect, int pictureWidth, int pictureHeight);

// The levels 0..15 (0 lightest), across x down, as quantizeFrame makes them from the dots'
// centre pixels. Empty when the rectangle does not fit the picture.
std::vector<std::uint8_t> recordedLevels(const Picture& client, const ScreenRect& rect);

// The largest whole factor, at least 1, at which a framed across x down picture fits a box of
// boxWidth x boxHeight pixels.
int previewFactor(int across, int down, int boxWidth, int boxHeight);

// levels (across x down) inside the GIF's frame (a dark outer line, a light inner line), every
// pixel drawn factor x factor: (across + 4) x (down + 4) times factor, in the GIF's grays.
Picture framedPreview(const std::vector<std::uint8_t>& levels, int across, int down, int factor);

// For a recording in colour (the profile's Colors 1): the dots' own colours, across x down, read
// at their centres as the recording reads them. Empty when the rectangle does not fit.
std::vector<std::uint32_t> recordedColours(const Picture& client, const ScreenRect& rect);

// colours (across x down) inside the GIF's frame (a black outer line, a white inner line), every
// pixel drawn factor x factor. A screen of more than 256 colours is shown with all of them; the
// recording keeps its 256 most frequent exactly and the rest nearly.
Picture framedColourPreview(const std::vector<std::uint32_t>& colours, int across, int down,
                            int factor);

// The gray of a level in the recording's palette, as 0x00RRGGBB.
std::uint32_t levelGray(int level);
