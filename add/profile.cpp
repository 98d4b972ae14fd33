// The proposed profile: the scale where a dot is one pixel when the window allows it, else the
// window's own scale with the dot size kept; and the caption rule.
#include "add/profile.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <vector>

namespace {

// Dots of a shape whose sides are at most this many pixels at scale 1.
constexpr int kMaxDotSide = 4;
// An emulator that keeps its aspect rounds each side to a whole pixel: the side measured on its
// own is taken when it keeps the aspect within this many pixels.
constexpr double kAspectSlack = 1.0;
// A measured dot shape matches a whole one within this share.
constexpr double kShapeSlack = 0.03;

int roundedDiv(int value, double scale) {
    return static_cast<int>(std::lround(value / scale));
}

// The smallest whole dot shape a x b whose aspect is the measured one's.
bool wholeDotShape(double pitchX, double pitchY, int* a, int* b) {
    const double ratio = pitchX / pitchY;
    for (int sum = 2; sum <= 2 * kMaxDotSide; ++sum) {
        for (int w = 1; w <= kMaxDotSide; ++w) {
            const int h = sum - w;
            if (h < 1 || h > kMaxDotSide) {
                continue;
            }
            if (std::abs(static_cast<double>(w) / h / ratio - 1.0) <= kShapeSlack) {
                *a = w;
                *b = h;
                return true;
            }
        }
    }
    return false;
}

void keepDots(Profile* p, int width, int height) {
    if (width != 1 || height != 1) {
        p->dotWidth = width;
        p->dotHeight = height;
    }
}

bool isNumberToken(const std::string& token) {
    std::size_t i = 0;
    std::size_t end = token.size();
    if (i < end && (token[i] == '(' || token[i] == '[' || token[i] == '#')) {
        ++i;
    }
    if (end > i && (token[end - 1] == ')' || token[end - 1] == ']')) {
        --end;
    }
    bool digit = false;
    for (; i < end; ++i) {
        const auto c = static_cast<unsigned char>(token[i]);
        if (std::isdigit(c)) {
            digit = true;
        } else if (c != '.' && c != ',') {
            return false;
        }
    }
    return digit;
}

bool isFileToken(const std::string& token) {
    if (token.find('\\') != std::string::npos || token.find('/') != std::string::npos) {
        return true;
    }
    const std::size_t dot = token.rfind('.');
    if (dot == std::string::npos || dot == 0 || token.size() - dot - 1 < 1 ||
        token.size() - dot - 1 > 4) {
        return false;
    }
    for (std::size_t i = dot + 1; i < token.size(); ++i) {
        if (!std::isalnum(static_cast<unsigned char>(token[i]))) {
            return false;
        }
    }
    for (std::size_t i = dot + 1; i < token.size(); ++i) {
        if (std::isalpha(static_cast<unsigned char>(token[i]))) {
            return true;
        }
    }
    return false;
}

// The catalogue's fitted picture at a client of cw x ch: the factor, and the screen's edges.
struct FittedEdges {
    double left = 0;
    double top = 0;
    double right = 0;
    double bottom = 0;
};

FittedEdges fittedEdges(const Profile& p, int cw, int ch) {
    const double s =
        std::min(static_cast<double>(cw) / p.fitWidth, static_cast<double>(ch) / p.fitHeight);
    FittedEdges e;
    e.left = cw / 2.0 + (p.rx - p.rcx / 2.0) * s;
    e.top = ch / 2.0 + (p.ry - p.rcy / 2.0) * s;
    e.right = e.left + p.cx * s;
    e.bottom = e.top + p.cy * s;
    return e;
}

// AnyScale 2 for a screen inside a picture fitted between bars.
bool proposeFitted(const ScreenPlace& place, int dotsAcross, int dotsDown, int clientWidth,
                   int clientHeight, Profile* profile) {
    int a = 0;
    int b = 0;
    if (!wholeDotShape(place.pitchX, place.pitchY, &a, &b)) {
        return false;
    }
    Profile p;
    p.kind = ProfileKind::Layout;
    p.cx = dotsAcross * a;
    p.cy = dotsDown * b;
    p.anyScale = 2;
    keepDots(&p, a, b);
    // Window pixels per reference pixel, from both sides of the screen.
    const double unit = static_cast<double>(place.width + place.height) / (p.cx + p.cy);
    // The picture touches the client along the side without bars: that side of the reference
    // is the fitted picture's, and sets the factor.
    const bool byHeight = place.fitHeight == clientHeight;
    const int touching = byHeight ? clientHeight : clientWidth;
    const int barred = byHeight ? clientWidth : clientHeight;
    const double right = place.left + place.width;
    const double bottom = place.top + place.height;
    // Across the bars the fitted picture is not seen whole: a photo may run on beyond the part
    // the emulator fits (its margin shows, and is cut off along the other side). It lies between
    // the narrowest centred picture that holds the screen and the picture seen between the
    // bars; the middle of the two errs for the fewest window shapes.
    const double centre = (byHeight ? clientWidth : clientHeight) / 2.0;
    const double nearest = 2 * (byHeight ? std::max(centre - place.left, right - centre)
                                         : std::max(centre - place.top, bottom - centre));
    const double seen = byHeight ? place.fitWidth : place.fitHeight;
    const double fittedOther = nearest < seen ? (nearest + seen) / 2 : seen;
    double bestError = -1;
    const long nominal = std::lround(touching / unit);
    for (long f = std::max(1L, nominal - 2); f <= nominal + 2; ++f) {
        const double s = static_cast<double>(touching) / static_cast<double>(f);
        const long other = std::max(1L, std::lround(fittedOther / s));
        const long across = static_cast<long>(std::floor(barred / s));
        for (long r = std::max(other, across); r <= std::max(other, across + 1); ++r) {
            Profile q = p;
            (byHeight ? q.rcy : q.rcx) = static_cast<int>(f);
            (byHeight ? q.fitHeight : q.fitWidth) = static_cast<int>(f);
            (byHeight ? q.rcx : q.rcy) = static_cast<int>(r);
            (byHeight ? q.fitWidth : q.fitHeight) = static_cast<int>(other);
            q.rx =
                static_cast<int>(std::lround((place.left - clientWidth / 2.0) / s + q.rcx / 2.0));
            q.ry =
                static_cast<int>(std::lround((place.top - clientHeight / 2.0) / s + q.rcy / 2.0));
            if (q.rx < 0 || q.ry < 0) {
                continue;
            }
            const FittedEdges e = fittedEdges(q, clientWidth, clientHeight);
            const double error =
                std::max({std::abs(e.left - place.left), std::abs(e.top - place.top),
                          std::abs(e.right - right), std::abs(e.bottom - bottom)});
            if (bestError < 0 || error < bestError) {
                bestError = error;
                p = q;
            }
        }
    }
    if (bestError < 0) {
        return false;
    }
    *profile = p;
    return true;
}

}  // namespace

