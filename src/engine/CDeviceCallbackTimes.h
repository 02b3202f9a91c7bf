#pragma once

#include "engine/Realtime.h"

#include <atomic>
#include <chrono>
#include <cstdint>

// How long a device's callbacks took, counted by the callback itself without
// waiting: plain atomic stores, read by any thread. Besides the time on the
// clock it keeps the time the callback's thread ran (its own work): a
// callback late on the clock but not in its work was held off the processor
// by the system.
class CDeviceCallbackTimes {
public:
    using Clock = std::chrono::steady_clock;
    using Nanoseconds = std::chrono::nanoseconds;

    // took: on the clock; worked: the thread's processor time in it; period:
    // the time the block it made plays for.
    void Add(Nanoseconds took, Nanoseconds worked, Nanoseconds period) LOOMTONE_REALTIME;
    void Reset();

    int64_t Count() const { return m_count.load(std::memory_order_relaxed); }
    double AverageMicroseconds() const;
    double WorstMicroseconds() const;
    double WorstWorkMicroseconds() const;
    // Callbacks that took over half their period on the clock, and those of
    // them whose own work did.
    int64_t OverHalfPeriod() const { return m_overHalf.load(std::memory_order_relaxed); }
    int64_t WorkOverHalfPeriod() const { return m_workOverHalf.load(std::memory_order_relaxed); }

private:
    std::atomic<int64_t> m_count{0};
    std::atomic<int64_t> m_totalNs{0};
    std::atomic<int64_t> m_worstNs{0};
    std::atomic<int64_t> m_worstWorkNs{0};
    std::atomic<int64_t> m_overHalf{0};
    std::atomic<int64_t> m_workOverHalf{0};
};

// Times one callback that makes `frames` frames, from construction to
// destruction.
class CCallbackStopwatch {
public:
    CCallbackStopwatch(CDeviceCallbackTimes& times, int frames) LOOMTONE_REALTIME;
    ~CCallbackStopwatch() LOOMTONE_REALTIME;
    CCallbackStopwatch(const CCallbackStopwatch&) = delete;
    CCallbackStopwatch& operator=(const CCallbackStopwatch&) = delete;

    // The calling thread's processor time so far.
    static CDeviceCallbackTimes::Nanoseconds ThreadTime() LOOMTONE_REALTIME;

private:
    CDeviceCallbackTimes& m_times;
    int m_frames;
    CDeviceCallbackTimes::Clock::time_point m_start;
    CDeviceCallbackTimes::Nanoseconds m_startWork;
};
