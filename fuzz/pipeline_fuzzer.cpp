// Fuzz target: the tick pipeline end to end. The input describes a recording (frame size, timer
// choices, StillMode, a sequence of screens); the screens go through quantizeFrame, the change
// tracking and the writer into a file (runPipeline), which giflib decodes and a viewer-like
// replay plays back. Every shown canvas must carry the border and hold the quantized screen the
// reference expects, for the reference's delay; the file must be a complete GIF of this
// program's layout. Any violation aborts, so libFuzzer reports it.
//
// Input layout (bytes read from the front; a missing byte reads as 0):
//   flags    bits 0-1 timer choice (0 and 3: 1, else 1 + bits), bit 2 StillMode from the start,
//            bit 3 StillMode switched on at tick 1 + next byte, bit 4 large frame (two 16-bit
//            sizes, up to 320 x 240; else one byte each, up to 16 x 16), bit 5 a per-tick timer
//            schedule (count byte 1..8, then one choice byte each, cycled over the ticks),
//            bit 6 blue and green noise, bit 7 a recording in colour.
//   width, height, then the base red of the first screen; in colour a seed byte follows.
//   In colour each red byte picks one of 128 colours made from the seed (the colours 64 apart
//   share their red and differ in hue only); noise then varies green and blue pixel by pixel,
//   so that screens hold more than 256 colours and are reduced. Exactly the screens of at most
//   254 colours (room for the border's black and white) must show exactly.
//   Then up to 32 screens, each from the screen before it: a command byte
//            bits 0-2 rectangles (x, y, width, height, red: scaled to the frame),
//            bits 3-4 ticks (1; 2; 1 + byte; 1 + 16-bit), bit 5 a new fill (red byte) first,
//            bit 6 pseudo-random reds (seed byte) first, bit 7 one pixel (x, y, red) last.
#include "tests/support/colour_replay.h"
#include "tests/support/gif_replay.h"
#include "tests/support/pipeline_driver.h"
#include "tests/support/roundtrip_reference.h"

#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <set>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;

// Bounds that keep one run short: screens per input, ticks in all, and ticks x pixels.
constexpr int kMaxScreens = 32;
constexpr long kMaxTicks = 5000;
constexpr long kMaxPixelTicks = 1L << 19;

void require(bool condition, const char* what) {
    if (!condition) {
        std::fprintf(stderr, "pipeline_fuzzer: %s\n", what);
        std::abort();
    }
}

struct Reader {
    const std::uint8_t* data;
    std::size_t size;
    bool empty() const { return size == 0; }
    std::uint8_t byte() {
        if (size == 0) {
            return 0;
        }
        --size;
        return *data++;
    }
    int u16() { return byte() << 8 | byte(); }
};

// A byte scaled onto 0 .. extent - 1.
int scaled(std::uint8_t value, int extent) {
    return value * extent / 256;
}

// The output file: an anonymous in-memory file, reached by its /proc path, so that runs leave
// nothing on disk; a per-process file in /tmp where that is not available.
const std::string& outputPath() {
    static const std::string path = [] {
        const int fd = memfd_create("pixmote-fuzz", 0);
        if (fd >= 0) {
            return "/proc/self/fd/" + std::to_string(fd);
        }
        return "/tmp/pixmote_fuzz_" + std::to_string(getpid()) + ".gif";
    }();
    return path;
}

struct Recording {
    PipelineInput input;
    std::vector<Bytes> reds;
    std::vector<int> schedule;  // per-tick timer choices, cycled; empty: input.timerMultiplier
    std::vector<Bytes> colourFrames;  // colour: each screen's frame (blue, green, red, 0)
    bool fewColours = true;           // colour: every screen holds at most 254 colours
};

// The colour a red byte picks in a colour recording.
std::uint32_t colourOf(std::uint8_t red, std::uint8_t seed) {
    const std::uint32_t pick = red & 0x7Fu;
    std::uint32_t h = (pick % 64 + 1) * 0x9E3779B1u ^ (seed + 1u) * 0x85EBCA6Bu;
    h ^= h >> 15;
    const std::uint32_t r = (h >> 16) & 0xFF;
    std::uint32_t gb = pick < 64 ? h & 0xFFFF : (h * 0xC2B2AE35u >> 8) & 0xFFFF;
    return r << 16 | gb;
}

