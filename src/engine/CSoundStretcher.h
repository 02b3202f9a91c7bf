#pragma once

#include "engine/CSoundData.h"

#include <memory>

// Changes a sound's speed and pitch ahead of playback (Rubber Band, offline),
// never inside the mixing loop. rate 2.0 plays twice as fast at the same pitch;
// pitchSemitones +12 doubles every frequency at the same length.
class CSoundStretcher {
public:
    // Null when the parameters are out of range (rate outside 1/16..16, pitch
    // outside -48..48) or the input is empty. Rate 1 and pitch 0 return the input.
    static std::shared_ptr<const CSoundData> Process(std::shared_ptr<const CSoundData> input,
                                                     double rate, double pitchSemitones);
};
