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

protected:
    // Atoms are freed through DeleteAtom only.
    virtual ~CAudioAtom() = default;

private:
    std::atomic<int> m_references{1};
    CLock m_lock;
};
