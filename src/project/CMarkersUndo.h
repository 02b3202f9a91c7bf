#pragma once

#include "project/MarkerRecord.h"
#include "support/CUndoAtom.h"

#include <vector>

class CProjectMarkers;

// A change of the project's markers: undo and redo bring back all markers
// as they were before or after.
class CMarkersUndo : public CUndoAtom {
public:
    CMarkersUndo(CProjectMarkers& markers, std::vector<MarkerRecord> before,
                 std::vector<MarkerRecord> after);

    std::unique_ptr<CUndoAtom> Clone() const override;
    void Restore(bool redo) override;

private:
    CProjectMarkers& m_markers;
    std::vector<MarkerRecord> m_before;
    std::vector<MarkerRecord> m_after;
};
