#include "engine/CDeviceCallbackTimes.h"

#include "engine/WaveFormat.h"

#include <time.h>

namespace {

// Only the callback's thread writes a worst time, so load and store suffice.
void KeepLarger(std::atomic<int64_t>& worst, int64_t value) LOOMTONE_REALTIME {
    if (value > worst.load(std::memory_order_relaxed))
        worst.store(value, std::memory_order_relaxed);
}

} // namespace

void CDeviceCallbackTimes::Add(Nanoseconds took, Nanoseconds worked,
                               Nanoseconds period) LOOMTONE_REALTIME {
    const int64_t ns = took.count();
    m_totalNs.fetch_add(ns, std::memory_order_relaxed);
    m_count.fetch_add(1, std::memory_order_relaxed);
    KeepLarger(m_worstNs, ns);
    KeepLarger(m_worstWorkNs, worked.count());
    if (2 * ns > period.count()) {
        m_overHalf.fetch_add(1, std::memory_order_relaxed);
        if (2 * worked.count() > period.count())
            m_workOverHalf.fetch_add(1, std::memory_order_relaxed);
    }
}

void CDeviceCallbackTimes::Reset() {
    m_count = 0;
    m_totalNs = 0;
    m_worstNs = 0;
    m_worstWorkNs = 0;
    m_overHalf = 0;
    m_workOverHalf = 0;
}

double CDeviceCallbackTimes::AverageMicroseconds() const {
    const int64_t count = Count();
    return count > 0 ? static_cast<double>(m_totalNs.load()) / static_cast<double>(count) / 1000.0
                     : 0.0;
}

double CDeviceCallbackTimes::WorstMicroseconds() const {
    return static_cast<double>(m_worstNs.load()) / 1000.0;
}

double CDeviceCallbackTimes::WorstWorkMicroseconds() const {
    return static_cast<double>(m_worstWorkNs.load()) / 1000.0;
}

CCallbackStopwatch::CCallbackStopwatch(CDeviceCallbackTimes& times, int frames) LOOMTONE_REALTIME
    : m_times(times),
      m_frames(frames),
      m_start(CDeviceCallbackTimes::Clock::now()),
      m_startWork(ThreadTime()) {}

CCallbackStopwatch::~CCallbackStopwatch() LOOMTONE_REALTIME {
    const auto worked = ThreadTime() - m_startWork;
    const auto took = std::chrono::duration_cast<CDeviceCallbackTimes::Nanoseconds>(
        CDeviceCallbackTimes::Clock::now() - m_start);
    const CDeviceCallbackTimes::Nanoseconds period{int64_t{m_frames} * 1000000000 /
                                                   kMixerSampleRate};
    m_times.Add(took, worked, period);
}

CDeviceCallbackTimes::Nanoseconds CCallbackStopwatch::ThreadTime() LOOMTONE_REALTIME {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return CDeviceCallbackTimes::Nanoseconds{int64_t{now.tv_sec} * 1000000000 + now.tv_nsec};
}
