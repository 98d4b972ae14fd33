// Running counts of marked places along the lines between a picture's pixels, so that how many
// places of a stretch of a line are marked is one subtraction. Vertical line x (0..W) lies
// between columns x - 1 and x, horizontal line y (0..H) between rows y - 1 and y; what marks a
// place (a colour change of some kind) is the caller's. Portable. Used by the locator's edges
// (add/locate.cpp) and by the search for a fitted picture's screen (add/fitted_screen.cpp).
#pragma once

#include <cstddef>
#include <vector>

class LineCounts {
  public:
    // markedV(x, y): vertical line x is marked at row y; markedH(y, x): horizontal line y at
    // column x.
    LineCounts(int width, int height, auto markedV, auto markedH)
        : w_(width), h_(height), vertical_(size(w_, h_), 0), horizontal_(size(h_, w_), 0) {
        for (int x = 0; x <= w_; ++x) {
            for (int y = 0; y < h_; ++y) {
                vertical_[at(x, h_, y + 1)] = vertical_[at(x, h_, y)] + (markedV(x, y) ? 1 : 0);
            }
        }
        for (int y = 0; y <= h_; ++y) {
            for (int x = 0; x < w_; ++x) {
                horizontal_[at(y, w_, x + 1)] = horizontal_[at(y, w_, x)] + (markedH(y, x) ? 1 : 0);
            }
        }
    }

    // Marked places on vertical line x between rows y0 and y1 (exclusive).
    int vertical(int x, int y0, int y1) const {
        return vertical_[at(x, h_, y1)] - vertical_[at(x, h_, y0)];
    }
    // Marked places on horizontal line y between columns x0 and x1 (exclusive).
    int horizontal(int y, int x0, int x1) const {
        return horizontal_[at(y, w_, x1)] - horizontal_[at(y, w_, x0)];
    }

  private:
    static std::size_t size(int lines, int length) {
        return static_cast<std::size_t>(lines + 1) * static_cast<std::size_t>(length + 1);
    }
    static std::size_t at(int line, int length, int k) {
        return static_cast<std::size_t>(line) * static_cast<std::size_t>(length + 1) +
               static_cast<std::size_t>(k);
    }

    int w_;
    int h_;
    std::vector<int> vertical_;
    std::vector<int> horizontal_;
};
