// Before anything is timed: the pipeline and giflib alone must write the same bytes for the
// same sequence, or the ratio between them would compare different work. The pipeline's file
// (the first tick pending, the framed image at the second, then one region per tick, ended
// without the flush) must equal giflib alone's (the same header, the framed image of the first
// screen, then one region per step), byte for byte.
#include "bench/bench.h"
#include "bench/giflib_alone.h"

#include "capture/quantize.h"
#include "capture/tracking.h"
#include "gif/animation_writer.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

constexpr std::uint16_t kDelayStep = 16;

std::vector<char> readAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<char>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::string temporaryPath(const char* tag) {
    std::string pattern = std::string("/tmp/pixmote-bench-") + tag + "-XXXXXX";
    const int fd = mkstemp(pattern.data());
    if (fd >= 0) {
        close(fd);
    }
    return pattern;
}

// ticks ticks through quantizeFrame and trackFrame. False when a screen does not quantize to
// the levels it was drawn with.
bool writePipeline(const std::string& path, FrameSize size, Motion motion, int ticks) {
    Scene scene = makeScene(size.width, size.height, motion);
    const std::size_t bytes =
        static_cast<std::size_t>(size.width) * static_cast<std::size_t>(size.height);
    std::vector<std::uint8_t> previous(bytes, 0);
    std::vector<std::uint8_t> current(bytes, 0);
    const TickInputs inputs;  // 110 ms, animation
    bool levelsMatch = beginAnimation(path.c_str(), size.width, size.height);
    beginTracking(inputs.delayStep);
    for (int tick = 0; tick < ticks && levelsMatch; ++tick) {
        if (tick > 0) {
            advanceScene(scene, Buffers::Both);
        }
        quantizeFrame(scenePixels(scene), size.width, size.height, current.data());
        levelsMatch = std::memcmp(current.data(), sceneLevels(scene), bytes) == 0;
        trackFrame(previous.data(), current.data(), size.width, size.height, inputs);
    }
    endAnimation();
    return levelsMatch;
}

// The same file through giflib alone; regions images after the framed one.
void writeGiflibAlone(const std::string& path, FrameSize size, Motion motion, int regions) {
    Scene scene = makeScene(size.width, size.height, motion);
    GifFileType* file = openGiflibAlone(path.c_str(), size.width, size.height);
    if (file == nullptr) {
        return;
    }
    if (motion != Motion::Still) {
        putDelay(file, kDelayStep);
        putFramed(file, sceneLevels(scene), size.width, size.height);
        for (int i = 0; i < regions; ++i) {
            advanceScene(scene, Buffers::Levels);
            Rect change;
            sceneChange(scene, change);
            putDelay(file, kDelayStep);
            putRegion(file, sceneLevels(scene), size.width, change);
        }
    }
    closeGiflibAlone(file);
}

OutputCheck check(FrameSize size, Motion motion) {
    OutputCheck result;
    result.size = size;
    result.motion = motion;
    // Sparse: one whole back-and-forth cycle of the block; the others repeat every tick or two.
    const int regions = motion == Motion::Sparse ? 2 * (size.width - 10) : 40;
    const int ticks = regions + 2;

    const std::string ours = temporaryPath("pipeline");
    const std::string alone = temporaryPath("giflib");
    const std::string head = temporaryPath("head");
    if (!writePipeline(ours, size, motion, ticks)) {
        result.problem = "a screen did not quantize to the levels it was drawn with";
    }
    writeGiflibAlone(alone, size, motion, regions);
    writeGiflibAlone(head, size, motion, 0);

    const std::vector<char> oursBytes = readAll(ours);
    const std::vector<char> aloneBytes = readAll(alone);
    const std::vector<char> headBytes = readAll(head);
    std::remove(ours.c_str());
    std::remove(alone.c_str());
    std::remove(head.c_str());

    if (result.problem.empty() && oursBytes != aloneBytes) {
        result.problem = "files differ (" + std::to_string(oursBytes.size()) + " and " +
                         std::to_string(aloneBytes.size()) + " bytes)";
    }
    if (result.problem.empty() && oursBytes.size() < 97) {
        result.problem = "file too short";
    }
    result.identical = result.problem.empty();
    result.bytesPerTick =
        static_cast<double>(aloneBytes.size() - headBytes.size()) / static_cast<double>(regions);
    return result;
}

}  // namespace

bool checkOutputs(std::vector<OutputCheck>& checks) {
    bool all = true;
    for (const FrameSize size : kSizes) {
        for (const Motion motion : kMotions) {
            const OutputCheck result = check(size, motion);
            std::printf("check %-8s %-6s %s, %.0f GIF bytes per tick\n", sizeName(size).c_str(),
                        motionName(motion),
                        result.identical ? "same bytes" : result.problem.c_str(),
                        result.bytesPerTick);
            all = all && result.identical;
            checks.push_back(result);
        }
    }
    return all;
}
