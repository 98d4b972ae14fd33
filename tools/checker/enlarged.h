// An enlarged recording (the settings' Size x2..x4) brought back to x1, for the recording
// check: every image must be an exact k-times enlargement (its place and size multiples of k,
// every k x k block one level) and the logical screen k times (W + 4) x (H + 4). Used by
// checkRecording (check.cpp) when CheckOptions::enlarge is above 1.
#pragma once

#include <string>

#include "tests/support/gif_replay.h"

// Shrinks gif in place by k. False, with the first fault in why, when it is not an exact
// enlargement; gif is then left as it was.
bool shrinkEnlarged(DecodedGif* gif, int k, std::string* why);
