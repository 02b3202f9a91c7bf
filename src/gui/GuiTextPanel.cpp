#include "gui/GuiTextPanel.h"

#include "gui/VRGuiWindow.h"

#include <cairo.h>

GuiTextPanel::GuiTextPanel(int32_t width, int32_t height, uint32_t format)
    : VRGuiObject(width, height), m_format(format) {
    SetTransparent(true);
}

void GuiTextPanel::SetText(const std::string& text) {
    m_text = text;
    MeasureText();
    Invalidate(nullptr);
}

void GuiTextPanel::SetTextColor(uint32_t color) {
    m_textColor = color;
    m_backgroundColor = color == kWhite ? kNearWhite : kWhite;
    Invalidate(nullptr);
}

void GuiTextPanel::SetFont(const GuiFont& font) {
    m_font = font;
    MeasureText();
    Invalidate(nullptr);
}

void GuiTextPanel::MeasureText() {
    if (m_text.empty()) {
        m_textHeight = 0;
        return;
    }
    m_textHeight = Layout().Height();
}

GuiTextLayout& GuiTextPanel::Layout() {
    const bool wraps = (m_format & kTextWordBreak) && !(m_format & kTextSingleLine);
    return m_layout.Get(m_font, m_text, wraps ? GetWidth() : -1);
}

void GuiTextPanel::OnDraw(const GuiRect&) {
    if (m_text.empty())
        return;
    cairo_t* cr = GetWindow()->GetDrawContext();
    cairo_save(cr);
    cairo_rectangle(cr, 0, 0, GetWidth(), GetHeight());
    cairo_clip(cr);
    Layout().DrawIn(cr, 0, 0, GetWidth(), GetHeight(), m_format, m_textColor);
    cairo_restore(cr);
}

bool GuiTextPanel::GetToolTip(GuiPoint, std::string& text) {
    if (m_text.empty())
        return false;
    text.clear();
    for (size_t i = 0; i < m_text.size(); ++i) {
        const char c = m_text[i];
        if (c != '\r' && c != '\n') {
            text += c;
            continue;
        }
        // A CR LF pair is one line break, so it becomes one blank.
        if (c == '\r' && i + 1 < m_text.size() && m_text[i + 1] == '\n')
            ++i;
        text += ' ';
    }
    return true;
}
