#pragma once

#include <string>

// Where the program keeps decoded sounds: the configured folder when it is
// the user's own, else the user's default one.
namespace SoundCacheFolder {

// The folder to use for the configured one. A configured folder that cannot
// be used (another user's, not a folder) is refused with a message box
// naming it and the reason, and the default folder is used instead; "" (no
// cache, sounds held in memory) when that cannot be used either.
std::string Choose(const std::string& configured);

} // namespace SoundCacheFolder
