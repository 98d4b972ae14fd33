// The images of a colour recording, written through giflib with exact colour tables: the
// global table is the first image's (always the framed screen), a later image whose colours are
// all in it is written with it, any other gets a local table of the smallest size that holds
// its colours (see gif/palette_table.h for images of more than 256 colours).
//
// Called by the AnimationWriter only, on the GUI thread: colourImagesBegin when a colour
// recording begins (every table and row buffer is made there), putColourImage for each image,
// colourImagesEnd when the file is closed. Frames are width x height 0x00RRGGBB words.
#pragma once

#include <cstdint>

#include <gif_lib.h>

// Tables and the row buffer for frames of width x height. False when they could not be made
// (nothing held then).
bool colourImagesBegin(int width, int height);
void colourImagesEnd();

// True once the first image has fixed the global table.
bool colourHasGlobalTable();

// Run by putColourImage right before the image's descriptor is written: global is the global
// colour table when this is the first image (the stream head still has to be written with it),
// null otherwise.
using BeforeColourImage = void (*)(const ColorMapObject* global);

// One image: the whole frame inside the two-pixel black and white border at (0, 0) (framed), or
// the inclusive rectangle (left, top) - (right, bottom) of frame at (left + 2, top + 2). The
// caller has checked the rectangle. Enlarged by the writer's factor (gif/enlarge.h), as a gray
// image is. False when a giflib call failed.
bool putColourImage(GifFileType* gif, const std::uint8_t* frame, bool framed, int left, int top,
                    int right, int bottom, BeforeColourImage before);

// The stream head's table when a recording ends without any image: black and white.
const ColorMapObject* colourFallbackTable();
