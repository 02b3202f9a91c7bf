#include "gui/GuiButton.h"

#include "gui/CImageManager.h"
#include "gui/CSkin.h"
#include "gui/GuiInput.h"
#include "gui/GuiNotifications.h"
#include "gui/IGuiHost.h"
#include "gui/VRGuiWindow.h"
#include "support/LocalizedStrings.h"

#include <cairo.h>
#include <pango/pangocairo.h>

#include <cstdio>

GuiButton::GuiButton(int32_t controlId, const std::string& skinBase, const std::string& captionKey,
                     const std::string& toolTipKey)
    : VRGuiControl(controlId) {
    SetType(kGuiTypeButton);
    const uint32_t text = CSkin::ColorOf("gui-button text");
    m_captionColors = {text, text, text, CSkin::ColorOf("gui-button text disabled")};
    if (!captionKey.empty())
        m_caption = MyLoadString(captionKey);
    if (!toolTipKey.empty())
        m_toolTip = MyLoadString(toolTipKey);
    SetSkin(skinBase);
}

void GuiButton::SetSkin(const std::string& skinBase) {
    m_skinBase = skinBase;
    bool sized = false;
    for (int32_t state = 0; state < 4; ++state) {
        char name[300];
        std::snprintf(name, sizeof name, "%s-%d", skinBase.c_str(), int(state));
        m_images[size_t(state)] = CImageManager::Instance().Get(name);
        if (m_images[size_t(state)] && !sized) {
            sized = true;
            SetSize(m_images[size_t(state)]->Width(), m_images[size_t(state)]->Height());
        }
    }
    Invalidate(nullptr);
}

void GuiButton::SetState(int32_t state) {
    if (state == m_state)
        return;
    m_state = state;
    Invalidate(nullptr);
}

void GuiButton::SetCaption(const std::string& text) {
    m_caption = text;
    Invalidate(nullptr);
}

void GuiButton::SetTooltip(const std::string& key) {
    m_toolTip = key.empty() ? std::string() : MyLoadString(key);
}

void GuiButton::ShowCaption(bool show) {
    m_showCaption = show;
    Invalidate(nullptr);
}

void GuiButton::SetFont(const std::string& font) {
    m_font = font;
    Invalidate(nullptr);
}

void GuiButton::SetCaptionRect(const GuiRect& rect) {
    m_captionRect = rect;
    m_captionRectSet = true;
    Invalidate(nullptr);
}

void GuiButton::SetCaptionFormat(uint32_t format) {
    m_captionFormat = format;
    Invalidate(nullptr);
}

void GuiButton::SetCaptionColor(int32_t state, uint32_t color) {
    if (state < 0 || state > 3)
        return;
    m_captionColors[size_t(state)] = color;
    Invalidate(nullptr);
}

void GuiButton::SetAutoRepeat(bool on, uint32_t periodMs, uint32_t initialDelayMs) {
    m_autoRepeat = on;
    m_repeatPeriodMs = periodMs;
    m_repeatDelayMs = initialDelayMs;
}

void GuiButton::Enable() {
    VRGuiControl::Enable();
    SetState(kNormal);
}

void GuiButton::Disable() {
    VRGuiWindow* window = GetWindow();
    if (window && window->GetCaptured() == this)
        window->ReleaseCapture();
    KillTimer(uint32_t(GetControlId()));
    VRGuiControl::Disable();
    SetState(kDisabled);
}

uint64_t GuiButton::Now() {
    VRGuiWindow* window = GetWindow();
    IGuiHost* host = window ? window->GetHWND() : nullptr;
    return host ? host->NowMs() : 0;
}

bool GuiButton::OnMouse(int32_t event, GuiPoint p, uint32_t) {
    VRGuiWindow* window = GetWindow();
    if (m_state == kDisabled || !window)
        return false;
    switch (event) {
    case kMouseEnter:
        // Holding the capture lets the button see the pointer leave.
        if (!window->IsCaptureSet()) {
            SetState(kHot);
            window->SetCapture(this);
        }
        return true;
    case kMouseMove:
        if (window->GetCaptured() == this && m_state != kPressed && !GetRect().Contains(p.x, p.y)) {
            window->ReleaseCapture();
            SetState(kNormal);
        }
        return true;
    case kMouseLeave:
        SetState(kNormal);
        return true;
    case kMouseLeftDown:
        OnLeftDown();
        return true;
    case kMouseLeftUp:
    case kMouseLeftUpAfterDoubleClick:
        OnLeftUp(p);
        return true;
    case kMouseLeftDoubleClick:
        // The first press and release of a double click made one click already.
        // The click comes last: an observer may destroy the button.
        SetState(kHot);
        Click();
        return true;
    default:
        return false;
    }
}

