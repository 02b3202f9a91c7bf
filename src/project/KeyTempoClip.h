#pragma once

#include <vector>

// What the first-sound key and tempo rule and automatic beat matching ask of
// a clip. The clips implement it; the project walks them through the tracks
// handed to it.
class KeyTempoClip {
public:
    virtual ~KeyTempoClip() = default;

    // 0 or less when the clip knows no tempo.
    virtual double GetClipTempo() const = 0;
    // Outside the key table when the clip knows no key.
    virtual int GetClipKey() const = 0;
    virtual bool IsBeingRecorded() const = 0;
    // Whether the tempo analysis of the clip's sound has run.
    virtual bool IsSoundAnalysed() const = 0;
    // Analyses the sound, takes the analysed key when the clip knows none
    // and switches the clip's beat matching on. False when the analysis
    // failed or the user cancelled it.
    virtual bool BeatMatchFromAnalysis() = 0;
};

// One track's clips in display order.
struct KeyTempoTrack {
    bool audio = true;
    bool frozen = false;
    std::vector<KeyTempoClip*> clips;
};
