// The AnimationWriter over giflib 5: one GIF89a stream per recording.
//
// Stream layout: "GIF89a", the (W+4) x (H+4) logical screen with the 16-entry gray palette,
// the looping block, the banner comment, then the images (each after its graphic control
// extension when animating), then the trailer. Pixels go into giflib's compressor as they are
// generated: the two-pixel border comes from small module-level runs and the inner pixels
// straight from the frame the caller hands in. giflib writes through gif/gif_file.cpp, which
// puts each call's bytes on disk at the end of that call; a giflib call that fails, or a
// failed write, ends the file at its last complete image.
#include "gif/animation_writer.h"

#include "gif/enlarge.h"
#include "gif/gif_file.h"

#include <array>
#include <cstddef>

#include <gif_lib.h>

namespace {

constexpr int kPaletteSize = 16;
constexpr GifPixelType kOuterLevel = 15;  // the black outer line of the border
constexpr GifPixelType kInnerLevel = 0;   // the white inner line
constexpr int kBorder = 2;
constexpr int kColorResolution = 8;

constexpr GifByteType kGraphicControlLabel = 0xF9;
constexpr GifByteType kApplicationLabel = 0xFF;
constexpr GifByteType kDisposeNothing = 0x04;  // disposal 1, no input, no transparency
const char kLoopIdentifier[] = "NETSCAPE2.0";
constexpr GifByteType kLoopForever[3] = {0x01, 0x00, 0x00};  // sub-block 1, loop count 0
const char kBanner[] = "Pixmote v2.0";

// Runs of border pixels, handed to EGifPutLine in pieces of at most kRunLength. giflib masks
// the pixels it is handed in place (to 4 bits here), so they live in writable memory and hold
// levels 0..15 only, which the mask leaves as they are.
constexpr int kRunLength = 64;

constexpr std::array<GifPixelType, kRunLength> runOf(GifPixelType level) {
    std::array<GifPixelType, kRunLength> run{};
    for (GifPixelType& pixel : run) {
        pixel = level;
    }
    return run;
}

std::array<GifPixelType, kRunLength> outerRun = runOf(kOuterLevel);
std::array<GifPixelType, kRunLength> innerRun = runOf(kInnerLevel);
GifPixelType rowStart[2] = {kOuterLevel, kInnerLevel};
GifPixelType rowEnd[2] = {kInnerLevel, kOuterLevel};

// The writer: the open giflib file (none while closed), the frame size, the graphic-control
// record whose bytes 1-2 carry the delay and whether it waits for its image, whether a giflib
// call of this file failed, and whether the last file ended in a failed write.
GifFileType* gifFile = nullptr;
int frameWidth = 0;
int frameHeight = 0;
GifByteType controlRecord[4] = {kDisposeNothing, 0x00, 0x00, 0x00};
bool delayHeld = false;
bool giflibFailed = false;
bool writeFailed = false;

void check(int result) {
    if (result == GIF_ERROR) {
        giflibFailed = true;
    }
}

void forgetFile() {
    enlargeEnd();
    gifFile = nullptr;
    frameWidth = 0;
    frameHeight = 0;
    delayHeld = false;
    giflibFailed = false;
}

// After a failure: giflib's state is freed (its trailer goes nowhere), the file cut back to its
// last complete image or removed, and the writer closed.
void abandonFile() {
    int error = 0;
    EGifCloseFile(gifFile, &error);
    gifFileAbandon();
    forgetFile();
    writeFailed = true;
}

// The end of every write call: its bytes go to disk. False (the file abandoned) on a failure.
bool commit(bool imageEnds) {
    if (giflibFailed || !gifFileCommit(imageEnds)) {
        abandonFile();
        return false;
    }
    return true;
}

// The graphic control extension of the image about to be written, when a delay waits for it.
void putHeldDelay() {
    if (delayHeld) {
        delayHeld = false;
        check(EGifPutExtension(gifFile, kGraphicControlLabel,
                               static_cast<int>(sizeof controlRecord), controlRecord));
    }
}

constexpr std::array<GifColorType, kPaletteSize> grayPalette() {
    std::array<GifColorType, kPaletteSize> palette{};
    for (int i = 0; i < kPaletteSize; ++i) {
        const auto value = static_cast<GifByteType>(255 - 17 * i);
        palette[static_cast<std::size_t>(i)] = GifColorType{value, value, value};
    }
    return palette;
}

// count pixels from a module run, in pieces (EGifPutLine takes part rows: it counts pixels).
void putRun(std::array<GifPixelType, kRunLength>& run, int count) {
    while (count > 0) {
        const int piece = count < kRunLength ? count : kRunLength;
        check(EGifPutLine(gifFile, run.data(), piece));
        count -= piece;
    }
}

// An enlarged image: each row of the x1 image, enlarged into the row buffer, handed to giflib
// once for every row it stands for.
void putEnlargedRow(std::uint8_t* row, int width) {
    const int scale = enlargeFactor();
    for (int copy = 0; copy < scale; ++copy) {
        check(EGifPutLine(gifFile, row, width * scale));
    }
}

void putEnlargedFramedImage(const std::uint8_t* frame) {
    const int scale = enlargeFactor();
    const int screenWidth = frameWidth + 2 * kBorder;
    check(EGifPutImageDesc(gifFile, 0, 0, screenWidth * scale, (frameHeight + 2 * kBorder) * scale,
                           false, nullptr));
    putEnlargedRow(enlargeFilledRow(kOuterLevel), screenWidth);
    putEnlargedRow(enlargeBorderRow(kOuterLevel, kInnerLevel), screenWidth);
    for (int y = 0; y < frameHeight; ++y) {
        putEnlargedRow(enlargeFramedRow(frame + y * frameWidth, kOuterLevel, kInnerLevel),
                       screenWidth);
    }
    putEnlargedRow(enlargeBorderRow(kOuterLevel, kInnerLevel), screenWidth);
    putEnlargedRow(enlargeFilledRow(kOuterLevel), screenWidth);
}

void putEnlargedRegion(const std::uint8_t* frame, int left, int top, int right, int bottom) {
    const int scale = enlargeFactor();
    const int width = right - left + 1;
    check(EGifPutImageDesc(gifFile, (left + kBorder) * scale, (top + kBorder) * scale,
                           width * scale, (bottom - top + 1) * scale, false, nullptr));
    for (int y = top; y <= bottom; ++y) {
        putEnlargedRow(enlargeRow(frame + y * frameWidth + left, width), width);
    }
}

}  // namespace

