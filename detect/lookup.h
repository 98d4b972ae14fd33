// Finding a catalogued emulator's windows on the desktop: its top-level window by class and
// caption, and the descendant window that shows its calculator screen. Called only by
// detectEmulator, once per profile whose values ask for them.
#pragma once

#include "platform/win32.h"

#include <cstdint>

// How a profile's Caption is compared with a window's caption (the CaptionMatch value).
enum class CaptionMatch : std::int16_t {
    Exact = 0,   // FindWindowA: the whole caption, without regard to case; hidden windows too
    Prefix = 1,  // the caption begins with Caption, without regard to case (ASCII letters)
    Any = 2,     // any caption; Caption is not needed
};

// The top-level window of class className whose caption fits. Exact is FindWindowA itself.
// Prefix and Any take, among the visible top-level windows of the class, the first in Z-order
// whose caption fits; caption may be null for Any. Null when none does.
HWND findEmulatorWindow(const char* className, const char* caption, CaptionMatch match);

// The first visible descendant of window (depth first, in Z-order, as EnumChildWindows walks
// them) whose class name is screenClass, compared without regard to case; null when none is.
HWND findScreenWindow(HWND window, const char* screenClass);
