// Pictures drawn at any scale as emulators draw them, for tests of the sampled grab: a
// calculator face with its screen of dots at scale 1, enlarged or shrunk by a factor that is not
// whole with smoothing (each window pixel the average of the scale-1 pixels it covers, or
// bilinear between the nearest four). Portable.
#pragma once

#include "add/picture.h"

#include <cstdint>
#include <vector>

namespace smooth {

// The helper's own picture of a client area: 0x00RRGGBB, row-major, top row first.
using Canvas = ::Picture;

enum class Filter { Area, Bilinear };

// from drawn at width x height.
Canvas resample(const Canvas& from, int width, int height, Filter filter);

// A face of faceWidth x faceHeight in faceColour with a screen at (x, y): dots across x down
// calculator dots, each dotWidth x dotHeight pixels of colour colours[level of the dot].
Canvas face(int faceWidth, int faceHeight, std::uint32_t faceColour, int x, int y,
            const std::vector<std::uint8_t>& dots, int across, int dotWidth, int dotHeight,
            const std::vector<std::uint32_t>& colours);

}  // namespace smooth
