#pragma once

#include "support/CUndoAtom.h"

#include "project/CTimeSelection.h"

#include <optional>

class CProject;

// The time selection before and after an edit that ended it (a cut), so
// that undo shows it again.
class CTimeSelectionUndo : public CUndoAtom {
public:
    using State = TimeSelectionState;
    CTimeSelectionUndo(CProject& project, std::optional<State> before, std::optional<State> after);

    std::unique_ptr<CUndoAtom> Clone() const override;
    void Restore(bool redo) override;

private:
    CProject& m_project;
    std::optional<State> m_before;
    std::optional<State> m_after;
};
