#include "project/CTrackSettingsUndo.h"

#include "project/CTrack.h"

CTrackSettingsUndo::CTrackSettingsUndo(CTrack* track, const TrackSettings& before,
                                       const TrackSettings& after)
    : m_track(track), m_before(before), m_after(after) {
    m_track->AddRef();
}

CTrackSettingsUndo::CTrackSettingsUndo(const CTrackSettingsUndo& other)
    : CUndoAtom(other), m_track(other.m_track), m_before(other.m_before), m_after(other.m_after) {
    m_track->AddRef();
}

CTrackSettingsUndo::~CTrackSettingsUndo() {
    m_track->DeleteRefObject();
}

std::unique_ptr<CUndoAtom> CTrackSettingsUndo::Clone() const {
    return std::make_unique<CTrackSettingsUndo>(*this);
}

void CTrackSettingsUndo::Restore(bool redo) {
    m_track->ApplySettings(redo ? m_after : m_before);
}
