// Finding the calculator screen in a client-area picture: edged rectangles first, checked
// against the dot grid; then the dots themselves inside the smallest edged region.
#include "add/locate.h"

#include "add/dot_grid.h"
#include "add/fitted_screen.h"
#include "add/line_counts.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdlib>
#include <numeric>
#include <optional>
#include <vector>

namespace {

// Two pixels differ when their channels differ by more than this in sum: above the drift of a
// photographic skin's gradients, below one step of a 16-gray screen.
constexpr int kEdgeThreshold = 20;
// A side is an edge when this share of it is a colour change.
constexpr double kSideCover = 0.8;
// At most this many lines in each direction take part in the search.
constexpr std::size_t kMaxLines = 100;
// Dots are at most four times as wide as tall, or the other way round.
constexpr double kMaxDotAspect = 4.0;
// A screen drawn at a scale that is not whole is redrawn from its dots within this mean channel
// distance (of three channels) at the pixels where its colour changes.
constexpr double kRedrawError = 16.0;
// ... and shows at least this many dots that are one dot thin.
constexpr int kLeastThinDots = 8;
// Dots of less than this many pixels redraw anything: inside the client area, a rectangle at
// such a scale that is not whole is not taken on its content.
constexpr double kLeastPitch = 1.25;
// The background of a screen region covers at least this share of it.
constexpr double kBackgroundShare = 0.4;
// A line just outside a screen is plain when this share of it is one colour.
constexpr double kPlainShare = 0.6;
// Regions whose sides are all within this many pixels of each other's hold the same dots.
constexpr int kSameRegion = 3;
// A blend of an LCD's two colours lies within this (RGB distance) of the line between them.
constexpr double kTwoToneSlack = 24.0;
// Dots on an LCD: at least this share of what differs from its background is one colour.
constexpr double kCrispShare = 0.8;

bool differs(std::uint32_t a, std::uint32_t b) {
    return channelDistance(a, b) > kEdgeThreshold;
}

struct Rect {
    int x0 = 0;
    int y0 = 0;
    int x1 = 0;  // exclusive
    int y1 = 0;
    int width() const { return x1 - x0; }
    int height() const { return y1 - y0; }
    long area() const { return static_cast<long>(width()) * height(); }
    bool contains(const Rect& r) const {
        return x0 <= r.x0 && y0 <= r.y0 && r.x1 <= x1 && r.y1 <= y1 &&
               !(x0 == r.x0 && y0 == r.y0 && x1 == r.x1 && y1 == r.y1);
    }
};

// Two neighbouring pixels of a row (across) or a column, both inside the picture, of one colour.
bool plainPair(const Picture& p, int a, int b, int line, bool across) {
    if (a < 0 || (across ? b >= p.width : b >= p.height)) {
        return false;
    }
    return across ? !differs(p.at(a, line), p.at(b, line)) : !differs(p.at(line, a), p.at(line, b));
}

// Colour changes between neighbouring pixels, with running counts along each line. Only a
// change with something plain on one side of it counts (two pixels of one colour next to it,
// or one pixel further out): the border of a region, not the grain of a picture.
// Vertical line x (0..W) lies between columns x - 1 and x; horizontal line y between rows.
// The client area's border counts as an edge.
class Edges : public LineCounts {
  public:
    explicit Edges(const Picture& p)
        : LineCounts(
              p.width, p.height,
              [&](int x, int y) {
                  return x == 0 || x == p.width ||
                         (differs(p.at(x - 1, y), p.at(x, y)) &&
                          (plainPair(p, x - 3, x - 2, y, true) ||
                           plainPair(p, x - 2, x - 1, y, true) || plainPair(p, x, x + 1, y, true) ||
                           plainPair(p, x + 1, x + 2, y, true)));
              },
              [&](int y, int x) {
                  return y == 0 || y == p.height ||
                         (differs(p.at(x, y - 1), p.at(x, y)) &&
                          (plainPair(p, y - 3, y - 2, x, false) ||
                           plainPair(p, y - 2, y - 1, x, false) ||
                           plainPair(p, y, y + 1, x, false) ||
                           plainPair(p, y + 1, y + 2, x, false)));
              }) {}
    bool verticalAt(int x, int y) const { return vertical(x, y, y + 1) != 0; }
    bool horizontalAt(int y, int x) const { return horizontal(y, x, x + 1) != 0; }
};

// The lines that could be a side at least `least` long: those with that many changes, the
// strongest first when there are too many.
std::vector<int> candidateLines(int count, int least, auto changes) {
    std::vector<std::pair<int, int>> lines;
    for (int i = 0; i <= count; ++i) {
        const int n = changes(i);
        if (n >= least) {
            lines.emplace_back(n, i);
        }
    }
    std::sort(lines.begin(), lines.end(), [](auto a, auto b) { return a.first > b.first; });
    if (lines.size() > kMaxLines) {
        lines.resize(kMaxLines);
    }
    std::vector<int> result;
    for (const auto& line : lines) {
        result.push_back(line.second);
    }
    std::sort(result.begin(), result.end());
    return result;
}

bool plausibleDots(int width, int height, int across, int down) {
    if (width < across || height < down) {
        return false;
    }
    const double px = static_cast<double>(width) / across;
    const double py = static_cast<double>(height) / down;
    return px / py <= kMaxDotAspect && py / px <= kMaxDotAspect;
}

// Most of the pixels of a line are of one colour: the line's colour at a quarter, half or three
// quarters of its length is shared by at least kPlainShare of them.
bool plainLine(int length, auto colourAt) {
    for (int k = 1; k <= 3; ++k) {
        const std::uint32_t colour = colourAt(length * k / 4);
        int same = 0;
        for (int i = 0; i < length; ++i) {
            same += differs(colourAt(i), colour) ? 0 : 1;
        }
        if (same >= kPlainShare * length) {
            return true;
        }
    }
    return false;
}

// What lies just outside each side that is not the client area's border is plain: a rim, a
// bezel, a status bar's background. (Within a picture, every line may be an edge; a screen's
// border is one because of what surrounds it.) A blended column of smooth scaling may lie
// between: the line one pixel further out counts too.
bool plainOutside(const Picture& p, const Rect& r) {
    auto column = [&](int x) {
        return x < 0 || x >= p.width ||
               plainLine(r.height(), [&](int i) { return p.at(x, r.y0 + i); });
    };
    auto row = [&](int y) {
        return y < 0 || y >= p.height ||
               plainLine(r.width(), [&](int i) { return p.at(r.x0 + i, y); });
    };
    return (r.x0 == 0 || column(r.x0 - 1) || column(r.x0 - 2)) &&
           (r.x1 == p.width || column(r.x1) || column(r.x1 + 1)) &&
           (r.y0 == 0 || row(r.y0 - 1) || row(r.y0 - 2)) &&
           (r.y1 == p.height || row(r.y1) || row(r.y1 + 1));
}

// A side of `length` pixels, `changes(from, to)` counting the edges along it, is an edge when
// most of it is.
bool sideIsEdge(int length, auto changes) {
    return changes(0, length) >= kSideCover * length;
}

bool sidesAreEdges(const Edges& e, const Rect& r) {
    auto column = [&](int x) {
        return sideIsEdge(r.height(),
                          [&](int a, int b) { return e.vertical(x, r.y0 + a, r.y0 + b); });
    };
    auto row = [&](int y) {
        return sideIsEdge(r.width(),
                          [&](int a, int b) { return e.horizontal(y, r.x0 + a, r.x0 + b); });
    };
    return column(r.x0) && column(r.x1) && row(r.y0) && row(r.y1);
}

// Every rectangle whose four sides are edges and whose dots are at least one pixel.
std::vector<Rect> edgedRectangles(const Picture& p, const Edges& e, int across, int down) {
    const auto columns = candidateLines(p.width, static_cast<int>(kSideCover * down),
                                        [&](int x) { return e.vertical(x, 0, p.height); });
    const auto rows = candidateLines(p.height, static_cast<int>(kSideCover * across),
                                     [&](int y) { return e.horizontal(y, 0, p.width); });
    std::vector<Rect> found;
    std::vector<int> spanning;
    for (std::size_t i = 0; i < columns.size(); ++i) {
        for (std::size_t j = i + 1; j < columns.size(); ++j) {
            const int x0 = columns[i];
            const int x1 = columns[j];
            if (x1 - x0 < across) {
                continue;
            }
            spanning.clear();
            for (int y : rows) {
                if (e.horizontal(y, x0, x1) >= kSideCover * (x1 - x0)) {
                    spanning.push_back(y);
                }
            }
            for (std::size_t a = 0; a < spanning.size(); ++a) {
                for (std::size_t b = a + 1; b < spanning.size(); ++b) {
                    const Rect r{x0, spanning[a], x1, spanning[b]};
                    if (!plausibleDots(r.width(), r.height(), across, down)) {
                        continue;
                    }
                    if (sidesAreEdges(e, r) && plainOutside(p, r)) {
                        found.push_back(r);
                    }
                }
            }
        }
    }
    return found;
}

// A rectangle of whole dots, each of one colour.
bool wholeDotsUniform(const Picture& p, const Rect& r, int across, int down) {
    const int px = r.width() / across;
    const int py = r.height() / down;
    for (int dy = 0; dy < down; ++dy) {
        for (int dx = 0; dx < across; ++dx) {
            const int left = r.x0 + dx * px;
            const int top = r.y0 + dy * py;
            const std::uint32_t colour = p.at(left, top);
            for (int y = top; y < top + py; ++y) {
                for (int x = left; x < left + px; ++x) {
                    if (differs(p.at(x, y), colour)) {
                        return false;
                    }
                }
            }
        }
    }
    return true;
}

// Inside a rectangle drawn at a scale that is not whole: each dot's colour is taken at its
// centre, the rectangle is drawn again from those dots (by nearest pixel, and smoothly, each
// pixel the mean of the dots it covers), and the pixels where the colour changes are compared
// with both drawings. The screen is redrawn closely; a rectangle beside it, or content coarser
// or finer than its dots, is not.
struct Redrawing {
    int changes = 0;
    double error = 0;  // mean channel distance over the changing pixels, the better drawing's
    int thinDots = 0;
};

Redrawing redrawFromDots(const Picture& p, const Rect& r, int across, int down) {
    const double px = static_cast<double>(r.width()) / across;
    const double py = static_cast<double>(r.height()) / down;
    std::vector<std::uint32_t> dots(static_cast<std::size_t>(across) *
                                    static_cast<std::size_t>(down));
    for (int j = 0; j < down; ++j) {
        for (int i = 0; i < across; ++i) {
            const int x = std::min(r.x1 - 1, r.x0 + static_cast<int>((i + 0.5) * px));
            const int y = std::min(r.y1 - 1, r.y0 + static_cast<int>((j + 0.5) * py));
            dots[static_cast<std::size_t>(j * across + i)] = p.at(x, y);
        }
    }
    auto dot = [&](int i, int j) {
        return dots[static_cast<std::size_t>(std::clamp(j, 0, down - 1) * across +
                                             std::clamp(i, 0, across - 1))];
    };
    Redrawing d;
    // Dots that differ from both neighbours across or down: strokes one dot thin, which content
    // drawn coarser than the dots does not have.
    for (int j = 0; j < down; ++j) {
        for (int i = 0; i < across; ++i) {
            const std::uint32_t c = dot(i, j);
            const bool thinAcross =
                i > 0 && i + 1 < across && differs(dot(i - 1, j), c) && differs(dot(i + 1, j), c);
            const bool thinDown =
                j > 0 && j + 1 < down && differs(dot(i, j - 1), c) && differs(dot(i, j + 1), c);
            d.thinDots += thinAcross || thinDown ? 1 : 0;
        }
    }
    if (d.thinDots < kLeastThinDots) {
        return d;  // not worth redrawing
    }
    double total = 0;
    for (int y = r.y0; y < r.y1; ++y) {
        for (int x = r.x0; x < r.x1; ++x) {
            const std::uint32_t c = p.at(x, y);
            const bool change = (x > r.x0 && differs(p.at(x - 1, y), c)) ||
                                (y > r.y0 && differs(p.at(x, y - 1), c));
            if (!change) {
                continue;
            }
            ++d.changes;
            const double u0 = (x - r.x0) / px;
            const double u1 = (x - r.x0 + 1) / px;
            const double v0 = (y - r.y0) / py;
            const double v1 = (y - r.y0 + 1) / py;
            // Nearest by the pixel's centre or by its corner, as scalers differ in that.
            const int nearest = std::min(
                channelDistance(
                    c, dot(static_cast<int>((u0 + u1) / 2), static_cast<int>((v0 + v1) / 2))),
                channelDistance(c, dot(static_cast<int>(u0), static_cast<int>(v0))));
            double sum[3] = {0, 0, 0};
            double weight = 0;
            for (int j = static_cast<int>(v0); j < v1; ++j) {
                const double wy = std::min(v1, j + 1.0) - std::max(v0, static_cast<double>(j));
                for (int i = static_cast<int>(u0); i < u1; ++i) {
                    const double wx = std::min(u1, i + 1.0) - std::max(u0, static_cast<double>(i));
                    const std::uint32_t colour = dot(i, j);
                    for (int ch = 0; ch < 3; ++ch) {
                        sum[ch] += wx * wy * static_cast<double>(colour >> (8 * ch) & 0xFFu);
                    }
                    weight += wx * wy;
                }
            }
            double smooth = 0;
            for (int ch = 0; ch < 3; ++ch) {
                smooth += std::abs(sum[ch] / weight - static_cast<double>(c >> (8 * ch) & 0xFFu));
            }
            total += std::min(static_cast<double>(nearest), smooth);
        }
    }
    d.error = d.changes == 0 ? 0.0 : total / d.changes;
    return d;
}

// The one-pixel ring just inside the rectangle is all one colour.
bool uniformRing(const Picture& p, const Rect& r) {
    const std::uint32_t colour = p.at(r.x0, r.y0);
    for (int x = r.x0; x < r.x1; ++x) {
        if (differs(p.at(x, r.y0), colour) || differs(p.at(x, r.y1 - 1), colour)) {
            return false;
        }
    }
    for (int y = r.y0; y < r.y1; ++y) {
        if (differs(p.at(r.x0, y), colour) || differs(p.at(r.x1 - 1, y), colour)) {
            return false;
        }
    }
    return true;
}

// Of the accepted rectangles, those that are not a frame around another one; the one redrawn
// best (the largest among equals).
const Rect* bestNotFrame(const Picture& p, const std::vector<Rect>& accepted,
                         const std::vector<double>& errors) {
    const Rect* best = nullptr;
    double bestError = 0;
    for (std::size_t i = 0; i < accepted.size(); ++i) {
        const Rect& r = accepted[i];
        const bool frame =
            uniformRing(p, r) && std::any_of(accepted.begin(), accepted.end(),
                                             [&](const Rect& inner) { return r.contains(inner); });
        if (frame) {
            continue;
        }
        if (best == nullptr || errors[i] < bestError - 0.5 ||
            (errors[i] <= bestError + 0.5 && r.area() > best->area())) {
            best = &r;
            bestError = errors[i];
        }
    }
    return best;
}

// Of the accepted rectangles, those that are not a frame around another one; the largest.
const Rect* largestNotFrame(const Picture& p, const std::vector<Rect>& accepted) {
    const Rect* best = nullptr;
    for (const Rect& r : accepted) {
        const bool frame =
            uniformRing(p, r) && std::any_of(accepted.begin(), accepted.end(),
                                             [&](const Rect& inner) { return r.contains(inner); });
        if (!frame && (best == nullptr || r.area() > best->area())) {
            best = &r;
        }
    }
    return best;
}

ScreenPlace placed(const Rect& r, int across, int down, bool whole, std::string how) {
    ScreenPlace s;
    s.outcome = LocateOutcome::Found;
    s.x = r.x0;
    s.y = r.y0;
    s.left = r.x0;
    s.top = r.y0;
    s.width = r.width();
    s.height = r.height();
    s.pitchX = static_cast<double>(r.width()) / across;
    s.pitchY = static_cast<double>(r.height()) / down;
    s.whole = whole;
    s.how = std::move(how);
    return s;
}

// ---- Step 4: the dots inside a region whose background runs on beyond the screen ----------

// The most frequent colour of the region, and its share, from at most about 4096 samples.
std::uint32_t dominantColour(const Picture& p, const Rect& r, double* share) {
    const int step =
        std::max(1, static_cast<int>(std::sqrt(static_cast<double>(r.area()) / 4096.0)));
    std::vector<std::uint32_t> colours;
    for (int y = r.y0; y < r.y1; y += step) {
        for (int x = r.x0; x < r.x1; x += step) {
            colours.push_back(p.at(x, y));
        }
    }
    std::sort(colours.begin(), colours.end());
    std::uint32_t best = 0;
    std::size_t bestRun = 0;
    for (std::size_t i = 0; i < colours.size();) {
        std::size_t j = i;
        while (j < colours.size() && colours[j] == colours[i]) {
            ++j;
        }
        if (j - i > bestRun) {
            bestRun = j - i;
            best = colours[i];
        }
        i = j;
    }
    *share =
        colours.empty() ? 0.0 : static_cast<double>(bestRun) / static_cast<double>(colours.size());
    return best;
}

// The marked pixels of a region: the dot size from the lengths of the marked runs (their
// greatest common divisor), across and down; the dot grid's phase, from where most runs start;
// and the bounding box of the marks on that grid (marks off it, as an annunciator drawn beside
// the screen, are left out).
struct Marks {
    bool any = false;
    Rect box;
    int pitchX = 0;
    int pitchY = 0;
};

// Runs of marked pixels along lines: calls run(line, start, length) for each.
void forEachRun(int lines, int length, auto marked, auto run) {
    for (int line = 0; line < lines; ++line) {
        int start = -1;
        for (int i = 0; i <= length; ++i) {
            const bool on = i < length && marked(line, i);
            if (on && start < 0) {
                start = i;
            } else if (!on && start >= 0) {
                run(line, start, i - start);
                start = -1;
            }
        }
    }
}

// The phase (0..pitch-1) at which most runs start.
int commonPhase(const std::vector<int>& starts, int pitch) {
    std::vector<int> votes(static_cast<std::size_t>(pitch), 0);
    for (int s : starts) {
        ++votes[static_cast<std::size_t>(s % pitch)];
    }
    return static_cast<int>(std::max_element(votes.begin(), votes.end()) - votes.begin());
}

Marks measureMarks(const Rect& r, auto marked) {
    Marks m;
    std::vector<int> startsX;
    std::vector<int> startsY;
    int gx = 0;
    int gy = 0;
    forEachRun(
        r.height(), r.width(), [&](int y, int x) { return marked(r.x0 + x, r.y0 + y); },
        [&](int, int start, int length) {
            gx = std::gcd(gx, length);
            startsX.push_back(start);
        });
    forEachRun(
        r.width(), r.height(), [&](int x, int y) { return marked(r.x0 + x, r.y0 + y); },
        [&](int, int start, int length) {
            gy = std::gcd(gy, length);
            startsY.push_back(start);
        });
    if (gx == 0 || gy == 0) {
        return m;
    }
    m.any = true;
    m.pitchX = gx;
    m.pitchY = gy;
    const int phaseX = commonPhase(startsX, gx);
    const int phaseY = commonPhase(startsY, gy);
    m.box = {r.x1, r.y1, r.x0, r.y0};
    forEachRun(
        r.height(), r.width(), [&](int y, int x) { return marked(r.x0 + x, r.y0 + y); },
        [&](int y, int start, int length) {
            if (start % gx == phaseX) {
                m.box.x0 = std::min(m.box.x0, r.x0 + start);
                m.box.x1 = std::max(m.box.x1, r.x0 + start + length);
            }
            (void)y;
        });
    forEachRun(
        r.width(), r.height(), [&](int x, int y) { return marked(r.x0 + x, r.y0 + y); },
        [&](int x, int start, int length) {
            if (start % gy == phaseY) {
                m.box.y0 = std::min(m.box.y0, r.y0 + start);
                m.box.y1 = std::max(m.box.y1, r.y0 + start + length);
            }
            (void)x;
        });
    return m;
}

// The pixels of the region that are not its background are mostly of one colour: dots drawn
// crisply on an LCD (smooth scaling makes blends of every shade).
bool crispMarks(const Picture& p, const Rect& r, std::uint32_t background) {
    std::vector<std::uint32_t> marks;
    for (int y = r.y0; y < r.y1; ++y) {
        for (int x = r.x0; x < r.x1; ++x) {
            if (differs(p.at(x, y), background)) {
                marks.push_back(p.at(x, y));
            }
        }
    }
    std::sort(marks.begin(), marks.end());
    std::size_t bestRun = 0;
    for (std::size_t i = 0; i < marks.size();) {
        std::size_t j = i;
        while (j < marks.size() && marks[j] == marks[i]) {
            ++j;
        }
        bestRun = std::max(bestRun, j - i);
        i = j;
    }
    return static_cast<double>(bestRun) >= kCrispShare * static_cast<double>(marks.size());
}

// The pixels of the region that are not its background lie between it and one ink colour:
// the dots of a one-colour LCD, crisp or blended into the background by smooth scaling (a row
// of keys, a photograph, a colour screen have many colours).
bool twoToneMarks(const Picture& p, const Rect& r, std::uint32_t background) {
    auto channels = [](std::uint32_t c, double* v) {
        for (int ch = 0; ch < 3; ++ch) {
            v[ch] = static_cast<double>(c >> (8 * ch) & 0xFFu);
        }
    };
    std::uint32_t ink = background;
    int farthest = 0;
    long marks = 0;
    for (int y = r.y0; y < r.y1; ++y) {
        for (int x = r.x0; x < r.x1; ++x) {
            const int d = channelDistance(p.at(x, y), background);
            marks += d > kEdgeThreshold ? 1 : 0;
            if (d > farthest) {
                farthest = d;
                ink = p.at(x, y);
            }
        }
    }
    if (marks == 0) {
        return false;
    }
    double b[3];
    double k[3];
    channels(background, b);
    channels(ink, k);
    double dir[3];
    double length2 = 0;
    for (int ch = 0; ch < 3; ++ch) {
        dir[ch] = k[ch] - b[ch];
        length2 += dir[ch] * dir[ch];
    }
    long onLine = 0;
    for (int y = r.y0; y < r.y1; ++y) {
        for (int x = r.x0; x < r.x1; ++x) {
            const std::uint32_t c = p.at(x, y);
            if (channelDistance(c, background) <= kEdgeThreshold) {
                continue;
            }
            double v[3];
            channels(c, v);
            double t = 0;
            for (int ch = 0; ch < 3; ++ch) {
                t += (v[ch] - b[ch]) * dir[ch];
            }
            t = std::clamp(t / length2, 0.0, 1.0);
            double off = 0;
            for (int ch = 0; ch < 3; ++ch) {
                const double e = v[ch] - b[ch] - t * dir[ch];
                off += e * e;
            }
            onLine += off <= kTwoToneSlack * kTwoToneSlack ? 1 : 0;
        }
    }
    return static_cast<double>(onLine) >= kCrispShare * static_cast<double>(marks);
}

// Where a span of `size` starts inside [low, high) so that it holds [markLow, markHigh): at the
// marks' start when it can, else moved back by whole dots. -1 when nothing fits.
int placeSpan(int low, int high, int markLow, int markHigh, int size, int pitch) {
    int start = markLow;
    while (start + size > high) {
        start -= pitch;
    }
    if (start < low || start + size < markHigh) {
        return -1;
    }
    return start;
}

// Where a screen of `dots` dots of `pitch` starts along an axis, on the grid, inside
// [low, high): of the places that hold the most edges, the last (the marks then begin at the
// screen's first dot, or as near to it as the region lets them). NaN when none fits.
double placeOnGrid(const DotAxis& axis, int dots, double low, double high) {
    const double size = dots * axis.pitch;
    const double slack = axis.pitch / 4;
    double best = std::nan("");
    std::ptrdiff_t bestHeld = -1;
    const double first = std::ceil((low - slack - axis.phase) / axis.pitch);
    for (double k = first;; k += 1) {
        const double start = axis.phase + k * axis.pitch;
        if (start + size > high + slack) {
            break;
        }
        const auto from = std::lower_bound(axis.edges.begin(), axis.edges.end(), start - slack);
        const auto to =
            std::upper_bound(axis.edges.begin(), axis.edges.end(), start + size + slack);
        const std::ptrdiff_t held = to - from;
        if (held >= bestHeld) {
            bestHeld = held;
            best = start;
        }
    }
    return bestHeld > 0 ? best : std::nan("");
}

// A screen drawn smoothly at a scale that is not whole inside a region of its background: the
// grid of its marks, the screen placed on it.
std::optional<ScreenPlace> smoothDots(const Picture& p, const Picture* before, const Rect& region,
                                      std::uint32_t background, int across, int down) {
    const DotGrid grid =
        measureDotGrid(p, before, region.x0, region.y0, region.x1, region.y1, background, across,
                       down, kLeastPitch, static_cast<double>(region.width()) / across,
                       static_cast<double>(region.height()) / down);
    if (!grid.across.found || !grid.down.found) {
        return std::nullopt;
    }
    const double x = placeOnGrid(grid.across, across, region.x0, region.x1);
    const double y = placeOnGrid(grid.down, down, region.y0, region.y1);
    if (std::isnan(x) || std::isnan(y)) {
        return std::nullopt;
    }
    ScreenPlace s;
    s.outcome = LocateOutcome::Found;
    s.x = static_cast<int>(std::lround(x));
    s.y = static_cast<int>(std::lround(y));
    s.left = x;
    s.top = y;
    s.width = static_cast<int>(std::lround(across * grid.across.pitch));
    s.height = static_cast<int>(std::lround(down * grid.down.pitch));
    s.pitchX = grid.across.pitch;
    s.pitchY = grid.down.pitch;
    s.whole = false;
    s.how = before != nullptr ? "the grid of the dots that changed, inside an edged region"
                              : "the grid of the marks' edges, inside an edged region of the "
                                "background";
    return s;
}

}  // namespace

