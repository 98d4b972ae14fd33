// A picture fitted between flat bars, and the screen inside it: a rectangle of the dots' aspect
// edged all round.
#include "add/fitted_screen.h"

#include "add/line_counts.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

namespace {

// Bars are one colour within this (sum of the three channels' differences).
constexpr int kFlatSlack = 6;
// Each bar is at least this many pixels wide: thinner ones are the client's rounding.
constexpr int kLeastBar = 2;
// A strong colour change: the screen against its bezel, not a photograph's grain.
constexpr int kStrongChange = 60;
// Runs of strong changes along a line bridge gaps of at most this many pixels.
constexpr int kRunGap = 2;
// A side is edged when this share of it is a strong change.
constexpr double kSideCover = 0.8;
// A frame's inner ring is one colour within this (a bezel's rim, smoothed, strays 105).
constexpr int kRingSlack = 120;
// ... but for this share of its pixels.
constexpr double kRingOther = 0.02;
// The rectangle's sides may stray this many pixels from the dots' aspect.
constexpr int kAspectSlack = 2;

// How many lines from one edge inward are all `colour`: pixel(i, k) is the k-th pixel of the
// i-th line from that edge, each line `length` pixels long.
int flatLines(int lines, int length, std::uint32_t colour, auto pixel) {
    int n = 0;
    for (; n < lines; ++n) {
        for (int k = 0; k < length; ++k) {
            if (channelDistance(pixel(n, k), colour) > kFlatSlack) {
                return n;
            }
        }
    }
    return n;
}

// Strong changes between neighbouring pixels, counted along each line (add/line_counts.h); the
// client area's border is none.
LineCounts strongEdges(const Picture& p) {
    return LineCounts(
        p.width, p.height,
        [&](int x, int y) {
            return x > 0 && x < p.width &&
                   channelDistance(p.at(x - 1, y), p.at(x, y)) > kStrongChange;
        },
        [&](int y, int x) {
            return y > 0 && y < p.height &&
                   channelDistance(p.at(x, y - 1), p.at(x, y)) > kStrongChange;
        });
}

// A run of strong changes along one line: line, and [from, to) along it.
struct Run {
    int line = 0;
    int from = 0;
    int to = 0;
};

// The runs at least `least` long along lines [line0, line1), each spanning [from, to);
// changeAt(line, i) tells a strong change.
std::vector<Run> longRuns(int line0, int line1, int from, int to, int least, auto changeAt) {
    std::vector<Run> runs;
    for (int line = line0; line < line1; ++line) {
        int start = -1;
        int last = -1;
        for (int i = from; i <= to; ++i) {
            const bool on = i < to && changeAt(line, i);
            if (on) {
                if (start < 0 || i - last > kRunGap + 1) {
                    if (start >= 0 && last + 1 - start >= least) {
                        runs.push_back({line, start, last + 1});
                    }
                    start = i;
                }
                last = i;
            }
        }
        if (start >= 0 && last + 1 - start >= least) {
            runs.push_back({line, start, last + 1});
        }
    }
    return runs;
}

struct Candidate {
    int x0 = 0;
    int y0 = 0;
    int x1 = 0;
    int y1 = 0;
    double cover = 0;  // the four sides' covers, summed
};

// The one-pixel ring just inside the rectangle is of one colour (within kRingSlack of the
// middle of its top side), but for a few pixels (a bezel's rounded corners).
bool uniformRing(const Picture& p, const Candidate& r) {
    const std::uint32_t colour = p.at((r.x0 + r.x1) / 2, r.y0);
    long other = 0;
    const auto count = [&](int x, int y) {
        other += channelDistance(p.at(x, y), colour) > kRingSlack ? 1 : 0;
    };
    for (int x = r.x0; x < r.x1; ++x) {
        count(x, r.y0);
        count(x, r.y1 - 1);
    }
    for (int y = r.y0 + 1; y + 1 < r.y1; ++y) {
        count(r.x0, y);
        count(r.x1 - 1, y);
    }
    const long ring = 2L * (r.x1 - r.x0) + 2L * (r.y1 - r.y0 - 2);
    return static_cast<double>(other) <= static_cast<double>(ring) * kRingOther;
}

}  // namespace

