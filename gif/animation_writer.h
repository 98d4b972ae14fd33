// The AnimationWriter: the output GIF89a stream of one recording, written through giflib.
//
// One writer for the whole program (module-level state in animation_writer.cpp), closed or
// open. Called by the capture session (begin/end) and the change tracking (the writes), on the
// GUI thread only. The writer holds no image buffer: frames are streamed from the GrayFrame
// it is handed. Knows nothing of windows.
#pragma once

#include <cstdint>

// Creates or truncates the file at path and writes everything up to the first image.
// False (and nothing created, writer closed) when the file cannot be created or opened, when
// width or height is below 1, or when a file is already open (that file is left as it is).
bool beginAnimation(const char* path, std::int16_t width, std::int16_t height);

// One graphic control extension carrying delay (hundredths of a second) for the next image.
void writeFrameDelay(std::uint16_t delay);

// The whole frame inside its two-pixel border, at (0, 0) of the logical screen.
// frame: width x height levels 0..15. giflib masks the rows it is handed in place, so the
// frame must be writable; its values are left as they were.
void writeFramedImage(std::uint8_t* frame);

// The inclusive rectangle of frame, placed at (left + 2, top + 2). Refuses (writes nothing,
// returns false) an empty rectangle or one reaching outside the frame.
bool writeRegion(std::uint8_t* frame, std::int16_t left, std::int16_t top, std::int16_t right,
                 std::int16_t bottom);

// The trailer; the file is closed and the writer forgets it.
void endAnimation();

// True from a successful beginAnimation to endAnimation. The write operations and
// endAnimation do nothing (writeRegion returns false) while the writer is closed.
bool animationIsOpen();
