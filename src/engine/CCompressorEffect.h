#pragma once

#include "engine/CAudioEffect.h"
#include "engine/CSmoothedValue.h"

// Downward compressor with a stereo-linked detector (peak or RMS): the level
// above the threshold is divided by the ratio, with attack and release times
// for the gain reduction, then makeup gain is added.
class CCompressorEffect : public CAudioEffect {
public:
    static constexpr EffectID kID = MakeEffectID("LCmp");
    enum Parameter { kThresholdDb, kRatio, kAttackMs, kReleaseMs, kMakeupDb, kDetector };
    enum Detector { kPeak = 0, kRms = 1 };

    CCompressorEffect();
    void Reset() override;

    // The gain reduction applied to the last frame, in dB (0 or more); for meters.
    float GetReductionDb() const { return m_reductionDb; }

private:
    void OnPrepare(double sampleRate, int maxBlockFrames) override;
    void OnProcess(float* stereo, int frames) override;
    float Coefficient(float timeMs) const;

    CSmoothedValue m_makeup; // linear
    float m_meanSquare = 0.0f;
    float m_rmsCoefficient = 1.0f;
    float m_reductionDb = 0.0f;
};
