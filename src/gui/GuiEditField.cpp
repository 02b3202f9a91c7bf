#include "gui/GuiEditField.h"

#include "gui/CImage.h"
#include "gui/GuiInput.h"
#include "gui/GuiSkinColor.h"
#include "gui/IGuiHost.h"
#include "gui/VRGuiWindow.h"

#include <cairo.h>
#include <glib.h>

#include <algorithm>

namespace {

// Letters, digits and '_' make words; every other character is a word of its
// own kind, so a double click on blanks selects the run of blanks.
bool IsWordChar(gunichar c) {
    return g_unichar_isalnum(c) || c == '_';
}

// Typed or pasted text without control characters; a paste stops at the
// first line break, as a one-line field keeps only the first line.
std::string Printable(const std::string& text) {
    const std::string valid = GuiTextLayout::MakeValid(text);
    std::string result;
    for (char c : valid) {
        if (c == '\r' || c == '\n')
            break;
        if (static_cast<unsigned char>(c) >= 0x20 && c != 0x7F)
            result += c;
    }
    return result;
}

// The longest start of text (at a character boundary) of at most `bytes` bytes.
std::string CutToBytes(const std::string& text, size_t bytes) {
    if (text.size() <= bytes)
        return text;
    size_t end = bytes;
    while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80)
        --end;
    return text.substr(0, end);
}

} // namespace

GuiEditField::GuiEditField() : VRGuiLayer(1, 1) {}

void GuiEditField::Begin(VRGuiWindow* window, const GuiRect& windowRect, const std::string& text,
                         const GuiFont& font, EndHandler onEnd) {
    if (!window || IsOpen())
        return;
    m_font = font;
    m_onEnd = std::move(onEnd);
    m_scroll = 0;
    m_dragging = false;
    SetText(text);
    m_anchor = 0;
    SetSize(std::max(1, windowRect.Width()), std::max(1, windowRect.Height()));
    window->OpenLayer(this, windowRect.left, windowRect.top);
    Changed();
}

void GuiEditField::End(EndReason reason) {
    if (!IsOpen())
        return;
    if (VRGuiWindow* window = GetWindow())
        window->CloseLayer(this);
    m_dragging = false;
    // Taken out first: the handler may begin a new editing with a new handler.
    EndHandler onEnd = std::move(m_onEnd);
    m_onEnd = nullptr;
    if (onEnd)
        onEnd(reason);
}

void GuiEditField::SetText(const std::string& text) {
    m_text = CutToBytes(Printable(text), kMaxTextBytes);
    m_caret = m_anchor = m_text.size();
    Changed();
}

void GuiEditField::SetSelection(size_t anchor, size_t caret) {
    auto onBoundary = [this](size_t position) {
        position = std::min(position, m_text.size());
        while (position > 0 && (static_cast<unsigned char>(m_text[position]) & 0xC0) == 0x80)
            --position;
        return position;
    };
    m_anchor = onBoundary(anchor);
    m_caret = onBoundary(caret);
    Changed();
}

std::string GuiEditField::GetSelectedText() const {
    return m_text.substr(SelectionStart(), SelectionEnd() - SelectionStart());
}

size_t GuiEditField::PreviousBoundary(size_t position) const {
    if (position == 0)
        return 0;
    const char* start = m_text.c_str();
    return static_cast<size_t>(g_utf8_find_prev_char(start, start + position) - start);
}

size_t GuiEditField::NextBoundary(size_t position) const {
    if (position >= m_text.size())
        return m_text.size();
    const char* start = m_text.c_str();
    return static_cast<size_t>(g_utf8_next_char(start + position) - start);
}

void GuiEditField::MoveCaret(size_t position, bool extend) {
    m_caret = position;
    if (!extend)
        m_anchor = position;
    Changed();
}

void GuiEditField::ReplaceSelection(const std::string& text) {
    const size_t start = SelectionStart();
    const size_t removed = SelectionEnd() - start;
    const std::string inserted = CutToBytes(text, kMaxTextBytes - (m_text.size() - removed));
    m_text.replace(start, removed, inserted);
    m_caret = m_anchor = start + inserted.size();
    Changed();
}

bool GuiEditField::OnKey(int32_t event, int32_t key, uint32_t modifiers) {
    if (event != kKeyDown)
        return true;
    const bool shift = (modifiers & kModShift) != 0;
    if ((modifiers & kModControl) && OnControlKey(key))
        return true;
    switch (key) {
    case VK_RETURN:
        End(EndReason::kEnter);
        break;
    case VK_ESCAPE:
        End(EndReason::kEscape);
        break;
    case VK_LEFT:
        if (HasSelection() && !shift)
            MoveCaret(SelectionStart(), false);
        else
            MoveCaret(PreviousBoundary(m_caret), shift);
        break;
    case VK_RIGHT:
        if (HasSelection() && !shift)
            MoveCaret(SelectionEnd(), false);
        else
            MoveCaret(NextBoundary(m_caret), shift);
        break;
    case VK_HOME:
        MoveCaret(0, shift);
        break;
    case VK_END:
        MoveCaret(m_text.size(), shift);
        break;
    case VK_BACK:
        if (!HasSelection())
            m_anchor = PreviousBoundary(m_caret);
        DeleteSelection();
        break;
    case VK_DELETE:
        if (!HasSelection())
            m_anchor = NextBoundary(m_caret);
        DeleteSelection();
        break;
    default:
        break;
    }
    return true;
}

