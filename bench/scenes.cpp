// The benchmark's screen sequences; see scenes.h.
#include "bench/scenes.h"

#include <cstddef>
#include <cstdlib>

namespace {

constexpr int kBlock = 8;

// A fixed pseudo-random sequence (64-bit LCG), so every run draws the same screens.
struct Random {
    std::uint64_t state = 0x9E3779B97F4A7C15ULL;
    unsigned next() {
        state = state * 6364136223846793005ULL + 1442695040888963407ULL;
        return static_cast<unsigned>(state >> 33);
    }
};

std::uint8_t redOf(std::uint8_t level) {
    return static_cast<std::uint8_t>(255 - 17 * level);
}

std::size_t at(const Scene& scene, int col, int row) {
    return static_cast<std::size_t>(row) * static_cast<std::size_t>(scene.width) +
           static_cast<std::size_t>(col);
}

void setPixel(std::vector<std::uint8_t>& pixels, std::size_t index, std::uint8_t level) {
    const std::uint8_t red = redOf(level);
    pixels[4 * index + 0] = static_cast<std::uint8_t>(255 - red);  // blue and green differ from
    pixels[4 * index + 1] = static_cast<std::uint8_t>(red / 2);    // red, and must not matter
    pixels[4 * index + 2] = red;
    pixels[4 * index + 3] = 0;
}

std::vector<std::uint8_t> pixelsOf(const std::vector<std::uint8_t>& levels) {
    std::vector<std::uint8_t> pixels(4 * levels.size());
    for (std::size_t i = 0; i < levels.size(); ++i) {
        setPixel(pixels, i, levels[i]);
    }
    return pixels;
}

// Two-tone, about a quarter dark, with the corner pixels fixed white and black so both
// extremes are always on screen.
std::vector<std::uint8_t> textLikeScreen(const Scene& scene) {
    Random random;
    std::vector<std::uint8_t> levels(static_cast<std::size_t>(scene.width) *
                                     static_cast<std::size_t>(scene.height));
    for (std::uint8_t& level : levels) {
        level = (random.next() % 4 == 0) ? 15 : 0;
    }
    if (!levels.empty()) {
        levels.front() = 0;
        levels.back() = 15;
    }
    return levels;
}

// The block's grays: every level 0..15 appears.
std::uint8_t blockLevel(int x, int y) {
    return static_cast<std::uint8_t>((2 * x + 3 * y) % 16);
}

int sparseRow(const Scene& scene) {
    return scene.height / 2 - kBlock / 2 > 1 ? scene.height / 2 - kBlock / 2 : 1;
}

// Column of the block's left edge at a step: 1 .. W-9 and back, never column 0.
int sparseColumn(const Scene& scene, long step) {
    const long span = scene.width - kBlock - 1 - 1;
    const long phase = step % (2 * span);
    return 1 + static_cast<int>(phase <= span ? phase : 2 * span - phase);
}

long sparsePeriod(const Scene& scene) {
    return 2 * (scene.width - kBlock - 2);
}

// Draws (or, with the background, erases) the block whose left edge is at col.
void drawBlock(Scene& scene, int col, bool erase, Buffers buffers) {
    const int row = sparseRow(scene);
    for (int y = 0; y < kBlock; ++y) {
        for (int x = 0; x < kBlock; ++x) {
            const std::size_t index = at(scene, col + x, row + y);
            const std::uint8_t level = erase ? scene.background[index] : blockLevel(x, y);
            if ((static_cast<int>(buffers) & static_cast<int>(Buffers::Levels)) != 0) {
                scene.levelBuffer[index] = level;
            }
            if ((static_cast<int>(buffers) & static_cast<int>(Buffers::Pixels)) != 0) {
                setPixel(scene.pixelBuffer, index, level);
            }
        }
    }
}

// The levels of the sparse screen at a step, drawn from scratch.
std::vector<std::uint8_t> sparseLevelsAt(const Scene& scene, long step) {
    std::vector<std::uint8_t> levels = scene.background;
    const int col = sparseColumn(scene, step);
    const int row = sparseRow(scene);
    for (int y = 0; y < kBlock; ++y) {
        for (int x = 0; x < kBlock; ++x) {
            levels[at(scene, col + x, row + y)] = blockLevel(x, y);
        }
    }
    return levels;
}

Rect boundingChange(const Scene& scene, const std::vector<std::uint8_t>& before,
                    const std::vector<std::uint8_t>& after) {
    Rect box{scene.width, scene.height, -1, -1};
    for (int row = 0; row < scene.height; ++row) {
        for (int col = 0; col < scene.width; ++col) {
            if (before[at(scene, col, row)] == after[at(scene, col, row)]) {
                continue;
            }
            if (col < box.left)
                box.left = static_cast<std::int16_t>(col);
            if (col > box.right)
                box.right = static_cast<std::int16_t>(col);
            if (row < box.top)
                box.top = static_cast<std::int16_t>(row);
            if (row > box.bottom)
                box.bottom = static_cast<std::int16_t>(row);
        }
    }
    return box;
}

}  // namespace

