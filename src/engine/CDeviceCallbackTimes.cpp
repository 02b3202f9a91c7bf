#include "engine/CDeviceCallbackTimes.h"

void CDeviceCallbackTimes::Add(Clock::duration took) LOOMTONE_REALTIME {
    const int64_t ns = std::chrono::duration_cast<std::chrono::nanoseconds>(took).count();
    m_totalNs.fetch_add(ns, std::memory_order_relaxed);
    m_count.fetch_add(1, std::memory_order_relaxed);
    // Only the callback's thread writes the worst time, so load and store suffice.
    if (ns > m_worstNs.load(std::memory_order_relaxed))
        m_worstNs.store(ns, std::memory_order_relaxed);
}

void CDeviceCallbackTimes::Reset() {
    m_count = 0;
    m_totalNs = 0;
    m_worstNs = 0;
}

double CDeviceCallbackTimes::AverageMicroseconds() const {
    const int64_t count = Count();
    return count > 0 ? static_cast<double>(m_totalNs.load()) / static_cast<double>(count) / 1000.0
                     : 0.0;
}

double CDeviceCallbackTimes::WorstMicroseconds() const {
    return static_cast<double>(m_worstNs.load()) / 1000.0;
}
