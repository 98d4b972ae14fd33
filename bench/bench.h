// The benchmark binary's parts, called from main.cpp only.
//
//   tick_bench.cpp      registerTickBenchmarks: the timed ticks, giflib alone, the components
//   output_check.cpp    checkOutputs: before timing, proves both sides write the same bytes
//   long_recording.cpp  runLongRecording: peak memory of one long recording
#pragma once

#include "bench/scenes.h"

#include <cstdint>
#include <string>
#include <vector>

struct FrameSize {
    std::int16_t width;
    std::int16_t height;
};

inline constexpr FrameSize kSizes[] = {{96, 64}, {128, 64}, {320, 240}};
inline constexpr Motion kMotions[] = {Motion::Still, Motion::Sparse, Motion::Full};

// "96x64"
std::string sizeName(FrameSize size);

// Registers, for every size and sequence, "tick/<sequence>/<size>" (quantizeFrame and
// trackFrame, writing to /dev/null) and, where a tick writes, "giflib/<sequence>/<size>"; and
// per size the components "quantize/<size>", "compare/<size>" and "scene/sparse/<size>".
void registerTickBenchmarks();

// enlarge_bench.cpp: "enlarge/tick/full/xK/320x240" (the full-change tick with the writer at
// xK, K = 1..4) and "enlarge/giflib/full/xK/320x240" (giflib alone encoding that image).
void registerEnlargeBenchmarks();

// What one sequence writes, checked before anything is timed.
struct OutputCheck {
    FrameSize size{};
    Motion motion = Motion::Still;
    bool identical = false;   // the pipeline's file equals giflib alone's, byte for byte
    double bytesPerTick = 0;  // GIF bytes written per steady-state tick
    std::string problem;      // why not identical, empty otherwise
};

// Runs every size and sequence through the pipeline and through giflib alone into temporary
// files and compares them; also checks that every screen quantizes to the levels it was drawn
// with. True when all match.
bool checkOutputs(std::vector<OutputCheck>& checks);

// One recording of ticks ticks of the sparse sequence into a temporary file, reporting resident
// memory along the way and the allocations of each phase. Returns the process exit code.
int runLongRecording(long ticks, FrameSize size);
