#include "gui/CustomDropDown.h"

#include "gui/CImage.h"
#include "gui/GuiInput.h"
#include "gui/GuiSkinColor.h"
#include "gui/VRGuiWindow.h"

#include <cairo.h>

#include <algorithm>

namespace {

constexpr int32_t kBorder = 1;
constexpr int32_t kTextPadding = 5;

} // namespace

CustomDropDown::CustomDropDown(VRGuiWindow* window, GuiPoint windowPoint, int32_t width,
                               const GuiFont& normal, const GuiFont& highlighted)
    : VRGuiLayer(std::max(1, width), kEntryHeight + 2 * kBorder), m_window(window),
      m_point(windowPoint), m_minWidth(std::max(1, width)), m_normalFont(normal),
      m_highlightedFont(highlighted) {}

void CustomDropDown::AddEntry(const std::string& text, int32_t index, bool current,
                              bool highlighted) {
    Entry entry{text.empty() ? std::string() : "   " + text, index, highlighted};
    if (!entry.text.empty()) {
        GuiTextLayout layout(highlighted ? m_highlightedFont : m_normalFont, entry.text);
        m_textWidth = std::max(m_textWidth, layout.Width() + kTextPadding);
    }
    m_entries.push_back(std::move(entry));
    if (current)
        m_current = EntryCount() - 1;
    UpdateSize();
}

int CustomDropDown::VisibleEntries() const {
    const int32_t windowHeight = m_window ? m_window->GetHeight() : kEntryHeight;
    const int fitting = std::max(1, (windowHeight - 2 * kBorder) / kEntryHeight);
    return std::max(1, std::min({EntryCount(), kMaxVisibleEntries, fitting}));
}

void CustomDropDown::UpdateSize() {
    const int32_t bar = NeedsScrollBar() ? kScrollBarWidth : 0;
    const int32_t width = std::max(m_minWidth, m_textWidth + bar + 2 * kBorder);
    SetSize(width, VisibleEntries() * kEntryHeight + 2 * kBorder);
}

void CustomDropDown::SetSelection(int entry) {
    m_selection = entry >= 0 && entry < EntryCount() ? entry : -1;
    if (m_selection >= 0) {
        if (m_selection < m_firstVisible)
            ScrollTo(m_selection);
        else if (m_selection >= m_firstVisible + VisibleEntries())
            ScrollTo(m_selection - VisibleEntries() + 1);
    }
    Invalidate(nullptr);
}

bool CustomDropDown::OnWheel(GuiPoint, int32_t delta, uint32_t) {
    constexpr int32_t kNotch = 120;
    constexpr int kEntriesPerNotch = 3;
    const int notches = delta / kNotch != 0 ? delta / kNotch : (delta > 0 ? 1 : -1);
    ScrollTo(m_firstVisible - notches * kEntriesPerNotch);
    return true;
}

void CustomDropDown::ScrollTo(int firstVisible) {
    const int last = std::max(0, EntryCount() - VisibleEntries());
    m_firstVisible = std::clamp(firstVisible, 0, last);
    Invalidate(nullptr);
}

int CustomDropDown::Run() {
    m_chosen = -1;
    m_done = false;
    if (!m_window)
        return -1;
    UpdateSize();
    m_window->OpenLayer(this, m_point.x, m_point.y);
    m_window->RunModal([this] { return m_done; });
    m_window->CloseLayer(this);
    return m_done ? m_chosen : -1;
}

void CustomDropDown::Finish(int entry) {
    m_chosen = entry >= 0 ? m_entries[entry].index : -1;
    m_done = true;
}

int CustomDropDown::ChoosableFrom(int entry, int step) const {
    for (; entry >= 0 && entry < EntryCount(); entry += step) {
        if (!IsSeparator(entry))
            return entry;
    }
    return -1;
}

void CustomDropDown::MoveSelection(int step) {
    const int from = m_selection < 0 ? (step > 0 ? 0 : EntryCount() - 1) : m_selection + step;
    const int entry = ChoosableFrom(from, step);
    if (entry >= 0)
        SetSelection(entry);
}

bool CustomDropDown::OnKey(int32_t event, int32_t key, uint32_t) {
    if (event != kKeyDown)
        return true;
    switch (key) {
    case VK_UP:
        MoveSelection(-1);
        break;
    case VK_DOWN:
        MoveSelection(1);
        break;
    case VK_PRIOR:
        SetSelection(ChoosableFrom(std::max(0, m_selection - VisibleEntries()), 1));
        break;
    case VK_NEXT:
        SetSelection(ChoosableFrom(std::min(EntryCount() - 1, m_selection + VisibleEntries()), -1));
        break;
    case VK_HOME:
        SetSelection(ChoosableFrom(0, 1));
        break;
    case VK_END:
        SetSelection(ChoosableFrom(EntryCount() - 1, -1));
        break;
    case VK_RETURN:
        if (m_selection >= 0 && !IsSeparator(m_selection))
            Finish(m_selection);
        break;
    case VK_ESCAPE:
        Finish(-1);
        break;
    default:
        break;
    }
    return true;
}

