#pragma once

#include "gui/VRGuiObject.h"

#include <cstddef>
#include <functional>
#include <string>

// The one-line text entry of the dialogs: typed text is appended, Backspace
// takes the last character away. A text set by the program, or all of it
// after Ctrl+A, is selected: typing replaces it, Backspace or Delete clears it. All dialogs enter
// text through this class, so a richer edit field can take its place in one spot.
class CDialogTextField : public VRGuiObject {
public:
    static constexpr int32_t kHeight = 22;

    CDialogTextField(int32_t width, size_t maxBytes);

    void SetText(const std::string& text);
    const std::string& GetText() const { return m_text; }
    bool IsAllSelected() const { return m_allSelected; }
    // Accepts only digits, a sign and a decimal point.
    void SetNumeric(bool numeric) { m_numeric = numeric; }
    // Called after every change the user made.
    void SetOnChange(std::function<void()> onChange) { m_onChange = std::move(onChange); }

    bool OnKey(int32_t event, int32_t key, uint32_t modifiers) override;
    bool OnText(const std::string& text) override;
    bool OnMouse(int32_t event, GuiPoint p, uint32_t keys) override;
    void OnDraw(const GuiRect& r) override;

private:
    bool Accepts(const std::string& text) const;
    void Changed();

    std::string m_text;
    size_t m_maxBytes;
    bool m_allSelected = false;
    bool m_numeric = false;
    std::function<void()> m_onChange;
};
