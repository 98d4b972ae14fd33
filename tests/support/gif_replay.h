// Test support: reads back a GIF file with giflib's decoder and plays it like a viewer.
//
// decodeGif gives the file's raw bytes, its logical screen and every record in file order;
// replayGif draws the images onto a canvas of the logical screen's size and returns what a
// viewer shows after each image, with the delay that image carries. Used by the writer, session
// and round-trip tests and the pipeline fuzzer, which compare the shown canvases with the
// frames the screen showed.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

enum class GifRecordKind {
    GraphicControl,  // extension 0xF9
    Image,           // image descriptor and its pixels
    Comment,         // extension 0xFE
    Application,     // extension 0xFF
    OtherExtension,  // any other extension label (e.g. 0x01 plain text)
};

// One record of the stream, in file order. Only the fields of its kind are filled.
struct GifRecord {
    GifRecordKind kind = GifRecordKind::OtherExtension;

    // Extensions: the label byte and the data sub-blocks as stored (without their count bytes);
    // data is the sub-blocks joined. A comment's text or an application block's
    // "NETSCAPE2.0" identifier is blocks[0].
    int label = 0;
    std::vector<std::vector<std::uint8_t>> blocks;
    std::vector<std::uint8_t> data;

    // GraphicControl: the 4-byte record (packed, delay low, delay high, transparent index),
    // the delay in hundredths of a second and the disposal method (bits 4-2 of the packed
    // byte). Filled only when the first sub-block has exactly 4 bytes; zero otherwise.
    std::array<std::uint8_t, 4> controlBytes{};
    std::uint16_t delay = 0;
    int disposal = 0;

    // Image: the descriptor's fields as stored (left, top, width, height), its flags, and its
    // pixel indices as stored, width x height of them.
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
    bool interlaced = false;
    bool hasLocalMap = false;
    std::vector<std::uint8_t> pixels;
};

struct DecodedGif {
    // ok: the whole stream decoded up to and including the trailer. On failure error says why
    // and records holds what was decoded before it (bytes holds the file as far as readable).
    bool ok = false;
    std::string error;

    std::vector<std::uint8_t> bytes;  // the file, byte for byte
    std::string version;              // "GIF89a" or "GIF87a" (the first 6 bytes)

    // Logical screen descriptor.
    int screenWidth = 0;
    int screenHeight = 0;
    int colorResolution = 0;  // bits per primary, 1..8
    int background = 0;
    bool hasGlobalMap = false;
    std::vector<std::array<std::uint8_t, 3>> globalMap;  // RGB entries, entry 0 first

    std::vector<GifRecord> records;

    // Convenience views of records.
    int imageCount() const;
    int countOf(GifRecordKind kind) const;
};

// Decodes the file at path. Never throws; see ok and error.
DecodedGif decodeGif(const std::string& path);

// What a viewer shows after drawing one image.
struct ShownCanvas {
    int width = 0;  // the logical screen's size
    int height = 0;
    std::vector<std::uint8_t> pixels;  // width x height palette indices, row-major, top first
    // The delay of the graphic control extension that came before this image (after the image
    // before it); none when the image had no graphic control extension.
    std::optional<std::uint16_t> delay;

    std::uint8_t at(int x, int y) const { return pixels[static_cast<std::size_t>(y * width + x)]; }
};

// Plays the images of gif in order onto a canvas of the logical screen's size, starting filled
// with the background index. Every image is drawn over the canvas and stays (disposal 1 without
// transparency, what this program writes: the writer tests check those bytes), clipped to the
// logical screen, since the decoder accepts images that reach past it. One ShownCanvas per
// image, in file order.
std::vector<ShownCanvas> replayGif(const DecodedGif& gif);

// The canvas without a border of the given width on every side: the
// (width - 2 * border) x (height - 2 * border) pixels inside it, row-major.
std::vector<std::uint8_t> innerFrame(const ShownCanvas& canvas, int border);

// True when the canvas carries this program's frame: an outer line of index 15 and an inner
// line of index 0, one pixel wide each, on all four sides.
bool hasPixmoteBorder(const ShownCanvas& canvas);

// The file's bytes (empty when it cannot be read).
std::vector<std::uint8_t> readFileBytes(const std::string& path);
