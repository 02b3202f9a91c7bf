#include "project/CClipNavigation.h"

#include "engine/TempoMap.h"
#include "project/CAudioTrack.h"
#include "project/CClip.h"
#include "project/CMIDITrack.h"
#include "project/CProject.h"
#include "project/CProjectUndo.h"
#include "project/CTrack.h"
#include "project/CTrackBody.h"
#include "support/CUndoMgr.h"
#include "support/CUndoStep.h"
#include "support/Log.h"
#include "timeline/CTimeGrid.h"

#include <algorithm>
#include <vector>

void CClipNavigation::SelectNextClip(int32_t direction) {
    Log("CProject::SelectNextClip() ENTER");
    m_project.Selection().DropClipsOffTracks();
    CClip* start =
        m_project.Selection().IsEmpty() ? nullptr : m_project.Selection().Clips().front();
    if (start)
        start->AddRef();
    m_project.SelectAllClips(-1, false);
    CClip* found = FindNextClip(start, direction >= 0);
    if (start)
        start->DeleteRefObject();
    if (found) {
        m_project.SelectClip(found, false);
        ScrollToClip(*found);
    }
    Log("CProject::SelectNextClip() EXIT");
}

CClip* CClipNavigation::FindNextClip(CClip* start, bool forward) const {
    const int count = m_project.GetNumTracks();
    const CTrack* startTrack = start ? start->GetTrack() : nullptr;
    // Twice round when starting from a clip, so the walk wraps.
    const int steps = startTrack ? 2 * count : count;
    const int first = startTrack ? startTrack->GetIndex() : (forward ? 0 : count - 1);
    bool looking = startTrack != nullptr;
    for (int step = 0; step < steps; ++step) {
        // The first round starts at the clip's track, the second at the
        // first track (the last, going backwards).
        int index = forward ? first + step : first - step;
        if (step >= count)
            index = forward ? step - count : count - 1 - (step - count);
        if (index < 0 || index >= count)
            continue;
        const CTrack* track = m_project.GetTrack(index);
        const std::vector<CClip*>& clips = track->Clips();
        if (track->IsFrozen() || clips.empty())
            continue;
        int candidate = forward ? 0 : static_cast<int>(clips.size()) - 1;
        if (looking) {
            const auto at = std::find(clips.begin(), clips.end(), start);
            if (at == clips.end())
                continue;
            looking = false;
            candidate = static_cast<int>(at - clips.begin()) + (forward ? 1 : -1);
            if (candidate < 0 || candidate >= static_cast<int>(clips.size()))
                continue;
        }
        if (!clips[static_cast<size_t>(candidate)]->IsRecording())
            return clips[static_cast<size_t>(candidate)];
    }
    return nullptr;
}

void CClipNavigation::ScrollToClip(const CClip& clip) {
    const int32_t x = clip.GetX();
    const int32_t scrollX = m_project.GetTimelineScrollX();
    if (x < scrollX || x > scrollX + m_project.GetViewWidth())
        m_project.SetHorizontalScroll(x);
    const CTrackBody* body = clip.GetTrack() ? clip.GetTrack()->GetBody() : nullptr;
    const int32_t y = body ? body->GetY() : 0;
    LogFmt("relativeClipY = %d", y);
    const int32_t scrollY = m_project.GetTracksScrollY();
    const int32_t view = m_project.GetTracksViewHeight();
    if (y <= scrollY)
        m_project.SetVerticalScroll(std::max(0, y));
    else if (y + 3 * clip.GetHeight() >= scrollY + view)
        m_project.SetVerticalScroll(std::max(0, y + 3 * clip.GetHeight() - view));
}

double CClipNavigation::NudgedShift(const CClip& clip, double xDeltaMs, bool useSnap) const {
    const TempoMap& tempo = m_project.GetTempoMap();
    if (useSnap && xDeltaMs != 0 && m_project.GetSnapLevel() != 0) {
        // The beat point moves one grid step and lands on the grid.
        const double beat = clip.GetStartMs() + clip.GetBeatOffset();
        return m_project.TimeGrid().SnapStep(beat, xDeltaMs > 0) - beat;
    }
    const double moved = std::max(0.0, tempo.GetTempoAdjustedTime(clip.GetStartMs()) + xDeltaMs);
    return tempo.GetRealTime(moved) - clip.GetStartMs();
}

