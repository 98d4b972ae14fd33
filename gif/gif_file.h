// The file under the AnimationWriter: giflib's output goes through here, so that every failed
// or short write is seen, and a failed recording can be cut back to a GIF that reads whole.
//
// One file at a time (module-level state in gif_file.cpp). Only gif/animation_writer.cpp calls
// these, on the GUI thread. Bytes collect in a fixed buffer and are written out with plain
// file-descriptor writes at every commit (once per writer call) or when the buffer fills.
//
// While images are being written the file on disk always ends with a trailer byte (3B) right
// after the last complete image; each commit writes over it. So cutting the file back never
// needs a byte of new space, even on a full disk.
#pragma once

#include <gif_lib.h>

// Creates or truncates path for writing. False when it cannot (nothing held then).
bool gifFileOpen(const char* path);

// giflib's output function (the OutputFunc handed to EGifOpen). Takes every byte it is given
// and returns count; after a failure, or with no file open, the bytes go nowhere.
int gifFileOutput(GifFileType* gif, const GifByteType* bytes, int count);

// Writes out what is buffered. imageEnds: the buffered bytes end a complete image (its graphic
// control extension, descriptor and data), which the file then keeps if a later write fails.
// False at the first failed write, and at every commit after it.
bool gifFileCommit(bool imageEnds);

// Writes out what is buffered (giflib's trailer) and closes the file. True when every write of
// the file and the close succeeded; on false the file was sealed as by gifFileAbandon.
bool gifFileFinish();

// After a failure: cuts the file back to the end of its last complete image and puts the
// trailer there, or removes the file when no image was complete; then closes it.
void gifFileAbandon();

// Whether the last file abandoned kept an image (false once another file is opened).
bool gifFileKeptImages();