FittedPicture findFittedPicture(const Picture& p) {
    FittedPicture none;
    if (p.width < 2 * kLeastBar + 1 || p.height < 2 * kLeastBar + 1) {
        return none;
    }
    const std::uint32_t colour = p.at(0, 0);
    const int left = flatLines(p.width, p.height, colour, [&](int i, int k) { return p.at(i, k); });
    const int right = flatLines(p.width - left, p.height, colour,
                                [&](int i, int k) { return p.at(p.width - 1 - i, k); });
    const int top = flatLines(p.height, p.width, colour, [&](int i, int k) { return p.at(k, i); });
    const int bottom = flatLines(p.height - top, p.width, colour,
                                 [&](int i, int k) { return p.at(k, p.height - 1 - i); });
    // Centred: the two bars equally wide, but for a picture's own margin of the bars' colour,
    // which makes one look wider than the other.
    const auto balanced = [](int a, int b) {
        return a >= kLeastBar && b >= kLeastBar && std::abs(a - b) <= std::max(2, (a + b) / 4);
    };
    const bool sideBars = balanced(left, right) && top == 0;
    const bool endBars = balanced(top, bottom) && left == 0;
    FittedPicture fit;
    if (sideBars) {
        fit = {true, left, 0, p.width - left - right, p.height};
    } else if (endBars) {
        fit = {true, 0, top, p.width, p.height - top - bottom};
    } else {
        return none;
    }
    // The picture touches the other two edges: its first and last lines there are not all bar.
    const bool touches =
        sideBars
            ? flatLines(1, fit.width, colour, [&](int, int k) { return p.at(fit.x + k, 0); }) ==
                      0 &&
                  flatLines(1, fit.width, colour,
                            [&](int, int k) { return p.at(fit.x + k, p.height - 1); }) == 0
            : flatLines(1, fit.height, colour, [&](int, int k) { return p.at(0, fit.y + k); }) ==
                      0 &&
                  flatLines(1, fit.height, colour,
                            [&](int, int k) { return p.at(p.width - 1, fit.y + k); }) == 0;
    return touches ? fit : none;
}

