#pragma once

#include <string>

// Builds the example project through the project library itself and saves
// it as "Example Song.lt4" in the folder: audio tracks "Drums", "Bass" and
// "Pad" playing the sound files of those names (".ogg", already in the
// folder), and the instrument track "Melody" with the tune as a MIDI clip.
// The clips refer to their sounds relative to the project file, so the
// folder may move. False with the reason in error when any step fails.
bool WriteExampleSong(const std::string& folder, std::string& error);
