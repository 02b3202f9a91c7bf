#include "support/CUndoStep.h"

#include "support/CUndoMgr.h"

CUndoStep::CUndoStep(CUndoMgr& undo) : m_undo(undo) {
    m_undo.OpenStep();
}

CUndoStep::~CUndoStep() {
    m_undo.CloseStep();
}
