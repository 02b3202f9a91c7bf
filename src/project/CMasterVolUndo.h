#pragma once

#include "support/CUndoAtom.h"

class CProject;

// A change of the master volume (1.0 unity).
class CMasterVolUndo : public CUndoAtom {
public:
    CMasterVolUndo(CProject& project, double before, double after);

    std::unique_ptr<CUndoAtom> Clone() const override;
    void Restore(bool redo) override;

private:
    CProject& m_project;
    double m_before;
    double m_after;
};
