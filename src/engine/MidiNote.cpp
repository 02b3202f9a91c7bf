#include "engine/MidiNote.h"

#include "engine/CMidiSound.h"

#include <cmath>

bool MidiNote::IsValidNoteData(const TMidiSndNoteData& data) {
    const auto isMidiByte = [](int32_t value) { return value >= 0 && value <= 127; };
    return data.channel >= 0 && data.channel <= 15 && isMidiByte(data.pitch) &&
           isMidiByte(data.velocity) && isMidiByte(data.releaseVelocity) &&
           std::isfinite(data.start) && data.start >= 0.0 && std::isfinite(data.end) &&
           data.end >= data.start;
}

MidiNote::MidiNote(const TMidiSndNoteData& data, CMidiSound* owner) : m_owner(owner) {
    Assign(data);
}

void MidiNote::Assign(const TMidiSndNoteData& data) {
    m_data = data;
    m_data.reserved1 = 0;
    m_data.reserved2 = 0;
}

TMidiSndNoteData MidiNote::GetNoteData() const {
    return m_data;
}

bool MidiNote::SetNoteData(const TMidiSndNoteData& data, int* newIndex) {
    CMidiSound* owner = m_owner.load();
    return owner && owner->ChangeNote(this, data, newIndex);
}
