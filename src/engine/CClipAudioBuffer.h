#pragma once

#include "engine/CBiquadFilter.h"
#include "engine/CEnvelope.h"

#include <array>

// The six automation envelopes of a clip, in this order everywhere.
enum EnvelopeType {
    kEnvelopeVolume = 0,
    kEnvelopePan = 1,
    kEnvelopeLowPassCutoff = 2,
    kEnvelopeLowPassResonance = 3,
    kEnvelopeHighPassCutoff = 4,
    kEnvelopeHighPassResonance = 5,
    kEnvelopeTypeCount = 6
};

// A clip's playback settings: its six envelopes, fades and the rate/pitch
// correction switch, plus the filter state the mixer keeps for it.
//
// Envelope values: volume is a linear gain 0..2 (1 unity); pan -1 (left) .. 1
// (right); cut-offs are in Hz, 20..20000; resonances 0..100, where 0 is a flat
// response (Q 0.707) and 100 a sharp peak (Q 12). A low-pass cut-off at its
// maximum and a high-pass cut-off at its minimum leave the sound untouched.
class CClipAudioBuffer {
public:
    static constexpr double kMinCutoffHz = 20.0;
    static constexpr double kMaxCutoffHz = 20000.0;
    static constexpr double kMaxResonance = 100.0;

    CClipAudioBuffer();
    // Copies settings and envelopes; the copy's filters start from silence.
    CClipAudioBuffer(const CClipAudioBuffer& other);
    CClipAudioBuffer& operator=(const CClipAudioBuffer&) = delete;

    // Null for a type outside 0..5.
    CEnvelope* GetEnvelope(int type);
    const CEnvelope* GetEnvelope(int type) const;
    CEnvelope& GetVolumeEnvelope() { return m_envelopes[kEnvelopeVolume]; }
    CEnvelope& GetPanEnvelope() { return m_envelopes[kEnvelopePan]; }
    CEnvelope& GetLowPassCutoffEnvelope() { return m_envelopes[kEnvelopeLowPassCutoff]; }
    CEnvelope& GetLowPassResonanceEnvelope() { return m_envelopes[kEnvelopeLowPassResonance]; }
    CEnvelope& GetHighPassCutoffEnvelope() { return m_envelopes[kEnvelopeHighPassCutoff]; }
    CEnvelope& GetHighPassResonanceEnvelope() { return m_envelopes[kEnvelopeHighPassResonance]; }

    // Moves every envelope's points by ms (the clip's start moved in its media).
    void OffsetEnvelopes(double ms);
    // Multiplies every envelope's times by factor (the clip was stretched).
    void Scale(double factor);
    // The clip's length, which every envelope spans.
    void SetEnvelopeLengthMs(double ms);

    double GetFadeInMs() const { return m_fadeInMs; }
    double GetFadeOutMs() const { return m_fadeOutMs; }
    // Negative lengths count as no fade.
    void SetFadeInMs(double ms);
    void SetFadeOutMs(double ms);
    // The fades' gain at a time within a clip of the given length: ramps from
    // 0 at the clip's start and down to 0 at its end.
    double FadeGain(double clipTimeMs, double clipLengthMs) const;

    // True: a rate change keeps the pitch; false: it shifts the pitch with it.
    bool GetRatePitchCorrect() const { return m_ratePitchCorrect; }
    void SetRatePitchCorrect(bool correct) { m_ratePitchCorrect = correct; }

    static double ResonanceToQ(double resonance);

    // Mixing-thread state: one filter of each kind, per channel inside.
    CBiquadFilter& LowPass() { return m_lowPass; }
    CBiquadFilter& HighPass() { return m_highPass; }
    void ResetFilters();

private:
    std::array<CEnvelope, kEnvelopeTypeCount> m_envelopes;
    double m_fadeInMs = 0.0;
    double m_fadeOutMs = 0.0;
    bool m_ratePitchCorrect = true;
    CBiquadFilter m_lowPass;
    CBiquadFilter m_highPass;
};
