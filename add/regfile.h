// A profile written as a REGEDIT4 file, as res/catalogue/*.reg are. Portable.
// Called by the /locate command and the helper's export; tested natively.
#pragma once

#include "add/profile.h"

#include <string>

// The text of a .reg file that creates HKEY_CURRENT_USER\Software\Pixmote\<group>\<name> with
// the profile's values (CRLF line ends, as the registry editor writes them).
std::string profileRegText(const Profile& profile, const std::string& group,
                           const std::string& name);

// A profile name made from a caption: letters, digits, spaces, '-' and '_' kept, everything
// else dropped, trimmed, at most 63 characters; "Emulator" when nothing is left.
std::string profileNameFromCaption(const std::string& caption);