bool beginAnimation(const char* path, std::int16_t width, std::int16_t height, int enlarge) {
    if (gifFile != nullptr || width < 1 || height < 1 || !enlargeFits(width, height, enlarge)) {
        return false;
    }
    if (enlarge > 1 && !enlargeBegin(width, enlarge)) {
        return false;
    }
    if (!gifFileOpen(path)) {
        enlargeEnd();
        return false;
    }
    int error = 0;
    gifFile = EGifOpen(nullptr, gifFileOutput, &error);
    if (gifFile == nullptr) {
        enlargeEnd();
        gifFileAbandon();  // holds no image: removed
        return false;
    }
    frameWidth = width;
    frameHeight = height;
    EGifSetGifVersion(gifFile, true);

    const std::array<GifColorType, kPaletteSize> colors = grayPalette();
    ColorMapObject* map = GifMakeMapObject(kPaletteSize, colors.data());
    if (map == nullptr) {
        giflibFailed = true;
    } else {
        const int scale = enlargeFactor();
        check(EGifPutScreenDesc(gifFile, (frameWidth + 2 * kBorder) * scale,
                                (frameHeight + 2 * kBorder) * scale, kColorResolution, 0, map));
        GifFreeMapObject(map);
    }

    check(EGifPutExtensionLeader(gifFile, kApplicationLabel));
    check(EGifPutExtensionBlock(gifFile, static_cast<int>(sizeof kLoopIdentifier - 1),
                                kLoopIdentifier));
    check(EGifPutExtensionBlock(gifFile, static_cast<int>(sizeof kLoopForever), kLoopForever));
    check(EGifPutExtensionTrailer(gifFile));

    check(EGifPutComment(gifFile, kBanner));
    if (!commit(false)) {
        return false;
    }
    writeFailed = false;
    return true;
}

void writeFrameDelay(std::uint16_t delay) {
    if (gifFile == nullptr) {
        return;
    }
    controlRecord[1] = static_cast<GifByteType>(delay & 0xFF);
    controlRecord[2] = static_cast<GifByteType>(delay >> 8);
    delayHeld = true;
}

void writeFramedImage(std::uint8_t* frame) {
    if (gifFile == nullptr || frame == nullptr) {
        return;
    }
    putHeldDelay();
    if (enlargeFactor() > 1) {
        putEnlargedFramedImage(frame);
        commit(true);
        return;
    }
    check(EGifPutImageDesc(gifFile, 0, 0, frameWidth + 2 * kBorder, frameHeight + 2 * kBorder,
                           false, nullptr));
    // Row 0 and the first pixel of row 1; the rest of row 1.
    putRun(outerRun, frameWidth + 5);
    putRun(innerRun, frameWidth + 2);
    putRun(outerRun, 1);
    for (int y = 0; y < frameHeight; ++y) {
        check(EGifPutLine(gifFile, rowStart, 2));
        check(EGifPutLine(gifFile, frame + y * frameWidth, frameWidth));
        check(EGifPutLine(gifFile, rowEnd, 2));
    }
    // Row H+2, then row H+3.
    putRun(outerRun, 1);
    putRun(innerRun, frameWidth + 2);
    putRun(outerRun, frameWidth + 5);
    commit(true);
}

bool writeRegion(std::uint8_t* frame, std::int16_t left, std::int16_t top, std::int16_t right,
                 std::int16_t bottom) {
    if (gifFile == nullptr || frame == nullptr) {
        return false;
    }
    // An empty rectangle would open an image that never ends; one reaching outside the frame
    // would read beyond it. Refused before anything of the image is written.
    if (left < 0 || top < 0 || left > right || top > bottom || right >= frameWidth ||
        bottom >= frameHeight) {
        return false;
    }
    putHeldDelay();
    if (enlargeFactor() > 1) {
        putEnlargedRegion(frame, left, top, right, bottom);
        return commit(true);
    }
    const int width = right - left + 1;
    check(EGifPutImageDesc(gifFile, left + kBorder, top + kBorder, width, bottom - top + 1, false,
                           nullptr));
    for (int y = top; y <= bottom; ++y) {
        check(EGifPutLine(gifFile, frame + y * frameWidth + left, width));
    }
    return commit(true);
}

bool endAnimation() {
    if (gifFile == nullptr) {
        return false;
    }
    int error = 0;
    // Writes the trailer into the file's buffer and frees giflib's state, even on failure.
    const bool closed = EGifCloseFile(gifFile, &error) != GIF_ERROR;
    const bool sound = closed && !giflibFailed;
    forgetFile();
    if (!sound) {
        gifFileAbandon();
    }
    if (!sound || !gifFileFinish()) {
        writeFailed = true;
        return false;
    }
    return true;
}

bool animationIsOpen() {
    return gifFile != nullptr;
}

bool animationWriteFailed() {
    return writeFailed;
}

bool animationKeptImages() {
    return writeFailed && gifFileKeptImages();
}
