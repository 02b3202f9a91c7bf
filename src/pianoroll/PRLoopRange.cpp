#include "pianoroll/PRLoopRange.h"

#include "pianoroll/PRNoteTiming.h"

#include <algorithm>
#include <cmath>

void PRLoopRange::DragStart(double soundMs, const PRNoteTiming& timing, int snapLevel) {
    if (!std::isfinite(soundMs))
        return;
    const double snapped = timing.Snap(std::max(0.0, soundMs), snapLevel);
    m_startMs = std::max(0.0, std::min(snapped, m_endMs - kMinLoopMs));
}

void PRLoopRange::DragEnd(double soundMs, const PRNoteTiming& timing, int snapLevel) {
    if (!std::isfinite(soundMs))
        return;
    const double snapped = timing.Snap(std::max(0.0, soundMs), snapLevel);
    m_endMs = std::max(snapped, m_startMs + kMinLoopMs);
}
