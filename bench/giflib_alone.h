// The yardstick: the images a recording writes, put straight through giflib with no
// quantization, no change tracking and no writer around them. The same giflib calls as the
// AnimationWriter makes, so the bytes are the same when the levels and rectangles are.
#pragma once

#include "bench/scenes.h"

#include <cstdint>

#include <gif_lib.h>

// Opens path and writes what beginAnimation writes (signature through the banner comment).
// Null when the file cannot be opened.
GifFileType* openGiflibAlone(const char* path, std::int16_t width, std::int16_t height);

// One graphic control extension with the delay, as writeFrameDelay writes it.
void putDelay(GifFileType* file, std::uint16_t delay);

// One image of the rectangle of levels (a width-wide GrayFrame), at (left + 2, top + 2), one
// EGifPutLine per row. giflib masks the rows in place: levels must be writable.
void putRegion(GifFileType* file, std::uint8_t* levels, std::int16_t width, Rect rect);

// The whole bordered image of a GrayFrame, assembled in memory first (set-up use only).
void putFramed(GifFileType* file, const std::uint8_t* levels, std::int16_t width,
               std::int16_t height);

// The trailer; the file is closed.
void closeGiflibAlone(GifFileType* file);
