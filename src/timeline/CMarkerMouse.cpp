#include "timeline/CMarkerMouse.h"

#include "engine/TempoMap.h"
#include "gui/GuiMenu.h"
#include "gui/GuiPopupMenu.h"
#include "gui/VRGuiWindow.h"
#include "support/LocalizedStrings.h"
#include "timeline/CTimeGrid.h"
#include "timeline/CTrackMarker.h"
#include "timeline/TimeGridHost.h"

#include <cmath>
#include <cstdlib>
#include <string>

int CMarkerMouse::FlagAt(GuiPoint p) const {
    // Later markers lie over earlier ones.
    for (int i = m_grid.MarkerCount(); i-- > 0;) {
        const CTrackMarker& marker = *m_grid.GetMarker(i);
        const int32_t flagWidth = marker.FlagWidth();
        if (marker.IsVisible() && flagWidth > 0 && p.x >= marker.GetX() &&
            p.x < marker.GetX() + flagWidth && p.y >= marker.GetY() &&
            p.y < marker.GetY() + marker.GetHeight())
            return i;
    }
    return -1;
}

bool CMarkerMouse::Press(int index, int32_t x) {
    const CTrackMarker* marker = m_grid.GetMarker(index);
    if (index <= 0 || !marker)
        return false;
    m_index = index;
    m_pressX = x;
    m_xAtPress = marker->GetX();
    m_moved = false;
    return true;
}

double CMarkerMouse::DraggedHeardTime(int32_t x) const {
    // The flag keeps its place under the pointer.
    const int32_t left = std::max(m_xAtPress + (x - m_pressX), 0);
    return m_grid.SnapAdjusted(false, 0, double(int64_t(left) * m_grid.GetMsPerPixel()));
}

double CMarkerMouse::HeardTimeOf(int index) const {
    const CTrackMarker* marker = m_grid.GetMarker(index);
    return marker ? m_host.GetTempoMap().GetTempoAdjustedTime(marker->GetTime()) : 0.0;
}

void CMarkerMouse::Move(int32_t x) {
    CTrackMarker* marker = m_grid.GetMarker(m_index);
    if (!marker)
        return;
    // A few pixels of slack keep a click a click.
    if (!m_moved && std::abs(x - m_pressX) <= CTimeGrid::kDragSlack)
        return;
    m_moved = true;
    const auto newX = int32_t(std::trunc(DraggedHeardTime(x) / m_grid.GetMsPerPixel()));
    if (newX == marker->GetX())
        return;
    marker->SetPosition(newX, marker->GetY());
    m_grid.Invalidate(nullptr);
    // The marker's line across the tracks moves with it.
    m_host.InvalidateTrackBodies();
}

void CMarkerMouse::Release(int32_t x) {
    const int index = m_index;
    const bool moved = m_moved;
    m_index = -1;
    m_moved = false;
    if (index <= 0)
        return;
    if (!moved) {
        PutPlaybackAt(HeardTimeOf(index));
        return;
    }
    const double realMs = m_host.GetTempoMap().GetRealTime(DraggedHeardTime(x));
    // The document refuses or keeps the move; either way the markers are
    // placed from the tempo map again.
    m_host.MoveMarker(index, m_grid.Snap(false, 0, realMs));
    m_grid.SyncMarkers();
    m_grid.RebuildTicks();
    m_host.InvalidateTrackBodies();
}

void CMarkerMouse::PutPlaybackAt(double heardMs) {
    if (m_host.IsRecording())
        return;
    if (m_host.IsPlaying())
        m_host.RelocatePlayback(heardMs);
    else
        m_host.MovePlaybackMarker(heardMs);
}

void CMarkerMouse::RunMenu(int index, GuiPoint p) {
    VRGuiWindow* window = m_grid.GetWindow();
    if (!window || !m_grid.GetMarker(index))
        return;
    GuiMenu menu;
    menu.AddItem(kPlayFromHere, MyLoadString("MarkerMenuItem0"));
    menu.AddItem(kEdit, MyLoadString("MarkerMenuItem1"));
    menu.AddSeparator();
    menu.AddItem(kRemove, MyLoadString("MarkerMenuItem3"));
    menu.Enable(kPlayFromHere, !m_host.IsRecording());
    // The start marker stays.
    menu.Enable(kRemove, index > 0);
    const GuiPoint at = m_grid.LocalToAbsPoint(p);
    GuiPopupMenu popup(menu);
    RunCommand(index, popup.Run(window, at.x, at.y));
}

void CMarkerMouse::RunCommand(int index, int32_t command) {
    if (!m_grid.GetMarker(index))
        return;
    switch (command) {
    case kPlayFromHere:
        PutPlaybackAt(HeardTimeOf(index));
        break;
    case kEdit:
        m_host.BeginUndoSet();
        m_host.OpenMarkerDialog(index);
        break;
    case kRemove:
        if (index > 0)
            m_host.RemoveMarker(index);
        break;
    default:
        break;
    }
}
