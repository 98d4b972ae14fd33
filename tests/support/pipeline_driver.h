// A recording run without windows or timers: the writer, quantizeFrame and the change tracking
// driven tick by tick the way the capture session and captureTick drive them. For tests, the
// fuzzer and the benchmark.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

struct PipelineInput {
    std::int16_t width = 0;
    std::int16_t height = 0;
    // Screen copies, 4 x width x height bytes each: blue, green, red, reserved; top row first.
    std::vector<std::vector<std::uint8_t>> screens;
    // Ticks each screen stays grabbed; empty means one tick per screen.
    std::vector<int> ticks;
    std::int16_t timerMultiplier = 1;
    bool stillMode = false;
    int stillModeFromTick = 0;  // > 0: StillMode switched on just before this tick (1-based)
    // Optional: the timer multiplier of each tick (1-based), for a choice changed mid-recording.
    std::function<std::int16_t(int tick)> multiplierAt;
    // A recording in colour (beginColourAnimation, colourFrame) rather than in 16 grays.
    bool colour = false;
};

struct PipelineResult {
    bool opened = false;        // beginAnimation succeeded
    int ticks = 0;              // ticks run
    bool endedByStill = false;  // a StillMode tick ended the recording (no flush)
};

// Runs one recording into the file at path.
PipelineResult runPipeline(const PipelineInput& input, const char* path);
