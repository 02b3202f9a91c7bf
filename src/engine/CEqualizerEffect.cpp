#include "engine/CEqualizerEffect.h"

#include "engine/EffectDsp.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace {

double Omega(double sampleRate, double freq) {
    return 2.0 * std::numbers::pi * std::clamp(freq, 10.0, sampleRate * 0.45) / sampleRate;
}

} // namespace

void CEqualizerEffect::Section::SetNormalized(double nb0, double nb1, double nb2, double na0,
                                              double na1, double na2) {
    b0 = nb0 / na0;
    b1 = nb1 / na0;
    b2 = nb2 / na0;
    a1 = na1 / na0;
    a2 = na2 / na0;
}

void CEqualizerEffect::Section::SetLowShelf(double sampleRate, double freq, double gainDb) {
    const double a = std::pow(10.0, gainDb / 40.0);
    const double w0 = Omega(sampleRate, freq);
    const double cosW = std::cos(w0);
    const double twoSqrtAAlpha = 2.0 * std::sqrt(a) * std::sin(w0) / std::numbers::sqrt2;
    SetNormalized(
        a * ((a + 1) - (a - 1) * cosW + twoSqrtAAlpha), 2 * a * ((a - 1) - (a + 1) * cosW),
        a * ((a + 1) - (a - 1) * cosW - twoSqrtAAlpha), (a + 1) + (a - 1) * cosW + twoSqrtAAlpha,
        -2 * ((a - 1) + (a + 1) * cosW), (a + 1) + (a - 1) * cosW - twoSqrtAAlpha);
}

void CEqualizerEffect::Section::SetHighShelf(double sampleRate, double freq, double gainDb) {
    const double a = std::pow(10.0, gainDb / 40.0);
    const double w0 = Omega(sampleRate, freq);
    const double cosW = std::cos(w0);
    const double twoSqrtAAlpha = 2.0 * std::sqrt(a) * std::sin(w0) / std::numbers::sqrt2;
    SetNormalized(
        a * ((a + 1) + (a - 1) * cosW + twoSqrtAAlpha), -2 * a * ((a - 1) + (a + 1) * cosW),
        a * ((a + 1) + (a - 1) * cosW - twoSqrtAAlpha), (a + 1) - (a - 1) * cosW + twoSqrtAAlpha,
        2 * ((a - 1) - (a + 1) * cosW), (a + 1) - (a - 1) * cosW - twoSqrtAAlpha);
}

void CEqualizerEffect::Section::SetPeak(double sampleRate, double freq, double gainDb, double q) {
    const double a = std::pow(10.0, gainDb / 40.0);
    const double w0 = Omega(sampleRate, freq);
    const double cosW = std::cos(w0);
    const double alpha = std::sin(w0) / (2.0 * std::max(q, 0.05));
    SetNormalized(1 + alpha * a, -2 * cosW, 1 - alpha * a, 1 + alpha / a, -2 * cosW, 1 - alpha / a);
}

float CEqualizerEffect::Section::Run(int channel, float in) {
    const double x = in;
    const double y = b0 * x + z1[channel];
    z1[channel] = FlushDenormal(b1 * x - a1 * y + z2[channel]);
    z2[channel] = FlushDenormal(b2 * x - a2 * y);
    return static_cast<float>(y);
}

void CEqualizerEffect::Section::Clear() {
    z1[0] = z1[1] = 0.0;
    z2[0] = z2[1] = 0.0;
}

CEqualizerEffect::CEqualizerEffect()
    : CAudioEffect(kID, "Equalizer",
                   {{"Low Gain", "dB", -18.0f, 18.0f, 0.0f},
                    {"Low Frequency", "Hz", 20.0f, 1000.0f, 100.0f},
                    {"Mid Gain", "dB", -18.0f, 18.0f, 0.0f},
                    {"Mid Frequency", "Hz", 100.0f, 10000.0f, 1000.0f},
                    {"Mid Q", "", 0.2f, 10.0f, 1.0f},
                    {"High Gain", "dB", -18.0f, 18.0f, 0.0f},
                    {"High Frequency", "Hz", 1000.0f, 20000.0f, 8000.0f}},
                   {{"Flat", {0, 100, 0, 1000, 1, 0, 8000}},
                    {"Bass Boost", {6, 120, 0, 1000, 1, 0, 8000}},
                    {"Bright", {0, 100, 0, 1000, 1, 5, 6000}},
                    {"Warm", {3, 150, -2, 2500, 0.8f, -3, 9000}},
                    {"Telephone", {-18, 400, 6, 1500, 0.7f, -18, 3000}}}) {}

void CEqualizerEffect::OnPrepare(double sampleRate, int) {
    for (CSmoothedValue& setting : m_settings)
        setting.Prepare(sampleRate / kStepFrames, 20.0);
}

void CEqualizerEffect::TakeTargets() {
    for (int i = 0; i < kCount; ++i)
        m_settings[i].SetTarget(ParameterValue(i));
}

void CEqualizerEffect::Reset() {
    for (int i = 0; i < kCount; ++i)
        m_settings[i].Snap(ParameterValue(i));
    m_low.Clear();
    m_mid.Clear();
    m_high.Clear();
    ComputeCoefficients();
    m_framesToStep = kStepFrames;
}

bool CEqualizerEffect::StepSettings() {
    bool moved = false;
    for (CSmoothedValue& setting : m_settings) {
        if (!setting.IsSettled()) {
            setting.Next();
            moved = true;
        }
    }
    return moved;
}

void CEqualizerEffect::ComputeCoefficients() {
    const double rate = GetSampleRate();
    m_low.SetLowShelf(rate, m_settings[kLowFreq].Current(), m_settings[kLowGain].Current());
    m_mid.SetPeak(rate, m_settings[kMidFreq].Current(), m_settings[kMidGain].Current(),
                  m_settings[kMidQ].Current());
    m_high.SetHighShelf(rate, m_settings[kHighFreq].Current(), m_settings[kHighGain].Current());
}

void CEqualizerEffect::OnProcess(float* stereo, int frames) {
    TakeTargets();
    for (int frame = 0; frame < frames; ++frame) {
        if (--m_framesToStep <= 0) {
            m_framesToStep = kStepFrames;
            if (StepSettings())
                ComputeCoefficients();
        }
        for (int channel = 0; channel < 2; ++channel) {
            float& sample = stereo[2 * frame + channel];
            sample = m_high.Run(channel, m_mid.Run(channel, m_low.Run(channel, sample)));
        }
    }
}
