#include "engine/CChorusEffect.h"

#include <cmath>
#include <numbers>

CChorusEffect::CChorusEffect()
    : CAudioEffect(kID, "Chorus",
                   {{"Rate", "Hz", 0.05f, 5.0f, 0.8f},
                    {"Depth", "ms", 0.0f, kMaxDepthMs, 3.0f},
                    {"Mix", "%", 0.0f, 100.0f, 50.0f}},
                   {{"Default", {0.8f, 3, 50}},
                    {"Subtle", {0.5f, 1.5f, 30}},
                    {"Wide", {0.8f, 4, 50}},
                    {"Deep", {0.3f, 8, 60}}}) {}

double CChorusEffect::GetTailMs() const {
    return kBaseDelayMs + GetParameter(kDepthMs);
}

void CChorusEffect::OnPrepare(double sampleRate, int) {
    m_lineFrames =
        static_cast<int>(std::ceil((kBaseDelayMs + kMaxDepthMs) * sampleRate / 1000.0)) + 4;
    m_line.assign(static_cast<size_t>(m_lineFrames) * 2, 0.0f);
    m_depthFrames.Prepare(sampleRate, 30.0);
    m_mix.Prepare(sampleRate, 10.0);
}

void CChorusEffect::Reset() {
    std::fill(m_line.begin(), m_line.end(), 0.0f);
    m_writeFrame = 0;
    m_phase = 0.0;
    m_depthFrames.Snap(static_cast<float>(ParameterValue(kDepthMs) * GetSampleRate() / 1000.0));
    m_mix.Snap(ParameterValue(kMix) / 100.0f);
}

float CChorusEffect::ReadDelayed(int channel, float delayFrames) const {
    const int whole = static_cast<int>(delayFrames);
    const float fraction = delayFrames - static_cast<float>(whole);
    int newer = m_writeFrame - whole;
    if (newer < 0)
        newer += m_lineFrames;
    const int older = newer == 0 ? m_lineFrames - 1 : newer - 1;
    const float a = m_line[static_cast<size_t>(newer) * 2 + static_cast<size_t>(channel)];
    const float b = m_line[static_cast<size_t>(older) * 2 + static_cast<size_t>(channel)];
    return a + (b - a) * fraction;
}

void CChorusEffect::OnProcess(float* stereo, int frames) {
    const double rate = GetSampleRate();
    const double phaseStep = ParameterValue(kRateHz) / rate;
    const float baseFrames = static_cast<float>(kBaseDelayMs * rate / 1000.0);
    m_depthFrames.SetTarget(static_cast<float>(ParameterValue(kDepthMs) * rate / 1000.0));
    m_mix.SetTarget(ParameterValue(kMix) / 100.0f);
    constexpr double kTurn = 2.0 * std::numbers::pi;
    for (int frame = 0; frame < frames; ++frame) {
        const float depth = m_depthFrames.Next();
        const float mix = m_mix.Next();
        const float sweep[2] = {static_cast<float>(std::sin(kTurn * m_phase)),
                                static_cast<float>(std::cos(kTurn * m_phase))};
        for (int channel = 0; channel < 2; ++channel) {
            float& sample = stereo[2 * frame + channel];
            m_line[static_cast<size_t>(m_writeFrame) * 2 + static_cast<size_t>(channel)] = sample;
            const float delay = baseFrames + depth * 0.5f * (1.0f + sweep[channel]);
            sample = sample * (1.0f - mix) + ReadDelayed(channel, delay) * mix;
        }
        if (++m_writeFrame == m_lineFrames)
            m_writeFrame = 0;
        m_phase += phaseStep;
        if (m_phase >= 1.0)
            m_phase -= 1.0;
    }
}
