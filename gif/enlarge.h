// Enlarging a recording's images: every pixel of the calculator's screen, border included,
// drawn as a factor x factor block, so that a xk file is the x1 file of the same recording
// with every image k times as wide and as high, at k times its place.
//
// Called only by the AnimationWriter (gif/animation_writer.cpp): enlargeBegin when a file is
// begun with a factor above 1, the row operations while its images are written, enlargeEnd
// when the file ends. Tracking and the GrayFrames stay at the calculator's own size; rows are
// enlarged into one buffer made by enlargeBegin, so writing an image allocates nothing.
// One buffer for the whole program (module-level in enlarge.cpp), GUI thread only.
#pragma once

#include <cstdint>

constexpr int kSmallestEnlarge = 1;
constexpr int kLargestEnlarge = 4;

// Whether a width x height frame, inside its two-pixel border and enlarged factor times, fits
// the GIF's 16-bit logical screen; false for a factor outside 1..4 or a size below 1.
bool enlargeFits(int width, int height, int factor);

// Makes the row buffer for frames width pixels wide at this factor (2..4). False when the
// size does not fit (enlargeFits) or the memory cannot be had; nothing is held then.
bool enlargeBegin(int width, int factor);
// Releases the buffer; harmless when none is held.
void enlargeEnd();

// The factor of the buffer held, 1 while none is.
int enlargeFactor();

// The rows of an enlarged image, each factor times the width it stands for, in the buffer
// (valid until the next call). They are handed to giflib as they are: giflib masks them in
// place, which leaves levels 0..15 unchanged.
//   a row of the border: width + 4 pixels of one level
std::uint8_t* enlargeFilledRow(std::uint8_t level);
//   row 1 or H + 2 of the framed image: outer, width + 2 pixels of inner, outer
std::uint8_t* enlargeBorderRow(std::uint8_t outer, std::uint8_t inner);
//   row 2 + y of the framed image: outer, inner, the frame row's width pixels, inner, outer
std::uint8_t* enlargeFramedRow(const std::uint8_t* row, std::uint8_t outer, std::uint8_t inner);
//   count pixels of a region's row
std::uint8_t* enlargeRow(const std::uint8_t* pixels, int count);
