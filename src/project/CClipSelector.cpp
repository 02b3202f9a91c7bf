#include "project/CClipSelector.h"

#include "project/CClip.h"
#include "project/CClipDrag.h"
#include "project/CClipSelection.h"
#include "project/CClipSelectionUndo.h"
#include "project/CProject.h"
#include "project/CTrack.h"
#include "support/CUndoMgr.h"
#include "support/CUndoStep.h"

#include <vector>

void CClipSelector::SelectClip(CClip* clip, bool extend) {
    if (!extend)
        SelectAllClips(-1, false);
    if (!clip || !m_selection.Add(clip))
        return;
    if (CTrack* track = clip->GetTrack())
        m_project.SelectTrack(track->GetIndex(), false);
    m_drag.SetCurrentClip(clip);
}

void CClipSelector::DeselectClip(CClip* clip) {
    m_selection.Remove(clip);
    if (m_drag.GetCurrentClip() == clip)
        m_drag.SetCurrentClip(nullptr);
}

void CClipSelector::SelectAllClips(int trackIndex, bool select) {
    if (!select) {
        m_selection.Clear();
        m_drag.SetCurrentClip(nullptr);
        return;
    }
    for (int index = 0; index < m_project.GetNumTracks(); ++index) {
        if (trackIndex != -1 && index != trackIndex)
            continue;
        for (CClip* clip : m_project.GetTrack(index)->Clips()) {
            const bool hadDetails = m_selection.DetailsClip() != nullptr;
            CClip* details = m_selection.DetailsClip();
            m_selection.Add(clip);
            // The first clip chosen stays the details clip.
            m_selection.SetDetailsClip(hadDetails ? details : clip);
        }
    }
}

void CClipSelector::RebuildClipSelection() {
    m_selection.DropClipsOffTracks();
    for (int index = 0; index < m_project.GetNumTracks(); ++index)
        for (CClip* clip : m_project.GetTrack(index)->Clips())
            if (clip->IsSelected() && !m_selection.Contains(clip))
                m_selection.Add(clip);
}

void CClipSelector::DeleteSelection() {
    m_selection.DropClipsOffTracks();
    if (m_selection.IsEmpty())
        return;
    // Locked clips stay where they are, and stay selected.
    std::vector<CClip*> clips;
    for (CClip* clip : m_selection.Clips())
        if (!clip->IsLocked())
            clips.push_back(clip);
    if (clips.empty())
        return;
    for (CClip* clip : clips)
        clip->AddRef();
    std::vector<CClip*> selected = CClipSelectionUndo::Snapshot(m_selection);
    for (CClip* clip : clips)
        DeselectClip(clip);
    // One undo step for the whole selection; undo selects the clips again
    // once they are back.
    CUndoStep step(m_undo);
    m_undo.AddUndoNode(CClipSelectionUndo(m_project, std::move(selected),
                                          CClipSelectionUndo::Snapshot(m_selection)));
    for (CClip* clip : clips) {
        if (CTrack* track = clip->GetTrack())
            track->RemoveClip(clip, true);
        clip->DeleteRefObject();
    }
    m_undo.SetDirty(true);
    m_project.RecomputeScrollRanges(false, true);
}
