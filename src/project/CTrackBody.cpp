#include "project/CTrackBody.h"

#include "gui/GuiInput.h"
#include "gui/VRGuiWindow.h"
#include "project/ProjectNotifications.h"

#include <algorithm>
#include <cstdlib>

CTrackBody::CTrackBody() : GuiTexturePanel("track body", kWidth, 70) {
    SetType(kGuiTypeTrackBody);
}

bool CTrackBody::OnMouse(int32_t event, GuiPoint p, uint32_t keys) {
    // Clips lie on top and have the first say.
    if (GuiTexturePanel::OnMouse(event, p, keys))
        return true;
    VRGuiWindow* window = GetWindow();
    switch (event) {
    case kMouseLeftDown:
        m_pressed = true;
        m_press = p;
        if (window)
            window->SetCapture(this);
        return true;
    case kMouseLeftUp:
    case kMouseLeftUpAfterDoubleClick:
        if (!m_pressed)
            return true;
        m_pressed = false;
        if (window && window->GetCaptured() == this)
            window->ReleaseCapture();
        OnRelease(p, keys);
        return true;
    case kMouseLeftDoubleClick:
        Notify<kNotifyBodyDoubleClick>(*this, 0);
        return true;
    case kMouseRightUp: {
        GuiPoint at = LocalToAbsPoint(p);
        Notify<kNotifyBodyMenu>(*this, &at);
        return true;
    }
    default:
        return false;
    }
}

void CTrackBody::OnRelease(GuiPoint p, uint32_t keys) {
    // A drag along one axis only still counts as a click.
    const bool click =
        std::abs(p.x - m_press.x) < kClickSlack || std::abs(p.y - m_press.y) < kClickSlack;
    if (!click)
        return;
    Notify<kNotifySelectTrack>(*this, 0);
    Notify<kNotifyBodyClickX>(*this, std::max(0, p.x));
    if (!(keys & (MK_SHIFT | MK_CONTROL)))
        Notify<kNotifyDeselectClips>(*this, 0u);
}

void CTrackBody::OnDraw(const GuiRect& r) {
    GuiTexturePanel::OnDraw(r);
    if (m_gridPainter)
        m_gridPainter(*this, r);
}
