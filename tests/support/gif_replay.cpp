// Test support: GIF decoding record by record with giflib, and a viewer-like replay.
#include "tests/support/gif_replay.h"

#include <algorithm>
#include <cstddef>
#include <fstream>
#include <iterator>
#include <string>
#include <utility>

#include <gif_lib.h>

namespace {

constexpr GifByteType kGraphicControlLabel = 0xF9;
constexpr GifByteType kCommentLabel = 0xFE;
constexpr GifByteType kApplicationLabel = 0xFF;
constexpr long kLargestImage = 1L << 26;  // pixels; more means a damaged descriptor

std::string giflibFailure(const char* what, int error) {
    const char* text = GifErrorString(error);
    return std::string(what) + ": " + (text != nullptr ? text : "unknown giflib error");
}

bool readExtension(GifFileType* file, GifRecord& record, std::string& error) {
    int label = 0;
    GifByteType* block = nullptr;
    if (DGifGetExtension(file, &label, &block) == GIF_ERROR) {
        error = giflibFailure("extension", file->Error);
        return false;
    }
    record.label = label;
    record.kind = label == kGraphicControlLabel ? GifRecordKind::GraphicControl
                  : label == kCommentLabel      ? GifRecordKind::Comment
                  : label == kApplicationLabel  ? GifRecordKind::Application
                                                : GifRecordKind::OtherExtension;
    while (block != nullptr) {
        // giflib hands each sub-block with its count byte in front.
        std::vector<std::uint8_t> bytes(block + 1, block + 1 + block[0]);
        record.data.insert(record.data.end(), bytes.begin(), bytes.end());
        record.blocks.push_back(std::move(bytes));
        if (DGifGetExtensionNext(file, &block) == GIF_ERROR) {
            error = giflibFailure("extension sub-block", file->Error);
            return false;
        }
    }
    if (record.kind == GifRecordKind::GraphicControl && !record.blocks.empty() &&
        record.blocks[0].size() == 4) {
        const std::vector<std::uint8_t>& raw = record.blocks[0];
        for (std::size_t i = 0; i < 4; ++i) {
            record.controlBytes[i] = raw[i];
        }
        record.delay = static_cast<std::uint16_t>(raw[1] | (raw[2] << 8));
        record.disposal = (raw[0] >> 2) & 0x07;
    }
    return true;
}

bool readImage(GifFileType* file, GifRecord& record, std::string& error) {
    if (DGifGetImageDesc(file) == GIF_ERROR) {
        error = giflibFailure("image descriptor", file->Error);
        return false;
    }
    record.kind = GifRecordKind::Image;
    record.left = file->Image.Left;
    record.top = file->Image.Top;
    record.width = file->Image.Width;
    record.height = file->Image.Height;
    record.interlaced = file->Image.Interlace;
    record.hasLocalMap = file->Image.ColorMap != nullptr;
    const long count = static_cast<long>(record.width) * record.height;
    if (record.width <= 0 || record.height <= 0 || count > kLargestImage) {
        error = "image of " + std::to_string(record.width) + " x " + std::to_string(record.height) +
                " pixels";
        return false;
    }
    record.pixels.assign(static_cast<std::size_t>(count), 0);

    // Rows in stored order: this program never interlaces (the writer tests check the flag).
    for (int row = 0; row < record.height; ++row) {
        GifPixelType* line = record.pixels.data() + static_cast<std::ptrdiff_t>(row) * record.width;
        if (DGifGetLine(file, line, record.width) == GIF_ERROR) {
            error = giflibFailure("image data", file->Error);
            return false;
        }
    }
    return true;
}

void readScreen(const GifFileType* file, DecodedGif& gif) {
    gif.screenWidth = file->SWidth;
    gif.screenHeight = file->SHeight;
    gif.colorResolution = file->SColorResolution;
    gif.background = file->SBackGroundColor;
    gif.hasGlobalMap = file->SColorMap != nullptr;
    if (file->SColorMap != nullptr) {
        for (int i = 0; i < file->SColorMap->ColorCount; ++i) {
            const GifColorType& color = file->SColorMap->Colors[i];
            gif.globalMap.push_back({color.Red, color.Green, color.Blue});
        }
    }
}

// Reads records up to the trailer; false with error set at the first failure.
bool readRecords(GifFileType* file, DecodedGif& gif) {
    for (;;) {
        GifRecordType type = UNDEFINED_RECORD_TYPE;
        if (DGifGetRecordType(file, &type) == GIF_ERROR) {
            gif.error = giflibFailure("record type", file->Error);
            return false;
        }
        GifRecord record;
        switch (type) {
            case IMAGE_DESC_RECORD_TYPE:
                if (!readImage(file, record, gif.error)) {
                    return false;
                }
                break;
            case EXTENSION_RECORD_TYPE:
                if (!readExtension(file, record, gif.error)) {
                    return false;
                }
                break;
            case TERMINATE_RECORD_TYPE:
                return true;
            default:
                gif.error = "unknown record type";
                return false;
        }
        gif.records.push_back(std::move(record));
    }
}

}  // namespace

