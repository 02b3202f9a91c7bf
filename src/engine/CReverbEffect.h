#pragma once

#include "engine/CAudioEffect.h"
#include "engine/CSmoothedValue.h"

#include <array>
#include <vector>

// Room reverb after the classic Schroeder-Moorer design: per channel eight
// parallel comb filters with damped (low-passed) feedback, then four series
// all-pass filters; the right channel's delays are slightly longer, which
// decorrelates the two sides.
class CReverbEffect : public CAudioEffect {
public:
    static constexpr EffectID kID = MakeEffectID("LRvb");
    enum Parameter { kRoomSize, kDamping, kMix };

    CReverbEffect();
    void Reset() override;
    // Until the slowest comb has decayed by 60 dB, plus the all-passes' ring.
    double GetTailMs() const override;

private:
    static constexpr int kCombs = 8;
    static constexpr int kAllPasses = 4;

    struct Comb {
        std::vector<float> buffer;
        size_t index = 0;
        float store = 0.0f;
    };
    struct AllPass {
        std::vector<float> buffer;
        size_t index = 0;
    };
    struct Channel {
        std::array<Comb, kCombs> combs;
        std::array<AllPass, kAllPasses> allPasses;
    };

    void OnPrepare(double sampleRate, int maxBlockFrames) override;
    void OnProcess(float* stereo, int frames) override;
    static float RunChannel(Channel& channel, float input, float feedback, float damp);
    static float CombFeedback(float roomSizePercent);

    std::array<Channel, 2> m_channels;
    CSmoothedValue m_feedback;
    CSmoothedValue m_damp;
    CSmoothedValue m_mix;
};
