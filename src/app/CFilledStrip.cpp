#include "app/CFilledStrip.h"

#include "gui/CImage.h"
#include "gui/GuiSkinColor.h"
#include "gui/VRGuiWindow.h"

#include <cairo.h>

CFilledStrip::CFilledStrip(const std::string& backgroundItem, const std::string& textItem)
    : m_backgroundItem(backgroundItem), m_textItem(textItem) {}

void CFilledStrip::SetText(const std::string& text) {
    if (text == m_text)
        return;
    m_text = text;
    Invalidate(nullptr);
}

void CFilledStrip::OnDraw(const GuiRect& r) {
    VRGuiWindow* window = GetWindow();
    cairo_t* cr = window ? window->GetDrawContext() : nullptr;
    if (!cr)
        return;
    CImage::SetSourceColor(cr, GuiSkinColor(m_backgroundItem));
    cairo_rectangle(cr, r.left, r.top, r.Width(), r.Height());
    cairo_fill(cr);
    if (m_text.empty())
        return;
    GuiTextLayout text(m_font, m_text);
    text.DrawIn(cr, kTextIndent, 0, GetWidth() - kTextIndent, GetHeight(),
                kTextLeft | kTextVCenter | kTextSingleLine, GuiSkinColor(m_textItem));
}