Recording readRecording(Reader& in) {
    Recording r;
    const std::uint8_t flags = in.byte();
    r.input.timerMultiplier = static_cast<std::int16_t>((flags & 3) == 3 ? 1 : 1 + (flags & 3));
    r.input.stillMode = (flags & 0x04) != 0;
    if ((flags & 0x08) != 0) {
        r.input.stillModeFromTick = 1 + in.byte();
    }
    if ((flags & 0x10) != 0) {
        r.input.width = static_cast<std::int16_t>(1 + in.u16() % 320);
        r.input.height = static_cast<std::int16_t>(1 + in.u16() % 240);
    } else {
        r.input.width = static_cast<std::int16_t>(1 + in.byte() % 16);
        r.input.height = static_cast<std::int16_t>(1 + in.byte() % 16);
    }
    if ((flags & 0x20) != 0) {
        const int count = 1 + in.byte() % 8;
        for (int i = 0; i < count; ++i) {
            r.schedule.push_back(1 + in.byte() % 3);
        }
    }
    const bool noise = (flags & 0x40) != 0;
    r.input.colour = (flags & 0x80) != 0;

    const int w = r.input.width;
    const int h = r.input.height;
    const long pixels = long{w} * h;
    Bytes reds(static_cast<std::size_t>(pixels), in.byte());
    const std::uint8_t seed = r.input.colour ? in.byte() : 0;
    long ticks = 0;
    long pixelTicks = 0;
    do {
        const std::uint8_t command = in.byte();
        if ((command & 0x20) != 0) {
            std::fill(reds.begin(), reds.end(), in.byte());
        }
        if ((command & 0x40) != 0) {
            std::uint32_t state = 0x9E3779B9u * (1u + in.byte());
            for (std::uint8_t& red : reds) {
                state = state * 1664525u + 1013904223u;
                red = static_cast<std::uint8_t>(state >> 24);
            }
        }
        for (int i = 0; i < (command & 7); ++i) {
            const int x0 = scaled(in.byte(), w);
            const int y0 = scaled(in.byte(), h);
            const int x1 = std::min(w, x0 + 1 + scaled(in.byte(), w));
            const int y1 = std::min(h, y0 + 1 + scaled(in.byte(), h));
            const std::uint8_t red = in.byte();
            for (int y = y0; y < y1; ++y) {
                std::fill(reds.begin() + y * w + x0, reds.begin() + y * w + x1, red);
            }
        }
        if ((command & 0x80) != 0) {
            const int x = in.byte() % w;
            const int y = in.byte() % h;
            reds[static_cast<std::size_t>(y * w + x)] = in.byte();
        }
        long repeat = 1;
        switch ((command >> 3) & 3) {
            case 1:
                repeat = 2;
                break;
            case 2:
                repeat = 1 + in.byte();
                break;
            case 3:
                repeat = 1 + in.u16();
                break;
            default:
                break;
        }
        repeat = std::min({repeat, kMaxTicks - ticks, (kMaxPixelTicks - pixelTicks) / pixels});
        if (repeat < 1) {
            break;
        }
        ticks += repeat;
        pixelTicks += repeat * pixels;
        r.reds.push_back(reds);
        r.input.ticks.push_back(static_cast<int>(repeat));
    } while (!in.empty() && static_cast<int>(r.reds.size()) < kMaxScreens);

    // The screen copies: red as given, blue and green zero or noise that must not count.
    std::uint32_t state = 12345;
    if (r.input.colour) {
        // In colour: the colour each red picks, noise in blue and green that counts, and noise
        // in the reserved byte that must not.
        for (const Bytes& screen : r.reds) {
            Bytes copy(4 * screen.size(), 0);
            Bytes frame(4 * screen.size(), 0);
            std::set<std::uint32_t> colours;
            for (std::size_t p = 0; p < screen.size(); ++p) {
                std::uint32_t colour = colourOf(screen[p], seed);
                state = state * 1664525u + 1013904223u;
                if (noise) {
                    colour ^= (state >> 8) & 0x0303u;
                }
                colours.insert(colour);
                for (int b = 0; b < 3; ++b) {
                    frame[4 * p + static_cast<std::size_t>(b)] =
                        static_cast<std::uint8_t>(colour >> (8 * b));
                    copy[4 * p + static_cast<std::size_t>(b)] =
                        frame[4 * p + static_cast<std::size_t>(b)];
                }
                copy[4 * p + 3] = static_cast<std::uint8_t>(state >> 24);
            }
            r.fewColours = r.fewColours && colours.size() <= 254;
            r.input.screens.push_back(std::move(copy));
            r.colourFrames.push_back(std::move(frame));
        }
        return r;
    }
    for (const Bytes& screen : r.reds) {
        Bytes copy(4 * screen.size(), 0);
        for (std::size_t p = 0; p < screen.size(); ++p) {
            if (noise) {
                state = state * 1664525u + 1013904223u;
                copy[4 * p] = static_cast<std::uint8_t>(state >> 8);
                copy[4 * p + 1] = static_cast<std::uint8_t>(state >> 16);
                copy[4 * p + 3] = static_cast<std::uint8_t>(state >> 24);
            }
            copy[4 * p + 2] = screen[p];
        }
        r.input.screens.push_back(std::move(copy));
    }
    return r;
}

