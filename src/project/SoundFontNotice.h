#pragma once

#include <string>

// Tells the user, once per run, that no General MIDI SoundFont is installed
// (instrument tracks then play silence). soundFontPath is the SoundFont the
// instrument would load, "" for none. True when the message was shown.
bool WarnOnceWithoutSoundFont(const std::string& soundFontPath);
