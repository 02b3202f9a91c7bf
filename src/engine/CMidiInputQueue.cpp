#include "engine/CMidiInputQueue.h"

bool CMidiInputQueue::Push(const TimedMidiMessage& event) LOOMTONE_REALTIME {
    const size_t tail = m_tail.load(std::memory_order_relaxed);
    const size_t next = (tail + 1) % kCapacity;
    if (next == m_head.load(std::memory_order_acquire)) {
        m_dropped.fetch_add(1, std::memory_order_relaxed);
        return false;
    }
    m_events[tail] = event;
    m_tail.store(next, std::memory_order_release);
    return true;
}

bool CMidiInputQueue::Pop(TimedMidiMessage& event) {
    const size_t head = m_head.load(std::memory_order_relaxed);
    if (head == m_tail.load(std::memory_order_acquire))
        return false;
    event = m_events[head];
    m_head.store((head + 1) % kCapacity, std::memory_order_release);
    return true;
}

void CMidiInputQueue::Clear() {
    m_head.store(m_tail.load(std::memory_order_acquire), std::memory_order_release);
}
