#include "pianoroll/PRQuantizeRule.h"

#include <algorithm>
#include <cmath>

PRQuantizeRule::PRQuantizeRule(const PRNoteTiming& timing, int startLevel, int swingPercent,
                               int lengthLevel)
    : m_timing(timing), m_startLevel(std::clamp(startLevel, 0, PRNoteTiming::kMaxSnapLevel)),
      m_swingPercent(swingPercent <= 0 ? 0 : std::min(swingPercent, 100)),
      m_lengthLevel(std::clamp(lengthLevel, 0, PRNoteTiming::kMaxSnapLevel)) {}

PRNoteSpan PRQuantizeRule::Apply(const PRNoteSpan& note) const {
    PRNoteSpan out = note;
    if (m_startLevel != PRNoteTiming::kSnapOff) {
        const double step = m_timing.GridStepMs(m_startLevel);
        out.startMs = m_timing.Snap(note.startMs, m_startLevel);
        out.endMs = note.endMs - note.startMs + out.startMs;
        if (out.endMs <= out.startMs)
            out.startMs = std::max(0.0, out.startMs - step);
        if (m_swingPercent > 0 && step > 0.0) {
            const double line = std::trunc(out.startMs / step);
            if (std::fmod(line, 2.0) != 0.0) {
                const double delay = step * m_swingPercent / 100.0;
                out.startMs += delay;
                out.endMs += delay;
            }
        }
    }
    if (m_lengthLevel != PRNoteTiming::kSnapOff) {
        out.endMs = m_timing.Snap(out.endMs, m_lengthLevel);
        if (out.endMs <= out.startMs)
            out.endMs += m_timing.GridStepMs(m_lengthLevel);
    }
    return out;
}
