#include "gui/CDialogTextField.h"

#include "gui/CBaseDialog.h"
#include "gui/DialogLook.h"
#include "gui/GuiInput.h"
#include "gui/VRGuiWindow.h"

#include <pango/pangocairo.h>

#include <algorithm>

CDialogTextField::CDialogTextField(int32_t width, size_t maxBytes)
    : VRGuiObject(width, kHeight), m_maxBytes(maxBytes) {}

void CDialogTextField::SetText(const std::string& text) {
    m_text = DialogTextCut(text, m_maxBytes);
    // A text the program proposes is selected, so that typing replaces it.
    m_allSelected = !m_text.empty();
    Invalidate(nullptr);
}

bool CDialogTextField::Accepts(const std::string& text) const {
    if (!m_numeric)
        return true;
    for (char c : text)
        if (!((c >= '0' && c <= '9') || c == '-' || c == '+' || c == '.'))
            return false;
    return true;
}

void CDialogTextField::Changed() {
    Invalidate(nullptr);
    if (m_onChange)
        m_onChange();
}

bool CDialogTextField::OnText(const std::string& text) {
    if (!IsEnabled())
        return false;
    const size_t kept = m_allSelected ? 0 : m_text.size();
    if (!Accepts(text) || kept + text.size() > m_maxBytes)
        return true; // swallowed: the field is full or the text does not belong here
    if (m_allSelected)
        m_text.clear();
    m_allSelected = false;
    m_text += DialogTextCut(text, text.size());
    Changed();
    return true;
}

bool CDialogTextField::OnKey(int32_t event, int32_t key, uint32_t modifiers) {
    if (event != kKeyDown || !IsEnabled())
        return false;
    if ((modifiers & kModControl) && key == 'A') {
        m_allSelected = !m_text.empty();
        Invalidate(nullptr);
        return true;
    }
    if ((key != VK_BACK && key != VK_DELETE) || m_text.empty())
        return false;
    if (m_allSelected || key == VK_DELETE) {
        // Delete takes the selection, or nothing: the caret stands at the end.
        if (!m_allSelected)
            return true;
        m_allSelected = false;
        m_text.clear();
        Changed();
        return true;
    }
    size_t end = m_text.size() - 1;
    while (end > 0 && (static_cast<unsigned char>(m_text[end]) & 0xC0) == 0x80)
        --end;
    m_text.resize(end);
    Changed();
    return true;
}

bool CDialogTextField::OnMouse(int32_t event, GuiPoint, uint32_t) {
    if (event != kMouseLeftDown)
        return false;
    CBaseDialog::FocusObject(this);
    return true;
}

void CDialogTextField::OnDraw(const GuiRect&) {
    cairo_t* cr = GetWindow()->GetDrawContext();
    const GuiRect whole = GetRect();
    FillDialogRect(cr, whole, DialogColor(kDialogListBackgroundItem));
    const bool focused = CBaseDialog::HasFocus(this);
    FrameDialogRect(cr, whole,
                    focused ? DialogColor(kDialogTitleItem)
                            : ShadeColor(DialogColor(kDialogBackgroundItem), -0.4));
    const GuiRect textBox{4, 0, whole.right - 4, whole.bottom};
    uint32_t textColor = IsEnabled() ? DialogColor(kDialogTextItem)
                                     : ShadeColor(DialogColor(kDialogBackgroundItem), -0.35);
    // Measuring an empty text would leave Pango holding a font.
    int width = 0;
    if (!m_text.empty()) {
        PangoLayout* layout = pango_cairo_create_layout(cr);
        PangoFontDescription* font = pango_font_description_from_string(kDialogFont);
        pango_layout_set_font_description(layout, font);
        pango_font_description_free(font);
        pango_layout_set_text(layout, m_text.c_str(), static_cast<int>(m_text.size()));
        pango_layout_get_pixel_size(layout, &width, nullptr);
        g_object_unref(layout);
    }
    if (m_allSelected && IsEnabled()) {
        const int32_t right = std::min(textBox.left + width, textBox.right);
        FillDialogRect(cr, {textBox.left - 1, 3, right + 1, whole.bottom - 3},
                       DialogColor(kDialogListSelectionItem));
        textColor = DialogColor(kDialogListBackgroundItem);
    }
    DrawDialogText(cr, m_text, textBox, kDialogFont, textColor, false);
    if (!focused)
        return;
    // The caret stands after the last character.
    const int32_t x = std::min(textBox.left + width + 1, textBox.right - 1);
    FillDialogRect(cr, {x, 4, x + 1, whole.bottom - 4}, textColor);
}
