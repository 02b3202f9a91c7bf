#include "project/CTrackFactory.h"

#include "engine/CEffectChain.h"
#include "engine/EffectsFactory.h"
#include "project/CAudioTrack.h"
#include "project/CMIDITrack.h"
#include "project/ProjectPreferences.h"
#include "project/TrackServices.h"

#include <algorithm>
#include <memory>

CTrack* CTrackFactory::Create(bool midi) const {
    CTrack* track = midi ? static_cast<CTrack*>(new CMIDITrack(m_services))
                         : static_cast<CTrack*>(new CAudioTrack(m_services));
    track->Init();
    track->AddObserver(&m_observer);
    if (!track->CreateEngineTrack()) {
        track->DeleteRefObject();
        return nullptr;
    }
    track->CreateControls();
    return track;
}

void CTrackFactory::AddDefaultInstrument(CMIDITrack& track) const {
    const ProjectPreferences::InstrumentId& id = m_prefs.defaultVirtualInstrument;
    if (std::all_of(id.begin(), id.end(), [](uint8_t b) { return b == 0; }))
        return;
    if (std::unique_ptr<CAudioEffect> instrument = EffectsFactory::GetInstance()->LoadEffect(id))
        track.GetInstrumentChain()->Insert(std::move(instrument), 0);
}
