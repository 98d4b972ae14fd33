// Self-test of the recording check: recordings are simulated (the screen follows a frame
// script, a capture tick every tick period, held-back frames with their delays, changed
// rectangles) and written with giflib; the check must accept the faithful ones and reject
// each kind of damage. Exit code 0 when every case behaves, 1 otherwise.
#include <algorithm>
#include <cstdio>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include <gif_lib.h>
#include <unistd.h>

#include "tests/support/gif_replay.h"
#include "tools/checker/check.h"

namespace {

struct Image {
    std::vector<std::uint8_t> frame;  // W x H levels
    int left = 0, top = 0, right = 0, bottom = 0;
    bool framed = false;
    int delay = 0;  // -1: no graphic control
};

struct Sim {
    int width = 24;
    int height = 16;
    int dotWidth = 1;  // the screen's dots, in pixels of the W x H picture
    int dotHeight = 1;
    double tickMs = 110;
    int step = 16;
    double startMs = 0;  // first tick after the script started (negative: before)
    double stopMs = 0;   // the stop, after the script started
    bool still = false;
    double stillFromMs = 1e9;  // still mode switched on by the dialog at this time
};

std::vector<std::uint8_t> screenAt(const std::vector<frames::ScriptFrame>& script, double ms,
                                   const Sim& s) {
    int pattern = script.back().pattern;
    double at = 0;
    for (const frames::ScriptFrame& f : script) {
        at += f.holdMs;
        if (ms < at) {
            pattern = f.pattern;
            break;
        }
    }
    return frames::dottedPattern(pattern, s.width / s.dotWidth, s.height / s.dotHeight, s.dotWidth,
                                 s.dotHeight);
}

// The images a faithful recording holds.
std::vector<Image> simulate(const std::vector<frames::ScriptFrame>& script, const Sim& s) {
    std::vector<Image> out;
    std::vector<std::uint8_t> prev;
    Image pending;
    bool first = true;
    for (double t = s.startMs; t < s.stopMs; t += s.tickMs) {
        std::vector<std::uint8_t> cur = screenAt(script, t, s);
        if (prev.empty()) {
            prev = cur;
            pending.delay = s.step;
            continue;
        }
        if (s.still || t >= s.stillFromMs) {
            Image still;
            still.frame = prev;
            still.framed = true;
            still.delay = -1;
            out.push_back(still);
            return out;
        }
        int minX = s.width, minY = s.height, maxX = 0, maxY = 0;
        for (int y = 0; y < s.height; ++y) {
            for (int x = 0; x < s.width; ++x) {
                std::size_t i = static_cast<std::size_t>(y * s.width + x);
                if (prev[i] != cur[i]) {
                    minX = std::min(minX, x);
                    maxX = std::max(maxX, x);
                    minY = std::min(minY, y);
                    maxY = std::max(maxY, y);
                }
            }
        }
        if (maxX != 0 && maxY != 0) {
            pending.frame = prev;
            pending.framed = first;
            first = false;
            out.push_back(pending);
            pending = Image{};
            pending.left = minX;
            pending.top = minY;
            pending.right = maxX;
            pending.bottom = maxY;
            pending.delay = s.step;
            prev = cur;
        } else {
            pending.delay += s.step;
        }
    }
    pending.frame = prev;
    pending.framed = first;
    out.push_back(pending);
    return out;
}

bool writeGif(const std::string& path, const std::vector<Image>& images, int w, int h) {
    int error = 0;
    GifFileType* f = EGifOpenFileName(path.c_str(), false, &error);
    if (f == nullptr) {
        return false;
    }
    EGifSetGifVersion(f, true);
    GifColorType colours[16];
    for (int i = 0; i < 16; ++i) {
        auto g = static_cast<GifByteType>(255 - 17 * i);
        colours[i] = {g, g, g};
    }
    ColorMapObject* map = GifMakeMapObject(16, colours);
    EGifPutScreenDesc(f, w + 4, h + 4, 8, 0, map);
    GifFreeMapObject(map);
    EGifPutExtensionLeader(f, 0xFF);
    EGifPutExtensionBlock(f, 11, "NETSCAPE2.0");
    const GifByteType loop[3] = {1, 0, 0};
    EGifPutExtensionBlock(f, 3, loop);
    EGifPutExtensionTrailer(f);
    EGifPutComment(f, "Pixmote v2.0");
    for (const Image& im : images) {
        if (im.delay >= 0) {
            const GifByteType gce[4] = {4, static_cast<GifByteType>(im.delay & 0xFF),
                                        static_cast<GifByteType>(im.delay >> 8), 0};
            EGifPutExtension(f, 0xF9, 4, gce);
        }
        std::vector<GifPixelType> line;
        if (im.framed) {
            EGifPutImageDesc(f, 0, 0, w + 4, h + 4, false, nullptr);
            for (int y = 0; y < h + 4; ++y) {
                line.assign(static_cast<std::size_t>(w + 4), 0);
                for (int x = 0; x < w + 4; ++x) {
                    int level = 0;
                    if (x == 0 || y == 0 || x == w + 3 || y == h + 3) {
                        level = 15;
                    } else if (x >= 2 && y >= 2 && x < w + 2 && y < h + 2) {
                        level = im.frame[static_cast<std::size_t>((y - 2) * w + x - 2)];
                    }
                    line[static_cast<std::size_t>(x)] = static_cast<GifPixelType>(level);
                }
                EGifPutLine(f, line.data(), w + 4);
            }
        } else {
            int rw = im.right - im.left + 1;
            EGifPutImageDesc(f, im.left + 2, im.top + 2, rw, im.bottom - im.top + 1, false,
                             nullptr);
            for (int y = im.top; y <= im.bottom; ++y) {
                line.assign(im.frame.begin() + y * w + im.left,
                            im.frame.begin() + y * w + im.right + 1);
                EGifPutLine(f, line.data(), rw);
            }
        }
    }
    EGifCloseFile(f, &error);
    return true;
}

int gFailures = 0;
std::string gDir;

// Writes the images, with one bit of the byte at flip changed when asked, and checks them.
void expect(const std::string& name, const std::vector<Image>& images, const Sim& s,
            const std::vector<frames::ScriptFrame>& script, CheckOptions o, bool wantOk,
            std::size_t flip = SIZE_MAX) {
    std::string path = gDir + "/case.gif";
    writeGif(path, images, s.width, s.height);
    if (flip != SIZE_MAX) {
        std::vector<std::uint8_t> bytes = readFileBytes(path);
        bytes.at(flip) ^= 1;
        std::ofstream(path, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()),
                   static_cast<std::streamsize>(bytes.size()));
    }
    o.width = s.width;
    o.height = s.height;
    o.dotWidth = s.dotWidth;
    o.dotHeight = s.dotHeight;
    CheckReport r = checkRecording(path, script, o);
    bool good = r.ok == wantOk;
    std::printf("%s %s (%s)\n", good ? "ok  " : "BAD ", name.c_str(),
                r.ok ? "accepted" : "rejected");
    if (!good) {
        ++gFailures;
        for (const std::string& line : r.lines) {
            std::printf("    %s\n", line.c_str());
        }
    }
}

}  // namespace

