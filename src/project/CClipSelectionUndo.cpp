#include "project/CClipSelectionUndo.h"

#include "project/CClip.h"
#include "project/CClipSelection.h"
#include "project/CProject.h"

#include <algorithm>

std::vector<CClip*> CClipSelectionUndo::Snapshot(const CClipSelection& selection) {
    std::vector<CClip*> clips = selection.Clips();
    const auto details = std::find(clips.begin(), clips.end(), selection.DetailsClip());
    if (details != clips.end())
        std::rotate(details, details + 1, clips.end());
    return clips;
}

CClipSelectionUndo::CClipSelectionUndo(CProject& project, std::vector<CClip*> before,
                                       std::vector<CClip*> after)
    : m_project(project), m_before(std::move(before)), m_after(std::move(after)) {
    HoldAll();
}

CClipSelectionUndo::CClipSelectionUndo(const CClipSelectionUndo& other)
    : CUndoAtom(other), m_project(other.m_project), m_before(other.m_before),
      m_after(other.m_after) {
    HoldAll();
}

CClipSelectionUndo::~CClipSelectionUndo() {
    for (std::vector<CClip*>* clips : {&m_before, &m_after})
        for (CClip* clip : *clips)
            clip->DeleteRefObject();
}

void CClipSelectionUndo::HoldAll() {
    for (std::vector<CClip*>* clips : {&m_before, &m_after})
        for (CClip* clip : *clips)
            clip->AddRef();
}

std::unique_ptr<CUndoAtom> CClipSelectionUndo::Clone() const {
    return std::make_unique<CClipSelectionUndo>(*this);
}

void CClipSelectionUndo::Restore(bool redo) {
    m_project.SelectAllClips(-1, false);
    // A clip that is no longer on a track cannot be selected.
    for (CClip* clip : redo ? m_after : m_before)
        if (clip->GetTrack())
            m_project.SelectClip(clip, true);
}
