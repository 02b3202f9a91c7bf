#pragma once

#include "engine/Realtime.h"

#include <atomic>
#include <chrono>
#include <cstdint>

// Average and worst duration of a device's callbacks, counted by the callback
// itself without waiting: plain atomic stores, read by any thread.
class CDeviceCallbackTimes {
public:
    using Clock = std::chrono::steady_clock;

    void Add(Clock::duration took) LOOMTONE_REALTIME;
    void Reset();

    int64_t Count() const { return m_count.load(std::memory_order_relaxed); }
    double AverageMicroseconds() const;
    double WorstMicroseconds() const;

private:
    std::atomic<int64_t> m_count{0};
    std::atomic<int64_t> m_totalNs{0};
    std::atomic<int64_t> m_worstNs{0};
};

// Times one callback from construction to destruction.
class CCallbackStopwatch {
public:
    explicit CCallbackStopwatch(CDeviceCallbackTimes& times) noexcept
        : m_times(times), m_start(CDeviceCallbackTimes::Clock::now()) {}
    ~CCallbackStopwatch() { m_times.Add(CDeviceCallbackTimes::Clock::now() - m_start); }
    CCallbackStopwatch(const CCallbackStopwatch&) = delete;
    CCallbackStopwatch& operator=(const CCallbackStopwatch&) = delete;

private:
    CDeviceCallbackTimes& m_times;
    CDeviceCallbackTimes::Clock::time_point m_start;
};
