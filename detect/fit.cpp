// Where the calculator screen lies in a client area: the whole-client test, the layout test
// and, for AnyScale profiles, the aspect test with its dot-centre sampling.
#include "detect/fit.h"

#include <algorithm>
#include <cstdint>

namespace {

constexpr std::int64_t kMaxCoordinate = INT16_MAX;

bool fitsCoordinate(std::int64_t value) {
    return value >= 0 && value <= kMaxCoordinate;
}

// The scale-1 picture that the client area shows enlarged: the layout with the screen at
// (x, y) in it, or the bare screen.
struct Picture {
    std::int64_t width;
    std::int64_t height;
    std::int64_t x;
    std::int64_t y;
};

Picture pictureOf(const ScreenShape& shape) {
    if (shape.layout == LayoutKind::Valid) {
        return {shape.layoutWidth, shape.layoutHeight, shape.screenX, shape.screenY};
    }
    return {shape.width, shape.height, 0, 0};
}

// Along one axis: the client pixel that holds the centre of the dot that recording pixel index
// belongs to. The dot runs from first to last (exclusive) in screen pixels at scale 1, offset
// by the screen's place in the picture; twice its centre keeps the arithmetic whole.
std::int64_t centrePixel(std::int64_t index, std::int64_t dot, std::int64_t screenLength,
                         std::int64_t offset, std::int64_t client, std::int64_t picture) {
    const std::int64_t first = index / dot * dot;
    const std::int64_t last = std::min(first + dot, screenLength);
    return (2 * offset + first + last) * client / (2 * picture);
}

ScreenFit wholeFit(std::int64_t x, std::int64_t y, std::int64_t width, std::int64_t height) {
    return {FitKind::Whole, static_cast<std::int16_t>(x), static_cast<std::int16_t>(y),
            static_cast<std::int16_t>(width), static_cast<std::int16_t>(height)};
}

bool aspectAllowed(const ScreenShape& shape) {
    return shape.anyScale && shape.layout != LayoutKind::Broken && shape.dotWidth >= 1 &&
           shape.dotHeight >= 1;
}

}  // namespace

ScreenFit fitScreen(const ScreenShape& shape, std::int64_t clientWidth, std::int64_t clientHeight) {
    const std::int64_t cw = clientWidth;
    const std::int64_t ch = clientHeight;
    const std::int64_t cx = shape.width;
    const std::int64_t cy = shape.height;
    // Every coordinate of the capture is a signed 16-bit number: a client area beyond that
    // cannot be described without truncating it.
    if (cx < 1 || cy < 1 || !fitsCoordinate(cw) || !fitsCoordinate(ch)) {
        return {};
    }

    // Bare screen at whole factors, whatever else the profile holds. A 0 x 0 client passes.
    if (cw % cx == 0 && ch % cy == 0) {
        return wholeFit(0, 0, cw, ch);
    }

    // The layout at whole factors, with the screen's top-left pixel at (RX, RY) of it.
    const Picture picture = pictureOf(shape);
    if (shape.layout == LayoutKind::Valid && cw % picture.width == 0 && ch % picture.height == 0) {
        const std::int64_t sx = cw / picture.width;
        const std::int64_t sy = ch / picture.height;
        const std::int64_t left = picture.x * sx;
        const std::int64_t top = picture.y * sy;
        // All four are at least 0, so the far edges fitting means every part fits.
        if (!fitsCoordinate(left + cx * sx) || !fitsCoordinate(top + cy * sy)) {
            return {};
        }
        return wholeFit(left, top, cx * sx, cy * sy);
    }

    // Any factor: the aspect of the picture, within the slack, and no dot below one pixel.
    if (!aspectAllowed(shape)) {
        return {};
    }
    const std::int64_t skew = cw * picture.height - ch * picture.width;
    if (std::max(skew, -skew) > kAspectSlack * std::max(picture.width, picture.height) ||
        cw * shape.dotWidth < picture.width || ch * shape.dotHeight < picture.height) {
        return {};
    }
    const std::int64_t left = centrePixel(0, shape.dotWidth, cx, picture.x, cw, picture.width);
    const std::int64_t right =
        centrePixel(cx - 1, shape.dotWidth, cx, picture.x, cw, picture.width) + 1;
    const std::int64_t top = centrePixel(0, shape.dotHeight, cy, picture.y, ch, picture.height);
    const std::int64_t bottom =
        centrePixel(cy - 1, shape.dotHeight, cy, picture.y, ch, picture.height) + 1;
    if (!fitsCoordinate(right) || !fitsCoordinate(bottom)) {
        return {};
    }
    return {FitKind::Sampled, static_cast<std::int16_t>(left), static_cast<std::int16_t>(top),
            static_cast<std::int16_t>(right - left), static_cast<std::int16_t>(bottom - top)};
}

void sampleIndices(const ScreenShape& shape, std::int64_t clientWidth, std::int64_t clientHeight,
                   std::int32_t* columns, std::int32_t* rows) {
    const Picture picture = pictureOf(shape);
    const std::int64_t left =
        centrePixel(0, shape.dotWidth, shape.width, picture.x, clientWidth, picture.width);
    for (std::int64_t x = 0; x < shape.width; ++x) {
        columns[x] = static_cast<std::int32_t>(
            centrePixel(x, shape.dotWidth, shape.width, picture.x, clientWidth, picture.width) -
            left);
    }
    const std::int64_t top =
        centrePixel(0, shape.dotHeight, shape.height, picture.y, clientHeight, picture.height);
    for (std::int64_t y = 0; y < shape.height; ++y) {
        rows[y] = static_cast<std::int32_t>(
            centrePixel(y, shape.dotHeight, shape.height, picture.y, clientHeight, picture.height) -
            top);
    }
}
