#pragma once

class PRNoteTiming;

// Where the piano roll's loop flags may stand: a dragged flag goes to the
// snap grid, and the loop keeps at least kMinLoopMs between its ends (the
// start flag stops that far before the end, the end flag that far after the
// start). Times are sound ms.
class PRLoopRange {
public:
    static constexpr double kMinLoopMs = 100.0;

    PRLoopRange(double startMs, double endMs) : m_startMs(startMs), m_endMs(endMs) {}

    double StartMs() const { return m_startMs; }
    double EndMs() const { return m_endMs; }
    // Moves one end to the dragged time, snapped at the level; never before 0.
    void DragStart(double soundMs, const PRNoteTiming& timing, int snapLevel);
    void DragEnd(double soundMs, const PRNoteTiming& timing, int snapLevel);

private:
    double m_startMs;
    double m_endMs;
};
