#include "project/CMixerLock.h"

#include "engine/CPCMMixer.h"

CMixerLock::CMixerLock(CPCMMixer& mixer) : m_mixer(mixer) {
    m_mixer.Lock();
}

CMixerLock::~CMixerLock() {
    m_mixer.Unlock();
}
