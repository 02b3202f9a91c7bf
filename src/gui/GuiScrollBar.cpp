#include "gui/GuiScrollBar.h"

#include "gui/CImage.h"
#include "gui/GuiInput.h"
#include "gui/GuiSkinColor.h"
#include "gui/VRGuiWindow.h"

#include <algorithm>
#include <cairo.h>

namespace {

uint32_t NextRepeatTimerId() {
    static uint32_t next = 0;
    return GuiScrollBar::kRepeatTimerBase + next++ % GuiScrollBar::kRepeatTimerCount;
}

} // namespace

GuiScrollBar::GuiScrollBar(Orientation orientation)
    : m_orientation(orientation), m_repeatTimer(NextRepeatTimerId()) {}

void GuiScrollBar::SetRange(int32_t min, int32_t max, int32_t page) {
    max = std::max(min, max);
    page = std::max(1, page);
    if (min == m_min && max == m_max && page == m_page)
        return;
    m_min = min;
    m_max = max;
    m_page = page;
    // The thumb's size and place follow the range, even where the position stays.
    Invalidate(nullptr);
    SetPos(m_position);
}

void GuiScrollBar::SetSize(int32_t width, int32_t height) {
    const bool changed = width != GetWidth() || height != GetHeight();
    VRGuiObject::SetSize(width, height);
    // The far arrow and the thumb move with the length: all of the bar is new.
    if (changed)
        Invalidate(nullptr);
}

void GuiScrollBar::SetPos(int32_t position) {
    // As with native bars, the last page ends at the range's end.
    const int32_t top = std::max(m_min, m_max - m_page + 1);
    const int32_t clamped = std::clamp(position, m_min, top);
    if (clamped == m_position)
        return;
    m_position = clamped;
    Invalidate(nullptr);
}

int32_t GuiScrollBar::Along(GuiPoint p) const {
    return m_orientation == Orientation::kVertical ? p.y : p.x;
}

int32_t GuiScrollBar::Length() const {
    return m_orientation == Orientation::kVertical ? GetHeight() : GetWidth();
}

int32_t GuiScrollBar::Thickness() const {
    return m_orientation == Orientation::kVertical ? GetWidth() : GetHeight();
}

void GuiScrollBar::GetThumbSpan(int32_t& start, int32_t& length) const {
    const int32_t arrow = Thickness();
    const int32_t track = std::max(0, Length() - 2 * arrow);
    const int64_t total = static_cast<int64_t>(m_max) - m_min + 1;
    length = total <= m_page
                 ? track
                 : std::max<int32_t>(kMinThumb, static_cast<int32_t>(track * m_page / total));
    length = std::min(length, track);
    const int64_t travel = std::max<int64_t>(1, total - m_page);
    const int32_t room = track - length;
    start =
        arrow + static_cast<int32_t>(room * (static_cast<int64_t>(m_position) - m_min) / travel);
}

GuiScrollBar::Part GuiScrollBar::PartAt(GuiPoint p) const {
    const int32_t at = Along(p);
    const int32_t arrow = Thickness();
    if (at < arrow)
        return Part::kLineUp;
    if (at >= Length() - arrow)
        return Part::kLineDown;
    int32_t start = 0, length = 0;
    GetThumbSpan(start, length);
    if (at < start)
        return Part::kPageUp;
    if (at >= start + length)
        return Part::kPageDown;
    return Part::kThumb;
}

int32_t GuiScrollBar::PositionForThumbStart(int32_t thumbStart) const {
    int32_t start = 0, length = 0;
    GetThumbSpan(start, length);
    const int32_t arrow = Thickness();
    const int32_t room = std::max(1, Length() - 2 * arrow - length);
    const int64_t travel = std::max<int64_t>(0, static_cast<int64_t>(m_max) - m_min + 1 - m_page);
    const int64_t offset = std::clamp(thumbStart - arrow, 0, room);
    return m_min + static_cast<int32_t>(travel * offset / room);
}

