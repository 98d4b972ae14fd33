// Shrinking an exactly enlarged recording back to x1, block by block.
#include "tools/checker/enlarged.h"

#include <cstddef>
#include <vector>

namespace {

std::string str(int v) {
    return std::to_string(v);
}

}  // namespace

bool shrinkEnlarged(DecodedGif* gif, int k, std::string* why) {
    if (k < 1) {
        *why = "bad factor " + str(k);
        return false;
    }
    if (gif->screenWidth % k != 0 || gif->screenHeight % k != 0) {
        *why = "logical screen " + str(gif->screenWidth) + "x" + str(gif->screenHeight) +
               " is not a multiple of " + str(k);
        return false;
    }
    std::vector<GifRecord> records = gif->records;
    int image = 0;
    for (GifRecord& r : records) {
        if (r.kind != GifRecordKind::Image) {
            continue;
        }
        const std::string where = "image " + str(image++);
        if (r.left % k != 0 || r.top % k != 0 || r.width % k != 0 || r.height % k != 0) {
            *why = where + " at " + str(r.left) + "," + str(r.top) + " of " + str(r.width) + "x" +
                   str(r.height) + " is not placed on whole blocks of " + str(k);
            return false;
        }
        const int w = r.width / k;
        const int h = r.height / k;
        std::vector<std::uint8_t> small(static_cast<std::size_t>(w * h));
        for (int y = 0; y < r.height; ++y) {
            for (int x = 0; x < r.width; ++x) {
                const std::uint8_t level = r.pixels[static_cast<std::size_t>(y * r.width + x)];
                const std::uint8_t corner =
                    r.pixels[static_cast<std::size_t>((y / k * k) * r.width + x / k * k)];
                if (level != corner) {
                    *why = where + ": pixel " + str(x) + "," + str(y) + " differs from its block";
                    return false;
                }
                small[static_cast<std::size_t>((y / k) * w + x / k)] = level;
            }
        }
        r.left /= k;
        r.top /= k;
        r.width = w;
        r.height = h;
        r.pixels = std::move(small);
    }
    gif->records = std::move(records);
    gif->screenWidth /= k;
    gif->screenHeight /= k;
    return true;
}
