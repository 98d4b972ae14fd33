// The LCD check: states matched in order against the frames a viewer shows.
#include "tools/lcdcheck/check.h"

#include "tools/checker/enlarged.h"

#include <cstddef>

#include "tests/support/gif_replay.h"

namespace {

constexpr int kBorder = 2;

int differingDots(const std::vector<std::uint8_t>& a, const std::vector<std::uint8_t>& b) {
    int n = 0;
    for (std::size_t i = 0; i < a.size() && i < b.size(); ++i) {
        n += a[i] != b[i] ? 1 : 0;
    }
    return n;
}

}  // namespace

LcdReport checkLcd(const std::string& gifPath, const std::vector<LcdState>& states,
                   const DotGeometry& g) {
    LcdReport r;
    r.states = static_cast<int>(states.size());
    auto fail = [&r](const std::string& why) { r.lines.push_back("FAIL " + why); };

    DecodedGif gif = decodeGif(gifPath);
    if (!gif.ok) {
        fail("the recording does not decode: " + gif.error);
        return r;
    }
    if (g.enlarge > 1) {
        std::string why;
        if (!shrinkEnlarged(&gif, g.enlarge, &why)) {
            fail("not an exact x" + std::to_string(g.enlarge) + " enlargement: " + why);
            return r;
        }
        r.lines.push_back("an exact x" + std::to_string(g.enlarge) + " enlargement, checked at x1");
    }
    const int width = g.across * g.dotWidth;
    const int height = g.down * g.dotHeight;
    if (gif.screenWidth != width + 2 * kBorder || gif.screenHeight != height + 2 * kBorder) {
        fail("the recording is " + std::to_string(gif.screenWidth) + "x" +
             std::to_string(gif.screenHeight) + ", want " + std::to_string(width + 2 * kBorder) +
             "x" + std::to_string(height + 2 * kBorder));
        return r;
    }
    std::vector<std::vector<std::uint8_t>> frames;
    int unframed = 0;
    for (const ShownCanvas& canvas : replayGif(gif)) {
        unframed += hasPixmoteBorder(canvas) ? 0 : 1;
        frames.push_back(dotsOfFrame(innerFrame(canvas, kBorder), g, &r.blurredDots));
    }
    r.frames = static_cast<int>(frames.size());
    if (unframed > 0) {
        fail(std::to_string(unframed) + " frames without the border");
    }
    if (frames.empty() || states.empty()) {
        fail(frames.empty() ? "the recording holds no image" : "no screen state given");
        return r;
    }

    std::vector<const LcdState*> distinct;
    for (const LcdState& s : states) {
        if (distinct.empty() || s.levels != distinct.back()->levels) {
            distinct.push_back(&s);
        }
    }
    r.distinct = static_cast<int>(distinct.size());

    std::vector<bool> shown(frames.size(), false);
    std::size_t from = 0;
    for (std::size_t k = 0; k < distinct.size(); ++k) {
        const LcdState& s = *distinct[k];
        std::size_t best = from;
        int bestWrong = -1;
        for (std::size_t f = from; f < frames.size(); ++f) {
            int wrong = differingDots(frames[f], s.levels);
            if (bestWrong < 0 || wrong < bestWrong) {
                best = f;
                bestWrong = wrong;
            }
            if (wrong == 0) {
                break;
            }
        }
        if (bestWrong < 0) {
            fail("state " + std::to_string(k) + " (" + s.name + "): no frame left after frame " +
                 std::to_string(from));
            continue;
        }
        if (bestWrong == 0) {
            ++r.found;
            shown[best] = true;
            r.lines.push_back("state " + std::to_string(k) + " (" + s.name + "): frame " +
                              std::to_string(best));
        } else {
            r.mismatches += bestWrong;
            fail("state " + std::to_string(k) + " (" + s.name + ") is no frame; frame " +
                 std::to_string(best) + " is nearest, " + std::to_string(bestWrong) +
                 " dots differ");
        }
        from = best;
    }
    for (std::size_t f = 0; f < frames.size(); ++f) {
        bool isState = shown[f];
        for (std::size_t k = 0; k < distinct.size() && !isState; ++k) {
            isState = frames[f] == distinct[k]->levels;
        }
        r.strayFrames += isState ? 0 : 1;
    }
    const int lastWrong = differingDots(frames.back(), distinct.back()->levels);
    r.lastIsLast = lastWrong == 0;
    if (!r.lastIsLast) {
        r.mismatches += lastWrong;
        fail("the last frame is not the last state: " + std::to_string(lastWrong) + " dots differ");
    }
    if (r.blurredDots > 0) {
        fail(std::to_string(r.blurredDots) + " dots of the frames are not one level");
    }
    r.ok = unframed == 0 && r.found == r.distinct && r.lastIsLast && r.blurredDots == 0;
    return r;
}
