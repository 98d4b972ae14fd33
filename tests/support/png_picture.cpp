// PNG files through libpng's simplified reading interface.
#include "tests/support/png_picture.h"

#include <vector>

#include <png.h>

RgbPicture readPng(const std::string& path) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (png_image_begin_read_from_file(&image, path.c_str()) == 0) {
        return {};
    }
    image.format = PNG_FORMAT_RGB;
    std::vector<png_byte> bytes(PNG_IMAGE_SIZE(image));
    if (png_image_finish_read(&image, nullptr, bytes.data(), 0, nullptr) == 0) {
        png_image_free(&image);
        return {};
    }
    RgbPicture picture(static_cast<int>(image.width), static_cast<int>(image.height));
    for (std::size_t i = 0; i < picture.at.size(); ++i) {
        picture.at[i] = (std::uint32_t{bytes[3 * i]} << 16) |
                        (std::uint32_t{bytes[3 * i + 1]} << 8) | std::uint32_t{bytes[3 * i + 2]};
    }
    return picture;
}
