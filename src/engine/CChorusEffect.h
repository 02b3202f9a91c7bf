#pragma once

#include "engine/CAudioEffect.h"
#include "engine/CSmoothedValue.h"

#include <vector>

// Chorus: each channel is mixed with a copy of itself read from a delay line
// whose length a slow sine wave sweeps; the right channel's sweep runs a
// quarter turn behind the left one's, which widens the image.
class CChorusEffect : public CAudioEffect {
public:
    static constexpr EffectID kID = MakeEffectID("LChr");
    enum Parameter { kRateHz, kDepthMs, kMix };
    static constexpr float kBaseDelayMs = 7.0f;
    static constexpr float kMaxDepthMs = 10.0f;

    CChorusEffect();
    void Reset() override;
    double GetTailMs() const override;

private:
    void OnPrepare(double sampleRate, int maxBlockFrames) override;
    void OnProcess(float* stereo, int frames) override;
    float ReadDelayed(int channel, float delayFrames) const;

    std::vector<float> m_line; // interleaved stereo ring
    int m_lineFrames = 0;
    int m_writeFrame = 0;
    double m_phase = 0.0; // of the left sweep, in turns (0..1)
    CSmoothedValue m_depthFrames;
    CSmoothedValue m_mix;
};
