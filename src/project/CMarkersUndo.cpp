#include "project/CMarkersUndo.h"

#include "project/CProjectMarkers.h"

CMarkersUndo::CMarkersUndo(CProjectMarkers& markers, std::vector<MarkerRecord> before,
                           std::vector<MarkerRecord> after)
    : m_markers(markers), m_before(std::move(before)), m_after(std::move(after)) {}

std::unique_ptr<CUndoAtom> CMarkersUndo::Clone() const {
    return std::make_unique<CMarkersUndo>(*this);
}

void CMarkersUndo::Restore(bool redo) {
    m_markers.SetAll(redo ? m_after : m_before);
}
