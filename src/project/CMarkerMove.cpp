#include "project/CMarkerMove.h"

#include "engine/TempoMap.h"
#include "project/CProject.h"
#include "project/CTimeGridUndo.h"
#include "project/ProjectNotifications.h"
#include "support/CUndoMgr.h"
#include "support/CUndoStep.h"
#include "timeline/CTimeGrid.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

bool CMarkerMove::MoveTo(int index, double realMs) {
    const CProjectMarkers& markers = m_project.Markers();
    if (index <= 0 || index >= markers.Count() || !std::isfinite(realMs))
        return false;
    double target = std::max(realMs, 0.0);
    if (markers.At(index).tempoEvent.timeSigChange)
        target = BarLineWithout(index, target);
    const auto time = static_cast<int32_t>(std::lround(target));
    if (time <= 0 || time == markers.At(index).time)
        return false;
    CUndoStep step(m_undo);
    if (!Relocate(index, time))
        return false;
    PutLaterSignaturesOnBarLines(time);
    m_undo.SetDirty(true);
    ShowChanges();
    return true;
}

bool CMarkerMove::Remove(int index) {
    CProjectMarkers& markers = m_project.Markers();
    if (index <= 0 || index >= markers.Count())
        return false;
    const MarkerRecord before = markers.At(index);
    if (!markers.Remove(index))
        return false;
    CUndoStep step(m_undo);
    m_undo.AddUndoNode(CTimeGridUndo(m_project, CTimeGridUndo::kRemoved, before, MarkerRecord{}));
    // Without it, the bar lines after it may have moved.
    PutLaterSignaturesOnBarLines(before.time);
    m_undo.SetDirty(true);
    ShowChanges();
    return true;
}

double CMarkerMove::BarLineWithout(int index, double realMs) const {
    TempoMap without = m_project.GetTempoMap();
    TempoEvent event;
    if (!without.GetEvent(index, &event))
        return realMs;
    event.timeSigChange = false;
    without.ReplaceEvent(index, event);
    return CTimeGrid::SnapToMeasure(without, realMs);
}

bool CMarkerMove::Relocate(int index, int32_t time) {
    CProjectMarkers& markers = m_project.Markers();
    if (markers.IndexAt(time) >= 0)
        return false;
    const MarkerRecord before = markers.At(index);
    MarkerRecord moved = before;
    moved.time = time;
    moved.tempoEvent.time = time;
    if (!markers.Replace(index, moved))
        return false;
    m_undo.AddUndoNode(CTimeGridUndo(m_project, CTimeGridUndo::kChanged, before, moved));
    return true;
}

void CMarkerMove::PutLaterSignaturesOnBarLines(int32_t after) {
    CProjectMarkers& markers = m_project.Markers();
    std::vector<int32_t> times;
    for (const MarkerRecord& marker : markers.All())
        if (marker.time > after && marker.tempoEvent.timeSigChange)
            times.push_back(marker.time);
    // In time order, so that the bar lines each one goes by are final; a
    // marker that moves may change places, so each is found by its time.
    for (const int32_t time : times) {
        const int index = markers.IndexAt(time);
        if (index <= 0)
            continue;
        const auto barLine = static_cast<int32_t>(std::lround(BarLineWithout(index, time)));
        if (barLine > 0 && barLine != time)
            Relocate(index, barLine);
    }
}

void CMarkerMove::ShowChanges() {
    m_project.TimeGrid().SyncMarkers();
    m_project.SendNotification(kNotifyTempoChange, nullptr);
}
