// Where the calculator screen lies in a client area of a given size, worked out from a
// catalogue profile's numbers. Portable: plain numbers only.
//
// Called by detectEmulator (at the client size it finds) and by the grab, which works the
// source out again whenever the emulator's window changes size during a recording, and makes
// its index tables from sampleIndices when the screen is sampled.
#pragma once

#include <cstdint>

// What a profile says about its screen, read by detectEmulator.
enum class LayoutKind : std::uint8_t {
    None,    // none of RCX, RCY, RX, RY: the client area is the bare screen
    Valid,   // all four, in range: a face of RCX x RCY with the screen at (RX, RY)
    Broken,  // some missing or out of range: only the whole-client test can match
};
struct ScreenShape {
    std::int16_t width = 0;   // CX: the screen in calculator pixels, the recording's W
    std::int16_t height = 0;  // CY: H
    LayoutKind layout = LayoutKind::None;
    std::int16_t layoutWidth = 0;  // RCX, RCY, RX, RY when the layout is Valid, else 0
    std::int16_t layoutHeight = 0;
    std::int16_t screenX = 0;
    std::int16_t screenY = 0;
    bool anyScale = false;      // AnyScale 1, with DotWidth and DotHeight in range
    std::int16_t dotWidth = 1;  // a dot is dotWidth x dotHeight pixels of the scale-1 picture
    std::int16_t dotHeight = 1;
    // AnyScale 2 with a Valid layout and FitWidth, FitHeight in range: the emulator fits its
    // picture into a client area of any size and shape, centred, one factor across and down.
    // fitWidth x fitHeight is the fitted picture's size in the RCX x RCY client area (1..RCX,
    // 1..RCY); both 0 when the profile does not describe such a window.
    std::int16_t fitWidth = 0;
    std::int16_t fitHeight = 0;

    bool operator==(const ScreenShape&) const = default;
};

enum class FitKind : std::uint8_t {
    None,     // the client area fits no scale of the profile
    Whole,    // whole factors: the source rectangle is shrunk to W x H by dropping pixels
    Sampled,  // any factor: the source rectangle is copied 1:1 and each dot read at its centre
};
// The source rectangle in the client area's coordinates (all at least 0, far edges within a
// signed 16-bit number). When Sampled it spans exactly the client pixels that hold a dot's
// centre, from the first dot's to the last one's.
struct ScreenFit {
    FitKind kind = FitKind::None;
    std::int16_t sourceX = 0;
    std::int16_t sourceY = 0;
    std::int16_t sourceWidth = 0;
    std::int16_t sourceHeight = 0;

    bool operator==(const ScreenFit&) const = default;
};

// The tests in their order: the whole client area at whole factors (always first); the layout
// at whole factors; then, for AnyScale, the client area at the aspect of the layout (of CX x CY
// for a bare screen) within kAspectSlack pixels of rounding with every dot at least one client
// pixel across and down. clientWidth and clientHeight beyond 32767 fit nothing.
//
// A fitted picture (fitWidth > 0) has one test instead: the factor s = min(clientWidth /
// fitWidth, clientHeight / fitHeight), the screen CX*s x CY*s with its top-left corner at
// (clientWidth/2 + (RX - RCX/2)*s, clientHeight/2 + (RY - RCY/2)*s), every dot at least one
// client pixel and the screen inside the client area. Whole (a 1:1 copy) where s is 1 and the
// corner is a whole pixel, Sampled otherwise.
ScreenFit fitScreen(const ScreenShape& shape, std::int64_t clientWidth, std::int64_t clientHeight);

// How far the client area may stray from the exact aspect: the height from what the width
// implies, or the width from what the height implies, in client pixels.
constexpr std::int64_t kAspectSlack = 2;

// For a Sampled fit at this client size: where in the 1:1 copy each column and row of the
// recording is read, as offsets from the copy's left column and top row (the fit's sourceX and
// sourceY). columns has shape.width entries, rows shape.height. A recording pixel belongs to a
// dot (DotWidth x DotHeight pixels at scale 1; the last dot of a row or column may be cut short
// by the screen's edge) and is read at that dot's centre, scaled by clientWidth / RCX and
// clientHeight / RCY (by CX and CY for a bare screen), or placed as fitScreen places a fitted
// picture: from the client pixel that holds the centre point. Every offset lies within the
// fit's source rectangle.
void sampleIndices(const ScreenShape& shape, std::int64_t clientWidth, std::int64_t clientHeight,
                   std::int32_t* columns, std::int32_t* rows);
