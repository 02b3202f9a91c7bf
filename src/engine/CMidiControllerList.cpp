#include "engine/CMidiControllerList.h"

#include <algorithm>
#include <cmath>

bool CMidiControllerList::IsValidController(int controller) {
    return (controller >= 0 && controller <= 127) ||
           (controller >= kProgramChange && controller <= kPitchBend);
}

int CMidiControllerList::MaxValueOf(int controller) {
    return controller == kPitchBend ? 16383 : 127;
}

bool CMidiControllerList::IsValidEvent(int controller, const MidiControllerEvent& event) {
    return IsValidController(controller) && std::isfinite(event.time) && event.time >= 0.0 &&
           event.value >= 0 && event.value <= MaxValueOf(controller) && event.channel >= 0 &&
           event.channel <= 15;
}

const MidiControllerEvent* CMidiControllerList::GetEvent(int index) const {
    if (index < 0 || index >= Count())
        return nullptr;
    return &m_events[index];
}

int CMidiControllerList::Insert(const MidiControllerEvent& event) {
    const auto at = std::upper_bound(
        m_events.begin(), m_events.end(), event.time,
        [](double time, const MidiControllerEvent& other) { return time < other.time; });
    const auto inserted = m_events.insert(at, event);
    return static_cast<int>(inserted - m_events.begin());
}

bool CMidiControllerList::Remove(int index) {
    if (index < 0 || index >= Count())
        return false;
    m_events.erase(m_events.begin() + index);
    return true;
}
