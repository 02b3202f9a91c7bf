#include "timeline/CTrackSelRect.h"

#include "gui/CSkin.h"
#include "gui/VRGuiWindow.h"

#include <algorithm>
#include <cairo.h>

namespace {

void SetSource(cairo_t* cr, uint32_t bgr, double alpha) {
    cairo_set_source_rgba(cr, (bgr & 0xFF) / 255.0, ((bgr >> 8) & 0xFF) / 255.0,
                          ((bgr >> 16) & 0xFF) / 255.0, alpha);
}

int32_t Column(double ms, int32_t msPerPixel) {
    return static_cast<int32_t>(std::clamp(ms / std::max(1, msPerPixel), 0.0, 1e9));
}

} // namespace

CTrackSelRect::CTrackSelRect()
    : m_fill(CSkin::ColorOf("selection-color")),
      m_outline(CSkin::ColorOf("selection-outline-color")) {
    SetTransparent(true);
    SetZOrder(kZOrder);
    StoreSize(1, 1);
    Hide();
}

void CTrackSelRect::Set(double startMs, double endMs, int32_t top, int32_t bottom,
                        int32_t msPerPixel) {
    m_startMs = std::min(startMs, endMs);
    m_endMs = std::max(startMs, endMs);
    m_top = std::min(top, bottom);
    m_bottom = std::max(top, bottom);
    m_active = true;
    Place(msPerPixel);
    Show();
}

void CTrackSelRect::Relayout(int32_t top, int32_t bottom, int32_t msPerPixel) {
    if (!m_active)
        return;
    m_top = std::min(top, bottom);
    m_bottom = std::max(top, bottom);
    Place(msPerPixel);
}

void CTrackSelRect::Clear() {
    m_active = false;
    Hide();
}

void CTrackSelRect::Place(int32_t msPerPixel) {
    const int32_t left = Column(m_startMs, msPerPixel);
    const int32_t right = Column(m_endMs, msPerPixel);
    SetPosition(left, m_top);
    SetSize(std::max(1, right - left), std::max(1, m_bottom - m_top));
}

void CTrackSelRect::OnDraw(const GuiRect& r) {
    VRGuiWindow* window = GetWindow();
    if (!window || !m_active)
        return;
    cairo_t* cr = window->GetDrawContext();
    cairo_save(cr);
    cairo_rectangle(cr, r.left, r.top, r.right - r.left, r.bottom - r.top);
    cairo_clip(cr);
    SetSource(cr, m_fill, kOpacity / 255.0);
    cairo_rectangle(cr, 0, 0, GetWidth(), GetHeight());
    cairo_fill(cr);
    SetSource(cr, m_outline, 1.0);
    cairo_set_line_width(cr, 1.0);
    cairo_rectangle(cr, 0.5, 0.5, GetWidth() - 1.0, GetHeight() - 1.0);
    cairo_stroke(cr);
    cairo_restore(cr);
}
