// The capture timer's tick: grab, quantize, track, unlock. Called by the event handler on
// WM_TIMER; reports the message as handled.
#pragma once

#include "platform/win32.h"

INT_PTR captureTick(HWND dialog);
