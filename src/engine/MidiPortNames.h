#pragma once

#include <string>
#include <vector>

// The MIDI inputs (outputs) the machine offers: the ALSA sequencer's ports,
// then a running JACK server's. A system that cannot be asked offers none.
std::vector<std::string> MidiInputNames();
std::vector<std::string> MidiOutputNames();
