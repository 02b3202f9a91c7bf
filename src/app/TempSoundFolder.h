#pragma once

#include <string>

// Points the sound loader at the temporary sound folder, where sounds that
// need converting keep their converted copy, and creates the folder when it
// is missing. A folder of another user, or one that cannot be written, is logged once and left unused:
// sounds then stream from their own files where they can and are held in
// memory otherwise. True when the folder is in use.
bool UseTempSoundFolder(const std::string& folder);
