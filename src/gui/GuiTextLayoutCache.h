#pragma once

#include "gui/GuiTextLayout.h"

#include <memory>
#include <string>

// One text kept laid out between repaints. Laying text out costs more than
// drawing it, and a repaint draws every label again, mostly unchanged: the
// layout is made again only when the text or the font differ from last time.
class GuiTextLayoutCache {
public:
    GuiTextLayout& Get(const GuiFont& font, const std::string& text);

private:
    GuiFont m_font;
    std::string m_text;
    std::unique_ptr<GuiTextLayout> m_layout;
};
