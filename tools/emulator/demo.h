// The stand-in's demo screen: a calculator home screen on which expressions are typed one
// key at a time and answered, with a blinking cursor, drawn with a built-in 5 x 7 font.
// Used by the stand-in's window procedure (main.cpp) only.
#pragma once

#include <cstdint>
#include <vector>

// The picture of demo step `step` (one step every 125 ms) of a width x height screen: one RGB
// colour per calculator pixel, row-major. Deterministic: the same step gives the same picture.
std::vector<std::uint32_t> demoPicture(unsigned step, int width, int height);
