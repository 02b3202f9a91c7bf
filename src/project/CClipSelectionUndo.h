#pragma once

#include "support/CUndoAtom.h"

#include <vector>

class CClip;
class CClipSelection;
class CProject;

// A change of which clips are selected. Holds a reference on every clip it
// names, so a clip that an edit removed is still there to be selected again
// once the edit is undone.
class CClipSelectionUndo : public CUndoAtom {
public:
    // The selected clips with the details clip last, the order in which
    // selecting them again leaves the same details clip.
    static std::vector<CClip*> Snapshot(const CClipSelection& selection);

    CClipSelectionUndo(CProject& project, std::vector<CClip*> before, std::vector<CClip*> after);
    CClipSelectionUndo(const CClipSelectionUndo& other);
    CClipSelectionUndo& operator=(const CClipSelectionUndo&) = delete;
    ~CClipSelectionUndo() override;

    std::unique_ptr<CUndoAtom> Clone() const override;
    void Restore(bool redo) override;

private:
    void HoldAll();

    CProject& m_project;
    std::vector<CClip*> m_before;
    std::vector<CClip*> m_after;
};
