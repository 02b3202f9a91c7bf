#include "details/CEffectChainOwner.h"

#include "details/DetailsNotifications.h"
#include "project/CProject.h"
#include "project/CTrack.h"
#include "support/LocalizedStrings.h"

CEffectChainOwner::CEffectChainOwner(CProject& project, CTrack* track)
    : m_project(&project), m_track(RefPtr<CTrack>::Share(track)) {}

CEffectChainOwner::CEffectChainOwner(const CEffectChainOwner& other) = default;
CEffectChainOwner& CEffectChainOwner::operator=(const CEffectChainOwner& other) = default;
CEffectChainOwner::~CEffectChainOwner() = default;

CEffectChainOwner CEffectChainOwner::Global(CProject& project) {
    return CEffectChainOwner(project, nullptr);
}

CEffectChainOwner CEffectChainOwner::OfTrack(CProject& project, CTrack& track) {
    return CEffectChainOwner(project, &track);
}

CEffectChain* CEffectChainOwner::Chain() const {
    return m_track ? m_track->GetEffectChain() : m_project->GetMasterEffectChain();
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
    return MyLoadString("FX_Track") + " " + std::to_string(m_track->GetIndex() + 1) + ": " +
           m_track->GetName();
}

void CEffectChainOwner::AnnounceChange() const {
    if (CEffectChain* chain = Chain())
        Notify<kNotifyEffectChainChanged>(*m_project, chain);
}
