// Change tracking and frame scheduling. A frame is held back (pending) until the screen next
// changes, because only then is its display time known; unchanged ticks lengthen its delay.
#include "capture/tracking.h"

#include "gif/animation_writer.h"

#include <cstddef>
#include <cstring>

namespace {

// Columns and rows bounding the pixels in which the previous and current frame differ.
// minX < 0 marks a recording in which no tick has run yet.
struct ChangeBox {
    std::int16_t minX = -1;
    std::int16_t maxX = 0;
    std::int16_t minY = 0;
    std::int16_t maxY = 0;
};

// The frame held back: its inclusive rectangle (where it differs from the frame written before
// it) and its display time so far, in hundredths of a second.
struct PendingFrame {
    std::int16_t left = 0;
    std::int16_t top = 0;
    std::int16_t right = 0;
    std::int16_t bottom = 0;
    std::uint16_t delay = 0;
};

bool firstFrame = false;
std::int32_t pixelBytes = 1;  // 4 in a colour recording
ChangeBox box;
PendingFrame pending;

constexpr std::uint32_t kLargestDelay = 65535;

std::size_t frameBytes(std::int16_t width, std::int16_t height) {
    return static_cast<std::size_t>(width) * static_cast<std::size_t>(height) *
           static_cast<std::size_t>(pixelBytes);
}

// The first column of a row in which the two frames differ, or width when none does. Eight
// bytes are compared at a time, then the differing word byte by byte.
std::int32_t firstDifference(const std::uint8_t* previous, const std::uint8_t* current,
                             std::int32_t width) {
    std::int32_t col = 0;
    for (; col + 8 <= width; col += 8) {
        std::uint64_t before = 0;
        std::uint64_t after = 0;
        std::memcpy(&before, previous + col, sizeof before);
        std::memcpy(&after, current + col, sizeof after);
        if (before != after) {
            break;
        }
    }
    for (; col < width; ++col) {
        if (previous[col] != current[col]) {
            return col;
        }
    }
    return width;
}

// The last column of a row in which the two frames differ, or -1 when none does; scanned from
// the right end in the same way.
std::int32_t lastDifference(const std::uint8_t* previous, const std::uint8_t* current,
                            std::int32_t width) {
    std::int32_t end = width;
    for (; end >= 8; end -= 8) {
        std::uint64_t before = 0;
        std::uint64_t after = 0;
        std::memcpy(&before, previous + end - 8, sizeof before);
        std::memcpy(&after, current + end - 8, sizeof after);
        if (before != after) {
            break;
        }
    }
    for (std::int32_t col = end - 1; col >= 0; --col) {
        if (previous[col] != current[col]) {
            return col;
        }
    }
    return -1;
}

// Fills the ChangeBox; true when any byte of the two frames differs. The box is empty
// (minX = W, maxX = 0, minY = H, maxY = 0) when none does. Equal rows are skipped whole; in a
// row that differs only its first and last differing column matter. Rows are compared as
// bytes; a differing byte's column is its pixel's.
bool findChanges(const std::uint8_t* previous, const std::uint8_t* current, std::int16_t width,
                 std::int16_t height) {
    box.minX = width;
    box.minY = height;
    box.maxX = 0;
    box.maxY = 0;
    bool changed = false;
    const std::int32_t rowBytes = std::int32_t{width} * pixelBytes;
    for (std::int16_t row = 0; row < height; ++row) {
        const std::ptrdiff_t rowStart = std::ptrdiff_t{row} * rowBytes;
        const std::uint8_t* before = previous + rowStart;
        const std::uint8_t* after = current + rowStart;
        if (std::memcmp(before, after, static_cast<std::size_t>(rowBytes)) == 0) {
            continue;
        }
        const auto first =
            static_cast<std::int16_t>(firstDifference(before, after, rowBytes) / pixelBytes);
        const auto last =
            static_cast<std::int16_t>(lastDifference(before, after, rowBytes) / pixelBytes);
        changed = true;
        if (first < box.minX) {
            box.minX = first;
        }
        if (last > box.maxX) {
            box.maxX = last;
        }
        if (row < box.minY) {
            box.minY = row;
        }
        if (row > box.maxY) {
            box.maxY = row;
        }
    }
    return changed;
}

// The pending frame with its delay: the whole framed screen the first time, its changed
// rectangle after that.
void writePending(std::uint8_t* previous, std::uint16_t delay) {
    writeFrameDelay(delay);
    if (firstFrame) {
        firstFrame = false;
        writeFramedImage(previous);
    } else {
        writeRegion(previous, pending.left, pending.top, pending.right, pending.bottom);
    }
}

}  // namespace

void beginTracking(std::uint16_t delayStep) {
    firstFrame = true;
    pixelBytes = 1;
    box.minX = -1;
    pending.delay = delayStep;
}

void trackColourFrames() {
    pixelBytes = 4;
}

bool trackingHasFrame() {
    return box.minX >= 0;
}

TrackOutcome trackFrame(std::uint8_t* previous, const std::uint8_t* current, std::int16_t width,
                        std::int16_t height, TickInputs inputs) {
    if (box.minX < 0) {
        pending.delay = inputs.delayStep;
        std::memcpy(previous, current, frameBytes(width, height));
        box.minX = 0;
        return TrackOutcome::Continue;
    }

    const bool changed = findChanges(previous, current, width, height);

    if (inputs.stillMode) {
        writeFramedImage(previous);
        return TrackOutcome::StillImageWritten;
    }

    if (changed) {
        writePending(previous, pending.delay);
        pending.left = box.minX;
        pending.top = box.minY;
        pending.right = box.maxX;
        pending.bottom = box.maxY;
        pending.delay = inputs.delayStep;
        std::memcpy(previous, current, frameBytes(width, height));
    } else {
        // The delay field holds at most 65535 hundredths: a longer still screen stays at that.
        const std::uint32_t longer = std::uint32_t{pending.delay} + inputs.delayStep;
        pending.delay = static_cast<std::uint16_t>(longer > kLargestDelay ? kLargestDelay : longer);
    }
    return TrackOutcome::Continue;
}

void flushPendingFrame(std::uint8_t* previous) {
    writeFrameDelay(pending.delay);
    if (firstFrame) {
        writeFramedImage(previous);
    } else {
        writeRegion(previous, pending.left, pending.top, pending.right, pending.bottom);
    }
}