bool proposeProfile(const ScreenPlace& place, int dotsAcross, int dotsDown, int clientWidth,
                    int clientHeight, Profile* profile) {
    if (place.outcome != LocateOutcome::Found || dotsAcross <= 0 || dotsDown <= 0) {
        return false;
    }
    if (place.fitWidth > 0 && place.fitHeight > 0) {
        return proposeFitted(place, dotsAcross, dotsDown, clientWidth, clientHeight, profile);
    }
    Profile p;
    const bool bare =
        place.x == 0 && place.y == 0 && place.width == clientWidth && place.height == clientHeight;
    p.kind = bare ? ProfileKind::Bare : ProfileKind::Layout;

    if (place.whole) {
        const int px = place.width / dotsAcross;
        const int py = place.height / dotsDown;
        if (bare) {
            p.cx = dotsAcross;
            p.cy = dotsDown;
        } else if (clientWidth % px == 0 && clientHeight % py == 0 && place.x % px == 0 &&
                   place.y % py == 0) {
            p.cx = dotsAcross;
            p.cy = dotsDown;
            p.rcx = clientWidth / px;
            p.rcy = clientHeight / py;
            p.rx = place.x / px;
            p.ry = place.y / py;
        } else {
            p.cx = place.width;
            p.cy = place.height;
            p.rcx = clientWidth;
            p.rcy = clientHeight;
            p.rx = place.x;
            p.ry = place.y;
            keepDots(&p, px, py);
            p.anyScale = p.dotWidth != 0 ? 1 : 0;
        }
    } else {
        int a = 0;
        int b = 0;
        if (!wholeDotShape(place.pitchX, place.pitchY, &a, &b)) {
            return false;
        }
        // The scale from the axis with more dots: its pitch is measured over more of them. The
        // other side of the reference layout comes from its own pitch where that keeps the
        // window's aspect (an emulator rounds each side on its own), else from the same scale.
        const double scaleX = place.pitchX / a;
        const double scaleY = place.pitchY / b;
        const double scale = dotsAcross >= dotsDown ? scaleX : scaleY;
        p.cx = dotsAcross * a;
        p.cy = dotsDown * b;
        p.anyScale = 1;
        keepDots(&p, a, b);
        if (!bare) {
            p.rcx = roundedDiv(clientWidth, scale);
            p.rcy = roundedDiv(clientHeight, scale);
            if (dotsAcross >= dotsDown) {
                const int own = roundedDiv(clientHeight, scaleY);
                if (std::abs(clientHeight - static_cast<double>(own) * clientWidth / p.rcx) <=
                    kAspectSlack) {
                    p.rcy = own;
                }
            } else {
                const int own = roundedDiv(clientWidth, scaleX);
                if (std::abs(clientWidth - static_cast<double>(own) * clientHeight / p.rcy) <=
                    kAspectSlack) {
                    p.rcx = own;
                }
            }
            const bool measured = place.left != 0 || place.top != 0;
            p.rx = static_cast<int>(std::lround((measured ? place.left : place.x) * p.rcx /
                                                static_cast<double>(clientWidth)));
            p.ry = static_cast<int>(std::lround((measured ? place.top : place.y) * p.rcy /
                                                static_cast<double>(clientHeight)));
        }
    }
    if (wholeClientShadows(p, clientWidth, clientHeight)) {
        p.note = "the whole window divides evenly into " + std::to_string(p.cx) + " x " +
                 std::to_string(p.cy) + ": Pixmote would record all of it, not the screen";
    }
    *profile = p;
    return true;
}

