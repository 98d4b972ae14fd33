// The stand-in's client area as one 32-bit picture: the calculator screen, each calculator dot
// a dotWidth x dotHeight block enlarged by the scale (whole or not, nearest or smooth), either
// bare, or inside a calculator face that is enlarged with it, or on a skin of fixed size, or
// above a status bar. Used by the stand-in's window procedures (main.cpp) only.
#pragma once

#include <windows.h>

#include <cstdint>
#include <vector>

struct Layout {
    int screenWidth = 96;  // calculator dots
    int screenHeight = 64;
    int dotWidth = 1;  // window pixels of one dot at scale 1
    int dotHeight = 1;
    double scale = 1;     // whole, or not (1.37)
    bool smooth = false;  // bilinear rather than nearest scaling
    bool face = false;    // a 160 x 280 face with the screen at (32, 40), enlarged with the scale
    int skinWidth = 0;    // a skin of this many window pixels, never scaled; 0: no skin
    int skinHeight = 0;
    int screenX = 0;  // where the enlarged screen lies on the skin
    int screenY = 0;
    int statusBar = 0;  // rows of a status bar under the screen (no face, no skin)
    // A photo fitted into the client area (fitClientWidth > 0): the photo, kPhotoMargin pixels
    // round the screen and a keypad below it, is scaled smoothly by one factor to the largest
    // size the client allows and centred, with grey bars round it. The client starts at
    // fitClientWidth x fitClientHeight and may be resized to any size and shape.
    int fitClientWidth = 0;
    int fitClientHeight = 0;
    int clientWidth = 0;  // the client's size now, in fit mode
    int clientHeight = 0;
};

// The fitted photo: the screen (dots at scale 1) at (kPhotoMargin, kPhotoMargin), a keypad of
// the screen's height below it; and the bars' colour.
constexpr int kPhotoMargin = 20;
constexpr std::uint32_t kBarColour = 0xC2C2C2;

// The face at scale 1, and where the screen lies in it.
constexpr int kFaceWidth = 160;
constexpr int kFaceHeight = 280;
constexpr int kFaceScreenX = 32;
constexpr int kFaceScreenY = 40;

// Null when the layout can be drawn, else why not.
const char* layoutProblem(const Layout& layout);
// The client size the layout needs, in window pixels.
SIZE layoutClientSize(const Layout& layout);
// Where the enlarged picture lies in the client area: the whole face with --face, else the
// screen.
RECT layoutPictureRect(const Layout& layout);
// The calculator screen's place in the client area, in window pixels (not whole at a scale that
// is not whole): left, top, width, height.
void layoutScreenPlace(const Layout& layout, double place[4]);

// Makes the picture (face, skin or status bar drawn, screen white). False when no bitmap can be
// made.
bool surfaceCreate(const Layout& layout);
// In fit mode: the client area is now width x height; the picture is made again at that size,
// the screen as it was. False when no bitmap can be made.
bool surfaceResize(int width, int height);
// The layout as it is now (in fit mode, with the client's size).
const Layout& surfaceLayout();
void surfaceDestroy();
// Draws a whole screen: one RGB colour (0x00RRGGBB) per calculator dot, row-major.
void surfaceDrawScreen(const std::vector<std::uint32_t>& colours);
// Copies the picture's part inside `area` to dc; (originX, originY) is the client-area point
// that the dc's (0, 0) shows (the place of a child window that shows the screen).
void surfacePaint(HDC dc, const RECT& area, int originX, int originY);
