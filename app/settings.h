// The Settings record: one for the whole program. The settings dialog (app/dialog.cpp) edits
// it; the capture session reads timerMultiplier at a start, the change tracking reads
// timerMultiplier and stillMode at every tick, and enlarge at a start. Plain data, portable.
#pragma once

#include <cstdint>

// The start/stop key when none is stored: Pause, alone. Neither catalogued emulator maps it
// to a calculator key, and without a modifier no Ctrl or Shift reaches the emulator when it
// is pressed (Wabbitemu takes Ctrl and Shift alone as calculator keys).
constexpr std::uint32_t kDefaultStartStopKey = 0x13;  // VK_PAUSE

struct Settings {
    std::int16_t timerMultiplier = 1;  // 1, 2 or 3: 110 ms x timerMultiplier per tick
    bool stillMode = false;
    char embeddedMessage[64] = {};  // at most 63 characters and the NUL
    // Stored beside the message, as REG_DWORD values of the program key.
    std::int16_t enlarge = 1;  // "Enlarge", 1..4: each pixel of the GIF as a k x k block
    // "StartStopKey": the start/stop key as the hotkey control holds it (virtual key in the low
    // byte, HOTKEYF_ flags above it), 0 for none.
    std::uint32_t startStopKey = kDefaultStartStopKey;
};

extern Settings settings;
