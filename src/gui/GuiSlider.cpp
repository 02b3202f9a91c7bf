#include "gui/GuiSlider.h"

#include "gui/CImageManager.h"
#include "gui/GuiInput.h"
#include "gui/GuiNotifications.h"
#include "gui/VRGuiWindow.h"

#include <algorithm>
#include <cmath>

namespace {

// Without skin images the slider still has a size to be pressed on.
constexpr int32_t kFallbackWidth = 100;
constexpr int32_t kFallbackThumbWidth = 10;
constexpr int32_t kFallbackHeight = 16;

} // namespace

GuiSlider::GuiSlider(int32_t controlId, const std::string& skinBase, double minimum, double maximum)
    : VRGuiControl(controlId), m_groove(CImageManager::Instance().Get(skinBase)),
      m_thumb(CImageManager::Instance().Get(skinBase + "-thumb")), m_minimum(minimum),
      m_maximum(std::max(minimum, maximum)), m_value(minimum) {
    SetSize(m_groove ? m_groove->Width() : kFallbackWidth,
            m_thumb ? m_thumb->Height() : kFallbackHeight);
    // The groove and thumb are drawn over whatever lies below; the parent
    // repaints first, so the thumb's old place does not stay behind.
    SetTransparent(true);
}

void GuiSlider::SetValue(double value) {
    value = std::isfinite(value) ? std::clamp(value, m_minimum, m_maximum) : m_minimum;
    if (value == m_value)
        return;
    m_value = value;
    Invalidate(nullptr);
}

int32_t GuiSlider::Travel() const {
    const int32_t thumbWidth = m_thumb ? m_thumb->Width() : kFallbackThumbWidth;
    return std::max(1, GetWidth() - thumbWidth);
}

int32_t GuiSlider::ThumbX() const {
    if (m_maximum <= m_minimum)
        return 0;
    return static_cast<int32_t>(
        std::lround((m_value - m_minimum) / (m_maximum - m_minimum) * Travel()));
}

double GuiSlider::ValueAt(int32_t x) const {
    // The pointer holds the thumb by its middle.
    const int32_t thumbWidth = m_thumb ? m_thumb->Width() : kFallbackThumbWidth;
    const double fraction =
        std::clamp(static_cast<double>(x - thumbWidth / 2) / Travel(), 0.0, 1.0);
    return m_minimum + fraction * (m_maximum - m_minimum);
}

void GuiSlider::Send(int32_t phase) {
    GuiSliderChange change{GetControlId(), m_value, phase};
    Notify<kNotifyValueChange>(*this, &change);
}

bool GuiSlider::OnMouse(int32_t event, GuiPoint p, uint32_t) {
    VRGuiWindow* window = GetWindow();
    if (!IsEnabled() || !window)
        return false;
    switch (event) {
    case kMouseLeftDown:
        m_dragging = true;
        window->SetCapture(this);
        SetValue(ValueAt(p.x));
        Send(kStart);
        return true;
    case kMouseMove:
        if (!m_dragging)
            return false;
        SetValue(ValueAt(p.x));
        Send(kMove);
        return true;
    case kMouseLeftUp:
    case kMouseLeftUpAfterDoubleClick:
        if (!m_dragging)
            return false;
        m_dragging = false;
        if (window->GetCaptured() == this)
            window->ReleaseCapture();
        SetValue(ValueAt(p.x));
        Send(kEnd);
        return true;
    case kMouseLeftDoubleClick:
        return true;
    default:
        return false;
    }
}

void GuiSlider::OnDraw(const GuiRect&) {
    VRGuiWindow* window = GetWindow();
    cairo_t* cr = window ? window->GetDrawContext() : nullptr;
    if (!cr)
        return;
    if (m_groove)
        m_groove->Draw(cr, 0, (GetHeight() - m_groove->Height()) / 2);
    if (m_thumb)
        m_thumb->Draw(cr, ThumbX(), 0);
}
