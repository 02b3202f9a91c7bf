#include "project/CProjectRuler.h"

#include "engine/CPCMMixer.h"
#include "project/CClip.h"
#include "project/CMarkerDialog.h"
#include "project/CProject.h"
#include "project/CTrack.h"
#include "support/CUndoStep.h"
#include "timeline/CTrackMarker.h"

#include <algorithm>
#include <vector>

int32_t CProjectRuler::CurrentMsPerPixel() const {
    return m_project.MsPerPixel();
}

const TempoMap& CProjectRuler::GetTempoMap() const {
    return m_project.GetTempoMap();
}

// A take stands in the document as its recording clips from its start to
// its end, so they tell whether one runs.
bool CProjectRuler::IsRecording() const {
    for (int index = 0; index < m_project.GetNumTracks(); ++index) {
        const std::vector<CClip*>& clips = m_project.GetTrack(index)->Clips();
        if (std::any_of(clips.begin(), clips.end(),
                        [](const CClip* clip) { return clip->IsRecording(); }))
            return true;
    }
    return false;
}

bool CProjectRuler::IsPlaying() const {
    return m_mixer.Playing();
}

void CProjectRuler::MovePlaybackMarker(double ms) {
    m_mixer.SetPositionMs(std::max(0.0, ms));
}

void CProjectRuler::RelocatePlayback(double ms) {
    m_mixer.SetPositionMs(std::max(0.0, ms));
}

void CProjectRuler::ClearTimeSelection() {
    m_project.TimeSelection().Clear();
}

void CProjectRuler::SelectTimeOnRuler(int32_t fromX, int32_t toX) {
    m_project.TimeSelection().DragOnRuler(fromX, toX);
}

void CProjectRuler::BeginUndoSet() {
    // A step that closes at once ends the set that is open, so that the
    // marker edit the ruler starts next cannot join the edit before it.
    CUndoStep boundary(m_undo);
}

void CProjectRuler::OpenNewMarkerDialog(double realMs) {
    if (VRGuiWindow* owner = m_project.DialogOwner())
        CMarkerDialog::RunAdd(m_project, m_undo, owner, realMs);
}

void CProjectRuler::OpenMarkerDialog(int index) {
    if (VRGuiWindow* owner = m_project.DialogOwner())
        CMarkerDialog::RunEdit(m_project, m_undo, owner, index);
}

void CProjectRuler::OpenMarkerWizard() {
    m_project.OpenMarkerWizard();
}

void CProjectRuler::MoveMarker(int index, double realMs) {
    m_markerMove.MoveTo(index, realMs);
}

void CProjectRuler::RemoveMarker(int index) {
    m_markerMove.Remove(index);
}

void CProjectRuler::SetTimeLineMode(int32_t mode) {
    m_project.SetTimeLineMode(mode);
}

void CProjectRuler::InvalidateTrackBodies() {
    m_project.InvalidateTrackBodies();
}

bool CProjectRuler::GetMarkerLook(int index, TrackMarkerLook& look) const {
    const CProjectMarkers& markers = m_project.Markers();
    if (index < 0 || index >= markers.Count())
        return false;
    const MarkerRecord& marker = markers.At(index);
    look.name = marker.name;
    look.colour = marker.colour;
    look.cdTrack = marker.cdTrack;
    return true;
}
