// Enlarged ticks: a full-change tick at 320 x 240 through quantizeFrame and trackFrame with the
// writer at x1..x4, against giflib alone encoding the same enlarged image (its rows prepared
// before the clock runs, so giflib's side is the encoding only). Allocations are counted
// around the pipeline's tick: enlarging must add none.
#include "bench/alloc_counter.h"
#include "bench/bench.h"
#include "bench/giflib_alone.h"

#include "capture/quantize.h"
#include "capture/tracking.h"
#include "gif/animation_writer.h"

#include <benchmark/benchmark.h>

#include <cstddef>
#include <string>
#include <vector>

#include <gif_lib.h>

namespace {

const char kSink[] = "/dev/null";
constexpr FrameSize kSize = {320, 240};

std::size_t frameBytes() {
    return static_cast<std::size_t>(kSize.width) * static_cast<std::size_t>(kSize.height);
}

void enlargedTicks(benchmark::State& state, int k) {
    Scene scene = makeScene(kSize.width, kSize.height, Motion::Full);
    std::vector<std::uint8_t> previous(frameBytes(), 0);
    std::vector<std::uint8_t> current(frameBytes(), 0);
    const TickInputs inputs;
    if (!beginAnimation(kSink, kSize.width, kSize.height, k)) {
        state.SkipWithError("cannot open /dev/null");
        return;
    }
    beginTracking(inputs.delayStep);
    for (int i = 0; i < 4; ++i) {
        if (i > 0) {
            advanceScene(scene, Buffers::Pixels);
        }
        quantizeFrame(scenePixels(scene), kSize.width, kSize.height, current.data());
        trackFrame(previous.data(), current.data(), kSize.width, kSize.height, inputs);
    }
    resetAllocationCounts();
    for (auto _ : state) {
        advanceScene(scene, Buffers::Pixels);
        countAllocations(true);
        quantizeFrame(scenePixels(scene), kSize.width, kSize.height, current.data());
        trackFrame(previous.data(), current.data(), kSize.width, kSize.height, inputs);
        countAllocations(false);
    }
    const AllocCounts counts = allocationCounts();
    state.counters["allocs_ours"] =
        benchmark::Counter(static_cast<double>(counts.other), benchmark::Counter::kAvgIterations);
    state.counters["allocs_giflib"] =
        benchmark::Counter(static_cast<double>(counts.giflib), benchmark::Counter::kAvgIterations);
    flushPendingFrame(previous.data());
    endAnimation();
}

// The whole changed frame, enlarged beforehand, as one region image at (2k, 2k).
void giflibEnlarged(benchmark::State& state, int k) {
    Scene scene = makeScene(kSize.width, kSize.height, Motion::Full);
    const int width = kSize.width * k;
    const int height = kSize.height * k;
    GifFileType* file = openGiflibAlone(kSink, static_cast<std::int16_t>((kSize.width + 4) * k - 4),
                                        static_cast<std::int16_t>((kSize.height + 4) * k - 4));
    if (file == nullptr) {
        state.SkipWithError("cannot open /dev/null");
        return;
    }
    std::vector<std::uint8_t> image(static_cast<std::size_t>(width) *
                                    static_cast<std::size_t>(height));
    for (auto _ : state) {
        state.PauseTiming();
        advanceScene(scene, Buffers::Levels);
        const std::uint8_t* levels = sceneLevels(scene);
        for (int y = 0; y < height; ++y) {
            for (int x = 0; x < width; ++x) {
                image[static_cast<std::size_t>(y * width + x)] =
                    levels[static_cast<std::size_t>((y / k) * kSize.width + x / k)];
            }
        }
        state.ResumeTiming();
        putDelay(file, 16);
        EGifPutImageDesc(file, 2 * k, 2 * k, width, height, false, nullptr);
        for (int y = 0; y < height; ++y) {
            EGifPutLine(file, image.data() + static_cast<std::size_t>(y * width), width);
        }
    }
    closeGiflibAlone(file);
}

}  // namespace

void registerEnlargeBenchmarks() {
    for (int k = 1; k <= 4; ++k) {
        // Built by appending: "x" + std::to_string(k) trips a false -Wrestrict in GCC 12's
        // optimised builds.
        std::string suffix = "x";
        suffix += std::to_string(k);
        suffix += "/320x240";
        benchmark::RegisterBenchmark(("enlarge/tick/full/" + suffix).c_str(), enlargedTicks, k)
            ->Unit(benchmark::kMicrosecond);
        benchmark::RegisterBenchmark(("enlarge/giflib/full/" + suffix).c_str(), giflibEnlarged, k)
            ->Unit(benchmark::kMicrosecond);
    }
}
