#pragma once

#include "gui/GuiTextLayout.h"
#include "gui/GuiTextLayoutCache.h"
#include "gui/VRGuiObject.h"

#include <cstdint>
#include <string>

// A label drawn straight onto whatever lies below it: the panel is
// transparent and draws only its text, placed in its rectangle by the format
// flags (kText*) given at construction. Colours are 0x00BBGGRR.
class GuiTextPanel : public VRGuiObject {
public:
    static constexpr uint32_t kWhite = 0xFFFFFF;
    // The background behind white text must differ from it, or code that
    // tells text from background by colour would lose the text.
    static constexpr uint32_t kNearWhite = 0xFEFEFE;
    static constexpr uint32_t kDefaultFormat = kTextLeft | kTextVCenter | kTextSingleLine;

    GuiTextPanel(int32_t width, int32_t height, uint32_t format = kDefaultFormat);

    // Copies the text, measures the height it needs and repaints.
    virtual void SetText(const std::string& text);
    const std::string& GetText() const { return m_text; }
    // The height the text needs in the panel's format and width; 0 when empty.
    int32_t GetTextHeight() const { return m_textHeight; }
    void SetTextColor(uint32_t color);
    uint32_t GetTextColor() const { return m_textColor; }
    uint32_t GetBackgroundColor() const { return m_backgroundColor; }
    void SetFont(const GuiFont& font);
    const GuiFont& GetFont() const { return m_font; }
    uint32_t GetFormat() const { return m_format; }

    void OnDraw(const GuiRect& r) override;
    // The text on one line: line breaks become blanks.
    bool GetToolTip(GuiPoint p, std::string& text) override;

private:
    void MeasureText();
    // The text laid out in the panel's font, wrapped to its width when the format breaks words.
    GuiTextLayout& Layout();

    std::string m_text;
    GuiFont m_font;
    uint32_t m_format;
    GuiTextLayoutCache m_layout;
    uint32_t m_textColor = 0;
    uint32_t m_backgroundColor = kWhite;
    int32_t m_textHeight = 0;
};
