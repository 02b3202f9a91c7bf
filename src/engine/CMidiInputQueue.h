#pragma once

#include "engine/Realtime.h"

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>

// A MIDI message as it arrived: status in the low byte, then the two data
// bytes; the play position (heard milliseconds) at its arrival, and the
// arrival on the steady clock (milliseconds), which still moves while the
// play position stands.
struct TimedMidiMessage {
    uint32_t message = 0;
    double heardMs = 0.0;
    double clockMs = 0.0;
};

// Carries MIDI input from the thread it arrives on to the one that records
// it, without locks: one thread pushes, one pops. A full queue drops the
// message and counts it; the pushing thread never waits.
class CMidiInputQueue {
public:
    static constexpr size_t kCapacity = 4096;

    // False (and counted) when the queue is full.
    bool Push(const TimedMidiMessage& event) LOOMTONE_REALTIME;
    // False when nothing is queued.
    bool Pop(TimedMidiMessage& event);
    // Forgets what is queued (from the popping thread).
    void Clear();
    int64_t Dropped() const { return m_dropped.load(); }

private:
    std::array<TimedMidiMessage, kCapacity> m_events{};
    std::atomic<size_t> m_head{0}; // next to pop
    std::atomic<size_t> m_tail{0}; // next to push
    std::atomic<int64_t> m_dropped{0};
};
