#include "project/CClipSplitJoin.h"

#include "engine/CAudioAtom.h"
#include "engine/TempoMap.h"
#include "project/CAudioClip.h"
#include "project/CClipSelection.h"
#include "project/CClipSelectionUndo.h"
#include "project/CMIDIClip.h"
#include "project/CProject.h"
#include "project/CProjectUndo.h"
#include "project/CTrack.h"
#include "project/WholeFrames.h"
#include "support/CUndoMgr.h"
#include "support/CUndoStep.h"
#include "support/Log.h"

#include <algorithm>
#include <map>
#include <vector>

bool CClipSplitJoin::IsEditable(const CClip& clip) {
    const CTrack* track = clip.GetTrack();
    return track && !track->IsFrozen() && !clip.IsFrozen() && !clip.IsLocked() &&
           !clip.IsRecording();
}

CClip* CClipSplitJoin::CopyPart(const CClip& clip, double fromMs, double toMs) {
    if (const auto* audio = dynamic_cast<const CAudioClip*>(&clip)) {
        // The sound's part is given on its own timeline: its start plus the
        // heard milliseconds into the clip.
        const CAudioAtom* atom = audio->GetEngineAtom();
        if (!atom)
            return nullptr;
        const double start = atom->AbsoluteOffset();
        return new CAudioClip(*audio, start + fromMs, start + toMs);
    }
    if (const auto* midi = dynamic_cast<const CMIDIClip*>(&clip)) {
        // MIDI material counts from the start of the sound's content.
        const double offset = midi->GetOffsetMs();
        return new CMIDIClip(*midi, offset + fromMs, offset + toMs);
    }
    return nullptr;
}

bool CClipSplitJoin::SplitClip(CClip& clip, double atHeardMs) {
    const double heardStart = clip.GetHeardStartMs();
    const double length = clip.GetLengthMs();
    // A whole number of frames into the clip, so that the pieces play on
    // from exactly the frame where the one before stops.
    const double cut = WholeFramesMs(atHeardMs - heardStart);
    if (!(cut > 0.0 && cut < length))
        return false;
    CClip* before = CopyPart(clip, 0.0, cut);
    CClip* after = CopyPart(clip, cut, length);
    CTrack* track = clip.GetTrack();
    bool placed = false;
    if (before && after) {
        // The cut runs through the middle: the fades stay at the outer edges.
        before->SetFadeOutMs(0);
        after->SetFadeInMs(0);
        const double afterStart = m_project.GetTempoMap().GetRealTime(heardStart + cut);
        placed = track->AddClip(before, clip.GetStartMs(), true) &&
                 track->AddClip(after, afterStart, true);
        if (placed)
            track->RemoveClip(&clip, true);
        else {
            track->RemoveClip(before, false);
            track->RemoveClip(after, false);
        }
    }
    // The track holds the pieces it took.
    if (before)
        before->DeleteRefObject();
    if (after)
        after->DeleteRefObject();
    return placed;
}

int CClipSplitJoin::Split(double atHeardMs) {
    Log("CProject::SplitSelectedClips() ENTER");
    CClipSelection& selection = m_project.Selection();
    selection.DropClipsOffTracks();
    std::vector<CClip*> clips;
    for (CClip* clip : selection.Clips())
        if (IsEditable(*clip))
            clips.push_back(clip);
    int split = 0;
    if (!clips.empty()) {
        CUndoStep step(m_undo);
        std::vector<CClip*> selected = CClipSelectionUndo::Snapshot(selection);
        // The selection record holds the clips, so they outlive their removal.
        m_undo.AddUndoNode(CProjectUndo(m_project, CProjectUndo::kLayOut));
        for (CClip* clip : clips)
            clip->AddRef();
        m_project.SelectAllClips(-1, false);
        m_undo.AddUndoNode(CClipSelectionUndo(m_project, selected, {}));
        for (CClip* clip : clips) {
            if (SplitClip(*clip, atHeardMs))
                ++split;
            clip->DeleteRefObject();
        }
        m_undo.AddUndoNode(CProjectUndo(m_project, CProjectUndo::kLayOut));
        m_undo.SetDirty(true);
        m_project.RecomputeScrollRanges(false, true);
    }
    Log("CProject::SplitSelectedClips() EXIT");
    return split;
}

int CClipSplitJoin::Join() {
    Log("CProject::JoinSelectedClips() ENTER");
    CClipSelection& selection = m_project.Selection();
    selection.DropClipsOffTracks();
    std::map<int, std::vector<CClip*>> byTrack;
    for (CClip* clip : selection.Clips())
        if (IsEditable(*clip))
            byTrack[clip->GetTrackIndex()].push_back(clip);
    const TempoMap& tempo = m_project.GetTempoMap();
    int moved = 0;
    CUndoStep step(m_undo);
    for (auto& [index, clips] : byTrack) {
        std::stable_sort(clips.begin(), clips.end(), [](const CClip* a, const CClip* b) {
            return a->GetStartMs() < b->GetStartMs();
        });
        for (size_t i = 1; i < clips.size(); ++i) {
            // Heard time: the clip before ends its heard length after its
            // heard start; the start stored is that point's reference time.
            const CClip& previous = *clips[i - 1];
            const double start =
                tempo.GetRealTime(previous.GetHeardStartMs() + previous.GetLengthMs());
            CClip& clip = *clips[i];
            if (clip.GetStartMs() == start)
                continue;
            if (moved == 0)
                m_undo.AddUndoNode(CProjectUndo(m_project, CProjectUndo::kLayOut));
            clip.BeginChange();
            clip.GetTrack()->AddClip(&clip, start, false);
            clip.EndChange();
            ++moved;
        }
    }
    if (moved > 0) {
        m_undo.AddUndoNode(CProjectUndo(m_project, CProjectUndo::kLayOut));
        m_undo.SetDirty(true);
        m_project.RecomputeScrollRanges(false, true);
    }
    Log("CProject::JoinSelectedClips() EXIT");
    return moved;
}
