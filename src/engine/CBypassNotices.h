#pragma once

#include "engine/Realtime.h"

#include <array>
#include <atomic>
#include <cstddef>
#include <string>
#include <vector>

// Carries the names of effects that bypassed themselves (a plug-in whose
// output stopped being finite) from the audio and render threads to the
// application thread, which polls and tells the user. Posting never
// allocates, locks or waits: names go into a few fixed slots, and a notice
// that finds every slot taken is only counted.
class CBypassNotices {
public:
    static constexpr size_t kSlots = 8;
    static constexpr size_t kMaxNameBytes = 127;

    static CBypassNotices& Instance();

    // Any thread. The name is cut to kMaxNameBytes.
    void Post(const char* effectName) LOOMTONE_REALTIME;
    // Application thread: the names posted since the last call, oldest slot first.
    std::vector<std::string> Take();
    // Notices lost because every slot was taken.
    int Dropped() const { return m_dropped.load(std::memory_order_relaxed); }

private:
    enum SlotState : int { kFree, kWriting, kReady };
    struct Slot {
        std::atomic<int> state{kFree};
        std::array<char, kMaxNameBytes + 1> name{};
    };

    std::array<Slot, kSlots> m_slots;
    std::atomic<int> m_dropped{0};
};
