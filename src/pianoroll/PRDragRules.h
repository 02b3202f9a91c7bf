#pragma once

#include "pianoroll/PRNoteGeometry.h"
#include "pianoroll/PRNoteTiming.h"

#include <cstdint>

// Where a drag in the note area puts notes: the moved selection's time shift
// and row shift, and the new time of a dragged note edge. Times are sound ms,
// offsets content pixels from the press point.
class PRDragRules {
public:
    // The edge drag leaves a note at least this long when it reaches the
    // other edge.
    static constexpr int32_t kLeastLengthMs = 10;

    PRDragRules(const PRNoteTiming& timing, const PRNoteGeometry& geometry, int snapLevel);

    // Time shift of a selection moved by dx, led by the note under the
    // pointer (snapped to the grid once the pointer moved); no note goes
    // before 0.
    double MoveDeltaMs(double leadStartMs, double earliestStartMs, int dx, bool moved) const;
    // Row shift in pixels (whole rows) of a selection whose highest note's
    // row starts at highestTop, moved by dy; no note leaves the top.
    static int MoveRowsPx(int highestTop, int dy);

    // New start of a note whose start edge started at startingLeft and was
    // dragged by dx. Dragged onto or past the end, the note keeps one grid
    // step (with snapping) or at least kLeastLengthMs before its end.
    int32_t DraggedStartMs(int startingLeft, int dx, double endMs) const;
    // New end likewise for the end edge, the note ending at least one grid
    // step or kLeastLengthMs after its start.
    int32_t DraggedEndMs(int startingRight, int dx, double startMs) const;

private:
    double Snap(double ms) const { return m_timing.Snap(ms, m_snapLevel); }
    bool Snapping() const { return m_snapLevel != PRNoteTiming::kSnapOff; }

    const PRNoteTiming& m_timing;
    const PRNoteGeometry& m_geometry;
    int m_snapLevel;
};
