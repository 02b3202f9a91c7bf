#include "engine/CAudioAtom.h"

#include "engine/TempoMap.h"

void CAudioAtom::DeleteAtom(CAudioAtom* atom) {
    if (atom && atom->DecReference() <= 0)
        delete atom;
}

void CAudioAtom::SetAbsoluteOffset(double ms) {
    m_absoluteOffset.store(ms, std::memory_order_relaxed);
    m_heardOffset.store(m_timeBase ? m_timeBase->GetTempoAdjustedTime(ms) : ms,
                        std::memory_order_relaxed);
}

void CAudioAtom::SetHeardOffset(double ms) {
    SetAbsoluteOffset(m_timeBase ? m_timeBase->GetRealTime(ms) : ms);
}

void CAudioAtom::SetTimeBase(const TempoMap* map) {
    m_timeBase = map;
    Retime();
}
