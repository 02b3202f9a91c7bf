#include "gui/GuiEditBox.h"

#include "gui/GuiInput.h"
#include "gui/GuiNotifications.h"
#include "gui/VRGuiWindow.h"

#include <cstdint>

GuiEditBox::GuiEditBox(int32_t controlId, int32_t width, int32_t height, uint32_t format)
    : GuiTextPanel(width, height, format), m_controlId(controlId) {}

void GuiEditBox::BeginEdit() {
    VRGuiWindow* window = GetWindow();
    if (!window || IsEditing())
        return;
    m_field.Begin(window, GetAbsRect(), GetText(), GetFont(),
                  [this](GuiEditField::EndReason reason) { OnEditEnded(reason); });
}

void GuiEditBox::OnEditEnded(GuiEditField::EndReason reason) {
    if (reason == GuiEditField::EndReason::kEscape)
        return;
    SetText(m_field.GetText());
    Notify<kNotifyTextChanged>(*this, m_controlId);
}

bool GuiEditBox::OnMouse(int32_t event, GuiPoint, uint32_t) {
    switch (event) {
    case kMouseLeftDown:
    case kMouseLeftDoubleClick:
        BeginEdit();
        return true;
    case kMouseLeftUp:
        return true;
    default:
        return false;
    }
}
