#pragma once

#include "engine/CAudioEffect.h"
#include "engine/CSmoothedValue.h"

// Three-band equaliser: a low shelf, a peaking mid band and a high shelf,
// each a second-order section (the usual cookbook formulas). While settings
// move, the coefficients are recomputed every few frames from smoothed values.
class CEqualizerEffect : public CAudioEffect {
public:
    static constexpr EffectID kID = MakeEffectID("LEq3");
    enum Parameter { kLowGain, kLowFreq, kMidGain, kMidFreq, kMidQ, kHighGain, kHighFreq, kCount };

    CEqualizerEffect();
    void Reset() override;

private:
    // One biquad in transposed direct form II for two channels.
    struct Section {
        double b0 = 1.0, b1 = 0.0, b2 = 0.0, a1 = 0.0, a2 = 0.0;
        double z1[2] = {0.0, 0.0};
        double z2[2] = {0.0, 0.0};

        void SetLowShelf(double sampleRate, double freq, double gainDb);
        void SetPeak(double sampleRate, double freq, double gainDb, double q);
        void SetHighShelf(double sampleRate, double freq, double gainDb);
        void SetNormalized(double nb0, double nb1, double nb2, double na0, double na1, double na2);
        float Run(int channel, float in);
        void Clear();
    };

    // Settings are followed in steps of this many frames.
    static constexpr int kStepFrames = 16;

    void OnPrepare(double sampleRate, int maxBlockFrames) override;
    void OnProcess(float* stereo, int frames) override;
    void TakeTargets();
    // Advances the smoothed settings one step; true when they moved.
    bool StepSettings();
    void ComputeCoefficients();

    CSmoothedValue m_settings[kCount];
    Section m_low, m_mid, m_high;
    int m_framesToStep = 0;
};
