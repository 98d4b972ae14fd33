// Edges of marks to a fraction of a pixel, and the grid that holds most of them.
#include "add/dot_grid.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <numbers>

namespace {

// A pixel is part of a mark when its channels differ from the background by more than this
// in sum (as the locator's edges).
constexpr int kMarkThreshold = 20;
// Pitches are tried in steps this fine, then refined around the best ones.
constexpr double kCoarseStep = 0.004;
constexpr double kFineStep = 0.0004;
// Of the pitches whose edges agree nearly as well as the best (this share of its agreement),
// the largest is the dots' pitch: a half or a third of it fits the same edges.
constexpr double kNearlyBest = 0.85;
// Edges agree with a grid when the length of their mean phase vector is at least this.
constexpr double kLeastAgreement = 0.6;
// At least this many edges along an axis, at this many places (or half as many as there are
// dots): a few marks (labels on keys) fit some grid by chance.
constexpr std::size_t kLeastEdges = 12;
constexpr std::size_t kLeastPlaces = 24;

// The edges along one line of `length` pixels, whose differences from the background are
// d(i): for each run of marked pixels, where it reaches half its peak on either side, by
// linear interpolation between pixel centres (pixel i covers [i, i + 1)).
void lineEdges(int length, double offset, auto d, std::vector<double>* edges) {
    int i = 0;
    while (i < length) {
        if (d(i) <= kMarkThreshold) {
            ++i;
            continue;
        }
        int end = i;
        int peak = 0;
        while (end < length && d(end) > kMarkThreshold) {
            peak = std::max(peak, d(end));
            ++end;
        }
        // A run that reaches an end of the line is the region's own border, blended by smooth
        // scaling, or a mark cut off: neither shows the grid.
        if (i == 0 || end == length) {
            i = end;
            continue;
        }
        const double half = peak / 2.0;
        int j = i;
        while (d(j) < half) {
            ++j;
        }
        const double before = d(j - 1);
        const double rise = d(j) > before ? (half - before) / (d(j) - before) : 0.5;
        edges->push_back(offset + j - 0.5 + std::clamp(rise, 0.0, 1.0));
        int k = end - 1;
        while (d(k) < half) {
            --k;
        }
        const double after = d(k + 1);
        const double fall = d(k) > after ? (d(k) - half) / (d(k) - after) : 0.5;
        edges->push_back(offset + k + 0.5 + std::clamp(fall, 0.0, 1.0));
        i = end;
    }
}

// How well the edges fit a grid of `pitch`: the length of their mean phase vector (1 when all
// sit on grid lines), and the phase.
double agreement(const std::vector<double>& edges, double pitch, double* phase) {
    double c = 0;
    double s = 0;
    const double w = 2 * std::numbers::pi / pitch;
    for (double e : edges) {
        c += std::cos(w * e);
        s += std::sin(w * e);
    }
    const double n = static_cast<double>(edges.size());
    double angle = std::atan2(s, c);
    if (angle < 0) {
        angle += 2 * std::numbers::pi;
    }
    *phase = angle / w;
    return std::sqrt(c * c + s * s) / n;
}

DotAxis fitAxis(std::vector<double> edges, int dots, double leastPitch, double mostPitch) {
    DotAxis axis;
    std::sort(edges.begin(), edges.end());
    axis.edges = edges;
    if (edges.size() < kLeastEdges || mostPitch < leastPitch) {
        return axis;
    }
    // Edges that repeat (a stroke many pixels long) weigh once per place, to a sixteenth of a
    // pixel: fewer to sum over, and long strokes do not outvote the rest.
    std::vector<double> places;
    for (double e : edges) {
        const double at = std::round(e * 16) / 16;
        if (places.empty() || places.back() != at) {
            places.push_back(at);
        }
    }
    if (places.size() < std::min(kLeastPlaces, static_cast<std::size_t>(dots / 2))) {
        return axis;
    }
    std::vector<std::pair<double, double>> tried;  // pitch, agreement
    double best = 0;
    for (double pitch = leastPitch; pitch <= mostPitch; pitch += kCoarseStep) {
        double phase = 0;
        const double a = agreement(places, pitch, &phase);
        tried.emplace_back(pitch, a);
        best = std::max(best, a);
    }
    if (best < kLeastAgreement) {
        return axis;
    }
    // The largest pitch whose peak is nearly as high as the best one, refined around its top.
    double chosen = 0;
    for (std::size_t i = 0; i < tried.size(); ++i) {
        const double a = tried[i].second;
        const bool peak = (i == 0 || tried[i - 1].second <= a) &&
                          (i + 1 == tried.size() || tried[i + 1].second < a);
        if (peak && a >= kNearlyBest * best) {
            chosen = tried[i].first;
        }
    }
    double bestA = 0;
    double bestPitch = chosen;
    double bestPhase = 0;
    for (double pitch = chosen - kCoarseStep; pitch <= chosen + kCoarseStep; pitch += kFineStep) {
        if (pitch < leastPitch || pitch > mostPitch) {
            continue;
        }
        double phase = 0;
        const double a = agreement(places, pitch, &phase);
        if (a > bestA) {
            bestA = a;
            bestPitch = pitch;
            bestPhase = phase;
        }
    }
    axis.found = bestA >= kLeastAgreement;
    axis.pitch = bestPitch;
    axis.phase = bestPhase;
    axis.agreement = bestA;
    return axis;
}

}  // namespace

DotGrid measureDotGrid(const Picture& picture, const Picture* before, int x0, int y0, int x1,
                       int y1, std::uint32_t background, int across, int down, double leastPitch,
                       double mostAcross, double mostDown) {
    auto diff = [&](int x, int y) {
        return before != nullptr ? channelDistance(picture.at(x, y), before->at(x, y))
                                 : channelDistance(picture.at(x, y), background);
    };
    // Only the rows (columns) that repeat the one before or after them: a row that smooth
    // scaling blended from two rows of dots shows a stroke's step half-way through a dot.
    auto rowsAlike = [&](int a, int b) {
        if (b < y0 || b >= y1) {
            return false;
        }
        for (int x = x0; x < x1; ++x) {
            if (channelDistance(picture.at(x, a), picture.at(x, b)) > kMarkThreshold) {
                return false;
            }
        }
        return true;
    };
    auto columnsAlike = [&](int a, int b) {
        if (b < x0 || b >= x1) {
            return false;
        }
        for (int y = y0; y < y1; ++y) {
            if (channelDistance(picture.at(a, y), picture.at(b, y)) > kMarkThreshold) {
                return false;
            }
        }
        return true;
    };
    std::vector<double> acrossEdges;
    for (int y = y0; y < y1; ++y) {
        if (rowsAlike(y, y - 1) || rowsAlike(y, y + 1)) {
            lineEdges(
                x1 - x0, x0, [&](int i) { return diff(x0 + i, y); }, &acrossEdges);
        }
    }
    std::vector<double> downEdges;
    for (int x = x0; x < x1; ++x) {
        if (columnsAlike(x, x - 1) || columnsAlike(x, x + 1)) {
            lineEdges(
                y1 - y0, y0, [&](int i) { return diff(x, y0 + i); }, &downEdges);
        }
    }
    DotGrid grid;
    grid.across = fitAxis(std::move(acrossEdges), across, leastPitch, mostAcross);
    if (grid.across.found) {
        grid.down = fitAxis(std::move(downEdges), down, leastPitch, mostDown);
    }
    return grid;
}
