#include "engine/CClipAudioBuffer.h"

#include <algorithm>
#include <cmath>

CClipAudioBuffer::CClipAudioBuffer()
    : m_envelopes{CEnvelope(0.0, 2.0, 1.0),
                  CEnvelope(-1.0, 1.0, 0.0),
                  CEnvelope(kMinCutoffHz, kMaxCutoffHz, kMaxCutoffHz),
                  CEnvelope(0.0, kMaxResonance, 0.0),
                  CEnvelope(kMinCutoffHz, kMaxCutoffHz, kMinCutoffHz),
                  CEnvelope(0.0, kMaxResonance, 0.0)} {}

CClipAudioBuffer::CClipAudioBuffer(const CClipAudioBuffer& other)
    : m_envelopes(other.m_envelopes), m_fadeInMs(other.m_fadeInMs), m_fadeOutMs(other.m_fadeOutMs),
      m_ratePitchCorrect(other.m_ratePitchCorrect) {}

CEnvelope* CClipAudioBuffer::GetEnvelope(int type) {
    if (type < 0 || type >= kEnvelopeTypeCount)
        return nullptr;
    return &m_envelopes[static_cast<size_t>(type)];
}

const CEnvelope* CClipAudioBuffer::GetEnvelope(int type) const {
    if (type < 0 || type >= kEnvelopeTypeCount)
        return nullptr;
    return &m_envelopes[static_cast<size_t>(type)];
}

void CClipAudioBuffer::OffsetEnvelopes(double ms) {
    for (CEnvelope& envelope : m_envelopes)
        envelope.Shift(ms);
}

void CClipAudioBuffer::Scale(double factor) {
    for (CEnvelope& envelope : m_envelopes)
        envelope.Scale(factor);
}

void CClipAudioBuffer::SetEnvelopeLengthMs(double ms) {
    for (CEnvelope& envelope : m_envelopes)
        envelope.SetEnvelopeLengthMs(ms);
}

void CClipAudioBuffer::SetFadeInMs(double ms) {
    m_fadeInMs = ms > 0.0 ? ms : 0.0;
}

void CClipAudioBuffer::SetFadeOutMs(double ms) {
    m_fadeOutMs = ms > 0.0 ? ms : 0.0;
}

double CClipAudioBuffer::FadeGain(double clipTimeMs, double clipLengthMs) const {
    double gain = 1.0;
    if (m_fadeInMs > 0.0 && clipTimeMs < m_fadeInMs)
        gain *= std::max(clipTimeMs, 0.0) / m_fadeInMs;
    const double untilEnd = clipLengthMs - clipTimeMs;
    if (m_fadeOutMs > 0.0 && untilEnd < m_fadeOutMs)
        gain *= std::max(untilEnd, 0.0) / m_fadeOutMs;
    return gain;
}

double CClipAudioBuffer::ResonanceToQ(double resonance) {
    const double share = std::clamp(resonance / kMaxResonance, 0.0, 1.0);
    return 0.7071 + share * (12.0 - 0.7071);
}

void CClipAudioBuffer::ResetFilters() {
    m_lowPass.Reset();
    m_highPass.Reset();
}