int CustomDropDown::EntryAt(GuiPoint p) const {
    const int32_t listRight = GetWidth() - kBorder - (NeedsScrollBar() ? kScrollBarWidth : 0);
    if (p.x < kBorder || p.x >= listRight || p.y < kBorder)
        return -1;
    const int row = (p.y - kBorder) / kEntryHeight;
    if (row >= VisibleEntries())
        return -1;
    const int entry = m_firstVisible + row;
    return entry < EntryCount() ? entry : -1;
}

bool CustomDropDown::OnMouse(int32_t event, GuiPoint p, uint32_t) {
    const int entry = EntryAt(p);
    switch (event) {
    case kMouseMove:
        if (entry >= 0 && !IsSeparator(entry) && entry != m_selection)
            SetSelection(entry);
        return true;
    case kMouseLeftDown:
    case kMouseLeftDoubleClick:
        // A press on the bar pages towards the press.
        if (NeedsScrollBar() && p.x >= GetWidth() - kBorder - kScrollBarWidth) {
            const int32_t thumbTop =
                kBorder + (GetHeight() - 2 * kBorder) * m_firstVisible / std::max(1, EntryCount());
            ScrollTo(m_firstVisible + (p.y < thumbTop ? -VisibleEntries() : VisibleEntries()));
        }
        return true;
    case kMouseLeftUp:
    case kMouseLeftUpAfterDoubleClick:
        if (entry >= 0 && !IsSeparator(entry))
            Finish(entry);
        return true;
    default:
        return event != kMouseEnter && event != kMouseLeave;
    }
}

void CustomDropDown::OnPressOutside(GuiPoint) {
    Finish(-1);
}

void CustomDropDown::OnDraw(const GuiRect& r) {
    cairo_t* cr = GetWindow()->GetDrawContext();
    CImage::SetSourceColor(cr, GuiSkinColor("gui-list background"));
    cairo_rectangle(cr, r.left, r.top, r.Width(), r.Height());
    cairo_fill(cr);
    CImage::SetSourceColor(cr, kSeparatorColor);
    cairo_set_line_width(cr, 1);
    cairo_rectangle(cr, 0.5, 0.5, GetWidth() - 1, GetHeight() - 1);
    cairo_stroke(cr);
    const int32_t width = GetWidth() - 2 * kBorder - (NeedsScrollBar() ? kScrollBarWidth : 0);
    for (int row = 0; row < VisibleEntries(); ++row) {
        const int entry = m_firstVisible + row;
        const int32_t top = kBorder + row * kEntryHeight;
        if (entry >= EntryCount() || top >= r.bottom || top + kEntryHeight <= r.top)
            continue;
        DrawEntry(cr, entry, top, width);
    }
    if (NeedsScrollBar())
        DrawScrollBar(cr);
}

void CustomDropDown::DrawEntry(cairo_t* cr, int entry, int32_t top, int32_t width) {
    const Entry& e = m_entries[entry];
    cairo_save(cr);
    cairo_rectangle(cr, kBorder, top, width, kEntryHeight);
    cairo_clip(cr);
    if (e.text.empty()) {
        CImage::SetSourceColor(cr, kSeparatorColor);
        const double middle = top + kEntryHeight / 2 + 0.5;
        cairo_move_to(cr, kBorder + kSeparatorInset, middle);
        cairo_line_to(cr, kBorder + width - kSeparatorInset, middle);
        cairo_stroke(cr);
        cairo_restore(cr);
        return;
    }
    uint32_t color = entry == m_current ? kCurrentColor : kTextColor;
    if (entry == m_selection) {
        CImage::SetSourceColor(cr, kSelectionColor);
        cairo_paint(cr);
        color = kSelectedTextColor;
    }
    GuiTextLayout layout(e.highlighted ? m_highlightedFont : m_normalFont, e.text);
    layout.DrawIn(cr, kBorder, top, width, kEntryHeight, kTextVCenter | kTextSingleLine, color);
    cairo_restore(cr);
}

void CustomDropDown::DrawScrollBar(cairo_t* cr) {
    const int32_t left = GetWidth() - kBorder - kScrollBarWidth;
    const int32_t track = GetHeight() - 2 * kBorder;
    CImage::SetSourceColor(cr, 0xE0E0E0);
    cairo_rectangle(cr, left, kBorder, kScrollBarWidth, track);
    cairo_fill(cr);
    const int32_t count = std::max(1, EntryCount());
    const int32_t thumbTop = kBorder + track * m_firstVisible / count;
    const int32_t thumbHeight = std::max(6, track * VisibleEntries() / count);
    CImage::SetSourceColor(cr, kSeparatorColor);
    cairo_rectangle(cr, left + 2, thumbTop, kScrollBarWidth - 4, thumbHeight);
    cairo_fill(cr);
}
