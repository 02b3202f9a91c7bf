#pragma once

#include "project/MidiFileContent.h"

#include <string>

class CMIDIClip;
class CMIDITrack;
class CProject;

// Gathers what a Standard MIDI file can hold of a project: one track per
// MIDI track with its name, its instrument's program and the notes and
// controllers its clips play (offsets, loops and rate applied), and the
// project's tempo and time-signature changes, named markers, comments and
// copyright. Times are reference milliseconds, as the file counts them.
class CMidiFileExport {
public:
    static MidiFileContent Gather(const CProject& project);
    // Writes the file; false (with a reason) when it cannot be written.
    static bool WriteFile(const CProject& project, const std::string& path, std::string& error);

private:
    static MidiFileContent::Track GatherTrack(const CMIDITrack& track);
    static void GatherClip(const CMIDIClip& clip, MidiFileContent::Track& out);
    static void GatherMarkers(const CProject& project, MidiFileContent& content);
};
