#include "engine/CDelayEffect.h"

#include "engine/EffectDsp.h"

#include <algorithm>
#include <cmath>

CDelayEffect::CDelayEffect()
    : CAudioEffect(kID, "Delay",
                   {{"Time", "ms", 1.0f, kMaxTimeMs, 375.0f},
                    {"Feedback", "%", 0.0f, 95.0f, 35.0f},
                    {"Mix", "%", 0.0f, 100.0f, 30.0f}},
                   {{"Default", {375, 35, 30}},
                    {"Slapback", {110, 0, 30}},
                    {"Quarter Note at 120", {500, 35, 30}},
                    {"Long Echo", {750, 60, 35}}}) {}

double CDelayEffect::GetTailMs() const {
    const double time = GetParameter(kTimeMs);
    const double feedback = GetParameter(kFeedback) / 100.0;
    double repeats = 1.0;
    if (feedback > 0.0)
        repeats += std::ceil(std::log(0.001) / std::log(feedback));
    return time * repeats;
}

void CDelayEffect::OnPrepare(double sampleRate, int) {
    // One frame more than the longest delay, plus a guard for the interpolation.
    m_lineFrames = static_cast<int>(std::ceil(kMaxTimeMs * sampleRate / 1000.0)) + 4;
    m_line.assign(static_cast<size_t>(m_lineFrames) * 2, 0.0f);
    m_delayFrames.Prepare(sampleRate, 60.0);
    m_feedback.Prepare(sampleRate, 10.0);
    m_mix.Prepare(sampleRate, 10.0);
}

float CDelayEffect::TargetDelayFrames() const {
    const double frames = std::round(ParameterValue(kTimeMs) * GetSampleRate() / 1000.0);
    return static_cast<float>(std::clamp(frames, 1.0, static_cast<double>(m_lineFrames - 2)));
}

void CDelayEffect::Reset() {
    std::fill(m_line.begin(), m_line.end(), 0.0f);
    m_writeFrame = 0;
    m_delayFrames.Snap(TargetDelayFrames());
    m_feedback.Snap(ParameterValue(kFeedback) / 100.0f);
    m_mix.Snap(ParameterValue(kMix) / 100.0f);
}

float CDelayEffect::ReadDelayed(int channel, float delayFrames) const {
    const int whole = static_cast<int>(delayFrames);
    const float fraction = delayFrames - static_cast<float>(whole);
    int newer = m_writeFrame - whole;
    if (newer < 0)
        newer += m_lineFrames;
    int older = newer - 1;
    if (older < 0)
        older += m_lineFrames;
    const float a = m_line[static_cast<size_t>(newer) * 2 + static_cast<size_t>(channel)];
    if (fraction == 0.0f)
        return a;
    const float b = m_line[static_cast<size_t>(older) * 2 + static_cast<size_t>(channel)];
    return a + (b - a) * fraction;
}

void CDelayEffect::OnProcess(float* stereo, int frames) {
    m_delayFrames.SetTarget(TargetDelayFrames());
    m_feedback.SetTarget(ParameterValue(kFeedback) / 100.0f);
    m_mix.SetTarget(ParameterValue(kMix) / 100.0f);
    for (int frame = 0; frame < frames; ++frame) {
        const float delay = m_delayFrames.Next();
        const float feedback = m_feedback.Next();
        const float mix = m_mix.Next();
        for (int channel = 0; channel < 2; ++channel) {
            float& sample = stereo[2 * frame + channel];
            const float wet = ReadDelayed(channel, delay);
            m_line[static_cast<size_t>(m_writeFrame) * 2 + static_cast<size_t>(channel)] =
                FlushDenormal(sample + wet * feedback);
            sample = sample * (1.0f - mix) + wet * mix;
        }
        if (++m_writeFrame == m_lineFrames)
            m_writeFrame = 0;
    }
}
