// PNG screenshots into pictures, through libpng's simplified reading interface.
#include "tests/support/png_picture.h"

#include <png.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <vector>

std::string testDataPath(const std::string& relative) {
    return std::string(PIXMOTE_TEST_DATA) + "/" + relative;
}

bool readPngPicture(const std::string& path, Picture* picture) {
    png_image image;
    std::memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    if (png_image_begin_read_from_file(&image, path.c_str()) == 0) {
        return false;
    }
    image.format = PNG_FORMAT_BGRA;  // little-endian 0xAARRGGBB, as the helper reads pixels
    std::vector<std::uint32_t> pixels(static_cast<std::size_t>(image.width) * image.height);
    if (png_image_finish_read(&image, nullptr, pixels.data(), 0, nullptr) == 0) {
        png_image_free(&image);
        return false;
    }
    for (std::uint32_t& p : pixels) {
        p &= 0x00FFFFFFu;
    }
    picture->width = static_cast<int>(image.width);
    picture->height = static_cast<int>(image.height);
    picture->pixels = std::move(pixels);
    return true;
}

bool readLocateShot(const std::string& file, Picture* cut, int* left, int* top) {
    const std::size_t plus = file.find('+');
    return plus != std::string::npos &&
           std::sscanf(file.c_str() + plus, "+%d+%d", left, top) == 2 &&
           readPngPicture(testDataPath("locate/" + file), cut);
}

RgbPicture readPng(const std::string& path) {
    Picture picture;
    if (!readPngPicture(path, &picture)) {
        return {};
    }
    RgbPicture rgb(picture.width, picture.height);
    rgb.at = std::move(picture.pixels);
    return rgb;
}
