#include "project/CMixerLock.h"

#include "engine/CPCMMixer.h"

CMixerLock::CMixerLock(CPCMMixer& mixer) : m_mixer(mixer) {
    m_mixer.Lock();
}

CMixerLock::CMixerLock(CPCMMixer& mixer, CAudioAtom& moved) : CMixerLock(mixer) {
    m_moved = &moved;
}

CMixerLock::~CMixerLock() {
    m_mixer.Unlock();
    // Reading takes long: never under the lock the audio thread tries.
    if (m_moved)
        m_mixer.SoundMoved(*m_moved);
}