void GuiButton::OnLeftDown() {
    SetState(kPressed);
    GetWindow()->SetCapture(this);
    if (m_autoRepeat && m_repeatPeriodMs > 0) {
        m_pressTime = Now();
        StartTimer(uint32_t(GetControlId()), m_repeatPeriodMs);
    }
}

void GuiButton::OnLeftUp(GuiPoint p) {
    VRGuiWindow* window = GetWindow();
    if (window->GetCaptured() == this)
        window->ReleaseCapture();
    if (m_autoRepeat)
        KillTimer(uint32_t(GetControlId()));
    if (m_state != kPressed)
        return;
    if (GetRect().Contains(p.x, p.y)) {
        SetState(kHot);
        Click();
    } else {
        SetState(kNormal);
    }
}

void GuiButton::OnTimer(uint32_t id) {
    if (id != uint32_t(GetControlId()) || !m_autoRepeat)
        return;
    if (m_state == kPressed && Now() - m_pressTime > m_repeatDelayMs)
        Click();
}

void GuiButton::Click() {
    Notify<kNotifyClick>(*this, GetControlId());
}

void GuiButton::Paint(const GuiRect* r) {
    if (m_markDirtyOnPaint)
        SetDirty(r);
    VRGuiControl::Paint(r);
}

bool GuiButton::GetToolTip(GuiPoint, std::string& text) {
    if (m_toolTip.empty())
        return false;
    text = m_toolTip;
    return true;
}

void GuiButton::OnDraw(const GuiRect&) {
    VRGuiWindow* window = GetWindow();
    if (!window)
        return;
    const std::shared_ptr<const CImage>& image =
        m_images[size_t(m_state)] ? m_images[size_t(m_state)] : m_images[0];
    if (image)
        image->Draw(window->GetDrawContext(), 0, 0);
    if (m_showCaption && !m_caption.empty())
        DrawCaption();
}

void GuiButton::DrawCaption() const {
    cairo_t* cr = const_cast<GuiButton*>(this)->GetWindow()->GetDrawContext();
    const GuiRect box = m_captionRectSet ? m_captionRect : GetRect();
    if (box.IsEmpty())
        return;
    cairo_save(cr);
    cairo_rectangle(cr, box.left, box.top, box.Width(), box.Height());
    cairo_clip(cr);
    PangoLayout* layout = pango_cairo_create_layout(cr);
    PangoFontDescription* font = pango_font_description_from_string(m_font.c_str());
    pango_layout_set_font_description(layout, font);
    pango_font_description_free(font);
    pango_layout_set_text(layout, m_caption.c_str(), int(m_caption.size()));
    pango_layout_set_width(layout, box.Width() * PANGO_SCALE);
    if (m_captionFormat & DT_SINGLELINE)
        pango_layout_set_height(layout, 0); // one line at most
    if (m_captionFormat & DT_END_ELLIPSIS)
        pango_layout_set_ellipsize(layout, PANGO_ELLIPSIZE_END);
    pango_layout_set_alignment(layout, (m_captionFormat & DT_CENTER)  ? PANGO_ALIGN_CENTER
                                       : (m_captionFormat & DT_RIGHT) ? PANGO_ALIGN_RIGHT
                                                                      : PANGO_ALIGN_LEFT);
    int width = 0;
    int height = 0;
    pango_layout_get_pixel_size(layout, &width, &height);
    double top = box.top;
    if (m_captionFormat & DT_VCENTER)
        top = box.top + (box.Height() - height) / 2.0;
    else if (m_captionFormat & DT_BOTTOM)
        top = box.bottom - height;
    CImage::SetSourceColor(cr, m_captionColors[size_t(m_state)]);
    cairo_move_to(cr, box.left, top);
    pango_cairo_show_layout(cr, layout);
    g_object_unref(layout);
    cairo_restore(cr);
}
