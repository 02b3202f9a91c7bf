#pragma once

#include "support/CLock.h"

#include <atomic>

class TempoMap;

// Base of everything the engine plays: sounds, MIDI sounds, the sound group.
// Reference counted: it is born with one reference held by its creator;
// AddReference takes another, and DeleteAtom gives one back and frees the atom
// when none is left. Lockable, so that the GUI thread can change what the audio
// thread reads (the audio thread only ever tries the lock).
class CAudioAtom {
public:
    CAudioAtom() = default;
    CAudioAtom(const CAudioAtom&) = delete;
    CAudioAtom& operator=(const CAudioAtom&) = delete;

    int AddReference() { return ++m_references; }
    // Gives one reference back without freeing; returns what is left.
    int DecReference() { return --m_references; }
    int References() const { return m_references; }

    // Gives back one reference and deletes the atom when it was the last.
    // Safe to call with null.
    static void DeleteAtom(CAudioAtom* atom);

    void Lock() { m_lock.Lock(); }
    void Unlock() { m_lock.Unlock(); }
    bool TryLock() { return m_lock.TryLock(); }

    // Where the atom starts on the timeline, in reference milliseconds (120
    // beats per minute): what a project file stores and what stays on the
    // beat when the tempo changes.
    double AbsoluteOffset() const { return m_absoluteOffset.load(std::memory_order_relaxed); }
    // Sets the reference start and works out the heard start from it.
    void SetAbsoluteOffset(double ms);
    // Where the atom is heard: its reference start through the tempo map of
    // its time base, or the reference start itself without one. This is what
    // the mix reads; the audio and reader threads never touch the tempo map.
    double HeardOffset() const { return m_heardOffset.load(std::memory_order_relaxed); }
    // Sets the start by where it is heard, for edits made on the drawn timeline.
    void SetHeardOffset(double ms);
    // The tempo map the atom's start is heard through (the mixer's, once the
    // atom is placed on a track); null for none. Set on the GUI thread.
    void SetTimeBase(const TempoMap* map);
    // Works the heard start out again after the time base's map changed.
    void Retime() { SetAbsoluteOffset(AbsoluteOffset()); }
    // How long the atom lasts on the timeline, in heard milliseconds; 0 for
    // atoms that have no extent of their own.
    virtual double Length() const { return 0.0; }
    // Reference start plus heard length: only meaningful where both agree,
    // at the reference tempo; the mix uses HeardEndTime.
    double EndTime() const { return AbsoluteOffset() + Length(); }
    double HeardEndTime() const { return HeardOffset() + Length(); }

    // The engine track the atom plays through; -1 sends it straight to the
    // master output (previews, clicks).
    int GetTrackNumber() const { return m_trackNumber.load(std::memory_order_relaxed); }
    void SetTrackNumber(int track) { m_trackNumber.store(track, std::memory_order_relaxed); }

    // State flags; bit 0 (kStateMuted) silences the atom.
    static constexpr unsigned kStateMuted = 1u;
    unsigned StateFlags() const { return m_state.load(std::memory_order_relaxed); }
    bool IsMuted() const { return (StateFlags() & kStateMuted) != 0; }
    void Mute(bool mute) {
        if (mute)
            m_state.fetch_or(kStateMuted, std::memory_order_relaxed);
        else
            m_state.fetch_and(~kStateMuted, std::memory_order_relaxed);
    }

protected:
    // Atoms are freed through DeleteAtom only.
    virtual ~CAudioAtom() = default;

private:
    std::atomic<int> m_references{1};
    std::atomic<double> m_absoluteOffset{0.0};
    std::atomic<double> m_heardOffset{0.0};
    const TempoMap* m_timeBase = nullptr;
    std::atomic<int> m_trackNumber{-1};
    std::atomic<unsigned> m_state{0};
    CLock m_lock;
};
