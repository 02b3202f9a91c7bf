#include "engine/CPCMTrack.h"

#include "engine/CMixRoutine.h"
#include "engine/WaveFormat.h"

#include <algorithm>
#include <cmath>

CPCMTrack::CPCMTrack(int trackNumber)
    : m_trackNumber(trackNumber), m_instrumentChain(std::make_unique<CEffectChain>()),
      m_instrumentEffectsChain(std::make_unique<CEffectChain>()),
      m_effectChain(std::make_unique<CEffectChain>()) {
    for (CEffectChain* chain :
         {GetInstrumentChain(), GetInstrumentEffectsChain(), GetEffectChain()})
        chain->Prepare(kMixerSampleRate, CMixRoutine::kChunkFrames);
}

double CPCMTrack::GetTailMs() const {
    return m_instrumentChain->GetTailMs() + m_instrumentEffectsChain->GetTailMs() +
           m_effectChain->GetTailMs();
}

void CPCMTrack::SetVolume(double volume) {
    if (std::isnan(volume))
        return;
    m_volume.store(std::clamp(volume, 0.0, 4.0), std::memory_order_relaxed);
}

void CPCMTrack::SetPan(double pan) {
    if (std::isnan(pan))
        return;
    m_pan.store(std::clamp(pan, -1.0, 1.0), std::memory_order_relaxed);
}
