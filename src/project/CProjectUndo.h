#pragma once

#include "support/CUndoAtom.h"

#include <cstdint>

class CProject;

// A change of the project as a whole: the envelope type every clip shows,
// or a marker around the records of an edit that says when the track area
// must be laid out again or the clip selection rebuilt. Records of the last
// kinds go before and after the clip records of one step, so that the work
// is done last whichever way the step is replayed.
class CProjectUndo : public CUndoAtom {
public:
    enum Kind : int32_t {
        // before and after: the shown envelope type.
        kEnvelopeType = 0,
        // Undo and redo lay the track area out again.
        kLayOut = 1,
        // Undo rebuilds the clip selection over all tracks.
        kSelectionOnUndo = 2,
        // Redo rebuilds the clip selection over all tracks.
        kSelectionOnRedo = 3,
    };

    CProjectUndo(CProject& project, Kind kind, int32_t before = 0, int32_t after = 0);

    std::unique_ptr<CUndoAtom> Clone() const override;
    void Restore(bool redo) override;

private:
    CProject& m_project;
    Kind m_kind;
    int32_t m_before;
    int32_t m_after;
};
