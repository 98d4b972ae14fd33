// Test support: the round-trip reference, worked out from the screens alone.
#include "tests/support/roundtrip_reference.h"

#include <algorithm>
#include <cstddef>

std::vector<std::uint8_t> referenceLevels(const std::vector<std::uint8_t>& reds) {
    std::vector<std::uint8_t> levels;
    if (reds.empty()) {
        return levels;
    }
    const auto [darkest, lightest] = std::minmax_element(reds.begin(), reds.end());
    const int range = *lightest - *darkest;
    levels.reserve(reds.size());
    for (std::uint8_t r : reds) {
        levels.push_back(static_cast<std::uint8_t>(range == 0 ? 0 : (*lightest - r) * 15 / range));
    }
    return levels;
}

ReferenceRecording referenceRecording(const ReferencePlan& plan) {
    ReferenceRecording recording;
    int total = 0;
    for (int t : plan.ticks) {
        total += t;
    }
    int stillTick = 0;
    if (plan.stillMode) {
        stillTick = 2;
    } else if (plan.stillModeFromTick > 0) {
        stillTick = std::max(plan.stillModeFromTick, 2);
    }
    recording.ticks = total;
    if (stillTick > 0 && stillTick <= total) {
        recording.ticks = stillTick;
        recording.endedByStill = true;
    }
    // A StillMode tick shows nothing new: the picture on show before it is the last image.
    const int shownTicks = recording.endedByStill ? recording.ticks - 1 : recording.ticks;

    int tick = 0;  // ticks done
    int sum = 0;   // steps of the picture on show so far
    const bool colour = !plan.colourFrames.empty();
    const std::size_t screens = colour ? plan.colourFrames.size() : plan.reds.size();
    for (std::size_t s = 0; s < screens && tick < shownTicks; ++s) {
        // A screen's levels are the same at each of its ticks: only its first tick can change
        // the picture.
        const std::vector<std::uint8_t> levels =
            colour ? plan.colourFrames[s] : referenceLevels(plan.reds[s]);
        for (int k = 0; k < plan.ticks[s] && tick < shownTicks; ++k) {
            if (tick == 0 || (k == 0 && levels != recording.shown.back().frame)) {
                if (tick > 0) {
                    recording.shown.back().delay = static_cast<std::uint16_t>(std::min(sum, 65535));
                }
                recording.shown.push_back({levels, std::nullopt});
                sum = 0;
            }
            ++tick;
            sum += 16 * plan.multiplierAt(tick);
        }
    }
    if (!recording.endedByStill && !recording.shown.empty()) {
        recording.shown.back().delay = static_cast<std::uint16_t>(std::min(sum, 65535));
    }
    return recording;
}