ScreenPlace locateScreen(const Picture& picture, int dotsAcross, int dotsDown,
                         const Picture* before) {
    ScreenPlace none;
    if (dotsAcross <= 0 || dotsDown <= 0 || picture.width < dotsAcross ||
        picture.height < dotsDown) {
        none.how = "the window is smaller than the calculator's screen";
        return none;
    }
    if (before != nullptr && (before->width != picture.width || before->height != picture.height)) {
        none.how = "the window changed its size between the two pictures";
        return none;
    }

    // A picture fitted between flat bars: the screen is the edged rectangle of its aspect.
    const FittedPicture fit = findFittedPicture(picture);
    if (fit.found) {
        if (const auto found = locateFittedScreen(picture, fit, dotsAcross, dotsDown)) {
            return *found;
        }
    }

    const Edges edges(picture);
    std::vector<Rect> rects = edgedRectangles(picture, edges, dotsAcross, dotsDown);
    // The client area itself is always a candidate.
    const Rect client{0, 0, picture.width, picture.height};
    if (std::none_of(rects.begin(), rects.end(),
                     [&](const Rect& r) {
                         return r.x0 == 0 && r.y0 == 0 && r.x1 == client.x1 && r.y1 == client.y1;
                     }) &&
        plausibleDots(client.width(), client.height(), dotsAcross, dotsDown)) {
        rects.push_back(client);
    }

    // Whole dots, each of one colour.
    std::vector<Rect> accepted;
    for (const Rect& r : rects) {
        if (r.width() % dotsAcross == 0 && r.height() % dotsDown == 0 &&
            wholeDotsUniform(picture, r, dotsAcross, dotsDown)) {
            accepted.push_back(r);
        }
    }
    if (const Rect* best = largestNotFrame(picture, accepted)) {
        return placed(*best, dotsAcross, dotsDown, true, "an edged rectangle of whole dots");
    }

    // The background runs on beyond the screen: the dots that differ from it, or that changed,
    // inside the smallest region that holds them.
    std::sort(rects.begin(), rects.end(),
              [](const Rect& a, const Rect& b) { return a.area() < b.area(); });
    bool sawBlank = false;
    std::vector<Rect> smoothTried;
    for (const Rect& region : rects) {
        double share = 0;
        const std::uint32_t background = dominantColour(picture, region, &share);
        if (share < kBackgroundShare) {
            continue;
        }
        const Marks marks =
            before != nullptr
                ? measureMarks(
                      region,
                      [&](int x, int y) { return differs(picture.at(x, y), before->at(x, y)); })
                : measureMarks(region,
                               [&](int x, int y) { return differs(picture.at(x, y), background); });
        if (!marks.any) {
            sawBlank = true;
            continue;
        }
        if (!crispMarks(picture, region, background)) {
            // Drawn smoothly, at a scale that is not whole: the grid the marks' edges lie on.
            // A region within a few pixels of one tried already gives the same grid.
            const bool tried =
                std::any_of(smoothTried.begin(), smoothTried.end(), [&](const Rect& t) {
                    return std::abs(t.x0 - region.x0) <= kSameRegion &&
                           std::abs(t.x1 - region.x1) <= kSameRegion &&
                           std::abs(t.y0 - region.y0) <= kSameRegion &&
                           std::abs(t.y1 - region.y1) <= kSameRegion;
                });
            if (tried || !twoToneMarks(picture, region, background)) {
                continue;  // a picture, or many things: not dots on an LCD
            }
            smoothTried.push_back(region);
            if (const auto found =
                    smoothDots(picture, before, region, background, dotsAcross, dotsDown)) {
                return *found;
            }
            continue;
        }
        const int width = dotsAcross * marks.pitchX;
        const int height = dotsDown * marks.pitchY;
        const int x =
            placeSpan(region.x0, region.x1, marks.box.x0, marks.box.x1, width, marks.pitchX);
        const int y =
            placeSpan(region.y0, region.y1, marks.box.y0, marks.box.y1, height, marks.pitchY);
        if (x < 0 || y < 0) {
            // Marks too coarse for the region's dots (an annunciator alone) show no screen.
            sawBlank = sawBlank || width > region.width() || height > region.height();
            continue;
        }
        return placed({x, y, x + width, y + height}, dotsAcross, dotsDown, true,
                      before != nullptr ? "the dots that changed, inside an edged region"
                                        : "the lit dots, inside an edged region of the background");
    }

    // A scale that is not whole: the rectangle that its dots redraw best.
    accepted.clear();
    std::vector<double> errors;
    for (const Rect& r : rects) {
        const bool isClient = r.width() == picture.width && r.height() == picture.height;
        if ((r.width() % dotsAcross == 0 && r.height() % dotsDown == 0) ||
            (!isClient && std::min(static_cast<double>(r.width()) / dotsAcross,
                                   static_cast<double>(r.height()) / dotsDown) < kLeastPitch)) {
            continue;
        }
        const Redrawing d = redrawFromDots(picture, r, dotsAcross, dotsDown);
        if (d.changes >= dotsAcross && d.error <= kRedrawError && d.thinDots >= kLeastThinDots) {
            accepted.push_back(r);
            errors.push_back(d.error);
        }
    }
    if (const Rect* best = bestNotFrame(picture, accepted, errors)) {
        return placed(*best, dotsAcross, dotsDown, false,
                      "an edged rectangle that its dots redraw");
    }

    if (sawBlank) {
        none.outcome = LocateOutcome::Blank;
        none.how = before != nullptr
                       ? "nothing changed on the screen: press a few calculator keys"
                       : "the screen shows nothing to tell it from its surroundings: press a few "
                         "calculator keys";
    } else {
        none.how = "no rectangle of " + std::to_string(dotsAcross) + " x " +
                   std::to_string(dotsDown) + " dots was found";
    }
    return none;
}
