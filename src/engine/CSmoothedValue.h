#pragma once

// A parameter value that glides towards its target with a one-pole low-pass,
// so that knob moves reach the audio without steps (no zipper noise or clicks).
// Audio thread only; no allocation.
class CSmoothedValue {
public:
    // timeMs is the time constant: about 63 % of a change is made after it.
    void Prepare(double sampleRate, double timeMs);
    void SetTarget(float target) { m_target = target; }
    // Jumps to the value at once (when nothing is sounding yet).
    void Snap(float value) { m_current = m_target = value; }

    float Next() {
        m_current += m_coefficient * (m_target - m_current);
        if (m_current - m_target < kSettled && m_target - m_current < kSettled)
            m_current = m_target;
        return m_current;
    }
    float Current() const { return m_current; }
    float Target() const { return m_target; }
    bool IsSettled() const { return m_current == m_target; }

private:
    static constexpr float kSettled = 1e-6f;

    float m_coefficient = 1.0f;
    float m_current = 0.0f;
    float m_target = 0.0f;
};
