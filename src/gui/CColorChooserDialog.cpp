#include "gui/CColorChooserDialog.h"

#include "gui/CDeluxeMessageBox.h"
#include "gui/CDialogButton.h"
#include "gui/CDialogTextField.h"
#include "gui/CValueEntryDialog.h"
#include "gui/DialogLook.h"
#include "gui/GuiInput.h"
#include "gui/VRGuiWindow.h"

#include <string>

namespace {

constexpr int32_t kFieldWidth = 50;
constexpr int32_t kFieldsLeft =
    CBaseDialog::kMargin + CColorChooserDialog::kColumns * (CColorChooserDialog::kSwatch + 4) + 40;
constexpr const char* kChannelNames[] = {"R", "G", "B"};

// The channel's byte in a 0x00BBGGRR colour: red 0, green 1, blue 2.
uint32_t Channel(uint32_t color, int channel) {
    return (color >> (8 * channel)) & 0xFF;
}

} // namespace

CColorChooserDialog::CColorChooserDialog(const std::string& title, uint32_t color)
    : CBaseDialog(title, kWidth, kHeight), m_color(color & 0x00FFFFFF) {
    for (int channel = 0; channel < 3; ++channel) {
        m_fields[size_t(channel)] = std::make_unique<CDialogTextField>(kFieldWidth, 3);
        CDialogTextField* field = m_fields[size_t(channel)].get();
        field->SetNumeric(true);
        field->SetOnChange([this] { ReadFields(); });
        AddFocusable(field, kFieldsLeft, ContentTop() + channel * (CDialogTextField::kHeight + 6));
    }
    const int32_t buttonTop = kHeight - kMargin - CDialogButton::kHeight;
    const int32_t cancelLeft = kWidth - kMargin - CDialogButton::kWidth;
    AddButton(IDOK, CDeluxeMessageBox::DefaultCaption(IDOK), cancelLeft - 8 - CDialogButton::kWidth,
              buttonTop);
    AddButton(IDCANCEL, CDeluxeMessageBox::DefaultCaption(IDCANCEL), cancelLeft, buttonTop);
    SetColor(m_color);
}

CColorChooserDialog::~CColorChooserDialog() {
    for (const std::unique_ptr<CDialogTextField>& field : m_fields)
        RemoveFocusable(field.get());
}

uint32_t CColorChooserDialog::SwatchColor(int index) {
    // Columns run through hues; rows from light to dark, the last row greys.
    static constexpr uint32_t kHues[kColumns] = {0x0000FF, 0x0080FF, 0x00FFFF, 0x00FF00,
                                                 0xFFFF00, 0xFF0000, 0xFF0080, 0xFF00FF};
    const int column = index % kColumns;
    const int row = index / kColumns;
    if (row == kRows - 1) {
        const uint32_t grey = static_cast<uint32_t>(255 * column / (kColumns - 1));
        return grey | grey << 8 | grey << 16;
    }
    static constexpr double kShades[] = {0.6, 0.3, 0.0, -0.45};
    return ShadeColor(kHues[column], kShades[row]);
}

GuiRect CColorChooserDialog::SwatchRect(int index) const {
    const int32_t left = kMargin + (index % kColumns) * (kSwatch + 4);
    const int32_t top = ContentTop() + (index / kColumns) * (kSwatch + 4);
    return {left, top, left + kSwatch, top + kSwatch};
}

GuiRect CColorChooserDialog::PreviewRect() const {
    const int32_t top = ContentTop() + 3 * (CDialogTextField::kHeight + 6) + 4;
    return {kFieldsLeft - 22, top, kWidth - kMargin, top + 40};
}

void CColorChooserDialog::SetColor(uint32_t color) {
    m_color = color & 0x00FFFFFF;
    for (int channel = 0; channel < 3; ++channel)
        m_fields[size_t(channel)]->SetText(std::to_string(Channel(m_color, channel)));
    const GuiRect preview = PreviewRect();
    Invalidate(&preview);
}

void CColorChooserDialog::ReadFields() {
    for (int channel = 0; channel < 3; ++channel) {
        double value = 0;
        if (!CValueEntryDialog::ParseNumber(m_fields[size_t(channel)]->GetText(), 0, 255, value))
            continue;
        const uint32_t shift = 8 * static_cast<uint32_t>(channel);
        m_color = (m_color & ~(0xFFu << shift)) | (static_cast<uint32_t>(value) << shift);
    }
    const GuiRect preview = PreviewRect();
    Invalidate(&preview);
}

void CColorChooserDialog::OnInitDialog() {
    SetFocus(GetButton(IDOK));
}

bool CColorChooserDialog::OnMouse(int32_t event, GuiPoint p, uint32_t keys) {
    if (event == kMouseLeftDown || event == kMouseLeftDoubleClick) {
        for (int i = 0; i < kColumns * kRows; ++i)
            if (SwatchRect(i).Contains(p.x, p.y)) {
                SetColor(SwatchColor(i));
                if (event == kMouseLeftDoubleClick)
                    EndDialog(IDOK);
                return true;
            }
    }
    return CBaseDialog::OnMouse(event, p, keys);
}

void CColorChooserDialog::OnDraw(const GuiRect& r) {
    CBaseDialog::OnDraw(r);
    cairo_t* cr = GetWindow()->GetDrawContext();
    const uint32_t frame = ShadeColor(DialogColor(kDialogBackgroundItem), -0.5);
    for (int i = 0; i < kColumns * kRows; ++i) {
        const GuiRect swatch = SwatchRect(i);
        FillDialogRect(cr, swatch, SwatchColor(i));
        FrameDialogRect(cr, swatch,
                        SwatchColor(i) == m_color ? DialogColor(kDialogTitleItem) : frame);
    }
    const uint32_t text = DialogColor(kDialogTextItem);
    for (int channel = 0; channel < 3; ++channel) {
        const int32_t top = ContentTop() + channel * (CDialogTextField::kHeight + 6);
        DrawDialogText(cr, kChannelNames[channel],
                       {kFieldsLeft - 22, top, kFieldsLeft - 4, top + CDialogTextField::kHeight},
                       kDialogFont, text, false);
    }
    const GuiRect preview = PreviewRect();
    FillDialogRect(cr, preview, m_color);
    FrameDialogRect(cr, preview, frame);
}