void GuiScrollBar::Report(Code code, int32_t position) {
    if (m_handler)
        m_handler(code, position);
}

void GuiScrollBar::RunPart(Part part) {
    switch (part) {
    case Part::kLineUp:
        Report(kLineUp, m_position);
        break;
    case Part::kLineDown:
        Report(kLineDown, m_position);
        break;
    case Part::kPageUp:
        Report(kPageUp, m_position);
        break;
    case Part::kPageDown:
        Report(kPageDown, m_position);
        break;
    default:
        break;
    }
}

bool GuiScrollBar::OnMouse(int32_t event, GuiPoint p, uint32_t) {
    VRGuiWindow* window = GetWindow();
    m_pointer = p;
    switch (event) {
    case kMouseLeftDown:
    case kMouseLeftDoubleClick: {
        m_pressed = PartAt(p);
        if (window)
            window->SetCapture(this);
        if (m_pressed == Part::kThumb) {
            int32_t start = 0, length = 0;
            GetThumbSpan(start, length);
            m_grabOffset = Along(p) - start;
            Report(kThumbTracking, m_position);
        } else {
            RunPart(m_pressed);
            StartTimer(m_repeatTimer, kFirstRepeatMs);
        }
        return true;
    }
    case kMouseMove:
        if (m_pressed == Part::kThumb)
            Report(kThumbTracking, PositionForThumbStart(Along(p) - m_grabOffset));
        return true;
    case kMouseLeftUp:
    case kMouseLeftUpAfterDoubleClick:
        if (m_pressed == Part::kNone)
            return true;
        KillTimer(m_repeatTimer);
        if (m_pressed == Part::kThumb)
            Report(kThumbReleased, m_position);
        m_pressed = Part::kNone;
        if (window && window->GetCaptured() == this)
            window->ReleaseCapture();
        return true;
    default:
        return true;
    }
}

void GuiScrollBar::OnTimer(uint32_t id) {
    if (id != m_repeatTimer || m_pressed == Part::kNone || m_pressed == Part::kThumb)
        return;
    // Paging stops once the thumb reaches the pointer, as native bars do.
    if (PartAt(m_pointer) == m_pressed)
        RunPart(m_pressed);
    StartTimer(m_repeatTimer, kRepeatMs);
}

void GuiScrollBar::OnDraw(const GuiRect&) {
    VRGuiWindow* window = GetWindow();
    cairo_t* cr = window ? window->GetDrawContext() : nullptr;
    if (!cr)
        return;
    const bool vertical = m_orientation == Orientation::kVertical;
    const double w = GetWidth(), h = GetHeight(), t = Thickness();
    CImage::SetSourceColor(cr, GuiSkinColor("gui-scrollbar"));
    cairo_rectangle(cr, 0, 0, w, h);
    cairo_fill(cr);

    CImage::SetSourceColor(cr, GuiSkinColor("gui-scrollbar thumb"));
    int32_t start = 0, length = 0;
    GetThumbSpan(start, length);
    if (vertical)
        cairo_rectangle(cr, 2, start, w - 4, length);
    else
        cairo_rectangle(cr, start, 2, length, h - 4);
    cairo_fill(cr);

    // The arrows: triangles pointing away from the track.
    const double c = t / 2, s = t / 4;
    auto triangle = [cr](double x1, double y1, double x2, double y2, double x3, double y3) {
        cairo_move_to(cr, x1, y1);
        cairo_line_to(cr, x2, y2);
        cairo_line_to(cr, x3, y3);
        cairo_close_path(cr);
        cairo_fill(cr);
    };
    if (vertical) {
        triangle(c, c - s, c - s, c + s, c + s, c + s);
        triangle(c, h - c + s, c - s, h - c - s, c + s, h - c - s);
    } else {
        triangle(c - s, c, c + s, c - s, c + s, c + s);
        triangle(w - c + s, c, w - c - s, c - s, w - c - s, c + s);
    }
}
