// Test support: the round-trip reference. What a viewer must show when a recording's screens go
// through the tick pipeline (quantization, change tracking, writer), worked out tick by tick from
// the screens' red bytes alone, independently of the quantization and tracking code.
// Used by the round-trip tests and the pipeline fuzzer; plain code, no test framework.
//
// The rules it encodes: each screen's levels are stretched between its own lightest red (0) and
// darkest red (15); the shown picture changes at the ticks whose levels differ from the picture
// on show; each picture lasts the delay steps (16 x the timer multiplier of each tick) of its
// ticks, the last one up to and including the stop's tick, a sum that stops at 65535. A StillMode
// tick (the second tick at the earliest) ends it all with the picture on show as one more image
// without a delay.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

// The levels of one screen given as its red bytes.
std::vector<std::uint8_t> referenceLevels(const std::vector<std::uint8_t>& reds);

struct ReferencePlan {
    std::vector<std::vector<std::uint8_t>> reds;  // per screen, one red byte per pixel
    std::vector<int> ticks;                       // per screen, how many ticks it is grabbed
    std::function<int(int tick)> multiplierAt;    // TimerMultiplier of a tick (1-based)
    bool stillMode = false;                       // StillMode from the start
    int stillModeFromTick = 0;                    // > 0: switched on just before this tick
    // A recording in colour: each screen's frame as it is (4 bytes a pixel), compared and shown
    // in place of the levels of reds.
    std::vector<std::vector<std::uint8_t>> colourFrames;
};

struct ReferenceShown {
    std::vector<std::uint8_t> frame;     // the W x H levels inside the border (colour: the frame)
    std::optional<std::uint16_t> delay;  // none for the image that ends a StillMode recording
};

struct ReferenceRecording {
    std::vector<ReferenceShown> shown;  // one per image, in file order
    int ticks = 0;                      // ticks the recording runs
    bool endedByStill = false;          // a StillMode tick ended it
};

// The plan must hold at least one tick.
ReferenceRecording referenceRecording(const ReferencePlan& plan);
