#include "transport/CDeviceCheck.h"

#include "support/Log.h"

bool CDeviceCheck::Changed() {
    if (!m_count)
        return false;
    const Counts now = m_count();
    const bool changed = m_last && *m_last != now;
    if (changed)
        LogFmt("Audio devices changed: %d recording, %d playback (were %d, %d)", now.first,
               now.second, m_last->first, m_last->second);
    m_last = now;
    return changed;
}
