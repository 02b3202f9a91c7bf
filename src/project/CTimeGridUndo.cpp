#include "project/CTimeGridUndo.h"

#include "project/CProject.h"
#include "project/ProjectNotifications.h"
#include "timeline/CTimeGrid.h"

CTimeGridUndo::CTimeGridUndo(CProject& project, Kind kind, const MarkerRecord& before,
                             const MarkerRecord& after)
    : m_project(project), m_kind(kind), m_before(before), m_after(after) {}

std::unique_ptr<CUndoAtom> CTimeGridUndo::Clone() const {
    return std::make_unique<CTimeGridUndo>(*this);
}

void CTimeGridUndo::Restore(bool redo) {
    switch (m_kind) {
    case kAdded:
        redo ? Put(m_after) : Take(m_after);
        break;
    case kRemoved:
        redo ? Take(m_before) : Put(m_before);
        break;
    case kChanged:
        redo ? Rewrite(m_before, m_after) : Rewrite(m_after, m_before);
        break;
    }
    // The ruler shows the markers anew and the clips follow the tempo.
    m_project.TimeGrid().SyncMarkers();
    m_project.SendNotification(kNotifyTempoChange, nullptr);
}

void CTimeGridUndo::Put(const MarkerRecord& marker) {
    m_project.Markers().Add(marker);
}

void CTimeGridUndo::Take(const MarkerRecord& marker) {
    CProjectMarkers& markers = m_project.Markers();
    markers.Remove(markers.IndexAt(marker.tempoEvent.time));
}

void CTimeGridUndo::Rewrite(const MarkerRecord& from, const MarkerRecord& to) {
    CProjectMarkers& markers = m_project.Markers();
    markers.Replace(markers.IndexAt(from.tempoEvent.time), to);
}
