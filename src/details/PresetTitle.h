#pragma once

#include <string>

class CAudioEffect;

// What a preset list shows for the effect's preset: its name, or for the
// General MIDI instrument the sound's number and name ("12 Vibraphone",
// "Standard Kit") instead of the stored "bank:program".
std::string PresetTitle(const CAudioEffect& effect, int preset);
