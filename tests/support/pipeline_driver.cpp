#include "tests/support/pipeline_driver.h"

#include "capture/colour_frame.h"
#include "capture/quantize.h"
#include "capture/tracking.h"
#include "gif/animation_writer.h"

#include <cstddef>

PipelineResult runPipeline(const PipelineInput& input, const char* path) {
    PipelineResult result;
    TickInputs inputs{delayStepOf(input.timerMultiplier), input.stillMode};

    // The session's GrayFrames, zero-filled when made.
    const std::size_t frameSize = static_cast<std::size_t>(input.width) *
                                  static_cast<std::size_t>(input.height) * (input.colour ? 4 : 1);
    std::vector<std::uint8_t> previous(frameSize, 0);
    std::vector<std::uint8_t> current(frameSize, 0);

    result.opened = input.colour ? beginColourAnimation(path, input.width, input.height)
                                 : beginAnimation(path, input.width, input.height);
    if (!result.opened) {
        return result;
    }
    beginTracking(inputs.delayStep);
    if (input.colour) {
        trackColourFrames();
    }

    for (std::size_t s = 0; s < input.screens.size() && !result.endedByStill; ++s) {
        const int repeat = input.ticks.empty() ? 1 : input.ticks[s];
        for (int i = 0; i < repeat; ++i) {
            const int tick = result.ticks + 1;
            if (input.stillModeFromTick > 0 && tick >= input.stillModeFromTick) {
                inputs.stillMode = true;
            }
            if (input.multiplierAt) {
                inputs.delayStep = delayStepOf(input.multiplierAt(tick));
            }
            if (input.colour) {
                colourFrame(input.screens[s].data(), input.width, input.height, current.data());
            } else {
                quantizeFrame(input.screens[s].data(), input.width, input.height, current.data());
            }
            result.ticks = tick;
            if (trackFrame(previous.data(), current.data(), input.width, input.height, inputs) ==
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
    return result;
}
