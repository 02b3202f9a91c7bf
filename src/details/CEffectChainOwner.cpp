#include "details/CEffectChainOwner.h"

#include "details/DetailsNotifications.h"
#include "project/CMIDITrack.h"
#include "project/CProject.h"
#include "project/CTrack.h"
#include "support/LocalizedStrings.h"

CEffectChainOwner::CEffectChainOwner(CProject& project, CTrack* track, TrackChain which)
    : m_project(&project), m_track(RefPtr<CTrack>::Share(track)),
      m_which(track ? which : kTrackEffects) {}

CEffectChainOwner::CEffectChainOwner(const CEffectChainOwner& other) = default;
CEffectChainOwner& CEffectChainOwner::operator=(const CEffectChainOwner& other) = default;
CEffectChainOwner::~CEffectChainOwner() = default;

CEffectChainOwner CEffectChainOwner::Global(CProject& project) {
    return CEffectChainOwner(project, nullptr, kTrackEffects);
}

CEffectChainOwner CEffectChainOwner::OfTrack(CProject& project, CTrack& track, TrackChain which) {
    return CEffectChainOwner(project, &track, which);
}

CEffectChain* CEffectChainOwner::Chain() const {
    if (!m_track)
        return m_project->GetMasterEffectChain();
    if (m_which == kTrackEffects)
        return m_track->GetEffectChain();
    const auto* midi = dynamic_cast<const CMIDITrack*>(m_track.Get());
    if (!midi)
        return nullptr;
    return m_which == kInstrument ? midi->GetInstrumentChain() : midi->GetInstrumentEffectsChain();
}

bool CEffectChainOwner::HasInstrumentChains() const {
    return dynamic_cast<const CMIDITrack*>(m_track.Get()) != nullptr;
}

const char* CEffectChainOwner::ChainNameKey(TrackChain which) {
    static const char* const kKeys[] = {"FX_TrackEffects", "FX_Instrument", "FX_InstrumentEffects"};
    return kKeys[which];
}

bool CEffectChainOwner::IsInProject() const {
    if (!m_track)
        return true;
    for (int index = 0; index < m_project->GetNumTracks(); ++index)
        if (m_project->GetTrack(index) == m_track.Get())
            return true;
    return false;
}

std::string CEffectChainOwner::Title() const {
    if (!m_track)
        return MyLoadString("FX_Global");
    std::string title = MyLoadString("FX_Track") + " " + std::to_string(m_track->GetIndex() + 1) +
                        ": " + m_track->GetName();
    if (m_which != kTrackEffects)
        title += " - " + MyLoadString(ChainNameKey(m_which));
    return title;
}

void CEffectChainOwner::AnnounceChange() const {
    if (CEffectChain* chain = Chain())
        Notify<kNotifyEffectChainChanged>(*m_project, chain);
}
