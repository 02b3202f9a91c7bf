#pragma once

#include <array>

class TempoMap;

// The three position fields of the marker dialog and the arithmetic behind
// them. In clock mode they are minutes, seconds and milliseconds of heard
// (tempo-adjusted) time; in measure mode the measure, the beat (both from 1)
// and thousandths of the beat, counted on reference time. Every time going
// in or out is a reference time in milliseconds.
class MarkerPosition {
public:
    using Fields = std::array<int, 3>;
    enum Mode { kClock, kMeasure };

    MarkerPosition(const TempoMap& map, Mode mode) : m_map(map), m_mode(mode) {}

    Mode GetMode() const { return m_mode; }
    Fields FromReal(double realMs) const;
    // The fields as typed with each one held in its range (seconds at most
    // 59 and milliseconds at most 999; a beat within its measure,
    // thousandths at most 999; nothing before the start).
    Fields Clamped(const Fields& fields) const;
    // The reference time of the fields, clamped first.
    double ToReal(const Fields& fields) const;
    // Steps one field (0, 1 or 2) by delta of its units, carrying into and
    // borrowing from the fields before it, never before the start.
    Fields Step(const Fields& fields, int field, int delta) const;

private:
    int BeatsInMeasure(int measure) const;

    const TempoMap& m_map;
    Mode m_mode;
};