const char* motionName(Motion motion) {
    switch (motion) {
        case Motion::Still:
            return "still";
        case Motion::Sparse:
            return "sparse";
        case Motion::Full:
            return "full";
    }
    return "?";
}

Scene makeScene(std::int16_t width, std::int16_t height, Motion motion) {
    Scene scene;
    scene.width = width;
    scene.height = height;
    scene.motion = motion;
    const std::vector<std::uint8_t> text = textLikeScreen(scene);
    switch (motion) {
        case Motion::Still:
            scene.levelBuffer = text;
            break;
        case Motion::Sparse: {
            scene.background = text;
            scene.levelBuffer = sparseLevelsAt(scene, 0);
            // The change of step s (from s-1 to s), for each step of one cycle.
            const long period = sparsePeriod(scene);
            for (long s = 0; s < period; ++s) {
                scene.sparseChanges.push_back(boundingChange(
                    scene, sparseLevelsAt(scene, s + period - 1), sparseLevelsAt(scene, s)));
            }
            break;
        }
        case Motion::Full:
            scene.levelPair[0] = text;
            scene.levelPair[1] = text;
            for (std::uint8_t& level : scene.levelPair[1]) {
                level = static_cast<std::uint8_t>(15 - level);
            }
            scene.pixelPair[0] = pixelsOf(scene.levelPair[0]);
            scene.pixelPair[1] = pixelsOf(scene.levelPair[1]);
            break;
    }
    if (motion != Motion::Full) {
        scene.pixelBuffer = pixelsOf(scene.levelBuffer);
    }
    return scene;
}

void advanceScene(Scene& scene, Buffers buffers) {
    if (scene.motion == Motion::Sparse) {
        drawBlock(scene, sparseColumn(scene, scene.step), true, buffers);
        drawBlock(scene, sparseColumn(scene, scene.step + 1), false, buffers);
    }
    ++scene.step;
}

const std::uint8_t* scenePixels(const Scene& scene) {
    return scene.motion == Motion::Full ? scene.pixelPair[scene.step % 2].data()
                                        : scene.pixelBuffer.data();
}

std::uint8_t* sceneLevels(Scene& scene) {
    return scene.motion == Motion::Full ? scene.levelPair[scene.step % 2].data()
                                        : scene.levelBuffer.data();
}

bool sceneChange(const Scene& scene, Rect& change) {
    switch (scene.motion) {
        case Motion::Still:
            return false;
        case Motion::Sparse:
            change =
                scene.sparseChanges[static_cast<std::size_t>(scene.step % sparsePeriod(scene))];
            return true;
        case Motion::Full:
            change = Rect{0, 0, static_cast<std::int16_t>(scene.width - 1),
                          static_cast<std::int16_t>(scene.height - 1)};
            return true;
    }
    return false;
}
