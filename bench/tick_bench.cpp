// The timed ticks. Each benchmark opens its output once and then loops steady-state ticks:
// the pipeline side runs quantizeFrame and trackFrame exactly as captureTick does after the
// grab; the giflib side writes the same delay blocks and rectangles of the same levels straight
// through giflib. Both write to /dev/null through giflib's stdio buffering. Allocations are
// counted around the tick only, not around the scene's step.
#include "bench/alloc_counter.h"
#include "bench/bench.h"
#include "bench/giflib_alone.h"

#include "capture/quantize.h"
#include "capture/tracking.h"
#include "gif/animation_writer.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstddef>
#include <string>
#include <vector>

namespace {

const char kSink[] = "/dev/null";
constexpr std::uint16_t kDelayStep = 16;

std::size_t frameBytes(FrameSize size) {
    return static_cast<std::size_t>(size.width) * static_cast<std::size_t>(size.height);
}

void reportAllocations(benchmark::State& state) {
    const AllocCounts counts = allocationCounts();
    state.counters["allocs_ours"] =
        benchmark::Counter(static_cast<double>(counts.other), benchmark::Counter::kAvgIterations);
    state.counters["allocs_giflib"] =
        benchmark::Counter(static_cast<double>(counts.giflib), benchmark::Counter::kAvgIterations);
}

// quantizeFrame and trackFrame over the sequence, the writer open on /dev/null.
void pipelineTicks(benchmark::State& state, FrameSize size, Motion motion) {
    Scene scene = makeScene(size.width, size.height, motion);
    std::vector<std::uint8_t> previous(frameBytes(size), 0);
    std::vector<std::uint8_t> current(frameBytes(size), 0);
    const TickInputs inputs;  // 110 ms, animation
    if (!beginAnimation(kSink, size.width, size.height)) {
        state.SkipWithError("cannot open /dev/null");
        return;
    }
    beginTracking(inputs.delayStep);
    // The first tick makes the first screen pending, the second writes the framed image; a
    // few more so that every later tick is an ordinary one.
    for (int i = 0; i < 4; ++i) {
        if (i > 0) {
            advanceScene(scene, Buffers::Pixels);
        }
        quantizeFrame(scenePixels(scene), size.width, size.height, current.data());
        trackFrame(previous.data(), current.data(), size.width, size.height, inputs);
    }

    resetAllocationCounts();
    for (auto _ : state) {
        advanceScene(scene, Buffers::Pixels);
        countAllocations(true);
        quantizeFrame(scenePixels(scene), size.width, size.height, current.data());
        trackFrame(previous.data(), current.data(), size.width, size.height, inputs);
        countAllocations(false);
    }
    reportAllocations(state);

    flushPendingFrame(previous.data());
    endAnimation();
}

// The same images through giflib alone: a delay block and the changed rectangle per tick.
void giflibTicks(benchmark::State& state, FrameSize size, Motion motion) {
    Scene scene = makeScene(size.width, size.height, motion);
    GifFileType* file = openGiflibAlone(kSink, size.width, size.height);
    if (file == nullptr) {
        state.SkipWithError("cannot open /dev/null");
        return;
    }
    putDelay(file, kDelayStep);
    putFramed(file, sceneLevels(scene), size.width, size.height);

    resetAllocationCounts();
    for (auto _ : state) {
        advanceScene(scene, Buffers::Levels);
        Rect change;
        countAllocations(true);
        if (sceneChange(scene, change)) {
            putDelay(file, kDelayStep);
            putRegion(file, sceneLevels(scene), size.width, change);
        }
        countAllocations(false);
    }
    reportAllocations(state);
    closeGiflibAlone(file);
}

// quantizeFrame alone on an unchanging screen.
void quantizeOnly(benchmark::State& state, FrameSize size) {
    Scene scene = makeScene(size.width, size.height, Motion::Still);
    std::vector<std::uint8_t> frame(frameBytes(size), 0);
    for (auto _ : state) {
        quantizeFrame(scenePixels(scene), size.width, size.height, frame.data());
        benchmark::ClobberMemory();
    }
}

// trackFrame alone on two equal frames: the ChangeBox scan of an unchanged tick.
void compareOnly(benchmark::State& state, FrameSize size) {
    Scene scene = makeScene(size.width, size.height, Motion::Still);
    std::vector<std::uint8_t> previous(frameBytes(size), 0);
    std::vector<std::uint8_t> current(frameBytes(size), 0);
    quantizeFrame(scenePixels(scene), size.width, size.height, current.data());
    const TickInputs inputs;  // 110 ms, animation
    beginTracking(inputs.delayStep);
    trackFrame(previous.data(), current.data(), size.width, size.height, inputs);  // first tick
    for (auto _ : state) {
        trackFrame(previous.data(), current.data(), size.width, size.height, inputs);
        benchmark::ClobberMemory();
    }
}

// One step of the sparse sequence (the block erased and drawn again in the pixels), which
// the sparse tick timing includes.
void sceneStepOnly(benchmark::State& state, FrameSize size) {
    Scene scene = makeScene(size.width, size.height, Motion::Sparse);
    for (auto _ : state) {
        advanceScene(scene, Buffers::Pixels);
        benchmark::ClobberMemory();
    }
}

// Every benchmark also reports the best and the worst of its repetitions.
benchmark::internal::Benchmark* withExtremes(benchmark::internal::Benchmark* bench) {
    return bench->Unit(benchmark::kMicrosecond)
        ->ComputeStatistics("min",
                            [](const std::vector<double>& values) {
                                return *std::min_element(values.begin(), values.end());
                            })
        ->ComputeStatistics("max", [](const std::vector<double>& values) {
            return *std::max_element(values.begin(), values.end());
        });
}

}  // namespace

std::string sizeName(FrameSize size) {
    return std::to_string(size.width) + "x" + std::to_string(size.height);
}

void registerTickBenchmarks() {
    for (const FrameSize size : kSizes) {
        const std::string suffix = sizeName(size);
        for (const Motion motion : kMotions) {
            const std::string sequence = motionName(motion);
            withExtremes(benchmark::RegisterBenchmark(("tick/" + sequence + "/" + suffix).c_str(),
                                                      pipelineTicks, size, motion));
            if (motion != Motion::Still) {
                withExtremes(benchmark::RegisterBenchmark(
                    ("giflib/" + sequence + "/" + suffix).c_str(), giflibTicks, size, motion));
            }
        }
        withExtremes(
            benchmark::RegisterBenchmark(("quantize/" + suffix).c_str(), quantizeOnly, size));
        withExtremes(
            benchmark::RegisterBenchmark(("compare/" + suffix).c_str(), compareOnly, size));
        withExtremes(
            benchmark::RegisterBenchmark(("scene/sparse/" + suffix).c_str(), sceneStepOnly, size));
    }
}
