#include "project/CTrackSettingsUndo.h"

#include "project/CTrack.h"

CTrackSettingsUndo::CTrackSettingsUndo(CTrack* track, const TrackSettings& before,
                                       const TrackSettings& after)
    : m_track(RefPtr<CTrack>::Share(track)), m_before(before), m_after(after) {}

CTrackSettingsUndo::CTrackSettingsUndo(const CTrackSettingsUndo&) = default;

CTrackSettingsUndo::~CTrackSettingsUndo() = default;

std::unique_ptr<CUndoAtom> CTrackSettingsUndo::Clone() const {
    return std::make_unique<CTrackSettingsUndo>(*this);
}

void CTrackSettingsUndo::Restore(bool redo) {
    m_track->ApplySettings(redo ? m_after : m_before);
}
