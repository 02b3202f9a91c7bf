#pragma once

// A second-order low-pass or high-pass filter (the usual cookbook biquad, in
// transposed direct form II) for up to two interleaved channels. The mixer sets
// new coefficients for every small sub-block while a cut-off envelope moves;
// the per-channel state carries over, so the sound stays continuous.
class CBiquadFilter {
public:
    enum class Kind { LowPass, HighPass };

    // cutoffHz is kept between 10 Hz and just below half the rate; q above 0.1.
    void SetCoefficients(Kind kind, double cutoffHz, double q, double sampleRate);
    // Forgets the past samples (after a jump in playback).
    void Reset();
    // Filters frames of interleaved samples in place; channels is 1 or 2.
    void Process(float* interleaved, int frames, int channels);

private:
    double m_b0 = 1.0, m_b1 = 0.0, m_b2 = 0.0, m_a1 = 0.0, m_a2 = 0.0;
    double m_z1[2] = {0.0, 0.0};
    double m_z2[2] = {0.0, 0.0};
};
