#pragma once

#include <cstdint>
#include <string>

// The whole editable state of an audio clip: taken before and after a
// change for undo, built from the file record on load, applied by
// CAudioClip::RestoreToUndoState.
struct AudioClipUndoStruct {
    double position = 0.0;
    double length = 0.0;
    double offset = 0.0;
    double loopStart = 0.0;
    double loopEnd = 0.0;
    int32_t trackIndex = 0;
    double rate = 1.0;
    double pitchShift = 0.0;
    std::string name;
    int32_t beatOffsetMs = 0;
    bool obeyKeyMap = false;
    int32_t keyRoot = 0;
    double tempo = 0.0;
    bool obeyTempoMap = false;
    bool ratePitchCorrect = false;
    bool selected = false;
    bool locked = false;
    bool muted = false;
    bool forceTempo = false;
    double forcedTempo = 0.0;
    bool forceKey = false;
    int32_t forcedKey = 0;
    int32_t fadeInMs = 0;
    int32_t fadeOutMs = 0;

    bool operator==(const AudioClipUndoStruct&) const = default;
};
