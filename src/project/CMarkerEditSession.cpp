#include "project/CMarkerEditSession.h"

#include "gui/MessageBoxes.h"
#include "project/CProject.h"
#include "project/CTimeGridUndo.h"
#include "project/ProjectNotifications.h"
#include "support/CUndoMgr.h"
#include "support/CUndoStep.h"
#include "timeline/CTimeGrid.h"

#include <algorithm>
#include <cmath>

CMarkerEditSession::~CMarkerEditSession() {
    if (m_open)
        Cancel();
}

bool CMarkerEditSession::BeginAdd(double realMs) {
    MarkerRecord marker;
    marker.time = static_cast<int32_t>(std::lround(std::max(0.0, realMs)));
    marker.tempoEvent.time = marker.time;
    marker.colour = kNewMarkerColour;
    marker.tempoEvent.setting = 1;
    if (!m_project.Markers().Add(marker)) {
        ShowMessage(nullptr, "MDT_TimeUnavail_Body", MB_OK | MB_ICONEXCLAMATION,
                    "MDT_TimeUnavail_Title");
        return false;
    }
    m_saved = m_working = marker;
    m_open = m_adding = true;
    Refresh();
    return true;
}

bool CMarkerEditSession::BeginEdit(int index) {
    if (index < 0 || index >= m_project.Markers().Count())
        return false;
    m_saved = m_working = m_project.Markers().At(index);
    m_open = true;
    m_adding = false;
    return true;
}

int CMarkerEditSession::Index() const {
    return m_project.Markers().IndexAt(m_working.tempoEvent.time);
}

bool CMarkerEditSession::Apply(const MarkerRecord& changed) {
    const int index = Index();
    // The start marker stays where it is.
    MarkerRecord next = changed;
    if (m_working.IsStartMarker()) {
        next.time = 0;
        next.tempoEvent.time = 0.0;
    }
    if (index < 0 || !m_project.Markers().Replace(index, next)) {
        if (index >= 0)
            m_working = m_project.Markers().At(index);
        return false;
    }
    m_working = next;
    Refresh();
    return true;
}

bool CMarkerEditSession::MoveTo(double realMs) {
    MarkerRecord moved = m_working;
    moved.time = static_cast<int32_t>(std::lround(std::max(0.0, realMs)));
    moved.tempoEvent.time = moved.time;
    if (Apply(moved))
        return true;
    ShowMessage(nullptr, "MDT_TimeUnavail_Body", MB_OK | MB_ICONEXCLAMATION,
                "MDT_TimeUnavail_Title");
    return false;
}

void CMarkerEditSession::Finish() {
    if (!m_open)
        return;
    m_open = false;
    CUndoStep step(m_undo);
    if (m_adding)
        m_undo.AddUndoNode(
            CTimeGridUndo(m_project, CTimeGridUndo::kAdded, MarkerRecord{}, m_working));
    else if (m_working.time != m_saved.time || m_working.name != m_saved.name ||
             m_working.colour != m_saved.colour || m_working.cdTrack != m_saved.cdTrack ||
             m_working.isrc != m_saved.isrc || !(m_working.tempoEvent == m_saved.tempoEvent))
        m_undo.AddUndoNode(CTimeGridUndo(m_project, CTimeGridUndo::kChanged, m_saved, m_working));
    else
        return;
    m_undo.SetDirty(true);
}

void CMarkerEditSession::Cancel() {
    if (!m_open)
        return;
    m_open = false;
    const int index = Index();
    if (m_adding)
        m_project.Markers().Remove(index);
    else
        m_project.Markers().Replace(index, m_saved);
    m_working = m_saved;
    Refresh();
}

void CMarkerEditSession::Refresh() {
    m_project.TimeGrid().SyncMarkers();
    m_project.SendNotification(kNotifyTempoChange, nullptr);
}