int main() {
    char dir[] = "/tmp/pixmote-check-selftest.XXXXXX";
    if (mkdtemp(dir) == nullptr) {
        return 1;
    }
    gDir = dir;
    const std::vector<frames::ScriptFrame> script = {
        {0, 440}, {1, 330}, {2, 660}, {3, 440}, {4, 550}, {5, 440}, {6, 880}, {7, 440},
    };
    int total = 0;
    for (const frames::ScriptFrame& f : script) {
        total += f.holdMs;
    }
    CheckOptions anim;
    anim.first = 0;
    anim.complete = true;

    // Faithful recordings: punctual, slightly late ticks, and the slower timer settings.
    Sim s;
    s.startMs = -150;
    s.stopMs = total + 500;
    expect("punctual ticks", simulate(script, s), s, script, anim, true);
    Sim late = s;
    late.tickMs = 114;
    expect("ticks 4 ms late", simulate(script, late), late, script, anim, true);
    Sim slow = s;
    slow.tickMs = 220;
    slow.step = 32;
    std::vector<frames::ScriptFrame> slowScript = script;
    for (auto& f : slowScript) {
        f.holdMs *= 2;
    }
    slow.stopMs = 2 * total + 700;
    CheckOptions slowOpt = anim;
    slowOpt.step = 32;
    expect("220 ms timer, step 32", simulate(slowScript, slow), slow, slowScript, slowOpt, true);
    std::vector<Image> halfStep = simulate(slowScript, slow);
    halfStep[2].delay += 16;
    expect("220 ms timer, a delay of half a step more", halfStep, slow, slowScript, slowOpt, false);

    // Damage of every kind.
    std::vector<Image> good = simulate(script, s);
    std::vector<Image> bad = good;
    bad[3].frame[static_cast<std::size_t>(bad[3].top * s.width + bad[3].left)] ^= 1;
    expect("one pixel wrong in a region", bad, s, script, anim, false);
    bad = good;
    bad[2].delay += 3 * s.step;
    expect("a delay three steps long", bad, s, script, anim, false);
    CheckOptions slack3 = anim;
    slack3.slack = 3;
    expect("a delay three steps long, three allowed", bad, s, script, slack3, true);
    // Ticks lost to a busy machine: a delay short, which the recording as a whole shows too;
    // but not a delay long at the same time, nor a timer that runs at half its pace.
    bad = good;
    bad[4].delay -= 2 * s.step;
    expect("a delay two steps short: ticks lost", bad, s, script, anim, true);
    bad[2].delay += 3 * s.step;
    expect("a delay three steps long and a later one two short", bad, s, script, anim, false);
    bad = good;
    // Each delay on the next image, the last middle one's on the first.
    for (std::size_t k = bad.size() - 2; k > 1; --k) {
        std::swap(bad[k].delay, bad[k - 1].delay);
    }
    expect("each delay given to the next image", bad, s, script, anim, false);
    // A change seen late: its steps move to the next image, and nothing is lost in all (seen
    // under Wine on a busy machine: 192 and 384 where the screen gave 264 and 310).
    bad = good;
    bad[1].delay -= 2 * s.step;
    bad[2].delay += 2 * s.step;
    expect("a change seen two steps late", bad, s, script, anim, true);
    bad[1].delay -= s.step;
    bad[2].delay += s.step;
    expect("a change seen three steps late", bad, s, script, anim, false);
    bad = good;
    for (std::size_t k = 1; k + 1 < bad.size(); ++k) {
        bad[k].delay += s.step;
    }
    expect("every delay a step long", bad, s, script, anim, false);
    bad = good;
    for (std::size_t k = 1; k + 1 < bad.size(); ++k) {
        bad[k].delay = std::max(s.step, bad[k].delay / s.step / 2 * s.step);
    }
    expect("every delay half its screen time", bad, s, script, anim, false);
    // The screen never showed frame 4; frame 3 stayed on for its time instead.
    std::vector<frames::ScriptFrame> without = script;
    without[3].holdMs += without[4].holdMs;
    without.erase(without.begin() + 4);
    expect("a frame held 550 ms missing", simulate(without, s), s, script, anim, false);
    bad = good;
    bad.pop_back();
    expect("the script's last frame never shown", bad, s, script, anim, false);
    bad = good;
    bad[1].delay = -1;
    expect("an image without a graphic control", bad, s, script, anim, false);
    bad = good;
    std::swap(bad[2], bad[3]);
    expect("images out of order", bad, s, script, anim, false);
    // A window shown again before it has repainted: one step of a blank screen, then the
    // whole screen anew.
    bad = good;
    Image blank = bad[4];
    blank.frame.assign(blank.frame.size(), 15);
    blank.left = 0;
    blank.top = 0;
    blank.right = s.width - 1;
    blank.bottom = s.height - 1;
    blank.delay = s.step;
    bad[4].left = 0;
    bad[4].top = 0;
    bad[4].right = s.width - 1;
    bad[4].bottom = s.height - 1;
    bad.insert(bad.begin() + 4, blank);
    expect("an unpainted image of one step", bad, s, script, anim, false);
    CheckOptions unpainted = anim;
    unpainted.unpainted = 1;
    expect("an unpainted image of one step, one let pass", bad, s, script, unpainted, true);
    bad[4].delay = 2 * s.step;
    expect("an unpainted image of two steps, one let pass", bad, s, script, unpainted, false);
    // A stand-in made late by a busy machine: frame 2 came 400 ms after its time. Against the
    // script's holds the delays are off; against the holds its log gives, right.
    std::vector<frames::ScriptFrame> late2 = script;
    late2[1].holdMs += 400;
    late2[2].holdMs -= 200;
    Sim lateSim = s;
    lateSim.stopMs += 200;
    const std::vector<Image> lateImages = simulate(late2, lateSim);
    expect("a late stand-in against its script", lateImages, lateSim, script, anim, false);
    std::string log = "reset tick 1\r\nstart tick 2\r\n";
    double switchMs = 0;
    for (std::size_t k = 0; k < late2.size(); ++k) {
        if (k > 0) {
            log += "frame " + std::to_string(k) + " pattern " + std::to_string(late2[k].pattern) +
                   " at " + std::to_string(switchMs) + " ms tick 3\r\n";
        }
        switchMs += late2[k].holdMs;
    }
    log += "done at " + std::to_string(switchMs) + " ms tick 4\r\n";
    std::vector<frames::ScriptFrame> fromLog = script;
    const int taken = takeHoldsFromLog("frame 1 pattern 1 at 1.0 ms tick 0\r\n" + log, &fromLog);
    expect("a late stand-in against the holds of its log", lateImages, lateSim, fromLog, anim,
           taken == static_cast<int>(script.size()));
    CheckOptions fromOne = anim;
    fromOne.first = 1;
    expect("first frame not the one asked for", good, s, script, fromOne, false);
    // The head: signature, logical screen width, a palette entry, the loop count, the banner.
    writeGif(gDir + "/case.gif", good, s.width, s.height);
    const std::vector<std::uint8_t> file = readFileBytes(gDir + "/case.gif");
    const auto offsetOf = [&file](const std::string& text) {
        return static_cast<std::size_t>(
            std::search(file.begin(), file.end(), text.begin(), text.end()) - file.begin());
    };
    for (std::size_t at : {std::size_t{4}, std::size_t{6}, std::size_t{13 + 3 * 5},
                           offsetOf("NETSCAPE2.0") + 13, offsetOf("Pixmote v2.0")}) {
        expect("head byte " + std::to_string(at) + " changed", good, s, script, anim, false, at);
    }

    // A screen of 12 x 5 dots drawn 2 x 3: a 24 x 15 recording; read as 24 x 15 dots, it is wrong.
    Sim dotted = s;
    dotted.height = 15;
    dotted.dotWidth = 2;
    dotted.dotHeight = 3;
    std::vector<Image> dottedImages = simulate(script, dotted);
    expect("2 x 3 dots", dottedImages, dotted, script, anim, true);
    Sim square = dotted;
    square.dotWidth = 1;
    square.dotHeight = 1;
    expect("2 x 3 dots checked as square pixels", dottedImages, square, script, anim, false);

    // StillMode switched on during an animation.
    Sim switched = s;
    switched.stillFromMs = 2000;
    CheckOptions endsStill = anim;
    endsStill.complete = false;
    endsStill.endsStill = true;
    std::vector<Image> switchedImages = simulate(script, switched);
    expect("still mode switched on while recording", switchedImages, switched, script, endsStill,
           true);
    CheckOptions plain = endsStill;
    plain.endsStill = false;
    expect("still-mode ending checked as a plain animation", switchedImages, switched, script,
           plain, false);
    bad = switchedImages;
    bad.back().delay = 16;
    expect("still-mode ending with a graphic control", bad, switched, script, endsStill, false);

    // StillMode.
    Sim still = s;
    still.still = true;
    CheckOptions stillOpt;
    stillOpt.still = true;
    stillOpt.first = 0;
    std::vector<Image> stillImages = simulate(script, still);
    expect("still image", stillImages, still, script, stillOpt, true);
    bad = stillImages;
    bad[0].delay = 16;
    expect("still image with a graphic control", bad, still, script, stillOpt, false);
    expect("animation checked as still", good, s, script, stillOpt, false);

    std::string cleanup = gDir + "/case.gif";
    std::remove(cleanup.c_str());
    rmdir(dir);
    std::printf("%s\n", gFailures == 0 ? "selftest passed" : "selftest FAILED");
    return gFailures == 0 ? 0 : 1;
}
