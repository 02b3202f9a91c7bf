#include "project/CClipDrag.h"

#include "engine/CPCMMixer.h"
#include "engine/TempoMap.h"
#include "project/CAudioTrack.h"
#include "project/CClip.h"
#include "project/CMIDITrack.h"
#include "project/CProject.h"
#include "project/CTrack.h"
#include "project/CTrackBody.h"
#include "support/CUndoMgr.h"
#include "support/Log.h"

#include <algorithm>
#include <cmath>

void CClipDrag::Begin() {
    m_entries.clear();
    for (CClip* clip : m_project.Selection().Clips()) {
        if (clip->IsLocked() || !clip->GetTrack() || clip->IsRecording())
            continue;
        const CTrackBody* body = clip->GetTrack()->GetBody();
        clip->AddRef();
        m_entries.push_back({clip, clip->GetX(), body ? body->GetY() : 0});
    }
}

double CClipDrag::TimeShift(int32_t dx) const {
    if (!m_current || !m_moved || !m_current->GetTrack())
        return 0.0;
    const int32_t msPerPixel = m_project.MsPerPixel();
    const auto xAtPress = static_cast<int32_t>(m_current->GetHeardStartMs() / msPerPixel);
    const int32_t x = std::max(0, xAtPress + dx);
    // The clip's beat point (its start plus its beat offset) lands on the grid.
    const double beat = m_current->GetBeatOffset();
    const double snapped = std::max(
        0.0, m_project.SnapAdjustedTime(static_cast<double>(x) * msPerPixel + beat) - beat);
    return m_project.GetTempoMap().GetRealTime(snapped) - m_current->GetStartMs();
}

void CClipDrag::Limit(double& shift, int32_t& dy) const {
    for (const Entry& entry : m_entries) {
        shift = std::max(shift, -entry.clip->GetStartMs());
        dy = std::max(dy, -entry.y);
    }
}

CTrack* CClipDrag::TrackAt(int32_t y, int32_t height) const {
    // The track under the clip's vertical middle.
    const int32_t middle = y + height / 2;
    for (int index = 0; index < m_project.GetNumTracks(); ++index) {
        CTrack* track = m_project.GetTrack(index);
        const CTrackBody* body = track->GetBody();
        if (body && middle >= body->GetY() && middle < body->GetY() + track->GetHeight())
            return track;
    }
    return nullptr;
}

void CClipDrag::Drop(const Entry& entry, double timeMs, int32_t y, bool& trackChanged) {
    CClip* clip = entry.clip;
    CTrack* source = clip->GetTrack();
    CTrack* target = TrackAt(y, clip->GetHeight());
    if (!target) {
        target = clip->GetClipKind() == ClipKind::kMidi
                     ? static_cast<CTrack*>(m_project.AddMIDITrack(-1, true))
                     : static_cast<CTrack*>(m_project.AddAudioTrack(-1, true));
    }
    const bool wrongKind =
        target && (target->GetKind() == CTrack::kMidi) != (clip->GetClipKind() == ClipKind::kMidi);
    if (!target || wrongKind)
        target = source;
    trackChanged = trackChanged || target != source;
    if (!target || !target->AddClip(clip, timeMs, false))
        source->ShowClip(clip);
    clip->EndChange();
}

void CClipDrag::Place(const Entry& entry, double shift, int32_t dy, int32_t phase,
                      bool& trackChanged) {
    CClip* clip = entry.clip;
    const int32_t y = entry.y + dy;
    const double t = std::max(0.0, clip->GetStartMs() + shift);
    const auto x = static_cast<int32_t>(m_project.GetTempoMap().GetTempoAdjustedTime(t) /
                                        m_project.MsPerPixel());
    VRGuiContainer& floor = m_project.TrackBodies();
    switch (phase) {
    case kFirstMove:
        clip->BeginChange();
        if (VRGuiContainer* parent = clip->GetParent())
            parent->RemoveChild(clip);
        floor.AddChild(clip, x, y);
        clip->SetZOrder(kFloatingZOrder);
        break;
    case kLaterMove:
        clip->SetPosition(x, y);
        break;
    case kRelease:
        clip->SetZOrder(kDefaultZOrder);
        Drop(entry, t, y, trackChanged);
        break;
    default:
        break;
    }
}

void CClipDrag::Handle(int32_t dx, int32_t dy, int32_t phase) {
    if (phase == kFirstMove) {
        Log("CProject::HandleDraggingClips() START OF DRAG ");
        m_startDx = dx;
        m_moved = false;
        Begin();
    } else if (dx != m_startDx) {
        m_moved = true;
    }
    if (m_entries.empty())
        return;
    double shift = TimeShift(dx);
    Limit(shift, dy);
    bool trackChanged = false;
    for (const Entry& entry : m_entries)
        Place(entry, shift, dy, phase, trackChanged);
    if (phase != kRelease)
        return;
    for (const Entry& entry : m_entries) {
        if (entry.clip->GetTrack() && entry.clip->IsSelected())
            entry.clip->SetZOrder(CClipSelection::kSelectedZOrder);
        entry.clip->DeleteRefObject();
    }
    m_entries.clear();
    // The track the pressed clip landed on is the one the user works on now.
    if (m_current && m_current->GetTrack())
        m_project.SelectTrack(m_current->GetTrack()->GetIndex(), false);
    m_project.RecomputeScrollRanges(true, true);
    Log("CProject::HandleDraggingClips() END OF DRAG! ");
}
