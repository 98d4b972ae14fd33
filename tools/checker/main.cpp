// pixmote-gif-check: checks a GIF recorded from the emulator stand-in against its frame script.
//
//   pixmote-gif-check GIF --script FILE [--size WxH] [--dots WxH] [--step 16|32|48] [--still]
//                     [--first K] [--complete] [--ends-still] [--slack STEPS] [--unpainted N]
//                     [--log STANDIN_LOG] [--enlarge K] [--colours]
//
// --enlarge: the recording was made at Size xK (2..4); --size stays the calculator's own.
// --size is the recording's size in pixels; --dots the size of one calculator dot in it (the
// stand-in's --dots), so the script's patterns are (W / dot width) x (H / dot height) dots.
// --colours checks a colour recording of the stand-in's colour patterns (its --colours).
// Prints what it found; exit code 0 when the recording is right, 1 when not, 2 on bad usage.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>

#include "tools/checker/check.h"

namespace {

int usage(const char* why) {
    std::fprintf(stderr,
                 "pixmote-gif-check: %s\n"
                 "usage: pixmote-gif-check GIF --script FILE [--size WxH] [--dots WxH]\n"
                 "                         [--step 16|32|48]\n"
                 "                         [--still] [--first K] [--complete] [--ends-still]\n"
                 "                         [--slack STEPS] [--unpainted N] [--log FILE]\n"
                 "                         [--enlarge K] [--colours]\n",
                 why);
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    CheckOptions options;
    std::string gif;
    std::string scriptPath;
    std::string logPath;
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        bool more = i + 1 < argc;
        if (a == "--script" && more) {
            scriptPath = argv[++i];
        } else if (a == "--size" && more) {
            if (std::sscanf(argv[++i], "%dx%d", &options.width, &options.height) != 2) {
                return usage("--size wants WxH");
            }
        } else if (a == "--dots" && more) {
            if (std::sscanf(argv[++i], "%dx%d", &options.dotWidth, &options.dotHeight) != 2) {
                return usage("--dots wants WxH");
            }
        } else if (a == "--step" && more) {
            options.step = std::atoi(argv[++i]);
        } else if (a == "--still") {
            options.still = true;
        } else if (a == "--first" && more) {
            options.first = std::atoi(argv[++i]);
        } else if (a == "--complete") {
            options.complete = true;
        } else if (a == "--ends-still") {
            options.endsStill = true;
        } else if (a == "--colours") {
            options.colour = true;
        } else if (a == "--enlarge" && more) {
            options.enlarge = std::atoi(argv[++i]);
            if (options.enlarge < 1 || options.enlarge > 4) {
                return usage("--enlarge is 1 to 4");
            }
        } else if (a == "--slack" && more) {
            options.slack = std::atoi(argv[++i]);
        } else if (a == "--unpainted" && more) {
            options.unpainted = std::atoi(argv[++i]);
        } else if (a == "--log" && more) {
            logPath = argv[++i];
        } else if (gif.empty() && !a.empty() && a[0] != '-') {
            gif = a;
        } else {
            return usage(("unknown argument " + a).c_str());
        }
    }
    if (gif.empty() || scriptPath.empty()) {
        return usage("a GIF and a script are needed");
    }
    if (options.step != 16 && options.step != 32 && options.step != 48) {
        return usage("--step is 16, 32 or 48");
    }
    if (options.width < 1 || options.height < 1) {
        return usage("bad --size");
    }
    if (options.dotWidth < 1 || options.dotHeight < 1 || options.width % options.dotWidth != 0 ||
        options.height % options.dotHeight != 0) {
        return usage("--dots must divide --size");
    }
    std::ifstream in(scriptPath);
    if (!in) {
        return usage("cannot read the script");
    }
    std::stringstream text;
    text << in.rdbuf();
    std::vector<frames::ScriptFrame> script;
    std::string error;
    if (!frames::parseScript(text.str(), &script, &error)) {
        return usage(error.c_str());
    }
    if (!logPath.empty()) {
        std::ifstream logIn(logPath);
        if (!logIn) {
            return usage("cannot read the log");
        }
        std::stringstream log;
        log << logIn.rdbuf();
        std::printf("screen times from the stand-in's log: %d of %zu frames\n",
                    takeHoldsFromLog(log.str(), &script), script.size());
    }
    CheckReport report = checkRecording(gif, script, options);
    for (const std::string& line : report.lines) {
        std::printf("%s\n", line.c_str());
    }
    std::printf("%s\n", report.ok ? "recording OK" : "recording WRONG");
    return report.ok ? 0 : 1;
}
