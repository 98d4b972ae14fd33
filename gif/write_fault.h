// Test seam of the GIF output file: replaces the one call that writes bytes to the file
// descriptor, so tests can make writes fail or come up short at any point. The program never
// calls this. Defined in gif/gif_file.cpp.
#pragma once

#include <cstddef>

// Writes up to size bytes of data at fd's current offset, like POSIX write: the number written
// (possibly fewer than size), or -1 on failure.
using GifRawWrite = std::ptrdiff_t (*)(int fd, const void* data, std::size_t size);

// Installs write for every later write of the GIF file; nullptr restores the real one.
void setGifRawWrite(GifRawWrite write);
