// The scripted use of the helper, without a window of its own:
//   /locate "<class>" "<caption>" <dots across> <dots down> /out <file.reg> [/group <group>]
//           [/name <name>] [/colors | /grays]
// finds the window, takes a picture of its client area, finds the calculator screen in it and
// writes the proposed profile (group "Added", name from the caption by default) to the file.
// The profile records in colour (Colors 1) when the screen shows colours off the line from its
// background to its darkest dot (add/colour_choice.h); /colors and /grays force the choice.
// Called by the helper's entry point with the arguments after the program name.
#pragma once

#include <string>
#include <vector>

enum LocateExit : int {
    kLocateWritten = 0,
    kLocateNoWindow = 2,
    kLocateNoScreen = 3,
    kLocateBadArguments = 4,
};

// Returns the exit code; the reason for any other code than 0 goes to *why.
int runLocateCommand(const std::vector<std::string>& args, std::string* why);
