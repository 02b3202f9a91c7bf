#include "gui/CValueEntryDialog.h"

#include "gui/CDeluxeMessageBox.h"
#include "gui/CDialogButton.h"
#include "gui/CDialogTextField.h"
#include "gui/DialogLook.h"
#include "gui/GuiInput.h"
#include "gui/VRGuiWindow.h"
#include "support/LocalizedStrings.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>

namespace {

constexpr int32_t kLabelHeight = 20;
constexpr uint32_t kErrorColor = 0x000000C0; // red

} // namespace

CValueEntryDialog::CValueEntryDialog(const std::string& title, const std::string& label)
    : CBaseDialog(title, kWidth, kHeight), m_label(label),
      m_field(std::make_unique<CDialogTextField>(kWidth - 2 * kMargin, kMaxTextBytes)) {
    AddFocusable(m_field.get(), kMargin, ContentTop() + kLabelHeight + 4);
    m_field->SetOnChange([this] {
        if (!m_rangeError)
            return;
        m_rangeError = false;
        Invalidate(nullptr);
    });
    const int32_t buttonTop = kHeight - kMargin - CDialogButton::kHeight;
    const int32_t cancelLeft = kWidth - kMargin - CDialogButton::kWidth;
    AddButton(IDOK, CDeluxeMessageBox::DefaultCaption(IDOK), cancelLeft - 8 - CDialogButton::kWidth,
              buttonTop);
    AddButton(IDCANCEL, CDeluxeMessageBox::DefaultCaption(IDCANCEL), cancelLeft, buttonTop);
}

CValueEntryDialog::~CValueEntryDialog() {
    RemoveFocusable(m_field.get());
}

void CValueEntryDialog::SetNumeric(double minimum, double maximum) {
    m_numeric = true;
    m_minimum = minimum;
    m_maximum = maximum;
    m_field->SetNumeric(true);
}

void CValueEntryDialog::SetText(const std::string& text) {
    m_field->SetText(text);
}

const std::string& CValueEntryDialog::GetText() const {
    return m_field->GetText();
}

bool CValueEntryDialog::ParseNumber(const std::string& text, double minimum, double maximum,
                                    double& value) {
    if (text.empty())
        return false;
    errno = 0;
    char* end = nullptr;
    const double parsed = std::strtod(text.c_str(), &end);
    if (errno != 0 || *end != '\0' || !std::isfinite(parsed))
        return false;
    if (parsed < minimum || parsed > maximum)
        return false;
    value = parsed;
    return true;
}

void CValueEntryDialog::OnInitDialog() {
    m_rangeError = false;
    SetFocus(m_field.get());
}

void CValueEntryDialog::OnCommand(int id) {
    if (id == IDOK && m_numeric && !ParseNumber(GetText(), m_minimum, m_maximum, m_value)) {
        m_rangeError = true;
        Invalidate(nullptr);
        return;
    }
    EndDialog(id);
}

void CValueEntryDialog::OnDraw(const GuiRect& r) {
    CBaseDialog::OnDraw(r);
    cairo_t* cr = GetWindow()->GetDrawContext();
    const int32_t top = ContentTop();
    DrawDialogText(cr, m_label, {kMargin, top, kWidth - kMargin, top + kLabelHeight}, kDialogFont,
                   DialogColor(kDialogTextItem), false);
    if (!m_rangeError)
        return;
    const int32_t errorTop = top + kLabelHeight + 4 + m_field->GetHeight() + 4;
    DrawDialogText(
        cr, FormatLocalized(MyLoadString("guitools: value out of range"), m_minimum, m_maximum),
        {kMargin, errorTop, kWidth - kMargin, errorTop + kLabelHeight}, kDialogFont, kErrorColor,
        false);
}
