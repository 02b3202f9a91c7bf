#pragma once

#include <atomic>
#include <cstdint>
#include <memory>

class CMidiSound;

// A note's data as it is passed to and from the engine, 40 bytes. Times are
// milliseconds from the start of the MIDI sound.
struct TMidiSndNoteData {
    int32_t channel = 0; // 0..15
    int32_t reserved1 = 0;
    double start = 0.0;
    double end = 0.0;
    int32_t pitch = 60;           // 0..127
    int32_t velocity = 100;       // 0..127
    int32_t releaseVelocity = 64; // 0..127
    int32_t reserved2 = 0;

    bool operator==(const TMidiSndNoteData&) const = default;
};
static_assert(sizeof(TMidiSndNoteData) == 40, "note data records are 40 bytes");

// One note of a CMidiSound, read in place and changed only through the
// sound's operations (or SetNoteData, which goes through the sound).
//
// The sound hands out shared pointers: an editor that keeps one never holds a
// dangling note. Once the note has left its sound (removed, or the sound was
// destroyed or reloaded) IsValid is false and SetNoteData refuses.
class MidiNote {
public:
    // Valid data: channel 0..15, pitch, velocity and release velocity 0..127,
    // start finite and not negative, end finite and not before start.
    static bool IsValidNoteData(const TMidiSndNoteData& data);

    int GetChannel() const { return m_data.channel; }
    double GetStart() const { return m_data.start; }
    double GetEnd() const { return m_data.end; }
    double GetDuration() const { return m_data.end - m_data.start; }
    int GetPitch() const { return m_data.pitch; }
    int GetVelocity() const { return m_data.velocity; }
    int GetReleaseVelocity() const { return m_data.releaseVelocity; }
    // The note's data; the reserved words read as 0.
    TMidiSndNoteData GetNoteData() const;

    // Changes the note in its sound, which keeps its notes sorted by start:
    // newIndex (may be null) receives the note's index afterwards. False,
    // changing nothing, for invalid data or a note no longer in a sound.
    bool SetNoteData(const TMidiSndNoteData& data, int* newIndex);

    bool IsValid() const { return m_owner.load() != nullptr; }
    CMidiSound* Owner() const { return m_owner.load(); }

private:
    friend class CMidiSound;

    MidiNote(const TMidiSndNoteData& data, CMidiSound* owner);
    void Assign(const TMidiSndNoteData& data);
    void Detach() { m_owner.store(nullptr); }

    TMidiSndNoteData m_data;
    std::atomic<CMidiSound*> m_owner;
};

using MidiNotePtr = std::shared_ptr<MidiNote>;
