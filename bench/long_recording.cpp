// Peak memory of one long recording: the sparse sequence ticked into a real temporary file,
// the way a recording of a mostly still calculator screen runs for minutes. Prints resident
// memory before the recording, after the start, along the ticks and at the end, with the
// process's peak, and the heap allocations of each phase.
#include "bench/alloc_counter.h"
#include "bench/bench.h"

#include "capture/quantize.h"
#include "capture/tracking.h"
#include "gif/animation_writer.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

// A field of /proc/self/status in KiB: VmRSS (resident now) or VmHWM (the peak so far; the
// kernel updates getrusage's peak only lazily).
long statusKiB(const char* field) {
    std::FILE* status = std::fopen("/proc/self/status", "r");
    if (status == nullptr) {
        return -1;
    }
    char line[256];
    long kib = -1;
    while (std::fgets(line, sizeof line, status) != nullptr) {
        const std::size_t length = std::strlen(field);
        if (std::strncmp(line, field, length) == 0 && line[length] == ':') {
            kib = std::strtol(line + length + 1, nullptr, 10);
        }
    }
    std::fclose(status);
    return kib;
}

long residentKiB() {
    return statusKiB("VmRSS");
}

long peakKiB() {
    return statusKiB("VmHWM");
}

void printAllocations(const char* phase) {
    const AllocCounts counts = allocationCounts();
    std::printf("allocations %-8s ours+runtime %llu, giflib %llu\n", phase,
                static_cast<unsigned long long>(counts.other),
                static_cast<unsigned long long>(counts.giflib));
    resetAllocationCounts();
}

}  // namespace

int runLongRecording(long ticks, FrameSize size) {
    std::string path = "/tmp/pixmote-bench-recording-XXXXXX";
    const int fd = mkstemp(path.data());
    if (fd < 0) {
        std::perror("mkstemp");
        return 1;
    }
    close(fd);

    const long before = residentKiB();
    // The session's buffers: the screen copy (in the scene) and the two GrayFrames.
    Scene scene = makeScene(size.width, size.height, Motion::Sparse);
    const std::size_t bytes =
        static_cast<std::size_t>(size.width) * static_cast<std::size_t>(size.height);
    std::vector<std::uint8_t> previous(bytes, 0);
    std::vector<std::uint8_t> current(bytes, 0);
    const TickInputs inputs;  // 110 ms, animation
    const long buffers = residentKiB();

    resetAllocationCounts();
    countAllocations(true);
    if (!beginAnimation(path.c_str(), size.width, size.height)) {
        std::fprintf(stderr, "cannot open %s\n", path.c_str());
        return 1;
    }
    beginTracking(inputs.delayStep);
    countAllocations(false);
    printAllocations("start");
    const long started = residentKiB();
    std::printf("recording %ld ticks of %s (sparse) into %s\n", ticks, sizeName(size).c_str(),
                path.c_str());
    std::printf("resident KiB: before %ld, with buffers %ld, after start %ld\n", before, buffers,
                started);

    for (long tick = 0; tick < ticks; ++tick) {
        if (tick > 0) {
            advanceScene(scene, Buffers::Pixels);
        }
        countAllocations(true);
        quantizeFrame(scenePixels(scene), size.width, size.height, current.data());
        trackFrame(previous.data(), current.data(), size.width, size.height, inputs);
        countAllocations(false);
        if ((tick + 1) % (ticks / 10 > 0 ? ticks / 10 : 1) == 0) {
            std::printf("resident KiB after tick %ld: %ld\n", tick + 1, residentKiB());
        }
    }
    printAllocations("ticks");

    countAllocations(true);
    flushPendingFrame(previous.data());
    endAnimation();
    countAllocations(false);
    printAllocations("stop");

    struct stat info {};
    stat(path.c_str(), &info);
    std::printf("file %lld bytes\n", static_cast<long long>(info.st_size));
    const long peak = peakKiB();
    std::printf("resident KiB at the end %ld, peak (VmHWM) %ld, peak above the start %ld\n",
                residentKiB(), peak, peak - started);
    std::remove(path.c_str());
    return 0;
}
