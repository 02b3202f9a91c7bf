#include "pianoroll/PRDragRules.h"

#include <algorithm>
#include <cmath>

namespace {

int32_t TruncMs(double ms) {
    return static_cast<int32_t>(std::trunc(std::clamp(ms, -2147483647.0, 2147483647.0)));
}

} // namespace

PRDragRules::PRDragRules(const PRNoteTiming& timing, const PRNoteGeometry& geometry, int snapLevel)
    : m_timing(timing), m_geometry(geometry),
      m_snapLevel(std::clamp(snapLevel, 0, PRNoteTiming::kMaxSnapLevel)) {}

double PRDragRules::MoveDeltaMs(double leadStartMs, double earliestStartMs, int dx,
                                bool moved) const {
    double t = std::max(0.0, leadStartMs + m_geometry.TimeOfX(dx));
    if (moved)
        t = Snap(t);
    const double delta = t - leadStartMs;
    return earliestStartMs + delta < 0.0 ? -earliestStartMs : delta;
}

int PRDragRules::MoveRowsPx(int highestTop, int dy) {
    const int clamped = highestTop + dy < 0 ? -highestTop : dy;
    return (clamped / PRNoteGeometry::kRowHeight) * PRNoteGeometry::kRowHeight;
}

int32_t PRDragRules::DraggedStartMs(int startingLeft, int dx, double endMs) const {
    const int left = std::max(0, startingLeft + dx);
    int32_t t = TruncMs(Snap(m_geometry.TimeOfX(left)));
    if (t < endMs)
        return t;
    if (Snapping())
        t = TruncMs(Snap(std::max(0.0, endMs - m_timing.GridStepMs(m_snapLevel))));
    if (endMs - t < kLeastLengthMs)
        t = TruncMs(std::max(0.0, endMs - kLeastLengthMs));
    return t;
}

int32_t PRDragRules::DraggedEndMs(int startingRight, int dx, double startMs) const {
    const int right = startingRight + dx;
    int32_t t = TruncMs(Snap(m_geometry.TimeOfX(right)));
    if (t > startMs)
        return t;
    if (Snapping())
        t = TruncMs(Snap(startMs + m_timing.GridStepMs(m_snapLevel)));
    if (t - startMs < kLeastLengthMs)
        t = TruncMs(startMs + kLeastLengthMs);
    return t;
}
