// The Settings record: one for the whole program. The settings dialog (app/dialog.cpp) edits
// it; the capture session reads timerMultiplier at a start, the change tracking reads
// timerMultiplier and stillMode at every tick. Plain data, portable.
#pragma once

#include <cstdint>

struct Settings {
    std::int16_t timerMultiplier = 1;  // 1, 2 or 3: 110 ms x timerMultiplier per tick
    bool stillMode = false;
    char embeddedMessage[64] = {};  // at most 63 characters and the NUL; the only stored setting
};

extern Settings settings;
