#pragma once

#include "gui/VRGuiObject.h"

#include <functional>
#include <string>

// The check box of the dialogs: a box and its label. A click or Space (while
// focused) ticks or clears it and calls the change callback; a disabled box
// is drawn greyed and takes no input.
class CDialogCheckBox : public VRGuiObject {
public:
    static constexpr int32_t kHeight = 20;
    static constexpr int32_t kBox = 13;

    CDialogCheckBox(int32_t width, const std::string& label);

    // Set by the program: no change callback.
    void SetChecked(bool checked);
    bool IsChecked() const { return m_checked; }
    void SetLabel(const std::string& label);
    const std::string& GetLabel() const { return m_label; }
    void SetOnChange(std::function<void()> onChange) { m_onChange = std::move(onChange); }

    void Enable() override;
    void Disable() override;
    bool OnKey(int32_t event, int32_t key, uint32_t modifiers) override;
    bool OnMouse(int32_t event, GuiPoint p, uint32_t keys) override;
    void OnDraw(const GuiRect& r) override;

private:
    void Toggle();

    std::string m_label;
    bool m_checked = false;
    bool m_pressed = false;
    std::function<void()> m_onChange;
};
