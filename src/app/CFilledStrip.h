#pragma once

#include "gui/GuiTextLayout.h"
#include "gui/VRGuiObject.h"

#include <string>

// A strip of the main window filled with a skin colour, with one line of text
// at its left: the status bar, and the place the details area will take.
class CFilledStrip : public VRGuiObject {
public:
    static constexpr int32_t kTextIndent = 6;

    CFilledStrip(const std::string& backgroundItem, const std::string& textItem);

    void SetText(const std::string& text);
    const std::string& GetText() const { return m_text; }

    void OnDraw(const GuiRect& r) override;

private:
    std::string m_backgroundItem;
    std::string m_textItem;
    std::string m_text;
    GuiFont m_font;
};
