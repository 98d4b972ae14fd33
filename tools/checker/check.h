// The recording check: decodes a GIF that Pixmote wrote while the emulator stand-in played a
// frame script, and compares it with what the screen showed.
// Used by the checker's command line (main.cpp) and its self-test (selftest.cpp).
#pragma once

#include <string>
#include <vector>

#include "tools/common/frames.h"

struct CheckOptions {
    int width = 96;  // W x H, the calculator screen
    int height = 64;
    int dotWidth = 1;  // each calculator dot is dotWidth x dotHeight pixels of the W x H picture
    int dotHeight = 1;
    int step = 16;           // delay step in hundredths: 16, 32 or 48
    bool still = false;      // a StillMode recording: one framed image, no delay
    int first = -1;          // the script frame the first image must show; -1: any
    bool complete = false;   // the recording outlasted the script: its last frame must be the last
    bool endsStill = false;  // StillMode was switched on while recording: the last image is a
                             // framed image with no graphic control
    int slack = 1;  // how many steps a delay may be off (ticks lost while the program was busy)
    bool colour = false;  // a recording in colour of the stand-in's colour patterns (--colours)
    // How many images of one step that show no script frame are let pass (and left out of the
    // order and delays): under Wine a window shown again shows nothing drawn until it repaints.
    int unpainted = 0;
    int enlarge = 1;  // the recording's Size: at 2..4 it must be an exact enlargement, and is
                      // checked as brought back to x1 (enlarged.h)
};

struct CheckReport {
    bool ok = true;
    std::vector<std::string> lines;  // what was found, failures first marked "FAIL"
};

// What must hold:
// - the stream is a whole GIF89a of (W + 4) x (H + 4) with the 16-gray palette, the looping
//   block and the comment "Pixmote v2.0" (in colour: with any global table, and each canvas
//   compared colour for colour with the colour patterns);
// - animation: every image has a graphic control before it, the first is framed, the others
//   lie inside the border; StillMode: exactly one framed image and no graphic control; an
//   animation ended by StillMode: the last image framed and without a graphic control;
// - after each image the canvas carries the border and shows, inside it, a script frame, in
//   script order with no frame twice in a row (but `unpainted` images of one step);
// - every script frame between the first and the last one shown that the screen held for two
//   capture ticks or more was shown;
// - each image's delay is a whole number of steps; the first image's is at least its hold
//   time's (the hold times of its frame and of any frame skipped after it, times 160 / 110) less
//   `slack` steps when it shows script frame 0, and at most its hold time's plus `slack` steps
//   otherwise. The images between the first and the last are judged at their frame changes: a
//   change seen late moves steps from one image to the next, so the delays summed up to each
//   change, less the screen time up to it, may spread over `slack` + 1 steps. Ticks lost while a
//   busy machine kept the program waiting: when those images hold L steps less than their screen
//   time, the sums may spread L steps more and a frame held less than 2 + L ticks may be missing;
//   they must still hold two thirds of their screen time (a slow timer is no busy machine).
CheckReport checkRecording(const std::string& gifPath,
                           const std::vector<frames::ScriptFrame>& script,
                           const CheckOptions& options);

// The hold times the screen really had: the stand-in's log (--log) says when, after the last
// "start", each frame came ("frame K pattern P at T ms") and when the last one's hold ended
// ("done at T ms"). A busy machine makes the stand-in late, and the delays are compared with
// what the screen showed. Frames the log does not reach keep the script's hold. Returns how
// many holds were taken from the log.
int takeHoldsFromLog(const std::string& log, std::vector<frames::ScriptFrame>* script);
