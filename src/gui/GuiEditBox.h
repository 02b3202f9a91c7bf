#pragma once

#include "support/Observable.h"
#include "gui/GuiEditField.h"
#include "gui/GuiTextPanel.h"

#include <cstdint>

// A label the user can type over: a left press or double click opens an edit
// field (GuiEditField) over it with the whole text selected. Enter or a press
// elsewhere makes the typed text the label's and sends kNotifyTextChanged
// with the control identifier as parameter; Escape leaves the label as it was
// and sends nothing.
class GuiEditBox : public GuiTextPanel, public Observable {
public:
    static constexpr int kNotifyTextChanged = 1057;

    GuiEditBox(int32_t controlId, int32_t width, int32_t height,
               uint32_t format = GuiTextPanel::kDefaultFormat);

    int32_t GetControlId() const { return m_controlId; }
    // Opens the edit field over the box; nothing without a window or while editing.
    void BeginEdit();
    bool IsEditing() const { return m_field.IsEditing(); }
    GuiEditField& GetEditField() { return m_field; }

    bool OnMouse(int32_t event, GuiPoint p, uint32_t keys) override;

private:
    void OnEditEnded(GuiEditField::EndReason reason);

    int32_t m_controlId;
    GuiEditField m_field;
};
