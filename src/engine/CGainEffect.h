#pragma once

#include "engine/CAudioEffect.h"
#include "engine/CSmoothedValue.h"

// Changes the level by a number of decibels, gliding to new settings.
class CGainEffect : public CAudioEffect {
public:
    static constexpr EffectID kID = MakeEffectID("LGai");
    enum Parameter { kGainDb };

    CGainEffect();
    void Reset() override;

private:
    void OnPrepare(double sampleRate, int maxBlockFrames) override;
    void OnProcess(float* stereo, int frames) override;

    CSmoothedValue m_gain; // linear
};