int DecodedGif::imageCount() const {
    return countOf(GifRecordKind::Image);
}

int DecodedGif::countOf(GifRecordKind kind) const {
    int count = 0;
    for (const GifRecord& record : records) {
        if (record.kind == kind) {
            ++count;
        }
    }
    return count;
}

std::vector<std::uint8_t> readFileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        return {};
    }
    return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in),
                                     std::istreambuf_iterator<char>());
}

DecodedGif decodeGif(const std::string& path) {
    DecodedGif gif;
    gif.bytes = readFileBytes(path);
    if (gif.bytes.size() >= 6) {
        gif.version.assign(gif.bytes.begin(), gif.bytes.begin() + 6);
    }
    int error = 0;
    GifFileType* file = DGifOpenFileName(path.c_str(), &error);
    if (file == nullptr) {
        gif.error = giflibFailure("open", error);
        return gif;
    }
    readScreen(file, gif);
    gif.ok = readRecords(file, gif);
    DGifCloseFile(file, &error);
    return gif;
}

std::vector<ShownCanvas> replayGif(const DecodedGif& gif) {
    std::vector<ShownCanvas> shown;
    if (gif.screenWidth <= 0 || gif.screenHeight <= 0) {
        return shown;
    }
    ShownCanvas canvas;
    canvas.width = gif.screenWidth;
    canvas.height = gif.screenHeight;
    canvas.pixels.assign(static_cast<std::size_t>(canvas.width * canvas.height),
                         static_cast<std::uint8_t>(gif.background));

    const GifRecord* control = nullptr;  // the graphic control since the last image
    for (const GifRecord& record : gif.records) {
        if (record.kind == GifRecordKind::GraphicControl) {
            control = &record;
            continue;
        }
        if (record.kind != GifRecordKind::Image) {
            continue;
        }
        for (int row = 0; row < record.height; ++row) {
            const int y = record.top + row;
            if (y < 0 || y >= canvas.height) {
                continue;
            }
            for (int col = 0; col < record.width; ++col) {
                const int x = record.left + col;
                if (x < 0 || x >= canvas.width) {
                    continue;
                }
                canvas.pixels[static_cast<std::size_t>(y * canvas.width + x)] =
                    record.pixels[static_cast<std::size_t>(row * record.width + col)];
            }
        }
        canvas.delay =
            control != nullptr ? std::optional<std::uint16_t>(control->delay) : std::nullopt;
        shown.push_back(canvas);
        control = nullptr;
    }
    return shown;
}

std::vector<std::uint8_t> innerFrame(const ShownCanvas& canvas, int border) {
    std::vector<std::uint8_t> inner;
    for (int y = border; y < canvas.height - border; ++y) {
        for (int x = border; x < canvas.width - border; ++x) {
            inner.push_back(canvas.at(x, y));
        }
    }
    return inner;
}

bool hasPixmoteBorder(const ShownCanvas& canvas) {
    if (canvas.width < 4 || canvas.height < 4) {
        return false;
    }
    for (int y = 0; y < canvas.height; ++y) {
        for (int x = 0; x < canvas.width; ++x) {
            const int ring =
                std::min(std::min(x, y), std::min(canvas.width - 1 - x, canvas.height - 1 - y));
            if (ring == 0 && canvas.at(x, y) != 15) {
                return false;
            }
            if (ring == 1 && canvas.at(x, y) != 0) {
                return false;
            }
        }
    }
    return true;
}