// The 96 bytes before the first image: signature, screen, gray palette, looping block, banner.
Bytes expectedHead(int width, int height) {
    Bytes head = {'G', 'I', 'F', '8', '9', 'a'};
    const int screenWidth = width + 4;
    const int screenHeight = height + 4;
    head.insert(head.end(), {static_cast<std::uint8_t>(screenWidth & 0xFF),
                             static_cast<std::uint8_t>(screenWidth >> 8),
                             static_cast<std::uint8_t>(screenHeight & 0xFF),
                             static_cast<std::uint8_t>(screenHeight >> 8), 0xF3, 0x00, 0x00});
    for (int i = 0; i < 16; ++i) {
        const auto gray = static_cast<std::uint8_t>(255 - 17 * i);
        head.insert(head.end(), {gray, gray, gray});
    }
    const char loop[] = "NETSCAPE2.0";
    head.insert(head.end(), {0x21, 0xFF, 0x0B});
    head.insert(head.end(), loop, loop + 11);
    head.insert(head.end(), {0x03, 0x01, 0x00, 0x00, 0x00});
    const char banner[] = "Pixmote v2.0";
    head.insert(head.end(), {0x21, 0xFE, 0x0C});
    head.insert(head.end(), banner, banner + 12);
    head.push_back(0x00);
    return head;
}

struct Box {
    int left = 0;
    int top = 0;
    int right = -1;
    int bottom = -1;
};

// The columns and rows bounding the pixels in which two frames differ.
Box differences(const Bytes& before, const Bytes& after, int width, int pixelBytes) {
    Box box{width, 1 << 30, -1, -1};
    for (std::size_t i = 0; i < before.size(); ++i) {
        if (before[i] != after[i]) {
            const int x = static_cast<int>(i) / pixelBytes % width;
            const int y = static_cast<int>(i) / pixelBytes / width;
            box.left = std::min(box.left, x);
            box.right = std::max(box.right, x);
            box.top = std::min(box.top, y);
            box.bottom = std::max(box.bottom, y);
        }
    }
    return box;
}

