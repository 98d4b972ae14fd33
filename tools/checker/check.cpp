// The recording check: structure of the stream, then every shown canvas against the script.
#include "tools/checker/check.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <sstream>

#include "tests/support/colour_replay.h"
#include "tests/support/gif_replay.h"
#include "tools/checker/enlarged.h"
#include "tools/checker/structure.h"

namespace {

class Reporter {
  public:
    explicit Reporter(CheckReport* r) : r_(r) {}
    void fail(const std::string& s) {
        r_->ok = false;
        r_->lines.push_back("FAIL " + s);
    }
    void note(const std::string& s) { r_->lines.push_back(s); }
    bool ok() const { return r_->ok; }

  private:
    CheckReport* r_;
};

std::string str(int v) {
    return std::to_string(v);
}

int differing(const std::vector<std::uint8_t>& a, const std::vector<std::uint8_t>& b) {
    int n = 0;
    for (std::size_t i = 0; i < a.size() && i < b.size(); ++i) {
        n += a[i] != b[i] ? 1 : 0;
    }
    return n;
}

// What matchFrames gives for an image let pass as unpainted.
constexpr int kUnpainted = -2;

// The script frame index that each canvas shows, in order; -1 where none fits.
std::vector<int> matchFrames(const std::vector<ShownCanvas>& shown,
                             const std::vector<frames::ScriptFrame>& script, const CheckOptions& o,
                             Reporter& rep) {
    std::vector<std::vector<std::uint8_t>> patterns;
    for (const frames::ScriptFrame& f : script) {
        patterns.push_back(frames::dottedPattern(f.pattern, o.width / o.dotWidth,
                                                 o.height / o.dotHeight, o.dotWidth, o.dotHeight,
                                                 o.colour));
    }
    std::vector<int> matched;
    int next = 0;
    int unpainted = 0;
    for (std::size_t j = 0; j < shown.size(); ++j) {
        std::string where = "image " + str(static_cast<int>(j));
        std::vector<std::uint8_t> inner = innerFrame(shown[j], 2);
        int found = -1;
        for (int k = next; k < static_cast<int>(script.size()); ++k) {
            if (inner == patterns[static_cast<std::size_t>(k)]) {
                found = k;
                break;
            }
        }
        if (found < 0 && unpainted < o.unpainted && shown[j].delay == o.step) {
            ++unpainted;
            rep.note(where +
                     ": shows no script frame for one step, let pass as a window not yet "
                     "painted");
            matched.push_back(kUnpainted);
            continue;
        }
        if (found < 0) {
            int best = -1;
            int bestDiff = 1 << 30;
            for (int k = 0; k < static_cast<int>(script.size()); ++k) {
                int d = differing(inner, patterns[static_cast<std::size_t>(k)]);
                if (d < bestDiff) {
                    bestDiff = d;
                    best = k;
                }
            }
            rep.fail(where + ": shows no script frame from " + str(next) + " on (nearest: frame " +
                     str(best) + ", " + str(bestDiff) + " pixels differ)");
        } else {
            next = found + 1;
        }
        matched.push_back(found);
    }
    return matched;
}

void checkOrderAndDelays(const std::vector<ShownCanvas>& shown, const std::vector<int>& matched,
                         const std::vector<frames::ScriptFrame>& script, const CheckOptions& o,
                         Reporter& rep) {
    const int tickMs = 110 * o.step / 16;
    const int n = static_cast<int>(matched.size());
    std::string seq = "frames shown:";
    for (int j = 0; j < n; ++j) {
        seq.append(" ").append(str(matched[static_cast<std::size_t>(j)]));
        if (shown[static_cast<std::size_t>(j)].delay) {
            seq.append("(").append(str(*shown[static_cast<std::size_t>(j)].delay)).append(")");
        }
    }
    rep.note(seq);
    for (int m : matched) {
        if (m < 0) {
            return;  // already reported; order and delays say nothing more
        }
    }
    int firstShown = matched.front();
    int lastShown = matched.back();
    if (o.first >= 0 && firstShown != o.first) {
        rep.fail("the first image shows frame " + str(firstShown) + ", want " + str(o.first));
    }
    // Ticks the program lost while a busy machine kept it waiting shorten the delays they fell
    // in, and a tick taken late gives its step to a later screen: the images between the first
    // and the last hold that many steps less, together, than their screen time. The delays may
    // be off by them beyond the slack, and a frame shorter than them may be missed; but ticks
    // are only lost, never made: a recording longer than its screen time is wrong, and one with
    // less than two thirds of it has a slow timer, not a busy machine.
    double wantSum = 0;
    int gotSum = 0;
    for (int j = 1; j + 1 < n; ++j) {
        const ShownCanvas& c = shown[static_cast<std::size_t>(j)];
        const int from = matched[static_cast<std::size_t>(j)];
        const int to = matched[static_cast<std::size_t>(j + 1)];
        for (int k = from; k < to; ++k) {
            wantSum += script[static_cast<std::size_t>(k)].holdMs * 16.0 / 110.0;
        }
        gotSum += c.delay ? *c.delay : 0;
    }
    const int lost = o.still ? 0 : std::max(0, static_cast<int>((wantSum - gotSum) / o.step));
    if (lost > 0) {
        rep.note(str(lost) + " step(s) short between the first and the last image: ticks lost");
        if (gotSum * 3 < wantSum * 2) {
            rep.fail("the images hold less than two thirds of their screen time (" + str(gotSum) +
                     " of " + std::to_string(static_cast<int>(wantSum + 0.5)) +
                     "): the timer runs slow");
        }
    }
    int lastDue = o.complete ? static_cast<int>(script.size()) - 1 : lastShown;
    for (int k = firstShown; k <= lastDue; ++k) {
        bool seen = false;
        for (int m : matched) {
            seen = seen || m == k;
        }
        if (!seen && script[static_cast<std::size_t>(k)].holdMs >= (2 + lost) * tickMs) {
            rep.fail("frame " + str(k) + " (held " +
                     str(script[static_cast<std::size_t>(k)].holdMs) + " ms) is missing");
        }
    }
    if (o.still) {
        return;
    }
    // The first image, from the start to the first change, and the cut-short last one have
    // rules of their own; the images between are judged by their frame changes.
    std::vector<double> wants(static_cast<std::size_t>(n), 0.0);
    for (int j = 0; j < n; ++j) {
        const ShownCanvas& c = shown[static_cast<std::size_t>(j)];
        if (!c.delay) {
            continue;  // reported with the structure
        }
        const int delay = *c.delay;
        const int from = matched[static_cast<std::size_t>(j)];
        const int to = j + 1 < n ? matched[static_cast<std::size_t>(j + 1)] : from + 1;
        int heldMs = 0;
        for (int k = from; k < to; ++k) {
            heldMs += script[static_cast<std::size_t>(k)].holdMs;
        }
        // Hundredths the file should give that time: 160 / 110 of it, in tenths of ms.
        wants[static_cast<std::size_t>(j)] = heldMs * 160.0 / 110.0 / 10.0;
        const double want = wants[static_cast<std::size_t>(j)];
        std::string what = "image " + str(j) + " (frame " + str(from) + "): delay " + str(delay) +
                           ", screen time " + str(heldMs) + " ms gives " +
                           std::to_string(static_cast<int>(want + 0.5));
        if (delay < o.step || delay % o.step != 0) {
            rep.fail(what + ": not a whole number of steps of " + str(o.step));
            continue;
        }
        if (j == 0) {
            const double slack = (o.slack + lost) * o.step;
            bool pre = from == 0;  // frame 0 was on screen before the recording started
            if (pre ? delay < want - slack : delay > want + slack) {
                rep.fail(what + (pre ? ": too short" : ": too long"));
            }
        }
    }
    // Each frame change is seen at the first tick after it, or later when the machine is busy,
    // so each image's delay is its screen time plus how late the change at its end was seen,
    // less how late the one at its start was, less the ticks lost in between. One change seen
    // late takes steps from one image and gives them to the next, with nothing lost in all: the
    // delays summed up to each change, against the screen time up to it, show that as a step
    // that comes back. Those sums may spread over `slack` steps and one for the tick grid, more
    // by the ticks lost; ticks made up, a delay given to the wrong image, or every delay a step
    // long spread them further.
    double sumError = 0;
    double low = 0;
    double high = 0;
    int lowAt = 1;
    int highAt = 1;
    bool measured = true;
    for (int j = 1; j + 1 < n; ++j) {
        const ShownCanvas& c = shown[static_cast<std::size_t>(j)];
        measured = measured && c.delay.has_value();
        if (!measured) {
            break;
        }
        sumError += *c.delay - wants[static_cast<std::size_t>(j)];
        if (sumError < low) {
            low = sumError;
            lowAt = j + 1;
        }
        if (sumError > high) {
            high = sumError;
            highAt = j + 1;
        }
    }
    if (measured && n > 2) {
        const auto at = [&](int j) {
            return "image " + str(j) + " (frame " + str(matched[static_cast<std::size_t>(j)]) + ")";
        };
        const double spread = (o.slack + 1 + lost) * o.step;
        if (high - low > spread) {
            rep.fail("the delays summed up to " + at(highAt) + " and up to " + at(lowAt) + " are " +
                     std::to_string(static_cast<int>(high - low + 0.5)) +
                     " apart against their screen times, more than " + str(o.slack + 1 + lost) +
                     " step(s): a delay is off");
        }
    }
}

// A colour recording's canvases as colour codes (frames::codeOfColour), so that they compare
// with the colour patterns as a gray recording's indices compare with the levels.
std::vector<ShownCanvas> colourCodes(const DecodedGif& gif) {
    const ColourReplay replay = replayColourBytes(gif.bytes);
    std::vector<ShownCanvas> shown;
    for (const ShownColour& image : replay.shown) {
        ShownCanvas canvas;
        canvas.width = image.canvas.width;
        canvas.height = image.canvas.height;
        canvas.delay = image.delay;
        for (const std::uint32_t colour : image.canvas.at) {
            canvas.pixels.push_back(static_cast<std::uint8_t>(frames::codeOfColour(colour)));
        }
        shown.push_back(std::move(canvas));
    }
    return shown;
}

}  // namespace

