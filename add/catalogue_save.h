// The helper's Save: is Pixmote installed for this account, which profile of the catalogue
// already describes the window, the write of the new profile below
// HKEY_CURRENT_USER\Software\Pixmote\<group>\<name>, and the check with Pixmote's own
// detection that the window is now found by it. Called by the helper's dialog; tested through
// the stand-in. Every key opened is closed before each call returns.
#pragma once

#include "add/profile.h"
#include "platform/win32.h"

#include <string>

// HKEY_CURRENT_USER\Software\Pixmote opens: Pixmote was installed for this account.
bool pixmoteInstalled();

// A group or profile name the catalogue can hold: 1..63 characters, no backslash.
bool validKeyName(const std::string& name);

// The first profile, in the catalogue's order, whose ClassName and Caption (a prefix when it
// has CaptionMatch 1) describe a window of this class and caption, as "Group\Profile";
// group\name itself is passed over. Stops at group\name when `before` is true (the profiles
// detection tries first). Empty when there is none.
std::string profileDescribing(const std::string& className, const std::string& caption,
                              const std::string& group, const std::string& name, bool before);

// Creates (or opens) the profile's key and writes its values as the .reg export has them; the
// catalogue's optional values it does without are deleted from a key saved before (values
// Pixmote does not read are left alone).
bool writeProfile(const Profile& profile, const std::string& group, const std::string& name);

// After the write: Pixmote's detectEmulator finds `topLevel` at the profile's size (empty), or
// what it finds instead, as a sentence for the user.
std::string detectionCheck(HWND topLevel, const Profile& profile, const std::string& group,
                           const std::string& name);
