#include "gui/CDialogCheckBox.h"

#include "gui/CBaseDialog.h"
#include "gui/CImage.h"
#include "gui/DialogLook.h"
#include "gui/GuiInput.h"
#include "gui/VRGuiWindow.h"

CDialogCheckBox::CDialogCheckBox(int32_t width, const std::string& label)
    : VRGuiObject(width, kHeight), m_label(label) {}

void CDialogCheckBox::SetChecked(bool checked) {
    if (checked == m_checked)
        return;
    m_checked = checked;
    Invalidate(nullptr);
}

void CDialogCheckBox::SetLabel(const std::string& label) {
    m_label = label;
    Invalidate(nullptr);
}

void CDialogCheckBox::Enable() {
    VRGuiObject::Enable();
    Invalidate(nullptr);
}

void CDialogCheckBox::Disable() {
    VRGuiObject::Disable();
    m_pressed = false;
    Invalidate(nullptr);
}

void CDialogCheckBox::Toggle() {
    if (!IsEnabled())
        return;
    m_checked = !m_checked;
    Invalidate(nullptr);
    if (m_onChange)
        m_onChange();
}

bool CDialogCheckBox::OnKey(int32_t event, int32_t key, uint32_t) {
    if (event != kKeyDown || key != VK_SPACE)
        return false;
    Toggle();
    return true;
}

bool CDialogCheckBox::OnMouse(int32_t event, GuiPoint p, uint32_t) {
    if (event == kMouseLeftDown || event == kMouseLeftDoubleClick) {
        CBaseDialog::FocusObject(this);
        m_pressed = true;
        return true;
    }
    if ((event == kMouseLeftUp || event == kMouseLeftUpAfterDoubleClick) && m_pressed) {
        m_pressed = false;
        if (GetRect().Contains(p.x, p.y))
            Toggle();
        return true;
    }
    return false;
}

void CDialogCheckBox::OnDraw(const GuiRect&) {
    cairo_t* cr = GetWindow()->GetDrawContext();
    const uint32_t background = DialogColor(kDialogBackgroundItem);
    FillDialogRect(cr, GetRect(), background);
    const uint32_t text =
        IsEnabled() ? DialogColor(kDialogTextItem) : ShadeColor(background, -0.35);
    const int32_t top = (kHeight - kBox) / 2;
    const GuiRect box{0, top, kBox, top + kBox};
    FillDialogRect(cr, box, DialogColor(kDialogListBackgroundItem));
    FrameDialogRect(cr, box, CBaseDialog::HasFocus(this) ? DialogColor(kDialogTitleItem) : text);
    if (m_checked) {
        // A tick from the lower left up to the right.
        CImage::SetSourceColor(cr, text);
        cairo_set_line_width(cr, 2.0);
        cairo_move_to(cr, box.left + 3, top + kBox / 2);
        cairo_line_to(cr, box.left + kBox / 2 - 1, box.bottom - 3);
        cairo_line_to(cr, box.right - 3, top + 3);
        cairo_stroke(cr);
    }
    DrawDialogText(cr, m_label, {kBox + 6, 0, GetWidth(), kHeight}, kDialogFont, text, false);
}
