#include "project/CProjectUndo.h"

#include "project/CProject.h"

CProjectUndo::CProjectUndo(CProject& project, Kind kind, int32_t before, int32_t after)
    : m_project(project), m_kind(kind), m_before(before), m_after(after) {}

std::unique_ptr<CUndoAtom> CProjectUndo::Clone() const {
    return std::make_unique<CProjectUndo>(*this);
}

void CProjectUndo::Restore(bool redo) {
    switch (m_kind) {
    case kEnvelopeType:
        m_project.SetMasterEnvelopeType(redo ? m_after : m_before);
        break;
    case kLayOut:
        m_project.LayOutTrackArea();
        break;
    case kSelectionOnUndo:
        if (!redo)
            m_project.RebuildClipSelection();
        break;
    case kSelectionOnRedo:
        if (redo)
            m_project.RebuildClipSelection();
        break;
    }
}
