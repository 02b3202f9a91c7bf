#pragma once

#include <cstdint>
#include <string>

// The whole editable state of a MIDI clip: taken before and after a change
// for undo, built from the file on load, applied by
// CMIDIClip::RestoreToUndoState.
struct MidiClipUndoStruct {
    double position = 0.0;
    double length = 0.0;
    double offset = 0.0;
    double loopStart = 0.0;
    double loopEnd = 0.0;
    double mediaLength = 0.0;
    int32_t timeSigDenominator = 0;
    int32_t timeSigNumerator = 0;
    int32_t trackIndex = 0;
    double rate = 1.0;
    int32_t transpose = 0;
    double tempo = 0.0;
    int32_t key = 0;
    bool obeyKeyMap = false;
    bool obeyTempoMap = false;
    std::string name;
    int32_t beatOffsetMs = 0;
    bool selected = false;
    bool locked = false;
    bool muted = false;

    bool operator==(const MidiClipUndoStruct&) const = default;
};
