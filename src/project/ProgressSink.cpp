#include "project/ProgressSink.h"

#include <algorithm>

void ProgressSink::SetPercent(int percent) {
    percent = std::clamp(percent, 0, 100);
    if (m_percent.exchange(percent) != percent)
        OnPercentChanged(percent);
}

void ProgressSink::Reset() {
    m_percent.store(0);
    m_cancelled.store(false);
}
