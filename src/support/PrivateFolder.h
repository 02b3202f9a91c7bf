#pragma once

#include <string>

// A folder no other user may read or change: where decoded sounds are kept,
// since what lies there is what a project plays.
namespace PrivateFolder {

// The user's own cache folder for decoded sounds:
// $XDG_CACHE_HOME/loomtone/sounds/, else ~/.cache/loomtone/sounds/. Ends in
// '/'; "" when not even the home folder is known.
std::string DefaultSoundFolder();

// Makes the folder when it is missing, each level made with mode 0700. A
// folder that exists must be a folder owned by this user; a folder of the
// program's own default is also closed to others (mode 0700). False, with
// `why` in words for the user, when the folder cannot be used.
bool Prepare(const std::string& folder, std::string& why);

} // namespace PrivateFolder
