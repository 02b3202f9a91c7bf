#include "project/CTimeSelection.h"

#include "engine/TempoMap.h"
#include "gui/GuiInput.h"
#include "project/CClip.h"
#include "project/CProject.h"
#include "project/CTrack.h"
#include "project/CTrackBody.h"
#include "project/ClipNotifications.h"
#include "timeline/CTrackSelRect.h"

#include <algorithm>
#include <cmath>

double CTimeSelection::SnapEdge(double heardMs) const {
    return heardMs > 0.0 ? std::trunc(m_project.SnapAdjustedTime(heardMs)) : 0.0;
}

bool CTimeSelection::IsActive() const {
    return m_project.SelectionRect().IsActive();
}

std::optional<TimeRange> CTimeSelection::Range() const {
    const CTrackSelRect& rect = m_project.SelectionRect();
    if (!rect.IsActive())
        return std::nullopt;
    return TimeRange{rect.GetStartMs(), rect.GetEndMs()};
}

std::optional<TimeSelectionState> CTimeSelection::State() const {
    const std::optional<TimeRange> range = Range();
    if (!range)
        return std::nullopt;
    return TimeSelectionState{range->startMs, range->endMs, m_topTrack, m_bottomTrack};
}

void CTimeSelection::Set(double startMs, double endMs, int topTrack, int bottomTrack) {
    const int last = m_project.GetNumTracks() - 1;
    if (last < 0)
        return;
    m_topTrack = std::clamp(std::min(topTrack, bottomTrack), 0, last);
    m_bottomTrack = std::clamp(std::max(topTrack, bottomTrack), 0, last);
    const double start = SnapEdge(std::min(startMs, endMs));
    const double end = SnapEdge(std::max(startMs, endMs));
    int32_t top = 0, bottom = 0;
    TrackSpan(top, bottom);
    m_project.SelectionRect().Set(start, end, top, bottom, m_project.MsPerPixel());
}

void CTimeSelection::TrackSpan(int32_t& top, int32_t& bottom) const {
    const CTrackBody* first = m_project.GetTrack(m_topTrack)->GetBody();
    const CTrackBody* last = m_project.GetTrack(m_bottomTrack)->GetBody();
    top = first ? first->GetY() : 0;
    bottom = last ? last->GetY() + last->GetHeight() : top;
}

void CTimeSelection::Clear() {
    m_banded.clear();
    m_project.SelectionRect().Clear();
}

void CTimeSelection::Relayout() {
    if (!IsActive() || m_bottomTrack >= m_project.GetNumTracks())
        return;
    int32_t top = 0, bottom = 0;
    TrackSpan(top, bottom);
    m_project.SelectionRect().Relayout(top, bottom, m_project.MsPerPixel());
}

int CTimeSelection::TrackAtHeight(int32_t y) const {
    const int count = m_project.GetNumTracks();
    for (int index = 0; index < count; ++index) {
        const CTrackBody* body = m_project.GetTrack(index)->GetBody();
        if (body && y < body->GetY() + body->GetHeight())
            return index;
    }
    return count - 1;
}

void CTimeSelection::BeginDrag(uint32_t keys) {
    if (IsActive())
        return;
    m_banded.clear();
    if (!(keys & MK_SHIFT))
        m_project.SelectAllClips(-1, false);
}

void CTimeSelection::Drag(const ClipSelectionDrag& drag) {
    BeginDrag(drag.keys);
    const double msPerPixel = m_project.MsPerPixel();
    const int32_t fromX = std::max(0, drag.pressX);
    const int32_t toX = std::max(0, drag.pressX + drag.dx);
    const int32_t lowest = std::max(0, m_project.Tracks().TotalHeight() - 1);
    const int32_t fromY = std::clamp(drag.pressY, 0, lowest);
    const int32_t toY = std::clamp(drag.pressY + drag.dy, 0, lowest);
    Set(fromX * msPerPixel, toX * msPerPixel, TrackAtHeight(fromY), TrackAtHeight(toY));
    SelectClipsInside();
}

void CTimeSelection::DragOnRuler(int32_t fromX, int32_t toX) {
    BeginDrag(0);
    const double msPerPixel = m_project.MsPerPixel();
    Set(std::max(0, fromX) * msPerPixel, std::max(0, toX) * msPerPixel, 0,
        m_project.GetNumTracks() - 1);
    SelectClipsInside();
}

void CTimeSelection::SelectClipsInside() {
    const std::optional<TimeRange> range = Range();
    if (!range)
        return;
    std::vector<CClip*> inside;
    for (int index = m_topTrack; index <= m_bottomTrack; ++index)
        for (CClip* clip : m_project.GetTrack(index)->Clips()) {
            const double start = clip->GetHeardStartMs();
            if (!clip->IsRecording() && start < range->endMs &&
                range->startMs < start + clip->GetLengthMs())
                inside.push_back(clip);
        }
    // Only pointers are compared: a clip of an earlier drag may be gone.
    for (CClip* clip : m_banded)
        if (std::find(inside.begin(), inside.end(), clip) == inside.end() &&
            m_project.Selection().Contains(clip))
            m_project.DeselectClip(clip);
    for (CClip* clip : inside)
        if (!clip->IsSelected())
            m_project.SelectClip(clip, true);
    m_banded = std::move(inside);
}
