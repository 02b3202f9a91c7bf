#include "gui/GuiTexturePanel.h"

#include "gui/CSkin.h"
#include "gui/VRGuiWindow.h"

#include <cairo.h>

#include <algorithm>

GuiTexturePanel::GuiTexturePanel(const std::string& skinItem, int32_t width, int32_t height)
    : VRGuiContainer(width, height), m_skinItem(skinItem) {
    RenderTexture();
}

void GuiTexturePanel::SetSkinItem(const std::string& skinItem) {
    m_skinItem = skinItem;
    RenderTexture();
    Invalidate(nullptr);
}

void GuiTexturePanel::SetColorShift(uint32_t color, int32_t percent) {
    m_shifted = true;
    m_shiftColor = color;
    m_shiftPercent = percent;
    RenderTexture();
    Invalidate(nullptr);
}

void GuiTexturePanel::ClearColorShift() {
    m_shifted = false;
    RenderTexture();
    Invalidate(nullptr);
}

void GuiTexturePanel::SetSize(int32_t width, int32_t height) {
    const bool heightChanged = height != GetHeight();
    VRGuiContainer::SetSize(width, height);
    if (heightChanged && m_panelHigh)
        RenderTexture();
}

void GuiTexturePanel::RenderTexture() {
    m_texture.Release();
    m_panelHigh = false;
    const CSkin* skin = CSkin::Current();
    SkinItem item;
    if (!skin || !skin->GetItem(m_skinItem, item, 1))
        return;
    bool rendered;
    if (item.type == SkinItem::kGradient || item.type == SkinItem::kSolidColor) {
        const SkinSize size{std::clamp(GetWidth(), 1, kMaxTextureWidth),
                            std::clamp(GetHeight(), 1, CImage::kMaxSide)};
        rendered = skin->RenderItem(item, m_texture, &size);
        m_panelHigh = true;
    } else {
        rendered = skin->RenderItem(item, m_texture, nullptr);
    }
    if (!rendered)
        m_texture.Release();
    else if (m_shifted)
        m_texture.MoveTowardColor(m_shiftColor, m_shiftPercent);
}

void GuiTexturePanel::OnDraw(const GuiRect& r) {
    DrawTexture(r);
}

void GuiTexturePanel::DrawTexture(const GuiRect& r) {
    VRGuiWindow* window = GetWindow();
    if (!window || !m_texture.IsValid() || r.IsEmpty())
        return;
    cairo_t* cr = window->GetDrawContext();
    // Drawn in window coordinates: a panel may be far wider than cairo's
    // coordinates reach, while the window point of a pixel is always small.
    const GuiRect abs = LocalToAbsRect(r);
    cairo_pattern_t* pattern = cairo_pattern_create_for_surface(m_texture.Surface());
    cairo_pattern_set_extend(pattern, CAIRO_EXTEND_REPEAT);
    if (m_panelHigh) {
        // The texture's top row belongs at the panel's top.
        const int32_t height = m_texture.Height();
        cairo_matrix_t matrix;
        cairo_matrix_init_translate(&matrix, 0, ((-GetAbsY() % height) + height) % height);
        cairo_pattern_set_matrix(pattern, &matrix);
    }
    cairo_save(cr);
    cairo_identity_matrix(cr);
    cairo_set_source(cr, pattern);
    cairo_rectangle(cr, abs.left, abs.top, abs.Width(), abs.Height());
    cairo_fill(cr);
    cairo_restore(cr);
    cairo_pattern_destroy(pattern);
}
