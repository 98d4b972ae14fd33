// The benchmark binary. Usage:
//
//   pixmote_bench [benchmark flags] [--table=FILE]
//       checks that the pipeline and giflib alone write the same bytes, runs the benchmarks
//       (Google Benchmark flags apply) and, with --table, writes the results as a Markdown
//       table: per size and sequence our tick, giflib alone, their ratio, allocations per tick
//       and GIF bytes per tick; with --benchmark_repetitions the best repetition's times and
//       the worst repetition's allocation counts.
//   pixmote_bench --record=TICKS [--record_size=WxH]
//       one long recording for the memory figures (default 320x240); nothing is timed.
#include "bench/alloc_counter.h"
#include "bench/bench.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <vector>

namespace {

struct Result {
    double microseconds = 0;      // CPU time per iteration
    double wallMicroseconds = 0;  // real time per iteration
    double allocsOurs = 0;        // per iteration
    double allocsGiflib = 0;
};

// The console output as usual, keeping each benchmark's figures. With repetitions the times are
// the best repetition's ("min": load elsewhere on the machine only ever adds time) and the
// allocation counts the worst repetition's ("max").
class TableReporter : public benchmark::ConsoleReporter {
  public:
    std::map<std::string, Result> results;

    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) {
            if (run.error_occurred) {
                continue;
            }
            Result& result = results[run.run_name.function_name];
            const bool single = run.run_type == Run::RT_Iteration;
            if (single || run.aggregate_name == "min") {
                result.microseconds = run.GetAdjustedCPUTime() * unitToMicroseconds(run.time_unit);
                result.wallMicroseconds =
                    run.GetAdjustedRealTime() * unitToMicroseconds(run.time_unit);
            }
            if (single || run.aggregate_name == "max") {
                result.allocsOurs = counter(run, "allocs_ours");
                result.allocsGiflib = counter(run, "allocs_giflib");
            }
        }
        ConsoleReporter::ReportRuns(runs);
    }

  private:
    static double counter(const Run& run, const char* name) {
        const auto found = run.counters.find(name);
        return found == run.counters.end() ? 0.0 : found->second.value;
    }

    static double unitToMicroseconds(benchmark::TimeUnit unit) {
        switch (unit) {
            case benchmark::kNanosecond:
                return 1e-3;
            case benchmark::kMicrosecond:
                return 1.0;
            case benchmark::kMillisecond:
                return 1e3;
            case benchmark::kSecond:
                return 1e6;
        }
        return 1.0;
    }
};

const Result* find(const TableReporter& reporter, const std::string& name) {
    const auto found = reporter.results.find(name);
    return found == reporter.results.end() ? nullptr : &found->second;
}

std::string format(const char* pattern, double value) {
    char text[64];
    std::snprintf(text, sizeof text, pattern, value);
    return text;
}

