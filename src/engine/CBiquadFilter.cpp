#include "engine/CBiquadFilter.h"

#include <algorithm>
#include <cmath>
#include <numbers>

void CBiquadFilter::SetCoefficients(Kind kind, double cutoffHz, double q, double sampleRate) {
    const double nyquistGuard = sampleRate * 0.49;
    const double f0 = std::clamp(cutoffHz, 10.0, nyquistGuard);
    const double w0 = 2.0 * std::numbers::pi * f0 / sampleRate;
    const double cosW0 = std::cos(w0);
    const double alpha = std::sin(w0) / (2.0 * std::max(q, 0.1));
    const double a0 = 1.0 + alpha;
    if (kind == Kind::LowPass) {
        m_b0 = (1.0 - cosW0) * 0.5 / a0;
        m_b1 = (1.0 - cosW0) / a0;
    } else {
        m_b0 = (1.0 + cosW0) * 0.5 / a0;
        m_b1 = -(1.0 + cosW0) / a0;
    }
    m_b2 = m_b0;
    m_a1 = -2.0 * cosW0 / a0;
    m_a2 = (1.0 - alpha) / a0;
}

void CBiquadFilter::Reset() {
    m_z1[0] = m_z1[1] = 0.0;
    m_z2[0] = m_z2[1] = 0.0;
}

void CBiquadFilter::Process(float* interleaved, int frames, int channels) {
    const int count = std::clamp(channels, 1, 2);
    for (int frame = 0; frame < frames; ++frame) {
        for (int channel = 0; channel < count; ++channel) {
            float& sample = interleaved[frame * channels + channel];
            const double x = sample;
            const double y = m_b0 * x + m_z1[channel];
            m_z1[channel] = m_b1 * x - m_a1 * y + m_z2[channel];
            m_z2[channel] = m_b2 * x - m_a2 * y;
            sample = static_cast<float>(y);
        }
    }
}