bool wholeClientShadows(const Profile& profile, int clientWidth, int clientHeight) {
    return profile.kind == ProfileKind::Layout && profile.anyScale != 2 && profile.cx > 0 &&
           profile.cy > 0 && clientWidth % profile.cx == 0 && clientHeight % profile.cy == 0;
}

int captionMatchFromChange(const std::string& before, const std::string& now, std::string* prefix) {
    if (before == now) {
        return 0;
    }
    std::size_t common = 0;
    while (common < before.size() && common < now.size() && before[common] == now[common]) {
        ++common;
    }
    const auto boundary = [](const std::string& text, std::size_t at) {
        return at == text.size() || text[at] == ' ';
    };
    // Ending inside a word ("Emu 1.5" of "Emu 1.58" and "Emu 1.59"): back to its start.
    if (!boundary(before, common) || !boundary(now, common)) {
        while (common > 0 && before[common - 1] != ' ') {
            --common;
        }
    }
    std::string head = before.substr(0, common);
    while (!head.empty() && (head.back() == ' ' || head.back() == '-' || head.back() == ':' ||
                             head.back() == '|' || head.back() == '(' || head.back() == '[')) {
        head.pop_back();
    }
    if (head.empty()) {
        return 0;
    }
    *prefix = head;
    return 1;
}

int proposeCaptionMatch(const std::string& caption, std::string* prefix) {
    std::size_t start = 0;
    while (start < caption.size()) {
        while (start < caption.size() && caption[start] == ' ') {
            ++start;
        }
        std::size_t end = caption.find(' ', start);
        if (end == std::string::npos) {
            end = caption.size();
        }
        const std::string token = caption.substr(start, end - start);
        if (!token.empty() && (isNumberToken(token) || isFileToken(token))) {
            std::string head = caption.substr(0, start);
            while (!head.empty() && (head.back() == ' ' || head.back() == '-' ||
                                     head.back() == ':' || head.back() == '|')) {
                head.pop_back();
            }
            if (head.empty()) {
                return 0;
            }
            *prefix = head;
            return 1;
        }
        start = end;
    }
    return 0;
}

void nameProfile(const std::string& className, const std::string& caption, Profile* profile) {
    profile->className = className;
    profile->caption = caption;
    std::string prefix;
    if (proposeCaptionMatch(caption, &prefix) == 1) {
        profile->captionMatch = 1;
        profile->caption = prefix;
    }
}
