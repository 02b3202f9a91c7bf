#include "project/CTrackHeader.h"

#include "gui/GuiCursor.h"
#include "gui/GuiInput.h"
#include "gui/GuiTextLayout.h"
#include "gui/IGuiHost.h"
#include "gui/VRGuiWindow.h"
#include "project/ProjectNotifications.h"

#include <cairo.h>

namespace {

constexpr uint32_t kTitleColor = 0xF0F0F0;
constexpr uint32_t kSelectedTint = 0xE0A040;
constexpr int32_t kSelectedTintPercent = 25;

} // namespace

CTrackHeader::CTrackHeader() : GuiTexturePanel("track header", kWidth, 70) {
    SetType(kGuiTypeTrackHeader);
}

void CTrackHeader::SetTitle(const std::string& title) {
    if (title == m_title)
        return;
    m_title = title;
    Invalidate(nullptr);
}

void CTrackHeader::SetSelectedLook(bool selected) {
    if (selected == m_selectedLook)
        return;
    m_selectedLook = selected;
    if (selected)
        SetColorShift(kSelectedTint, kSelectedTintPercent);
    else
        ClearColorShift();
    Invalidate(nullptr);
}

void CTrackHeader::UpdateHoverMode(GuiPoint p) {
    const int32_t h = GetHeight();
    m_dragMode = (p.y >= h - kResizeZone && p.y < h) ? kResize : kReorder;
    VRGuiWindow* window = GetWindow();
    if (IGuiHost* host = window ? window->GetHWND() : nullptr)
        host->SetCursor(m_dragMode == kResize ? GuiCursor::kResizeUpDown : GuiCursor::kArrow);
}

void CTrackHeader::SendHeightDrag(int32_t dy, bool released) {
    TrackHeightDrag drag;
    drag.heightChange = dy;
    drag.heightAtPress = m_heightAtPress;
    drag.released = released;
    SendNotification(kNotifyTrackHeightDrag, &drag);
}

bool CTrackHeader::OnMouse(int32_t event, GuiPoint p, uint32_t keys) {
    if (GuiTexturePanel::OnMouse(event, p, keys))
        return true;
    VRGuiWindow* window = GetWindow();
    switch (event) {
    case kMouseMove:
        if (!m_pressed)
            UpdateHoverMode(p);
        else if (m_dragMode == kResize)
            SendHeightDrag(p.y + GetY() - m_pressY, false);
        return true;
    case kMouseLeave:
        if (!m_pressed)
            m_dragMode = kPointerLeft;
        return true;
    case kMouseLeftDown:
        UpdateHoverMode(p);
        m_heightAtPress = GetHeight();
        m_pressY = p.y + GetY();
        m_pressed = true;
        SendNotification(kNotifySelectTrack, NotificationNumber(0));
        if (window)
            window->SetCapture(this);
        return true;
    case kMouseLeftUp:
    case kMouseLeftUpAfterDoubleClick:
        if (!m_pressed)
            return true;
        m_pressed = false;
        if (m_dragMode == kResize)
            SendHeightDrag(p.y + GetY() - m_pressY, true);
        if (window && window->GetCaptured() == this)
            window->ReleaseCapture();
        UpdateHoverMode(p);
        return true;
    case kMouseLeftDoubleClick:
        SendNotification(kNotifySelectTrackClips, NotificationNumber(static_cast<intptr_t>(keys)));
        return true;
    default:
        return false;
    }
}

void CTrackHeader::OnDraw(const GuiRect& r) {
    GuiTexturePanel::OnDraw(r);
    VRGuiWindow* window = GetWindow();
    cairo_t* cr = window ? window->GetDrawContext() : nullptr;
    if (!cr || m_title.empty())
        return;
    GuiTextLayout layout(GuiFont{11, true}, m_title);
    cairo_save(cr);
    cairo_rectangle(cr, 0, 0, GetWidth() - 10, GetHeight());
    cairo_clip(cr);
    layout.DrawIn(cr, 10, 6, GetWidth() - 20, 16, kTextLeft | kTextSingleLine, kTitleColor);
    cairo_restore(cr);
}
