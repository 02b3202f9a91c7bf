#include "pianoroll/CLoopFlag.h"

#include "gui/CImage.h"
#include "gui/GuiInput.h"
#include "gui/GuiSkinColor.h"
#include "gui/GuiTextLayout.h"
#include "gui/VRGuiWindow.h"
#include "pianoroll/PRNotifications.h"
#include "support/LocalizedStrings.h"

#include <cairo.h>

#include <algorithm>
#include <cmath>

namespace {

constexpr int32_t kBoxPadding = 4;
constexpr double kCornerRadius = 4.0;

const char* TipKey(CLoopFlag::Which which) {
    return which == CLoopFlag::kLoopStart ? "MC_PR_LoopStart" : "MC_PR_LoopEnd";
}

} // namespace

CLoopFlag::CLoopFlag(Which which) : VRGuiControl(which, 1, kHeight) {
    // A bracket that opens toward the looped range; the tooltip names the flag.
    m_label = which == kLoopStart ? "[" : "]";
    const GuiTextLayout layout(GuiFont{GuiFont::kDefaultPixelSize - 2, true}, m_label);
    SetSize(layout.Width() + 2 * kBoxPadding + 1, kHeight);
}

void CLoopFlag::SetTime(double soundMs) {
    if (!std::isfinite(soundMs))
        return;
    m_timeMs = soundMs;
    Place();
}

void CLoopFlag::SetMsPerPixel(double msPerPixel) {
    m_msPerPixel = std::max(1.0, msPerPixel);
    Place();
}

int32_t CLoopFlag::LineX() const {
    return static_cast<int32_t>(std::clamp(m_timeMs / m_msPerPixel, -1e9, 1e9));
}

void CLoopFlag::Place() {
    // The line is the box's first column for the start flag, its last for the end flag.
    const int32_t x = GetWhich() == kLoopStart ? LineX() : LineX() - GetWidth() + 1;
    if (x == GetX())
        return;
    InvalidateInParent();
    SetPosition(x, GetY());
    Invalidate(nullptr);
}

void CLoopFlag::OnDraw(const GuiRect&) {
    VRGuiWindow* window = GetWindow();
    if (!window)
        return;
    cairo_t* cr = window->GetDrawContext();
    const double w = GetWidth();
    const double h = GetHeight();
    CImage::SetSourceColor(cr, GuiSkinColor("piano-roll-loop-text-background"));
    cairo_new_sub_path(cr);
    cairo_arc(cr, w - kCornerRadius, kCornerRadius, kCornerRadius, -M_PI / 2, 0);
    cairo_arc(cr, w - kCornerRadius, h - kCornerRadius, kCornerRadius, 0, M_PI / 2);
    cairo_arc(cr, kCornerRadius, h - kCornerRadius, kCornerRadius, M_PI / 2, M_PI);
    cairo_arc(cr, kCornerRadius, kCornerRadius, kCornerRadius, M_PI, 3 * M_PI / 2);
    cairo_close_path(cr);
    cairo_fill(cr);
    CImage::SetSourceColor(cr, GuiSkinColor("piano-roll-loop-line"));
    const double lineX = GetWhich() == kLoopStart ? 0 : w - 1;
    cairo_rectangle(cr, lineX, 0, 1, h);
    cairo_fill(cr);
    GuiTextLayout layout(GuiFont{GuiFont::kDefaultPixelSize - 2, true}, m_label);
    layout.DrawIn(cr, 0, 0, GetWidth(), GetHeight(), kTextCenter | kTextVCenter | kTextSingleLine,
                  GuiSkinColor("piano-roll-loop-text"));
}

bool CLoopFlag::OnMouse(int32_t event, GuiPoint p, uint32_t) {
    VRGuiWindow* window = GetWindow();
    // The flag moves under the pointer, so the drag is measured on the window.
    const int32_t absX = p.x + GetAbsX();
    switch (event) {
    case kMouseLeftDown:
    case kMouseLeftDoubleClick:
        if (p.y < 0 || p.y >= GetHeight())
            return false;
        m_pressed = true;
        m_moved = false;
        m_pressAbsX = absX;
        m_pressTimeMs = m_timeMs;
        if (window)
            window->SetCapture(this);
        return true;
    case kMouseMove:
        if (!m_pressed)
            return false;
        Report(m_moved ? kMove : kFirstMove, m_pressTimeMs + (absX - m_pressAbsX) * m_msPerPixel);
        m_moved = true;
        return true;
    case kMouseLeftUp:
    case kMouseLeftUpAfterDoubleClick:
        if (!m_pressed)
            return false;
        m_pressed = false;
        if (window)
            window->ReleaseCapture();
        Report(kRelease, std::max(0.0, m_pressTimeMs + (absX - m_pressAbsX) * m_msPerPixel));
        return true;
    default:
        return false;
    }
}

void CLoopFlag::Report(int32_t phase, double timeMs) {
    const PRLoopFlagMove move{GetControlId(), timeMs, phase};
    Notify<kNotifyLoopFlagMoved>(*this, &move);
}

bool CLoopFlag::GetToolTip(GuiPoint, std::string& text) {
    text = MyLoadString(TipKey(GetWhich()));
    return true;
}
