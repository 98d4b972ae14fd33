// Reading a PNG through libpng's simplified API.
#include "tests/support/png_picture.h"

#include <png.h>

#include <cstring>

bool readPng(const std::string& path, PngPicture* picture, std::string* error) {
    png_image image;
    std::memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    if (png_image_begin_read_from_file(&image, path.c_str()) == 0) {
        *error = path + ": " + image.message;
        return false;
    }
    image.format = PNG_FORMAT_RGB;
    std::vector<png_byte> rgb(PNG_IMAGE_SIZE(image));
    if (png_image_finish_read(&image, nullptr, rgb.data(), 0, nullptr) == 0) {
        *error = path + ": " + image.message;
        png_image_free(&image);
        return false;
    }
    picture->width = static_cast<int>(image.width);
    picture->height = static_cast<int>(image.height);
    picture->pixels.resize(static_cast<std::size_t>(image.width) * image.height);
    for (std::size_t i = 0; i < picture->pixels.size(); ++i) {
        picture->pixels[i] =
            std::uint32_t{rgb[3 * i]} << 16 | std::uint32_t{rgb[3 * i + 1]} << 8 | rgb[3 * i + 2];
    }
    return true;
}
