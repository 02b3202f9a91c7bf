#pragma once

#include <vector>

// One point of an envelope: a time in milliseconds from the clip's start on
// the timeline, and a value.
struct EnvelopePoint {
    double timeMs = 0.0;
    double value = 0.0;
};

// An automation curve: time-sorted points joined by straight lines. Before the
// first point the curve holds the first point's value, after the last point
// the last point's value; with no points it holds the default value. Values
// are kept within the minimum and maximum given at construction.
//
// Not locked itself: the GUI thread changes it under the mixer's or the owning
// sound's lock, and the mixing thread reads it only while holding both.
class CEnvelope {
public:
    CEnvelope(double minValue, double maxValue, double defaultValue);

    int GetNumPoints() const { return static_cast<int>(m_points.size()); }
    // False when the index is out of range.
    bool GetPointAtIndex(int index, EnvelopePoint& point) const;
    // Inserts after any points of the same time; the value is clamped into
    // range. Returns the point's index, or -1 for a time or value that is not a
    // number.
    int Insert(double timeMs, double value);
    bool RemoveByIndex(int index);
    void RemoveAll() { m_points.clear(); }

    double GetMinValue() const { return m_minValue; }
    double GetMaxValue() const { return m_maxValue; }
    double GetDefaultValue() const { return m_defaultValue; }
    // The length of the clip the envelope spans; its editor pins the last point
    // there.
    double GetEnvelopeLengthMs() const { return m_lengthMs; }
    void SetEnvelopeLengthMs(double ms) { m_lengthMs = ms; }

    // The curve's value at a time. Never allocates or locks (mixing thread).
    double ValueAt(double timeMs) const;
    // Moves every point by ms (negative moves them earlier).
    void Shift(double ms);
    // Multiplies every point's time (and the length) by factor > 0.
    void Scale(double factor);

private:
    double Clamp(double value) const;

    std::vector<EnvelopePoint> m_points;
    double m_minValue;
    double m_maxValue;
    double m_defaultValue;
    double m_lengthMs = 0.0;
};