std::optional<ScreenPlace> locateFittedScreen(const Picture& p, const FittedPicture& fit,
                                              int across, int down) {
    if (!fit.found || fit.width < across || fit.height < down) {
        return std::nullopt;
    }
    const LineCounts edges = strongEdges(p);
    const int fx0 = fit.x;
    const int fy0 = fit.y;
    const int fx1 = fit.x + fit.width;
    const int fy1 = fit.y + fit.height;
    // Long runs of strong changes along vertical lines (the screen's left or right side) and
    // horizontal ones (its top or bottom), at least kSideCover of a screen of one pixel a dot.
    const auto columns = longRuns(fx0 + 1, fx1, fy0, fy1, static_cast<int>(kSideCover * down),
                                  [&](int x, int y) { return edges.vertical(x, y, y + 1) != 0; });
    const auto rows = longRuns(fy0 + 1, fy1, fx0, fx1, static_cast<int>(kSideCover * across),
                               [&](int y, int x) { return edges.horizontal(y, x, x + 1) != 0; });

    const auto coverOf = [&](int x0, int y0, int x1, int y1) {
        const double w = x1 - x0;
        const double h = y1 - y0;
        const double c[4] = {edges.vertical(x0, y0, y1) / h, edges.vertical(x1, y0, y1) / h,
                             edges.horizontal(y0, x0, x1) / w, edges.horizontal(y1, x0, x1) / w};
        double sum = 0;
        for (double side : c) {
            if (side < kSideCover) {
                return -1.0;
            }
            sum += side;
        }
        return sum;
    };
    std::vector<Candidate> found;
    const auto consider = [&](int x0, int y0, int x1, int y1) {
        if (x0 <= fx0 || y0 <= fy0 || x1 >= fx1 || y1 >= fy1 || x1 - x0 < across ||
            y1 - y0 < down) {
            return;
        }
        // Square dots: the sides keep the dots' aspect within the slack.
        const long skew = static_cast<long>(x1 - x0) * down - static_cast<long>(y1 - y0) * across;
        if (std::abs(skew) > static_cast<long>(kAspectSlack) * std::max(across, down)) {
            return;
        }
        const double cover = coverOf(x0, y0, x1, y1);
        const bool seen = std::any_of(found.begin(), found.end(), [&](const Candidate& c) {
            return c.x0 == x0 && c.y0 == y0 && c.x1 == x1 && c.y1 == y1;
        });
        if (cover >= 0 && !seen) {
            found.push_back({x0, y0, x1, y1, cover});
        }
    };
    // A side's run gives two of the rectangle's edges; the aspect gives the third, tried within
    // the slack; the fourth lies opposite the run.
    for (const Run& r : columns) {
        for (int a = -1; a <= 1; ++a) {
            for (int b = -1; b <= 1; ++b) {
                const int y0 = r.from + a;
                const int y1 = r.to + b;
                const int w =
                    static_cast<int>((static_cast<long>(y1 - y0) * across + down / 2) / down);
                for (int d = -kAspectSlack; d <= kAspectSlack; ++d) {
                    consider(r.line, y0, r.line + w + d, y1);
                    consider(r.line - w - d, y0, r.line, y1);
                }
            }
        }
    }
    for (const Run& r : rows) {
        for (int a = -1; a <= 1; ++a) {
            for (int b = -1; b <= 1; ++b) {
                const int x0 = r.from + a;
                const int x1 = r.to + b;
                const int h =
                    static_cast<int>((static_cast<long>(x1 - x0) * down + across / 2) / across);
                for (int d = -kAspectSlack; d <= kAspectSlack; ++d) {
                    consider(x0, r.line, x1, r.line + h + d);
                    consider(x0, r.line - h - d, x1, r.line);
                }
            }
        }
    }
    // A frame (its inner ring one colour, as a bezel's dark rim) around another rectangle is
    // passed over; of the rest, the best covered, the largest among equals.
    const auto frame = [&](const Candidate& r) {
        return uniformRing(p, r) &&
               std::any_of(found.begin(), found.end(), [&](const Candidate& c) {
                   return &c != &r && r.x0 <= c.x0 && r.y0 <= c.y0 && c.x1 <= r.x1 && c.y1 <= r.y1;
               });
    };
    const Candidate* bestPtr = nullptr;
    for (const Candidate& c : found) {
        if (frame(c)) {
            continue;
        }
        const long area = static_cast<long>(c.x1 - c.x0) * (c.y1 - c.y0);
        if (bestPtr == nullptr || c.cover > bestPtr->cover + 1e-9 ||
            (c.cover >= bestPtr->cover - 1e-9 &&
             area > static_cast<long>(bestPtr->x1 - bestPtr->x0) * (bestPtr->y1 - bestPtr->y0))) {
            bestPtr = &c;
        }
    }
    if (bestPtr == nullptr) {
        return std::nullopt;
    }
    const Candidate best = *bestPtr;
    ScreenPlace s;
    s.outcome = LocateOutcome::Found;
    s.x = best.x0;
    s.y = best.y0;
    s.left = best.x0;
    s.top = best.y0;
    s.width = best.x1 - best.x0;
    s.height = best.y1 - best.y0;
    // Square dots: one pitch from both sides, each weighed by its length.
    const double pitch = static_cast<double>(s.width + s.height) / (across + down);
    s.pitchX = pitch;
    s.pitchY = pitch;
    s.whole = s.width % across == 0 && s.height % down == 0 && s.width / across == s.height / down;
    s.fitX = fit.x;
    s.fitY = fit.y;
    s.fitWidth = fit.width;
    s.fitHeight = fit.height;
    s.how = "an edged rectangle of the screen's aspect, inside a picture fitted between bars";
    return s;
}