void checkFile(const Recording& r, const ReferenceRecording& want) {
    const int w = r.input.width;
    const int h = r.input.height;
    const DecodedGif gif = decodeGif(outputPath());
    if (!gif.ok) {
        std::fprintf(stderr, "decode: %s\n", gif.error.c_str());
    }
    require(gif.ok, "the file does not decode up to its trailer");
    require(!gif.bytes.empty() && gif.bytes.back() == 0x3B, "the file does not end in the trailer");
    const bool colour = r.input.colour;
    if (colour) {
        require(gif.version == "GIF89a" && gif.screenWidth == w + 4 && gif.screenHeight == h + 4 &&
                    gif.hasGlobalMap,
                "the head of a colour file differs");
    } else {
        const Bytes head = expectedHead(w, h);
        require(gif.bytes.size() > head.size() &&
                    std::equal(head.begin(), head.end(), gif.bytes.begin()),
                "the head of the file differs");
    }

    // Records: the looping block and the banner, then a graphic control before every image
    // but the one that ends a StillMode recording, which is the last.
    const std::vector<GifRecord>& records = gif.records;
    require(records.size() >= 3, "too few records");
    require(records[0].kind == GifRecordKind::Application, "no looping block");
    require(records[1].kind == GifRecordKind::Comment, "no banner comment");
    std::size_t i = 2;
    int image = 0;
    while (i < records.size()) {
        const bool control = records[i].kind == GifRecordKind::GraphicControl;
        if (control) {
            require(records[i].controlBytes[0] == 0x04 && records[i].controlBytes[3] == 0x00 &&
                        records[i].blocks.size() == 1,
                    "graphic control is not disposal 1 without transparency");
            ++i;
        }
        require(i < records.size() && records[i].kind == GifRecordKind::Image,
                "a record other than an image after the head or a graphic control");
        const GifRecord& img = records[i];
        const bool last = i + 1 == records.size();
        require(!img.interlaced && (colour || !img.hasLocalMap),
                "image interlaced or with a local map");
        require(control || (last && want.endedByStill),
                "an image without graphic control that does not end a StillMode recording");
        const bool framed = image == 0 || !control;
        if (framed) {
            require(img.left == 0 && img.top == 0 && img.width == w + 4 && img.height == h + 4,
                    "a framed image that does not fill the screen");
        } else {
            // A region: exactly the rectangle in which the picture changed, inside the frame.
            const std::size_t k = static_cast<std::size_t>(image);
            require(k < want.shown.size(), "more images than changes");
            const Box box =
                differences(want.shown[k - 1].frame, want.shown[k].frame, w, colour ? 4 : 1);
            require(img.left == box.left + 2 && img.top == box.top + 2 &&
                        img.width == box.right - box.left + 1 &&
                        img.height == box.bottom - box.top + 1,
                    "a region that is not the changed rectangle");
        }
        ++image;
        ++i;
    }

    if (colour) {
        const ColourReplay replay = replayColourBytes(gif.bytes);
        require(replay.ok, "giflib cannot replay the colour file");
        require(replay.shown.size() == want.shown.size(), "the number of images differs");
        for (std::size_t k = 0; k < replay.shown.size(); ++k) {
            require(hasColourBorder(replay.shown[k].canvas), "a canvas without the border");
            require(replay.shown[k].delay == want.shown[k].delay, "a delay differs");
            if (!r.fewColours) {
                continue;  // reduced: not every pixel is its own colour
            }
            const RgbPicture inside = insideBorder(replay.shown[k].canvas, 2);
            const Bytes& frame = want.shown[k].frame;
            for (std::size_t p = 0; p < inside.at.size(); ++p) {
                const std::uint32_t expected = std::uint32_t{frame[4 * p]} |
                                               std::uint32_t{frame[4 * p + 1]} << 8 |
                                               std::uint32_t{frame[4 * p + 2]} << 16;
                require(inside.at[p] == expected, "a colour canvas shows another frame");
            }
        }
        return;
    }
    const std::vector<ShownCanvas> shown = replayGif(gif);
    require(shown.size() == want.shown.size(), "the number of images differs");
    for (std::size_t k = 0; k < shown.size(); ++k) {
        require(hasPixmoteBorder(shown[k]), "a canvas without the border");
        require(innerFrame(shown[k], 2) == want.shown[k].frame, "a canvas shows another frame");
        require(shown[k].delay == want.shown[k].delay, "a delay differs");
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Reader in{data, size};
    Recording r = readRecording(in);
    if (r.reds.empty()) {
        return 0;
    }
    if (!r.schedule.empty()) {
        const std::vector<int>& schedule = r.schedule;
        r.input.multiplierAt = [&schedule](int tick) {
            return static_cast<std::int16_t>(
                schedule[static_cast<std::size_t>(tick - 1) % schedule.size()]);
        };
    }

    ReferencePlan plan;
    plan.reds = r.reds;
    plan.ticks = r.input.ticks;
    const std::vector<int>& schedule = r.schedule;
    const int multiplier = r.input.timerMultiplier;
    plan.multiplierAt = [&schedule, multiplier](int tick) {
        return schedule.empty() ? multiplier
                                : schedule[static_cast<std::size_t>(tick - 1) % schedule.size()];
    };
    plan.stillMode = r.input.stillMode;
    plan.stillModeFromTick = r.input.stillModeFromTick;
    plan.colourFrames = r.colourFrames;
    const ReferenceRecording want = referenceRecording(plan);

    if (std::getenv("PIXMOTE_FUZZ_VERBOSE") != nullptr) {
        std::fprintf(stderr, "%dx%d, %zu screens, %d ticks, timer %d%s, still %s: %zu images\n",
                     r.input.width, r.input.height, r.reds.size(), want.ticks,
                     r.input.timerMultiplier, r.schedule.empty() ? "" : " (scheduled)",
                     r.input.stillMode               ? "from the start"
                     : r.input.stillModeFromTick > 0 ? "switched on"
                                                     : "off",
                     want.shown.size());
    }
    const PipelineResult result = runPipeline(r.input, outputPath().c_str());
    require(result.opened, "beginAnimation failed");
    require(result.ticks == want.ticks, "the recording ran another number of ticks");
    require(result.endedByStill == want.endedByStill, "StillMode ended it otherwise");
    checkFile(r, want);
    return 0;
}