CTrack* CClipNavigation::NeighbourTrack(const CClip& clip, int32_t yTrackDelta) {
    CTrack* own = clip.GetTrack();
    if (!own || yTrackDelta == 0)
        return own;
    const int index = own->GetIndex() + (yTrackDelta > 0 ? 1 : -1);
    if (index < 0)
        return own;
    if (CTrack* track = m_project.GetTrack(index))
        return track;
    return clip.GetClipKind() == ClipKind::kMidi
               ? static_cast<CTrack*>(m_project.AddMIDITrack(-1, true))
               : static_cast<CTrack*>(m_project.AddAudioTrack(-1, true));
}

void CClipNavigation::MoveClips(double xDeltaMs, int32_t yTrackDelta, bool useSnap) {
    LogFmt("xDelta=%d yTrackDelta=%d bUseSnap=%d", static_cast<int>(xDeltaMs), yTrackDelta,
           useSnap ? 1 : 0);
    m_project.Selection().DropClipsOffTracks();
    const CClip* details = m_project.Selection().DetailsClip();
    double shift = details ? NudgedShift(*details, xDeltaMs, useSnap) : 0.0;
    std::vector<CClip*> movable;
    for (CClip* clip : m_project.Selection().Clips())
        if (!clip->IsLocked() && !clip->IsRecording() && clip->GetTrack())
            movable.push_back(clip);
    for (const CClip* clip : movable)
        shift = std::max(shift, -clip->GetStartMs());
    if (movable.empty() || (shift == 0.0 && yTrackDelta == 0))
        return;
    CUndoStep step(m_undo);
    bool moved = false;
    for (CClip* clip : movable) {
        CTrack* target = NeighbourTrack(*clip, yTrackDelta);
        const bool sameKind = target && (target->GetKind() == CTrack::kMidi) ==
                                            (clip->GetClipKind() == ClipKind::kMidi);
        if (!sameKind)
            target = clip->GetTrack();
        const CTrack* from = clip->GetTrack();
        const double startMs = clip->GetStartMs();
        clip->BeginChange();
        target->AddClip(clip, startMs + shift, false);
        // The track area is laid out after the clips whichever way the step
        // is replayed: one record before the first clip's, one after the last.
        if (!moved && (clip->GetTrack() != from || clip->GetStartMs() != startMs)) {
            m_undo.AddUndoNode(CProjectUndo(m_project, CProjectUndo::kLayOut));
            moved = true;
        }
        clip->EndChange();
    }
    if (moved)
        m_undo.AddUndoNode(CProjectUndo(m_project, CProjectUndo::kLayOut));
    m_undo.SetDirty(true);
    m_project.RecomputeScrollRanges(true, true);
    if (details && details->GetTrack())
        m_project.SelectTrack(details->GetTrack()->GetIndex(), false);
    if (details)
        ScrollToClip(*details);
}

void CClipNavigation::MoveCaret(double xDeltaMs, int32_t yTrackDelta, bool useSnap) {
    LogFmt("xDelta=%d yTrackDelta=%d bUseSnap=%d", static_cast<int>(xDeltaMs), yTrackDelta,
           useSnap ? 1 : 0);
    double caret = std::max(0.0, m_project.GetCaretTime() + xDeltaMs);
    if (useSnap && xDeltaMs != 0 && m_project.GetSnapLevel() != 0) {
        const TempoMap& tempo = m_project.GetTempoMap();
        caret = tempo.GetTempoAdjustedTime(m_project.TimeGrid().SnapStep(
            tempo.GetRealTime(m_project.GetCaretTime()), xDeltaMs > 0));
    }
    m_project.MoveCaretAndPlayback(caret);
    if (yTrackDelta != 0 && m_project.GetNumTracks() > 0) {
        const int index = std::clamp(m_project.GetLastSelectedTrack() + (yTrackDelta > 0 ? 1 : -1),
                                     0, m_project.GetNumTracks() - 1);
        m_project.SelectTrack(index, false);
    }
}
