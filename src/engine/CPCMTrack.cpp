#include "engine/CPCMTrack.h"

#include <algorithm>
#include <cmath>

void CPCMTrack::SetVolume(double volume) {
    if (std::isnan(volume))
        return;
    m_volume.store(std::clamp(volume, 0.0, 4.0), std::memory_order_relaxed);
}

void CPCMTrack::SetPan(double pan) {
    if (std::isnan(pan))
        return;
    m_pan.store(std::clamp(pan, -1.0, 1.0), std::memory_order_relaxed);
}
