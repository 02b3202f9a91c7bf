#include "gui/GuiTextLayoutCache.h"

GuiTextLayout& GuiTextLayoutCache::Get(const GuiFont& font, const std::string& text) {
    if (!m_layout || !(font == m_font) || text != m_text) {
        m_layout = std::make_unique<GuiTextLayout>(font, text);
        m_font = font;
        m_text = text;
    }
    return *m_layout;
}
