#include "engine/CGainEffect.h"

#include "engine/EffectDsp.h"

CGainEffect::CGainEffect()
    : CAudioEffect(kID, "Gain", {{"Gain", "dB", -60.0f, 24.0f, 0.0f}},
                   {{"Unity", {0.0f}},
                    {"Cut 6 dB", {-6.0f}},
                    {"Cut 12 dB", {-12.0f}},
                    {"Boost 6 dB", {6.0f}}}) {}

void CGainEffect::OnPrepare(double sampleRate, int) {
    m_gain.Prepare(sampleRate, 10.0);
}

void CGainEffect::Reset() {
    m_gain.Snap(DbToGain(ParameterValue(kGainDb)));
}

void CGainEffect::OnProcess(float* stereo, int frames) {
    m_gain.SetTarget(DbToGain(ParameterValue(kGainDb)));
    for (int frame = 0; frame < frames; ++frame) {
        const float gain = m_gain.Next();
        stereo[2 * frame] *= gain;
        stereo[2 * frame + 1] *= gain;
    }
}
