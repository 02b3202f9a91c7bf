#pragma once

#include "gui/CImage.h"
#include "gui/VRGuiContainer.h"

#include <cstdint>
#include <string>

// A container whose background is a skin item, rendered once into a texture
// and tiled over whatever is drawn. An image item keeps its own size; a colour
// or gradient is rendered as high as the panel (so a vertical gradient spans
// the panel once) and rendered again when the height changes. Tiles are laid
// from the window's origin horizontally, so the textures of panels side by
// side (clips on a track) line up; image tiles line up vertically too.
class GuiTexturePanel : public VRGuiContainer {
public:
    // Colour and gradient textures are at most this wide; they repeat beyond.
    static constexpr int32_t kMaxTextureWidth = 1024;

    GuiTexturePanel(const std::string& skinItem, int32_t width, int32_t height);

    void SetSkinItem(const std::string& skinItem);
    const std::string& GetSkinItem() const { return m_skinItem; }
    // Tints the texture: every pixel moves the percentage toward the colour.
    void SetColorShift(uint32_t color, int32_t percent);
    void ClearColorShift();
    const CImage& GetTexture() const { return m_texture; }

    void SetSize(int32_t width, int32_t height) override;
    void OnDraw(const GuiRect& r) override;

protected:
    // Draws the texture over r (in the panel's coordinates).
    void DrawTexture(const GuiRect& r);

private:
    void RenderTexture();

    std::string m_skinItem;
    CImage m_texture;
    // Whether the texture was rendered to the panel's height (colour, gradient).
    bool m_panelHigh = false;
    bool m_shifted = false;
    uint32_t m_shiftColor = 0;
    int32_t m_shiftPercent = 0;
};
