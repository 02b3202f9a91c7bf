#include "project/CTimeSelectionUndo.h"

#include "project/CProject.h"

CTimeSelectionUndo::CTimeSelectionUndo(CProject& project, std::optional<State> before,
                                       std::optional<State> after)
    : m_project(project), m_before(before), m_after(after) {}

std::unique_ptr<CUndoAtom> CTimeSelectionUndo::Clone() const {
    return std::make_unique<CTimeSelectionUndo>(*this);
}

void CTimeSelectionUndo::Restore(bool redo) {
    const std::optional<State>& state = redo ? m_after : m_before;
    CTimeSelection& selection = m_project.TimeSelection();
    if (state)
        selection.Set(state->startMs, state->endMs, state->topTrack, state->bottomTrack);
    else
        selection.Clear();
}
