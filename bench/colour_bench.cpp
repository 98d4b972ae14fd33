// The colour recording's ticks at 320 x 240: an unchanged tick (colourFrame and trackFrame on
// equal screens), a full-change tick (every pixel changes colour, every image in the first
// image's table) against giflib alone writing the same indexed image, and the reduction of a
// screen of more than 256 colours (counting, the frequency-first table, the indices).
#include "bench/alloc_counter.h"
#include "bench/bench.h"

#include "capture/colour_frame.h"
#include "capture/tracking.h"
#include "gif/animation_writer.h"
#include "gif/palette_table.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include <gif_lib.h>

namespace {

const char kSink[] = "/dev/null";
constexpr std::int16_t kWidth = 320;
constexpr std::int16_t kHeight = 240;
constexpr std::size_t kPixels = std::size_t{kWidth} * kHeight;

// A colour calculator's screen as 0x00RRGGBB words: a white page, an orange status bar, lines
// of dark text with antialiasing steps (a new shade at every pixel: the hardest case for the
// colour count), and three coloured curves. shift rotates every colour
// to the next one of the screen's own colours, so that two shifts differ at every pixel.
std::vector<std::uint32_t> calculatorColours() {
    std::vector<std::uint32_t> colours = {0xFFFEFF, 0xFFB531, 0x626973, 0x000000,
                                          0xC03535, 0x357ABF, 0x55A650};
    for (int i = 1; i < 24; ++i) {  // antialiasing between the text and the page
        const int v = 0x30 + i * 8;
        colours.push_back(static_cast<std::uint32_t>(v << 16 | v << 8 | (v + 4)));
    }
    for (int i = 1; i < 10; ++i) {  // and between the curves and the page
        colours.push_back(static_cast<std::uint32_t>(0xC0 + i * 6) << 16 |
                          static_cast<std::uint32_t>(0x35 + i * 20) << 8 |
                          static_cast<std::uint32_t>(0x35 + i * 20));
    }
    return colours;
}

std::vector<std::uint32_t> calculatorScreen(std::size_t shift) {
    const std::vector<std::uint32_t> colours = calculatorColours();
    const auto colour = [&](std::size_t i) { return colours[(i + shift) % colours.size()]; };
    std::vector<std::uint32_t> screen(kPixels, colour(0));
    for (int y = 0; y < kHeight; ++y) {
        for (int x = 0; x < kWidth; ++x) {
            std::size_t c = 0;
            if (y < 18) {
                c = 1;
            } else if (y % 20 > 6 && y % 20 < 16 && (x / 3 + y / 20) % 5 < 3) {
                c = 7 + static_cast<std::size_t>((x * 7 + y * 3) % 23);  // text and its edges
            } else if (std::abs(y - 120 - (x % 80) / 2) < 2) {
                c = 4 + static_cast<std::size_t>(x / 107);  // three curves
            } else if (std::abs(y - 200 + (x % 60)) < 2) {
                c = 30 + static_cast<std::size_t>(x % 9);
            }
            screen[static_cast<std::size_t>(y * kWidth + x)] = colour(c);
        }
    }
    // Every colour once in the bottom row, so that both screens hold the same colours and every
    // image after the first is written with the first image's table.
    for (std::size_t c = 0; c < colours.size(); ++c) {
        screen[static_cast<std::size_t>(kHeight - 1) * kWidth + c] = colour(c);
    }
    return screen;
}

// The screen as the grab leaves it: blue, green, red, and a reserved byte that is not zero.
std::vector<std::uint8_t> asPixels(const std::vector<std::uint32_t>& screen) {
    std::vector<std::uint8_t> pixels(kPixels * 4);
    for (std::size_t i = 0; i < kPixels; ++i) {
        const std::uint32_t word = screen[i] | 0xFF000000u;
        std::memcpy(&pixels[i * 4], &word, 4);
    }
    return pixels;
}

void reportAllocations(benchmark::State& state) {
    const AllocCounts counts = allocationCounts();
    state.counters["allocs_ours"] =
        benchmark::Counter(static_cast<double>(counts.other), benchmark::Counter::kAvgIterations);
    state.counters["allocs_giflib"] =
        benchmark::Counter(static_cast<double>(counts.giflib), benchmark::Counter::kAvgIterations);
}

// colourFrame and trackFrame, the colour writer open on /dev/null; full: the screen and its
// shifted twin alternate, otherwise the screen stays.
void colourTicks(benchmark::State& state, bool full) {
    const std::vector<std::uint8_t> screens[2] = {asPixels(calculatorScreen(0)),
                                                  asPixels(calculatorScreen(1))};
    std::vector<std::uint8_t> previous(kPixels * 4, 0);
    std::vector<std::uint8_t> current(kPixels * 4, 0);
    const TickInputs inputs;
    if (!beginColourAnimation(kSink, kWidth, kHeight)) {
        state.SkipWithError("cannot open /dev/null");
        return;
    }
    beginTracking(inputs.delayStep);
    trackColourFrames();
    long step = 0;
    for (int i = 0; i < 4; ++i, ++step) {
        colourFrame(screens[full ? step % 2 : 0].data(), kWidth, kHeight, current.data());
        trackFrame(previous.data(), current.data(), kWidth, kHeight, inputs);
    }
    resetAllocationCounts();
    for (auto _ : state) {
        const std::uint8_t* pixels = screens[full ? step % 2 : 0].data();
        ++step;
        countAllocations(true);
        colourFrame(pixels, kWidth, kHeight, current.data());
        trackFrame(previous.data(), current.data(), kWidth, kHeight, inputs);
        countAllocations(false);
    }
    reportAllocations(state);
    flushPendingFrame(previous.data());
    endAnimation();
}

// giflib alone: the same two screens as indices into one global table of their colours, each
// tick a delay block and the whole 320 x 240 image.
void giflibFullColour(benchmark::State& state) {
    const std::vector<std::uint32_t> colours = calculatorColours();
    std::map<std::uint32_t, GifPixelType> indexOf;
    GifColorType table[64] = {};
    for (std::size_t i = 0; i < colours.size(); ++i) {
        indexOf[colours[i]] = static_cast<GifPixelType>(i);
        table[i] = GifColorType{static_cast<GifByteType>(colours[i] >> 16),
                                static_cast<GifByteType>(colours[i] >> 8),
                                static_cast<GifByteType>(colours[i])};
    }
    std::vector<GifPixelType> images[2];
    for (std::size_t s = 0; s < 2; ++s) {
        for (const std::uint32_t colour : calculatorScreen(s)) {
            images[s].push_back(indexOf[colour]);
        }
    }
    int error = 0;
    GifFileType* file = EGifOpenFileName(kSink, false, &error);
    if (file == nullptr) {
        state.SkipWithError("cannot open /dev/null");
        return;
    }
    EGifSetGifVersion(file, true);
    ColorMapObject* map = GifMakeMapObject(64, table);
    EGifPutScreenDesc(file, kWidth + 4, kHeight + 4, 8, 0, map);
    GifFreeMapObject(map);
    const GifByteType record[4] = {0x04, 16, 0, 0};
    long step = 0;
    resetAllocationCounts();
    for (auto _ : state) {
        std::vector<GifPixelType>& image = images[step % 2];
        ++step;
        countAllocations(true);
        EGifPutExtension(file, 0xF9, 4, record);
        EGifPutImageDesc(file, 2, 2, kWidth, kHeight, false, nullptr);
        for (int y = 0; y < kHeight; ++y) {
            EGifPutLine(file, image.data() + static_cast<std::size_t>(y) * kWidth, kWidth);
        }
        countAllocations(false);
    }
    reportAllocations(state);
    EGifCloseFile(file, &error);
}

// A screen of more than 256 colours: shaded (a smooth two-way gradient, one colour nearly every
// pixel) or antialiased (the calculator screen with 400 rare near-colours sprinkled over it).
std::vector<std::uint32_t> manyColours(bool shaded) {
    std::vector<std::uint32_t> screen = calculatorScreen(0);
    for (std::size_t i = 0; i < kPixels; ++i) {
        const auto x = static_cast<std::uint32_t>(i % kWidth);
        const auto y = static_cast<std::uint32_t>(i / kWidth);
        if (shaded) {
            screen[i] = (x * 255 / kWidth) << 16 | (y * 255 / kHeight) << 8 | ((x + y) & 0xFF);
        } else if (i % 191 == 0) {
            // A near colour: a few levels off in each channel, different every time.
            screen[i] ^= static_cast<std::uint32_t>(i / 191 * 0x010305) & 0x0F0F0F;
        }
    }
    return screen;
}

// The reduction of one such screen: count, choose the table, every row's indices.
void reduction(benchmark::State& state, bool shaded) {
    std::vector<std::uint8_t> frame(kPixels * 4);
    const std::vector<std::uint32_t> screen = manyColours(shaded);
    std::memcpy(frame.data(), screen.data(), frame.size());
    if (!paletteMake(static_cast<std::int64_t>(kPixels))) {
        state.SkipWithError("no tables");
        return;
    }
    const std::uint32_t border[2] = {0x000000, 0xFFFFFF};
    std::vector<std::uint8_t> row(kWidth);
    ImagePalette table;
    std::int64_t colours = 0;
    std::int64_t inexact = 0;
    resetAllocationCounts();
    for (auto _ : state) {
        countAllocations(true);
        colours = paletteCount(frame.data(), kWidth, 0, 0, kWidth, kHeight, border, 2);
        inexact = paletteChoose(&table);
        for (int y = 0; y < kHeight; ++y) {
            paletteIndexRow(y, row.data());
        }
        countAllocations(false);
        benchmark::ClobberMemory();
    }
    reportAllocations(state);
    state.counters["colours"] = static_cast<double>(colours);
    state.counters["exact_pct"] =
        100.0 * (1.0 - static_cast<double>(inexact) / static_cast<double>(kPixels));
    paletteRelease();
}

// The best and the worst repetition too, as the gray benchmarks report them.
void withExtremes(benchmark::internal::Benchmark* bench) {
    bench->Unit(benchmark::kMicrosecond)
        ->ComputeStatistics("min",
                            [](const std::vector<double>& values) {
                                return *std::min_element(values.begin(), values.end());
                            })
        ->ComputeStatistics("max", [](const std::vector<double>& values) {
            return *std::max_element(values.begin(), values.end());
        });
}

}  // namespace

void registerColourBenchmarks() {
    withExtremes(benchmark::RegisterBenchmark("colour/tick/still/320x240", colourTicks, false));
    withExtremes(benchmark::RegisterBenchmark("colour/tick/full/320x240", colourTicks, true));
    withExtremes(benchmark::RegisterBenchmark("colour/giflib/full/320x240", giflibFullColour));
    withExtremes(
        benchmark::RegisterBenchmark("colour/reduce/antialiased/320x240", reduction, false));
    withExtremes(benchmark::RegisterBenchmark("colour/reduce/shaded/320x240", reduction, true));
}
