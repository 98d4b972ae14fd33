// The AnimationWriter: the output GIF89a stream of one recording, written through giflib.
//
// One writer for the whole program (module-level state in animation_writer.cpp), closed or
// open. Called by the capture session (begin/end) and the change tracking (the writes), on the
// GUI thread only. The writer holds no image buffer: frames are streamed from the GrayFrame
// it is handed. Knows nothing of windows.
//
// Every write is checked. At the first one that fails (a full disk, a lost drive) the writer
// cuts the file back to the end of its last complete image, ends it with the trailer and
// closes it, so the file is a GIF that reads whole with every image completed before the
// failure; a file in which no image was complete is removed. The writer is closed from then
// on and animationWriteFailed() tells the caller.
#pragma once

#include <cstdint>

// Creates or truncates the file at path and writes everything up to the first image.
// False (and nothing created, writer closed) when the file cannot be created or opened, when
// those first bytes cannot be written (then animationWriteFailed() is true), when width or
// height is below 1, or when a file is already open (that file is left as it is).
// enlarge (1..4, gif/enlarge.h): every image of the file is drawn that many times as large,
// each pixel as an enlarge x enlarge block; also false, with nothing created, when the
// enlarged screen does not fit the GIF's 16 bits (enlargeFits) or its row buffer cannot be
// made. At 1 the file is as without it.
bool beginAnimation(const char* path, std::int16_t width, std::int16_t height, int enlarge = 1);

// The delay (hundredths of a second) of the next image. Its graphic control extension is
// written with that image, so a refused image leaves none behind; a second delay before the
// image replaces the first.
void writeFrameDelay(std::uint16_t delay);

// The whole frame inside its two-pixel border, at (0, 0) of the logical screen.
// frame: width x height levels 0..15. giflib masks the rows it is handed in place, so the
// frame must be writable; its values are left as they were.
void writeFramedImage(std::uint8_t* frame);

// The inclusive rectangle of frame, placed at (left + 2, top + 2). Refuses (writes nothing,
// returns false) an empty rectangle or one reaching outside the frame, before any byte of the
// image (its graphic control included) is written. Also false when the write failed.
bool writeRegion(std::uint8_t* frame, std::int16_t left, std::int16_t top, std::int16_t right,
                 std::int16_t bottom);

// The trailer; the file is closed and the writer forgets it. A delay with no image after it
// is not written. True when the file was written and closed whole; false when a write failed
// here or before (the file is then what the failure left, see above) or nothing was open.
bool endAnimation();

// True from a successful beginAnimation to endAnimation or a failed write. The write
// operations and endAnimation do nothing (writeRegion and endAnimation return false) while the
// writer is closed.
bool animationIsOpen();

// True from a failed write (which closed the writer) until the next successful beginAnimation.
bool animationWriteFailed();

// After a failed write: true when the file was kept with the images completed before it,
// false when none was complete and the file was removed.
bool animationKeptImages();
