// Screen sequences that the benchmark plays into the tick pipeline.
//
// A Scene holds one screen copy (32-bit pixels: blue, green, red, reserved, top row first, as
// grabFrame leaves it) and the same screen as the GrayFrame it quantizes to, and steps both
// through a cyclic sequence:
//   Still  - the screen never changes;
//   Sparse - a text-like two-tone screen over which an 8 x 8 block of grays moves one column
//            per tick, back and forth along one row (a 9 x 8 change each tick);
//   Full   - the text-like screen inverted at every tick, so every pixel changes.
// Every screen holds the palette's white and black, so its levels are the ones it was drawn
// with. Only the buffer a benchmark reads is updated (pixels for the pipeline, levels for giflib
// alone), in place, so a step costs a few dozen stores at most.
#pragma once

#include <cstdint>
#include <vector>

enum class Motion { Still, Sparse, Full };

const char* motionName(Motion motion);

// Inclusive frame coordinates.
struct Rect {
    std::int16_t left = 0;
    std::int16_t top = 0;
    std::int16_t right = 0;
    std::int16_t bottom = 0;
};

enum class Buffers { Pixels = 1, Levels = 2, Both = 3 };

struct Scene {
    std::int16_t width = 0;
    std::int16_t height = 0;
    Motion motion = Motion::Still;
    long step = 0;  // screens shown so far minus one: 0 is the first screen

    std::vector<std::uint8_t> pixelBuffer;  // Still, Sparse: the one screen copy
    std::vector<std::uint8_t> levelBuffer;  // the same screen as levels
    // Full: the screen and its inverse, as pixels and as levels; the step picks one.
    std::vector<std::uint8_t> pixelPair[2];
    std::vector<std::uint8_t> levelPair[2];
    // Sparse: the screen under the block, and the change rectangle of each step of the cycle.
    std::vector<std::uint8_t> background;  // levels
    std::vector<Rect> sparseChanges;
};

Scene makeScene(std::int16_t width, std::int16_t height, Motion motion);

// Shows the next screen in the chosen buffers.
void advanceScene(Scene& scene, Buffers buffers);

// The current screen.
const std::uint8_t* scenePixels(const Scene& scene);
std::uint8_t* sceneLevels(Scene& scene);

// Where the current screen's levels differ from the screen before (Still: none; returns false).
bool sceneChange(const Scene& scene, Rect& change);
