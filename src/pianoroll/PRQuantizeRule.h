#pragma once

#include "pianoroll/PRNoteTiming.h"

// A note's span after quantizing, in sound ms.
struct PRNoteSpan {
    double startMs = 0.0;
    double endMs = 0.0;

    bool operator==(const PRNoteSpan&) const = default;
};

// Quantize of one note: its start goes to the nearest line of the start
// grid (keeping its length) and every odd line of that grid is delayed by
// the swing share of a step; its end goes to the nearest line of the length
// grid. A level of 0 leaves that side alone.
class PRQuantizeRule {
public:
    // swingPercent 0 for none, else clamped to 1..100.
    PRQuantizeRule(const PRNoteTiming& timing, int startLevel, int swingPercent, int lengthLevel);

    PRNoteSpan Apply(const PRNoteSpan& note) const;

private:
    const PRNoteTiming& m_timing;
    int m_startLevel;
    int m_swingPercent;
    int m_lengthLevel;
};
