// The colour frame: a copy of the grab's pixels with every fourth byte cleared.
#include "capture/colour_frame.h"

#include <cstddef>
#include <cstring>

void colourFrame(const std::uint8_t* pixels, std::int16_t width, std::int16_t height,
                 std::uint8_t* frame) {
    if (width <= 0 || height <= 0) {
        return;
    }
    const std::size_t count = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
    for (std::size_t p = 0; p < count; ++p) {
        std::uint32_t value = 0;
        std::memcpy(&value, pixels + p * 4, sizeof value);
        value &= 0x00FFFFFFu;
        std::memcpy(frame + p * 4, &value, sizeof value);
    }
}