bool GuiEditField::OnControlKey(int32_t key) {
    switch (key) {
    case 'A':
        SetSelection(0, m_text.size());
        return true;
    case 'C':
        Copy();
        return true;
    case 'X':
        Copy();
        DeleteSelection();
        return true;
    case 'V':
        Paste();
        return true;
    default:
        return false;
    }
}

void GuiEditField::Copy() {
    VRGuiWindow* window = GetWindow();
    if (HasSelection() && window && window->GetHWND())
        window->GetHWND()->SetClipboardText(GetSelectedText());
}

void GuiEditField::Paste() {
    VRGuiWindow* window = GetWindow();
    if (window && window->GetHWND())
        ReplaceSelection(Printable(window->GetHWND()->GetClipboardText()));
}

bool GuiEditField::OnText(const std::string& text) {
    const std::string printable = Printable(text);
    if (!printable.empty())
        ReplaceSelection(printable);
    return true;
}

size_t GuiEditField::IndexAtPoint(GuiPoint p) const {
    GuiTextLayout layout(m_font, m_text);
    return layout.IndexAtX(p.x - kPadding + m_scroll);
}

void GuiEditField::SelectWordAt(size_t position) {
    if (m_text.empty())
        return;
    position = std::min(position, PreviousBoundary(m_text.size()));
    const char* text = m_text.c_str();
    const bool word = IsWordChar(g_utf8_get_char(text + position));
    auto sameKind = [&](size_t at) { return IsWordChar(g_utf8_get_char(text + at)) == word; };
    size_t start = position;
    while (start > 0 && sameKind(PreviousBoundary(start)))
        start = PreviousBoundary(start);
    size_t end = NextBoundary(position);
    while (end < m_text.size() && sameKind(end))
        end = NextBoundary(end);
    SetSelection(start, end);
}

bool GuiEditField::OnMouse(int32_t event, GuiPoint p, uint32_t keys) {
    VRGuiWindow* window = GetWindow();
    switch (event) {
    case kMouseLeftDown:
        MoveCaret(IndexAtPoint(p), (keys & MK_SHIFT) != 0);
        m_dragging = true;
        if (window)
            window->SetCapture(this);
        return true;
    case kMouseMove:
        if (m_dragging)
            MoveCaret(IndexAtPoint(p), true);
        return true;
    case kMouseLeftUp:
    case kMouseLeftUpAfterDoubleClick:
        m_dragging = false;
        if (window && window->GetCaptured() == this)
            window->ReleaseCapture();
        return true;
    case kMouseLeftDoubleClick:
        SelectWordAt(IndexAtPoint(p));
        return true;
    default:
        return event != kMouseEnter && event != kMouseLeave;
    }
}

void GuiEditField::OnPressOutside(GuiPoint) {
    End(EndReason::kFocusLost);
}

void GuiEditField::Changed() {
    GuiTextLayout layout(m_font, m_text);
    const int32_t inner = std::max(1, GetWidth() - 2 * kPadding);
    const int32_t caretX = layout.XOfIndex(m_caret);
    if (caretX - m_scroll > inner)
        m_scroll = caretX - inner;
    if (caretX < m_scroll)
        m_scroll = caretX;
    m_scroll = std::max(0, std::min(m_scroll, layout.Width() - inner));
    Invalidate(nullptr);
}

void GuiEditField::OnDraw(const GuiRect& r) {
    cairo_t* cr = GetWindow()->GetDrawContext();
    const uint32_t background = GuiSkinColor("gui-edit background");
    CImage::SetSourceColor(cr, background);
    cairo_rectangle(cr, r.left, r.top, r.Width(), r.Height());
    cairo_fill(cr);
    CImage::SetSourceColor(cr, GuiSkinColor("gui-edit selection"));
    cairo_set_line_width(cr, 1);
    cairo_rectangle(cr, 0.5, 0.5, GetWidth() - 1, GetHeight() - 1);
    cairo_stroke(cr);

    cairo_save(cr);
    cairo_rectangle(cr, 1, 1, GetWidth() - 2, GetHeight() - 2);
    cairo_clip(cr);
    GuiTextLayout layout(m_font, m_text);
    const double left = kPadding - m_scroll;
    const double top = (GetHeight() - layout.Height()) / 2;
    layout.Draw(cr, left, top, GuiSkinColor("gui-edit text"));
    if (HasSelection()) {
        // The selected part again, in the background colour on the selection colour.
        const double from = left + layout.XOfIndex(SelectionStart());
        const double to = left + layout.XOfIndex(SelectionEnd());
        cairo_rectangle(cr, from, 1, to - from, GetHeight() - 2);
        cairo_clip(cr);
        CImage::SetSourceColor(cr, GuiSkinColor("gui-edit selection"));
        cairo_paint(cr);
        layout.Draw(cr, left, top, background);
    } else {
        const double caretX = left + layout.XOfIndex(m_caret);
        CImage::SetSourceColor(cr, GuiSkinColor("gui-edit caret"));
        cairo_rectangle(cr, caretX, top, 1, layout.Height());
        cairo_fill(cr);
    }
    cairo_restore(cr);
}
