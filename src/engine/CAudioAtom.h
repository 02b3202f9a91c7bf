#pragma once

#include "support/CLock.h"

#include <atomic>

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

    // Where the atom starts on the timeline, in milliseconds.
    double AbsoluteOffset() const { return m_absoluteOffset.load(std::memory_order_relaxed); }
    void SetAbsoluteOffset(double ms) { m_absoluteOffset.store(ms, std::memory_order_relaxed); }
    // How long the atom lasts on the timeline, in milliseconds; 0 for atoms
    // that have no extent of their own.
    virtual double Length() const { return 0.0; }
    double EndTime() const { return AbsoluteOffset() + Length(); }

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
    std::atomic<int> m_trackNumber{-1};
    std::atomic<unsigned> m_state{0};
    CLock m_lock;
};
