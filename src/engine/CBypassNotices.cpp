#include "engine/CBypassNotices.h"

#include <cstring>

CBypassNotices& CBypassNotices::Instance() {
    static CBypassNotices instance;
    return instance;
}

void CBypassNotices::Post(const char* effectName) LOOMTONE_REALTIME {
    for (Slot& slot : m_slots) {
        int expected = kFree;
        if (!slot.state.compare_exchange_strong(expected, kWriting, std::memory_order_acquire))
            continue;
        const size_t length = effectName ? strnlen(effectName, kMaxNameBytes) : 0;
        std::memcpy(slot.name.data(), effectName ? effectName : "", length);
        slot.name[length] = '\0';
        slot.state.store(kReady, std::memory_order_release);
        return;
    }
    m_dropped.fetch_add(1, std::memory_order_relaxed);
}

std::vector<std::string> CBypassNotices::Take() {
    std::vector<std::string> names;
    for (Slot& slot : m_slots) {
        if (slot.state.load(std::memory_order_acquire) != kReady)
            continue;
        names.emplace_back(slot.name.data());
        slot.state.store(kFree, std::memory_order_release);
    }
    return names;
}
