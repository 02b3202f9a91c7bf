#include "project/CMasterVolUndo.h"

#include "project/CProject.h"

CMasterVolUndo::CMasterVolUndo(CProject& project, double before, double after)
    : m_project(project), m_before(before), m_after(after) {}

std::unique_ptr<CUndoAtom> CMasterVolUndo::Clone() const {
    return std::make_unique<CMasterVolUndo>(*this);
}

void CMasterVolUndo::Restore(bool redo) {
    m_project.SetMasterVolume(redo ? m_after : m_before, false);
}
