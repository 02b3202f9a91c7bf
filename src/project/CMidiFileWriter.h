#pragma once

#include "project/MidiFileContent.h"

#include <cstdint>
#include <vector>

// Writes a MidiFileContent as a format-1 Standard MIDI file: a first track
// with the project events (tempo, time signatures, markers, cue points, text
// and copyright), then one track per content track with its name, channel
// prefix and messages. Times are rounded to ticks of kDivision per quarter
// note, so a time read back lies within one tick (about half a millisecond)
// of the one written.
class CMidiFileWriter {
public:
    static constexpr uint16_t kDivision = 960;
    static constexpr double kMsPerTick = 500.0 / kDivision;

    static std::vector<uint8_t> Write(const MidiFileContent& content);
};
