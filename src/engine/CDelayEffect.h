#pragma once

#include "engine/CAudioEffect.h"
#include "engine/CSmoothedValue.h"

#include <vector>

// Echo: a stereo delay line with feedback, mixed with the dry signal. The
// delay time is rounded to whole frames, so an echo lands exactly there; a
// changed time glides (a short pitch bend instead of a click).
class CDelayEffect : public CAudioEffect {
public:
    static constexpr EffectID kID = MakeEffectID("LDly");
    enum Parameter { kTimeMs, kFeedback, kMix };
    static constexpr float kMaxTimeMs = 2000.0f;

    CDelayEffect();
    void Reset() override;
    // Until the echoes fall below -60 dB.
    double GetTailMs() const override;

private:
    void OnPrepare(double sampleRate, int maxBlockFrames) override;
    void OnProcess(float* stereo, int frames) override;
    float TargetDelayFrames() const;
    float ReadDelayed(int channel, float delayFrames) const;

    std::vector<float> m_line; // interleaved stereo ring
    int m_lineFrames = 0;
    int m_writeFrame = 0;
    CSmoothedValue m_delayFrames;
    CSmoothedValue m_feedback;
    CSmoothedValue m_mix;
};
