// The structure every GIF that Pixmote writes has, whatever the screen showed. Shared by the
// recording check (check.cpp) and pixmote-gif-inspect (gif_report_main.cpp).
#pragma once

#include <string>
#include <vector>

#include "tests/support/gif_replay.h"

struct Structure {
    int width = 0;  // W x H, the calculator screen; 0: whatever the logical screen says
    int height = 0;
    bool still = false;      // a still: exactly one framed image and no graphic control
    bool endsStill = false;  // an animation ended by still mode: its last image is framed and
                             // has no graphic control, and there are two images or more
    bool colour = false;     // a colour recording: any global table; the border black and white
};

// The head: a GIF89a of (W + 4) x (H + 4) with the 16-gray palette, the looping block
// (NETSCAPE2.0, loop 0) and the comment "Pixmote v2.0". Adds what is wrong to failures.
void checkHead(const DecodedGif& gif, const Structure& want, std::vector<std::string>* failures);

// The images: a graphic control before each image of an animation; the first image framed
// (the whole logical screen), the others inside the border; the border on the canvas after
// every image. Adds what is wrong to failures.
void checkImages(const DecodedGif& gif, const Structure& want, std::vector<std::string>* failures);
