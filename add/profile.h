// The catalogue profile the helper proposes for a located screen, and the caption rule.
// Portable. Called by the /locate command and the helper's windows; tested natively.
#pragma once

#include "add/locate.h"

#include <string>

enum class ProfileKind { Bare, Layout, ChildWindow };

// One profile, as the catalogue stores it. Zero means "not written" for the optional numbers
// (RCX..RY only for a layout; DotWidth, DotHeight, AnyScale, CaptionMatch only when not 0).
struct Profile {
    ProfileKind kind = ProfileKind::Bare;
    std::string className;
    std::string caption;
    std::string screenClass;  // the child window's class, for ProfileKind::ChildWindow
    int captionMatch = 0;     // 1: the caption begins with `caption`
    int cx = 0;
    int cy = 0;
    int rcx = 0;
    int rcy = 0;
    int rx = 0;
    int ry = 0;
    int anyScale = 0;
    int dotWidth = 0;
    int dotHeight = 0;
    int fitWidth = 0;  // FitWidth and FitHeight, with AnyScale 2 only
    int fitHeight = 0;
    int colors = 0;    // 1: recorded in the screen's own colours (add/colour_choice.h)
    std::string note;  // a warning for the user, or empty

    bool operator==(const Profile&) const = default;
};

// The profile that records `place` (found in a client area of clientWidth x clientHeight) with
// one GIF pixel per dot where the window allows it:
//  - the whole client area at a whole scale: a bare screen, CX x CY the dots;
//  - a whole scale inside a client area that divides evenly by the dot size (and the screen's
//    offset too): a layout at the scale where a dot is one pixel;
//  - otherwise the layout at the window's own scale with the dot size kept in DotWidth and
//    DotHeight (and AnyScale, so that the recording samples each dot at its centre);
//  - a scale that is not whole: AnyScale, in units where the dots are the smallest whole shape
//    (1 x 1, 2 x 3, ...) that fits the measured pitch; false when none fits.
// A window that fits its picture between flat bars (the place holds the fitted picture, see
// add/fitted_screen.h) takes AnyScale 2 instead, whatever its scale: it keeps its picture's
// aspect at any size, so a layout that stretches with the client (AnyScale 1) would be lost at
// the next resize. Its reference is the client now, in units where a dot is its whole shape
// (1 x 1 for square dots): RCX x RCY, the screen at (RX, RY), FitWidth x FitHeight the fitted
// picture; of the whole numbers near these, those with which the catalogue's formula puts the
// screen's four edges nearest to the measured ones. Along the side the picture touches, the
// fitted size is the client's; across the bars it is not seen whole (a photo's margin may run
// beyond the part the emulator fits): the middle of the narrowest centred picture that holds
// the screen and the picture seen between the bars. A window without bars (the picture's own
// aspect, or a picture stretched to the client on each axis) keeps the rules above.
// Names (class, caption) are left empty: the caller fills them in.
bool proposeProfile(const ScreenPlace& place, int dotsAcross, int dotsDown, int clientWidth,
                    int clientHeight, Profile* profile);

// A caption that holds a file name or a number of its own ("Emu48 1.58", "Untitled - x.e48",
// "Wabbitemu (2)") is matched by the part before it: returns 1 and sets *prefix. A caption
// without one (including a name that contains digits, as "Free42 Binary") returns 0.
int proposeCaptionMatch(const std::string& caption, std::string* prefix);

// The window's class and caption into *profile, with the caption cut to its beginning and
// CaptionMatch 1 where proposeCaptionMatch says so.
void nameProfile(const std::string& className, const std::string& caption, Profile* profile);

// The caption changed from `before` to `now` while the helper watched (a file loaded, a number
// counted up): the profile is matched by their common beginning, cut back to whole words (words
// end at a space) and without the separators at its end. Returns 1 and sets *prefix; 0 when the
// captions are equal or have no word in common at their beginning.
int captionMatchFromChange(const std::string& before, const std::string& now, std::string* prefix);

// Detection takes the whole client area first when it divides evenly by CX x CY: a layout or
// a child window profile must not be shadowed by that. True when `profile` is (never with
// AnyScale 2, which detection tests on its own).
bool wholeClientShadows(const Profile& profile, int clientWidth, int clientHeight);