CheckReport checkRecording(const std::string& gifPath,
                           const std::vector<frames::ScriptFrame>& script,
                           const CheckOptions& options) {
    CheckReport report;
    Reporter rep(&report);
    DecodedGif gif = decodeGif(gifPath);
    if (!gif.ok) {
        rep.fail("cannot decode " + gifPath + ": " + gif.error);
        return report;
    }
    if (options.enlarge > 1) {
        std::string why;
        if (!shrinkEnlarged(&gif, options.enlarge, &why)) {
            rep.fail("not an exact x" + str(options.enlarge) + " enlargement: " + why);
            return report;
        }
        rep.note("an exact x" + str(options.enlarge) + " enlargement, checked at x1");
    }
    const Structure want{options.width, options.height, options.still, options.endsStill,
                         options.colour};
    std::vector<std::string> failures;
    checkHead(gif, want, &failures);
    checkImages(gif, want, &failures);
    for (const std::string& f : failures) {
        rep.fail(f);
    }
    if (!rep.ok()) {
        return report;
    }
    const std::vector<ShownCanvas> all = options.colour ? colourCodes(gif) : replayGif(gif);
    const std::vector<int> allMatched = matchFrames(all, script, options, rep);
    std::vector<ShownCanvas> shown;
    std::vector<int> matched;
    for (std::size_t j = 0; j < all.size(); ++j) {
        if (allMatched[j] != kUnpainted) {
            shown.push_back(all[j]);
            matched.push_back(allMatched[j]);
        }
    }
    if (shown.empty()) {
        rep.fail("no image shows a script frame");
        return report;
    }
    checkOrderAndDelays(shown, matched, script, options, rep);
    return report;
}

int takeHoldsFromLog(const std::string& log, std::vector<frames::ScriptFrame>* script) {
    // The switch times of the last run: at[k] when frame k came, at[n] when the last hold ended.
    std::vector<double> at(script->size() + 1, -1.0);
    std::istringstream lines(log);
    std::string line;
    while (std::getline(lines, line)) {
        unsigned frame = 0;
        int pattern = 0;
        double ms = 0;
        if (line.rfind("start", 0) == 0) {
            at.assign(script->size() + 1, -1.0);
            at[0] = 0.0;
        } else if (std::sscanf(line.c_str(), "frame %u pattern %d at %lf ms", &frame, &pattern,
                               &ms) == 3 &&
                   frame < script->size()) {
            at[frame] = ms;
        } else if (std::sscanf(line.c_str(), "done at %lf ms", &ms) == 1) {
            at[script->size()] = ms;
        }
    }
    int taken = 0;
    for (std::size_t k = 0; k < script->size(); ++k) {
        if (at[k] >= 0.0 && at[k + 1] >= at[k]) {
            (*script)[k].holdMs = static_cast<int>(at[k + 1] - at[k] + 0.5);
            ++taken;
        }
    }
    return taken;
}
