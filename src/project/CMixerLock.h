#pragma once

class CPCMMixer;

// Holds the mixer's lock for a scope: what a clip changes under it (timing,
// rate, envelopes) is read by the audio thread.
class CMixerLock {
public:
    explicit CMixerLock(CPCMMixer& mixer);
    ~CMixerLock();
    CMixerLock(const CMixerLock&) = delete;
    CMixerLock& operator=(const CMixerLock&) = delete;

private:
    CPCMMixer& m_mixer;
};
