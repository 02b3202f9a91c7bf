#include "engine/CReverbEffect.h"

#include "engine/EffectDsp.h"

#include <algorithm>
#include <cmath>

namespace {

// Delay lengths in frames at 44.1 kHz, mutually prime-ish so that the echoes
// do not pile up; scaled for other rates.
constexpr int kCombFrames[] = {1116, 1188, 1277, 1356, 1422, 1491, 1557, 1617};
constexpr int kAllPassFrames[] = {556, 441, 341, 225};
constexpr int kStereoSpread = 23;
constexpr double kReferenceRate = 44100.0;

constexpr float kInputGain = 0.015f;
constexpr float kWetGain = 3.0f;
constexpr float kAllPassFeedback = 0.5f;

size_t ScaledLength(int frames, double sampleRate) {
    return static_cast<size_t>(std::max(1.0, std::round(frames * sampleRate / kReferenceRate)));
}

} // namespace

CReverbEffect::CReverbEffect()
    : CAudioEffect(kID, "Reverb",
                   {{"Room Size", "%", 0.0f, 100.0f, 50.0f},
                    {"Damping", "%", 0.0f, 100.0f, 50.0f},
                    {"Mix", "%", 0.0f, 100.0f, 25.0f}},
                   {{"Default", {50, 50, 25}},
                    {"Small Room", {30, 60, 20}},
                    {"Hall", {80, 40, 30}},
                    {"Cathedral", {95, 20, 40}}}) {}

float CReverbEffect::CombFeedback(float roomSizePercent) {
    return roomSizePercent / 100.0f * 0.28f + 0.7f;
}

double CReverbEffect::GetTailMs() const {
    const double rate = IsPrepared() ? GetSampleRate() : kReferenceRate;
    const double feedback = CombFeedback(GetParameter(kRoomSize));
    const double longestComb =
        static_cast<double>(ScaledLength(kCombFrames[kCombs - 1] + kStereoSpread, rate));
    const double combLoops = std::log(0.001) / std::log(feedback);
    const double allPassLoops = std::log(0.001) / std::log(kAllPassFeedback);
    double allPassFrames = 0.0;
    for (int frames : kAllPassFrames)
        allPassFrames += static_cast<double>(ScaledLength(frames + kStereoSpread, rate));
    return (combLoops * longestComb + allPassLoops * allPassFrames) * 1000.0 / rate;
}

void CReverbEffect::OnPrepare(double sampleRate, int) {
    for (int side = 0; side < 2; ++side) {
        const int spread = side * kStereoSpread;
        Channel& channel = m_channels[static_cast<size_t>(side)];
        for (int i = 0; i < kCombs; ++i)
            channel.combs[static_cast<size_t>(i)].buffer.assign(
                ScaledLength(kCombFrames[i] + spread, sampleRate), 0.0f);
        for (int i = 0; i < kAllPasses; ++i)
            channel.allPasses[static_cast<size_t>(i)].buffer.assign(
                ScaledLength(kAllPassFrames[i] + spread, sampleRate), 0.0f);
    }
    m_feedback.Prepare(sampleRate, 50.0);
    m_damp.Prepare(sampleRate, 50.0);
    m_mix.Prepare(sampleRate, 10.0);
}

void CReverbEffect::Reset() {
    for (Channel& channel : m_channels) {
        for (Comb& comb : channel.combs) {
            std::fill(comb.buffer.begin(), comb.buffer.end(), 0.0f);
            comb.index = 0;
            comb.store = 0.0f;
        }
        for (AllPass& allPass : channel.allPasses) {
            std::fill(allPass.buffer.begin(), allPass.buffer.end(), 0.0f);
            allPass.index = 0;
        }
    }
    m_feedback.Snap(CombFeedback(ParameterValue(kRoomSize)));
    m_damp.Snap(ParameterValue(kDamping) / 100.0f * 0.4f);
    m_mix.Snap(ParameterValue(kMix) / 100.0f);
}

float CReverbEffect::RunChannel(Channel& channel, float input, float feedback, float damp) {
    float sum = 0.0f;
    for (Comb& comb : channel.combs) {
        const float delayed = comb.buffer[comb.index];
        comb.store = FlushDenormal(delayed * (1.0f - damp) + comb.store * damp);
        comb.buffer[comb.index] = input + comb.store * feedback;
        if (++comb.index == comb.buffer.size())
            comb.index = 0;
        sum += delayed;
    }
    for (AllPass& allPass : channel.allPasses) {
        const float delayed = allPass.buffer[allPass.index];
        allPass.buffer[allPass.index] = FlushDenormal(sum + delayed * kAllPassFeedback);
        if (++allPass.index == allPass.buffer.size())
            allPass.index = 0;
        sum = delayed - sum;
    }
    return sum;
}

void CReverbEffect::OnProcess(float* stereo, int frames) {
    m_feedback.SetTarget(CombFeedback(ParameterValue(kRoomSize)));
    m_damp.SetTarget(ParameterValue(kDamping) / 100.0f * 0.4f);
    m_mix.SetTarget(ParameterValue(kMix) / 100.0f);
    for (int frame = 0; frame < frames; ++frame) {
        const float feedback = m_feedback.Next();
        const float damp = m_damp.Next();
        const float mix = m_mix.Next();
        float& left = stereo[2 * frame];
        float& right = stereo[2 * frame + 1];
        const float input = (left + right) * kInputGain;
        const float wetLeft = RunChannel(m_channels[0], input, feedback, damp) * kWetGain;
        const float wetRight = RunChannel(m_channels[1], input, feedback, damp) * kWetGain;
        left = left * (1.0f - mix) + wetLeft * mix;
        right = right * (1.0f - mix) + wetRight * mix;
    }
}
