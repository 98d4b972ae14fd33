// The stand-in's client area as one 32-bit picture: an optional calculator face, and the
// calculator screen in it, each calculator pixel drawn as a scale x scale block.
// Used by the stand-in's window procedure (main.cpp) only.
#pragma once

#include <windows.h>

#include <cstdint>
#include <vector>

struct Layout {
    int screenWidth = 96;  // calculator pixels
    int screenHeight = 64;
    int scale = 1;
    bool face = false;  // draw a 160 x 280 face with the screen at (32, 40), all times scale
};

// Size of the whole layout at scale 1, and where the screen lies in it.
constexpr int kFaceWidth = 160;
constexpr int kFaceHeight = 280;
constexpr int kFaceScreenX = 32;
constexpr int kFaceScreenY = 40;

// The client size the layout needs, in window pixels.
SIZE layoutClientSize(const Layout& layout);
// The screen's rectangle in client coordinates.
RECT layoutScreenRect(const Layout& layout);

// Makes the picture (face drawn, screen white). False when no bitmap can be made.
bool surfaceCreate(const Layout& layout);
void surfaceDestroy();
// Draws a whole screen: one RGB colour (0x00RRGGBB) per calculator pixel, row-major.
void surfaceDrawScreen(const std::vector<std::uint32_t>& colours);
// Copies the picture's part inside `area` (client coordinates) to dc.
void surfacePaint(HDC dc, const RECT& area);
