// The GIF output file over a plain file descriptor: a fixed buffer, written out at each commit
// with a write loop that sees every failed or short write, and the cut back after a failure.
//
// Offsets: `written` counts the stream's bytes on disk; `imageEnd` is where the last complete
// image ends (0 while there is none). After each commit that ends an image the file holds one
// more byte than `written`, the trailer 3B, which the next commit writes over. Sealing a failed
// file puts the trailer back over that byte, unless the failed write never reached it, and cuts
// the file after it.

// 64-bit file offsets for lseek and ftruncate on every platform; must come before any include.
#define _FILE_OFFSET_BITS 64

#include "gif/gif_file.h"

#include "gif/write_fault.h"

#include <algorithm>
#include <cerrno>
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <string>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>

#ifndef O_BINARY
#define O_BINARY 0  // where files have no text mode
#endif

namespace {

constexpr std::size_t kBufferSize = 64 * 1024;
constexpr unsigned char kTrailer = 0x3B;

std::ptrdiff_t systemWrite(int fd, const void* data, std::size_t size) {
    return ::write(fd, data, static_cast<unsigned>(size));  // size <= kBufferSize + 1
}

GifRawWrite rawWrite = systemWrite;

int fd = -1;
std::string filePath;                   // for removing a file that holds no complete image
bool regularFile = false;               // only a regular file is sought, cut or removed
unsigned char buffer[kBufferSize + 1];  // + 1: room for the trailer kept after an image
std::size_t buffered = 0;
off_t written = 0;
off_t imageEnd = 0;
bool trailerKept = false;  // the trailer after imageEnd is still on disk
bool failed = false;
bool keptImages = false;  // the last file abandoned was kept, with its complete images

// size bytes at offset, going on after short writes. False when a write fails or makes no
// progress.
bool writeAt(off_t offset, const unsigned char* data, std::size_t size) {
    if (regularFile && lseek(fd, offset, SEEK_SET) != offset) {
        return false;
    }
    // Every write starts at or before the kept trailer, and a write that fails may still have
    // changed bytes (Windows' WriteFile on a full disk writes what fits and reports only the
    // failure): from the first attempt on, the trailer is no longer trusted to be there.
    trailerKept = false;
    while (size > 0) {
        const std::ptrdiff_t done = rawWrite(fd, data, size);
        if (done < 0 && errno == EINTR) {
            continue;
        }
        if (done <= 0) {
            return false;
        }
        data += done;
        size -= static_cast<std::size_t>(done);
    }
    return true;
}

// The buffered bytes at `written`; with trailer, the trailer after them (not counted). A
// device or pipe takes the stream front to back, without a trailer kept.
bool writeBuffer(bool trailer) {
    if (failed) {
        return false;
    }
    std::size_t size = buffered;
    if (trailer && regularFile) {
        buffer[size++] = kTrailer;
    }
    if (size > 0 && !writeAt(written, buffer, size)) {
        failed = true;
        return false;
    }
    written += static_cast<off_t>(buffered);
    buffered = 0;
    return true;
}

// Whether the byte after the last complete image still is the trailer: a failed write may
// or may not have changed it.
bool trailerOnDisk() {
    unsigned char byte = 0;
    return lseek(fd, imageEnd, SEEK_SET) == imageEnd && ::read(fd, &byte, 1) == 1 &&
           byte == kTrailer;
}

void forgetFile() {
    fd = -1;
    std::string().swap(filePath);
    regularFile = false;
    buffered = 0;
    written = 0;
    imageEnd = 0;
    trailerKept = false;
    failed = false;
}

}  // namespace

void setGifRawWrite(GifRawWrite write) {
    rawWrite = write != nullptr ? write : systemWrite;
}

bool gifFileOpen(const char* path) {
    if (fd >= 0 || path == nullptr) {
        return false;
    }
    // Owner read and write, as giflib's own open gives a new file.
    // Read as well as written: after a failure the byte kept after the last image is read back.
    const int opened = ::open(path, O_RDWR | O_CREAT | O_TRUNC | O_BINARY, S_IRUSR | S_IWUSR);
    if (opened < 0) {
        return false;
    }
    forgetFile();
    keptImages = false;
    fd = opened;
    filePath = path;
    struct stat info {};
    regularFile = fstat(fd, &info) == 0 && S_ISREG(info.st_mode);
    return true;
}

int gifFileOutput(GifFileType* /*gif*/, const GifByteType* bytes, int count) {
    if (fd < 0 || failed || count <= 0) {
        return count;
    }
    auto left = static_cast<std::size_t>(count);
    while (left > 0) {
        if (buffered == kBufferSize && !writeBuffer(false)) {
            break;
        }
        const std::size_t piece = std::min(left, kBufferSize - buffered);
        std::memcpy(buffer + buffered, bytes, piece);
        buffered += piece;
        bytes += piece;
        left -= piece;
    }
    return count;
}

bool gifFileCommit(bool imageEnds) {
    if (fd < 0 || !writeBuffer(imageEnds)) {
        return false;
    }
    if (imageEnds) {
        imageEnd = written;
        trailerKept = true;
    }
    return true;
}

bool gifFileFinish() {
    if (fd < 0) {
        return false;
    }
    if (!writeBuffer(false)) {
        gifFileAbandon();
        return false;
    }
    const bool closed = ::close(fd) == 0;
    forgetFile();
    return closed;
}

void gifFileAbandon() {
    if (fd < 0) {
        return;
    }
    const bool keep = imageEnd > 0;
    keptImages = keep;
    if (keep && regularFile) {
        // The byte after the last image is on disk already (the trailer kept there), so writing
        // it again needs no new space; a drive that takes no write at all may still hold it, so
        // it is read back. Should neither work, the file ends after the image: decoders show
        // all its images, some without complaint.
        const bool sealed = trailerKept || writeAt(imageEnd, &kTrailer, 1) || trailerOnDisk();
        const int cut = ftruncate(fd, sealed ? imageEnd + 1 : imageEnd);
        static_cast<void>(cut);  // nothing more can be done about a file that cannot be cut
    }
    ::close(fd);
    if (!keep && regularFile) {
        std::remove(filePath.c_str());
    }
    forgetFile();
}

bool gifFileKeptImages() {
    return keptImages;
}