bool writeTable(const char* path, const TableReporter& reporter,
                const std::vector<OutputCheck>& checks) {
    std::FILE* out = std::fopen(path, "w");
    if (out == nullptr) {
        std::perror(path);
        return false;
    }
    std::fprintf(out,
                 "| Size | Sequence | Our tick (µs CPU) | giflib alone (µs CPU) | Ratio | "
                 "Our tick (µs wall) | Allocs/tick, ours | Allocs/tick, giflib | "
                 "GIF bytes/tick |\n"
                 "|---|---|---:|---:|---:|---:|---:|---:|---:|\n");
    for (const OutputCheck& check : checks) {
        const std::string size = sizeName(check.size);
        const std::string sequence = motionName(check.motion);
        const Result* tick = find(reporter, "tick/" + sequence + "/" + size);
        const Result* alone = find(reporter, "giflib/" + sequence + "/" + size);
        if (tick == nullptr) {
            continue;
        }
        std::fprintf(
            out, "| %s | %s | %s | %s | %s | %s | %s | %s | %s |\n", size.c_str(), sequence.c_str(),
            format("%.2f", tick->microseconds).c_str(),
            alone ? format("%.2f", alone->microseconds).c_str() : "—",
            alone ? format("%.2f", tick->microseconds / alone->microseconds).c_str() : "—",
            format("%.2f", tick->wallMicroseconds).c_str(), format("%g", tick->allocsOurs).c_str(),
            format("%g", tick->allocsGiflib).c_str(), format("%.0f", check.bytesPerTick).c_str());
    }
    std::fprintf(out,
                 "\n| Size | quantizeFrame (µs CPU) | unchanged trackFrame (µs CPU) | "
                 "sparse scene step (µs CPU) |\n|---|---:|---:|---:|\n");
    for (const FrameSize frameSize : kSizes) {
        const std::string size = sizeName(frameSize);
        const Result* quantize = find(reporter, "quantize/" + size);
        const Result* compare = find(reporter, "compare/" + size);
        const Result* step = find(reporter, "scene/sparse/" + size);
        if (quantize == nullptr || compare == nullptr || step == nullptr) {
            continue;
        }
        std::fprintf(out, "| %s | %.2f | %.2f | %.3f |\n", size.c_str(), quantize->microseconds,
                     compare->microseconds, step->microseconds);
    }

    // The targets, judged on CPU time.
    std::fprintf(out, "\nTargets (CPU time):\n\n");
    if (const Result* still = find(reporter, "tick/still/320x240")) {
        std::fprintf(out, "- unchanged tick at 320x240: %.2f µs, target 100 µs: %s\n",
                     still->microseconds, still->microseconds <= 100.0 ? "met" : "MISSED");
    }
    bool noAllocations = true;
    for (const OutputCheck& check : checks) {
        const std::string size = sizeName(check.size);
        const std::string sequence = motionName(check.motion);
        const Result* tick = find(reporter, "tick/" + sequence + "/" + size);
        const Result* alone = find(reporter, "giflib/" + sequence + "/" + size);
        if (tick != nullptr) {
            noAllocations = noAllocations && tick->allocsOurs == 0.0;
        }
        if (tick != nullptr && alone != nullptr) {
            const double ratio = tick->microseconds / alone->microseconds;
            std::fprintf(out, "- changed tick, %s %s: %.2f x giflib alone, target 1.3: %s\n",
                         sequence.c_str(), size.c_str(), ratio, ratio <= 1.3 ? "met" : "MISSED");
        }
    }
    std::fprintf(out, "- heap allocations per steady-state tick in our code: %s\n",
                 noAllocations ? "none (met)" : "SOME (MISSED)");
    std::fclose(out);
    return true;
}

// Takes "--name=value" out of argv; null when absent.
const char* takeFlag(int& argc, char** argv, const char* name) {
    const std::size_t length = std::strlen(name);
    for (int i = 1; i < argc; ++i) {
        if (std::strncmp(argv[i], name, length) == 0 && argv[i][length] == '=') {
            const char* value = argv[i] + length + 1;
            for (int j = i; j + 1 < argc; ++j) {
                argv[j] = argv[j + 1];
            }
            --argc;
            return value;
        }
    }
    return nullptr;
}

}  // namespace

int main(int argc, char** argv) {
    locateGiflib();
    if (!giflibLocated()) {
        std::fprintf(stderr,
                     "libgif not found among the loaded libraries: every allocation "
                     "will count as ours\n");
    }

    const char* record = takeFlag(argc, argv, "--record");
    const char* recordSize = takeFlag(argc, argv, "--record_size");
    const char* table = takeFlag(argc, argv, "--table");
    if (record != nullptr) {
        FrameSize size{320, 240};
        int width = 0;
        int height = 0;
        if (recordSize != nullptr && std::sscanf(recordSize, "%dx%d", &width, &height) == 2 &&
            width > 10 && height > 10 && width <= 32767 && height <= 32767) {
            size = FrameSize{static_cast<std::int16_t>(width), static_cast<std::int16_t>(height)};
        }
        return runLongRecording(std::atol(record), size);
    }

    std::vector<OutputCheck> checks;
    if (!checkOutputs(checks)) {
        std::fprintf(stderr, "the pipeline and giflib alone wrote different bytes\n");
        return 1;
    }

    registerTickBenchmarks();
    registerEnlargeBenchmarks();
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 1;
    }
    TableReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    if (table != nullptr && !writeTable(table, reporter, checks)) {
        return 1;
    }
    return 0;
}
