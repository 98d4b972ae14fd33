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

// Along one axis, where the client pixels of the screen's dots lie: the client pixel that holds
// the point p of the scale-1 picture is floor((base + 2p * numerator) / denominator). Twice the
// point keeps the arithmetic whole.
struct Axis {
    std::int64_t offset;  // the screen's first pixel in the scale-1 picture
    std::int64_t base;
    std::int64_t numerator;
    std::int64_t denominator;

    std::int64_t pixelOfTwice(std::int64_t twicePoint) const {
        const std::int64_t n = base + twicePoint * numerator;
        return n >= 0 ? n / denominator : -((-n + denominator - 1) / denominator);
    }
    // The pixel that holds the centre of the dot that recording pixel index belongs to. The
    // dot runs from first to last (exclusive) in screen pixels at scale 1.
    std::int64_t centrePixel(std::int64_t index, std::int64_t dot,
                             std::int64_t screenLength) const {
        const std::int64_t first = index / dot * dot;
        const std::int64_t last = std::min(first + dot, screenLength);
        return pixelOfTwice(2 * offset + first + last);
    }
};

// A picture enlarged to the client's length along this axis: client / picture.
Axis stretchedAxis(std::int64_t offset, std::int64_t client, std::int64_t picture) {
    return {offset, 0, client, 2 * picture};
}

// A fitted picture, centred: the point p lies at client/2 + (p - reference/2) * s, with the
// factor s = numerator / denominator.
Axis fittedAxis(std::int64_t offset, std::int64_t client, std::int64_t reference,
                std::int64_t numerator, std::int64_t denominator) {
    return {offset, client * denominator - reference * numerator, numerator, 2 * denominator};
}

bool isFitted(const ScreenShape& shape) {
    return shape.layout == LayoutKind::Valid && shape.fitWidth >= 1 && shape.fitHeight >= 1 &&
           shape.fitWidth <= shape.layoutWidth && shape.fitHeight <= shape.layoutHeight &&
           shape.dotWidth >= 1 && shape.dotHeight >= 1;
}

// The factor of a fitted picture at this client size, as numerator / denominator: the
// smaller of clientWidth / fitWidth and clientHeight / fitHeight.
void fittedFactor(const ScreenShape& shape, std::int64_t cw, std::int64_t ch,
                  std::int64_t* numerator, std::int64_t* denominator) {
    if (cw * shape.fitHeight <= ch * shape.fitWidth) {
        *numerator = cw;
        *denominator = shape.fitWidth;
    } else {
        *numerator = ch;
        *denominator = shape.fitHeight;
    }
}

// The two axes along which the screen's dots lie in a client area of cw x ch.
void axesOf(const ScreenShape& shape, std::int64_t cw, std::int64_t ch, Axis* across, Axis* down) {
    if (isFitted(shape)) {
        std::int64_t numerator = 0;
        std::int64_t denominator = 1;
        fittedFactor(shape, cw, ch, &numerator, &denominator);
        *across = fittedAxis(shape.screenX, cw, shape.layoutWidth, numerator, denominator);
        *down = fittedAxis(shape.screenY, ch, shape.layoutHeight, numerator, denominator);
        return;
    }
    const Picture picture = pictureOf(shape);
    *across = stretchedAxis(picture.x, cw, picture.width);
    *down = stretchedAxis(picture.y, ch, picture.height);
}

ScreenFit wholeFit(std::int64_t x, std::int64_t y, std::int64_t width, std::int64_t height) {
    return {FitKind::Whole, static_cast<std::int16_t>(x), static_cast<std::int16_t>(y),
            static_cast<std::int16_t>(width), static_cast<std::int16_t>(height)};
}

// The source of a Sampled fit: from the client pixel of the first dot's centre to that of the
// last one's, across and down.
ScreenFit sampledFit(const ScreenShape& shape, std::int64_t cw, std::int64_t ch) {
    Axis across;
    Axis down;
    axesOf(shape, cw, ch, &across, &down);
    const std::int64_t left = across.centrePixel(0, shape.dotWidth, shape.width);
    const std::int64_t right = across.centrePixel(shape.width - 1, shape.dotWidth, shape.width) + 1;
    const std::int64_t top = down.centrePixel(0, shape.dotHeight, shape.height);
    const std::int64_t bottom =
        down.centrePixel(shape.height - 1, shape.dotHeight, shape.height) + 1;
    if (left < 0 || top < 0 || !fitsCoordinate(right) || !fitsCoordinate(bottom)) {
        return {};
    }
    return {FitKind::Sampled, static_cast<std::int16_t>(left), static_cast<std::int16_t>(top),
            static_cast<std::int16_t>(right - left), static_cast<std::int16_t>(bottom - top)};
}

// A picture fitted into the client, centred: its one test.
ScreenFit fitPicture(const ScreenShape& shape, std::int64_t cw, std::int64_t ch) {
    std::int64_t numerator = 0;
    std::int64_t denominator = 1;
    fittedFactor(shape, cw, ch, &numerator, &denominator);
    // Every dot at least one client pixel across and down.
    if (numerator * shape.dotWidth < denominator || numerator * shape.dotHeight < denominator) {
        return {};
    }
    // The screen's edges inside the client area: 2 * edge * denominator, compared whole.
    const Axis across = fittedAxis(shape.screenX, cw, shape.layoutWidth, numerator, denominator);
    const Axis down = fittedAxis(shape.screenY, ch, shape.layoutHeight, numerator, denominator);
    const auto inside = [](const Axis& axis, std::int64_t first, std::int64_t length,
                           std::int64_t client) {
        return axis.base + 2 * first * axis.numerator >= 0 &&
               axis.base + 2 * (first + length) * axis.numerator <= client * axis.denominator;
    };
    if (!inside(across, shape.screenX, shape.width, cw) ||
        !inside(down, shape.screenY, shape.height, ch)) {
        return {};
    }
    // At the reference's factor, on whole pixels: the screen as it is, copied 1:1.
    if (numerator == denominator && (cw - shape.layoutWidth) % 2 == 0 &&
        (ch - shape.layoutHeight) % 2 == 0) {
        return wholeFit(shape.screenX + (cw - shape.layoutWidth) / 2,
                        shape.screenY + (ch - shape.layoutHeight) / 2, shape.width, shape.height);
    }
    return sampledFit(shape, cw, ch);
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

    if (isFitted(shape)) {
        return fitPicture(shape, cw, ch);
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
    return sampledFit(shape, cw, ch);
}

void sampleIndices(const ScreenShape& shape, std::int64_t clientWidth, std::int64_t clientHeight,
                   std::int32_t* columns, std::int32_t* rows) {
    Axis across;
    Axis down;
    axesOf(shape, clientWidth, clientHeight, &across, &down);
    const std::int64_t left = across.centrePixel(0, shape.dotWidth, shape.width);
    for (std::int64_t x = 0; x < shape.width; ++x) {
        columns[x] =
            static_cast<std::int32_t>(across.centrePixel(x, shape.dotWidth, shape.width) - left);
    }
    const std::int64_t top = down.centrePixel(0, shape.dotHeight, shape.height);
    for (std::int64_t y = 0; y < shape.height; ++y) {
        rows[y] =
            static_cast<std::int32_t>(down.centrePixel(y, shape.dotHeight, shape.height) - top);
    }
}
