#pragma once

#include <string>

class CProject;
class VRGuiWindow;

// File > Export MIDI: asks where to write and writes the project's MIDI
// tracks there as a Standard MIDI file, telling the user when it fails.
void RunMidiExportCommand(VRGuiWindow* owner, const CProject& project, const std::string& folder);
