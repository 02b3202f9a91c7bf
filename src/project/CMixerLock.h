#pragma once

class CAudioAtom;
class CPCMMixer;

// Holds the mixer's lock for a scope: what a clip changes under it (timing,
// rate, envelopes) is read by the audio thread.
class CMixerLock {
public:
    explicit CMixerLock(CPCMMixer& mixer);
    // For a change of where a sound plays (moved, trimmed, stretched,
    // restored): once the lock is let go, the sound's frames are read at
    // their new place on this thread, before playback's next blocks want them.
    CMixerLock(CPCMMixer& mixer, CAudioAtom& moved);
    ~CMixerLock();
    CMixerLock(const CMixerLock&) = delete;
    CMixerLock& operator=(const CMixerLock&) = delete;

private:
    CPCMMixer& m_mixer;
    CAudioAtom* m_moved = nullptr;
};
