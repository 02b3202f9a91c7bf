#include "timeline/CPlaybackIndicator.h"

#include "gui/CImageManager.h"
#include "gui/CSkin.h"
#include "gui/VRGuiWindow.h"
#include "timeline/CColumnLine.h"
#include "timeline/TimelineNotifications.h"

#include <algorithm>
#include <cmath>

CPlaybackIndicator::CPlaybackIndicator() {
    m_colour = CSkin::ColorOf("play indicator color");
    m_top = CImageManager::Instance().Get("play indicator top");
    const int32_t width = m_top && m_top->IsValid() ? std::max(1, m_top->Width()) : 1;
    m_lineOffset = width / 2;
    SetTransparent(true);
    SetZOrder(kZOrder);
    StoreSize(width, kHeight);
}

void CPlaybackIndicator::SetSources(std::function<double()> positionMs,
                                    std::function<int32_t()> msPerPixel) {
    m_positionSource = std::move(positionMs);
    m_msPerPixelSource = std::move(msPerPixel);
}

void CPlaybackIndicator::StartFollowing(uint32_t periodMs) {
    StartTimer(kFollowTimer, periodMs);
}

void CPlaybackIndicator::StopFollowing() {
    KillTimer(kFollowTimer);
}

void CPlaybackIndicator::OnTimer(uint32_t id) {
    if (id == kFollowTimer)
        Update();
    else
        VRGuiObject::OnTimer(id);
}

void CPlaybackIndicator::Update() {
    if (!m_positionSource || !m_msPerPixelSource)
        return;
    const double ms = m_positionSource();
    const double position = std::isfinite(ms) && ms > 0.0 ? ms : 0.0;
    if (position != m_positionMs) {
        m_positionMs = position;
        Notify<kNotifyPosition>(*this, static_cast<intptr_t>(std::min(position, 2e9)));
    }
    const int32_t column = CColumnLine::ColumnOf(m_positionMs, m_msPerPixelSource());
    if (column == m_column && GetX() == column - m_lineOffset)
        return;
    m_column = column;
    SetPosition(column - m_lineOffset, 0);
}

void CPlaybackIndicator::OnDraw(const GuiRect& r) {
    VRGuiWindow* window = GetWindow();
    if (!window)
        return;
    cairo_t* cr = window->GetDrawContext();
    CColumnLine::Draw(cr, m_colour, m_lineOffset, r);
    if (m_top && m_top->IsValid() && r.top < m_top->Height())
        m_top->Draw(cr, 0, 0);
}

std::array<GuiRect, 2> CPlaybackIndicator::DrawnParts() const {
    const int32_t imageHeight = m_top && m_top->IsValid() ? m_top->Height() : 0;
    return {GuiRect{m_lineOffset, 0, m_lineOffset + 1, GetHeight()},
            GuiRect{0, 0, GetWidth(), std::min(imageHeight, GetHeight())}};
}

void CPlaybackIndicator::Invalidate(const GuiRect* r) {
    for (const GuiRect& part : DrawnParts()) {
        const GuiRect piece = r ? r->Intersection(part) : part;
        if (!piece.IsEmpty())
            VRGuiObject::Invalidate(&piece);
    }
}

void CPlaybackIndicator::InvalidateInParent() {
    VRGuiContainer* parent = GetParent();
    if (!parent)
        return;
    for (const GuiRect& part : DrawnParts()) {
        if (part.IsEmpty())
            continue;
        const GuiRect inParent = LocalToParentRect(part);
        parent->Invalidate(&inParent);
    }
}
