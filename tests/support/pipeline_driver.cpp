#include "tests/support/pipeline_driver.h"

#include "app/settings.h"
#include "capture/quantize.h"
#include "capture/tracking.h"
#include "gif/animation_writer.h"

#include <cstddef>

PipelineResult runPipeline(const PipelineInput& input, const char* path) {
    PipelineResult result;
    const Settings saved = settings;
    settings.timerMultiplier = input.timerMultiplier;
    settings.stillMode = input.stillMode;

    // The session's GrayFrames, zero-filled when made.
    const std::size_t frameSize =
        static_cast<std::size_t>(input.width) * static_cast<std::size_t>(input.height);
    std::vector<std::uint8_t> previous(frameSize, 0);
    std::vector<std::uint8_t> current(frameSize, 0);

    result.opened = beginAnimation(path, input.width, input.height);
    if (!result.opened) {
        settings = saved;
        return result;
    }
    beginTracking();

    for (std::size_t s = 0; s < input.screens.size() && !result.endedByStill; ++s) {
        const int repeat = input.ticks.empty() ? 1 : input.ticks[s];
        for (int i = 0; i < repeat; ++i) {
            const int tick = result.ticks + 1;
            if (input.stillModeFromTick > 0 && tick >= input.stillModeFromTick) {
                settings.stillMode = true;
            }
            if (input.beforeTick) {
                input.beforeTick(tick);
            }
            quantizeFrame(input.screens[s].data(), input.width, input.height, current.data());
            result.ticks = tick;
            if (trackFrame(previous.data(), current.data(), input.width, input.height) ==
                TrackOutcome::StillImageWritten) {
                result.endedByStill = true;
                break;
            }
        }
    }

    if (!result.endedByStill) {
        flushPendingFrame(previous.data());
    }
    endAnimation();
    settings = saved;
    return result;
}
