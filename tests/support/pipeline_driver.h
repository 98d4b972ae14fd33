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
    std::function<void(int tick)> beforeTick;  // optional, runs before each tick (1-based)
};

struct PipelineResult {
    bool opened = false;        // beginAnimation succeeded
    int ticks = 0;              // ticks run
    bool endedByStill = false;  // a StillMode tick ended the recording (no flush)
};

// Runs one recording into the file at path. The Settings record is set from input for the run
// and restored afterwards.
PipelineResult runPipeline(const PipelineInput& input, const char* path);
