#include "engine/CCompressorEffect.h"

#include "engine/EffectDsp.h"

#include <algorithm>
#include <cmath>

CCompressorEffect::CCompressorEffect()
    : CAudioEffect(kID, "Compressor",
                   {{"Threshold", "dB", -60.0f, 0.0f, -18.0f},
                    {"Ratio", ":1", 1.0f, 20.0f, 4.0f},
                    {"Attack", "ms", 0.1f, 200.0f, 10.0f},
                    {"Release", "ms", 5.0f, 2000.0f, 150.0f},
                    {"Makeup", "dB", 0.0f, 24.0f, 0.0f},
                    {"Detector (0 Peak, 1 RMS)", "", 0.0f, 1.0f, 0.0f, true}},
                   {{"Default", {-18, 4, 10, 150, 0, kPeak}},
                    {"Gentle", {-18, 2, 20, 250, 2, kRms}},
                    {"Vocal", {-20, 4, 5, 120, 4, kRms}},
                    {"Drum Smash", {-24, 8, 1, 60, 6, kPeak}},
                    {"Limiter", {-3, 20, 0.1f, 50, 0, kPeak}}}) {}

float CCompressorEffect::Coefficient(float timeMs) const {
    const double samples = GetSampleRate() * timeMs / 1000.0;
    return samples > 1.0 ? static_cast<float>(1.0 - std::exp(-1.0 / samples)) : 1.0f;
}

void CCompressorEffect::OnPrepare(double sampleRate, int) {
    m_makeup.Prepare(sampleRate, 10.0);
    m_rmsCoefficient = Coefficient(10.0f);
}

void CCompressorEffect::Reset() {
    m_makeup.Snap(DbToGain(ParameterValue(kMakeupDb)));
    m_meanSquare = 0.0f;
    m_reductionDb = 0.0f;
}

void CCompressorEffect::OnProcess(float* stereo, int frames) {
    const float threshold = ParameterValue(kThresholdDb);
    const float slope = 1.0f - 1.0f / ParameterValue(kRatio);
    const float attack = Coefficient(ParameterValue(kAttackMs));
    const float release = Coefficient(ParameterValue(kReleaseMs));
    const bool rms = ParameterValue(kDetector) >= 0.5f;
    m_makeup.SetTarget(DbToGain(ParameterValue(kMakeupDb)));

    float reduction = m_reductionDb;
    float meanSquare = m_meanSquare;
    for (int frame = 0; frame < frames; ++frame) {
        float& left = stereo[2 * frame];
        float& right = stereo[2 * frame + 1];
        float level;
        if (rms) {
            meanSquare += m_rmsCoefficient * ((left * left + right * right) * 0.5f - meanSquare);
            meanSquare = FlushDenormal(meanSquare);
            level = std::sqrt(meanSquare);
        } else {
            level = std::max(std::fabs(left), std::fabs(right));
        }
        const float over = GainToDb(level) - threshold;
        const float wanted = over > 0.0f ? over * slope : 0.0f;
        reduction += (wanted > reduction ? attack : release) * (wanted - reduction);
        reduction = FlushDenormal(reduction);
        const float makeup = m_makeup.Next();
        const float gain = reduction > 0.0f ? DbToGain(-reduction) * makeup : makeup;
        left *= gain;
        right *= gain;
    }
    m_reductionDb = reduction;
    m_meanSquare = meanSquare;
}
