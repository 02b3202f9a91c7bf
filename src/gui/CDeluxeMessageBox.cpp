#include "gui/CDeluxeMessageBox.h"

#include "gui/CDialogButton.h"
#include "gui/CImage.h"
#include "gui/DialogLook.h"
#include "gui/GuiInput.h"
#include "gui/VRGuiWindow.h"
#include "support/LocalizedStrings.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace {

// The buttons in the order they stand and Tab visits them.
constexpr int kButtonOrder[] = {IDOK, IDYES, IDNO, IDCANCEL};

std::vector<int> ButtonsOfSet(uint32_t flags) {
    switch (flags & MB_TYPEMASK) {
    case MB_OKCANCEL:
        return {IDOK, IDCANCEL};
    case MB_YESNO:
        return {IDYES, IDNO};
    case MB_YESNOCANCEL:
        return {IDYES, IDNO, IDCANCEL};
    default:
        return {IDOK};
    }
}

constexpr int32_t kButtonGap = 10;

} // namespace

CDeluxeMessageBox::CDeluxeMessageBox() : CBaseDialog("", kWidth, 120) {}

int CDeluxeMessageBox::Show(VRGuiWindow* owner, const std::string& text, uint32_t flags,
                            const std::string& title) {
    m_flags = flags;
    m_text =
        DialogTextCut(m_translateLineBreaks ? ParseCarriageReturns(text) : text, kMaxTextBytes);
    SetTitle(DialogTextCut(title, kMaxTitleBytes));
    return DoModal(owner);
}

void CDeluxeMessageBox::SetCheckBoxCaption(const std::string& caption) {
    m_checkCaption = DialogTextCut(caption, kMaxCaptionBytes);
}

size_t CDeluxeMessageBox::SlotOf(int id) {
    switch (id) {
    case IDCANCEL:
        return 1;
    case IDYES:
        return 2;
    case IDNO:
        return 3;
    default:
        return 0;
    }
}

void CDeluxeMessageBox::SetButtonCaption(int id, const std::string& caption) {
    m_looks[SlotOf(id)].caption = DialogTextCut(caption, kMaxButtonCaptionBytes);
}

void CDeluxeMessageBox::SetButtonImage(int id, const std::string& skinBase) {
    m_looks[SlotOf(id)].skinBase = skinBase;
}

void CDeluxeMessageBox::SetChecked(bool checked) {
    m_checked = checked ? 1 : 0;
    const GuiRect box = CheckBoxRect();
    Invalidate(&box);
}

CDeluxeMessageBox::Icon CDeluxeMessageBox::IconFor(uint32_t flags) {
    // The hand icon would be a stop sign; the program shows it as an exclamation.
    if ((flags & MB_ICONEXCLAMATION) == MB_ICONEXCLAMATION)
        return Icon::kExclamation;
    if (flags & MB_ICONASTERISK)
        return Icon::kInformation;
    if (flags & MB_ICONQUESTION)
        return Icon::kQuestion;
    if (flags & MB_ICONHAND)
        return Icon::kExclamation;
    return Icon::kNone;
}

int CDeluxeMessageBox::CloseAnswerFor(uint32_t flags) {
    switch (flags & MB_TYPEMASK) {
    case MB_YESNO:
        return IDNO;
    case MB_OKCANCEL:
    case MB_YESNOCANCEL:
        return IDCANCEL;
    default:
        return IDOK;
    }
}

std::string CDeluxeMessageBox::DefaultCaption(int id) {
    switch (id) {
    case IDCANCEL:
        return MyLoadString("guitools: msgbox cancel");
    case IDYES:
        return MyLoadString("guitools: msgbox yes");
    case IDNO:
        return MyLoadString("guitools: msgbox no");
    default: {
        const std::string key = "guitools: msgbox OK";
        const std::string caption = MyLoadString(key);
        return caption == key ? "OK" : caption;
    }
    }
}

GuiRect CDeluxeMessageBox::CheckBoxRect() const {
    if (!HasCheckBox())
        return {};
    return {kMargin, m_checkTop, kWidth - kMargin, m_checkTop + kCheckBoxHeight};
}

void CDeluxeMessageBox::CreateButtons() {
    if (GetButton(IDOK))
        return;
    for (int id : kButtonOrder)
        AddButton(id, "", 0, 0);
}

void CDeluxeMessageBox::OnInitDialog() {
    CreateButtons();
    if (m_checkCaption.empty())
        m_checkCaption = DialogTextCut(MyLoadString("guitools: msgbox dont ask"), kMaxCaptionBytes);
    const int32_t top = ContentTop();
    m_iconRect = {kMargin, top, kMargin + kIconSize, top + kIconSize};
    const int32_t textLeft = m_iconRect.right + kMargin;
    const int32_t textWidth = kWidth - textLeft - kMargin;
    const int32_t textHeight =
        std::max(MeasureWrappedText(m_text, textWidth, kBodyFont), 2 * kIconSize);
    m_textArea = {textLeft, top, textLeft + textWidth, top + textHeight};
    int32_t y = m_textArea.bottom + kButtonGap;
    if (HasCheckBox()) {
        m_checkTop = y;
        y += kCheckBoxHeight + kButtonGap / 2;
    }
    PlaceButtons(y);
    SetSize(kWidth, y + CDialogButton::kHeight + kMargin);
}

void CDeluxeMessageBox::PlaceButtons(int32_t top) {
    const std::vector<int> shown = ButtonsOfSet(m_flags);
    const int32_t count = static_cast<int32_t>(shown.size());
    const int32_t gap = (kWidth - count * CDialogButton::kWidth) / (count + 1);
    int32_t slot = 0;
    for (int id : kButtonOrder) {
        CDialogButton* button = GetButton(id);
        const ButtonLook& look = m_looks[SlotOf(id)];
        button->SetCaption(look.caption.empty() ? DefaultCaption(id) : look.caption);
        if (!look.skinBase.empty())
            button->SetSkin(look.skinBase);
        if (std::find(shown.begin(), shown.end(), id) == shown.end()) {
            button->Hide();
            continue;
        }
        button->Show();
        ++slot;
        button->SetPosition(gap * slot + CDialogButton::kWidth * (slot - 1), top);
    }
    SetDefaultButton(shown.front());
    SetFocus(GetButton(shown.front()));
}

void CDeluxeMessageBox::OnClose() {
    if (HasEnded())
        return;
    m_checked = 0;
    EndDialog(CloseAnswer());
}

bool CDeluxeMessageBox::OnMouse(int32_t event, GuiPoint p, uint32_t keys) {
    if (event == kMouseLeftDown && CheckBoxRect().Contains(p.x, p.y)) {
        SetChecked(!IsChecked());
        return true;
    }
    return CBaseDialog::OnMouse(event, p, keys);
}

void CDeluxeMessageBox::OnDraw(const GuiRect& r) {
    CBaseDialog::OnDraw(r);
    cairo_t* cr = GetWindow()->GetDrawContext();
    DrawIcon(cr);
    DrawDialogText(cr, m_text, m_textArea, kBodyFont, DialogColor(kDialogTextItem), true);
    if (HasCheckBox())
        DrawCheckBox(cr);
}

void CDeluxeMessageBox::DrawIcon(cairo_t* cr) const {
    const Icon icon = GetIcon();
    if (icon == Icon::kNone)
        return;
    const double x = m_iconRect.left;
    const double y = m_iconRect.top;
    const double size = kIconSize;
    if (icon == Icon::kExclamation) {
        CImage::SetSourceColor(cr, 0x0000C8F0); // amber
        cairo_move_to(cr, x + size / 2, y + 1);
        cairo_line_to(cr, x + size - 1, y + size - 2);
        cairo_line_to(cr, x + 1, y + size - 2);
        cairo_close_path(cr);
        cairo_fill_preserve(cr);
        CImage::SetSourceColor(cr, 0x00206080);
        cairo_set_line_width(cr, 1.0);
        cairo_stroke(cr);
    } else {
        CImage::SetSourceColor(cr, 0x00C06020); // blue
        cairo_arc(cr, x + size / 2, y + size / 2, size / 2 - 1, 0, 2 * M_PI);
        cairo_fill(cr);
    }
    const char* mark = icon == Icon::kExclamation ? "!" : icon == Icon::kQuestion ? "?" : "i";
    const uint32_t markColor = icon == Icon::kExclamation ? 0x00000000 : 0x00FFFFFF;
    const GuiRect markBox{m_iconRect.left, m_iconRect.top + (icon == Icon::kExclamation ? 5 : 0),
                          m_iconRect.right, m_iconRect.bottom};
    DrawDialogText(cr, mark, markBox, "DejaVu Sans Bold 16", markColor, false, TextAlign::kCenter);
}

void CDeluxeMessageBox::DrawCheckBox(cairo_t* cr) const {
    const GuiRect row = CheckBoxRect();
    const int32_t top = row.top + (row.Height() - 14) / 2;
    const GuiRect box{row.left, top, row.left + 14, top + 14};
    FillDialogRect(cr, box, DialogColor(kDialogListBackgroundItem));
    const uint32_t text = DialogColor(kDialogTextItem);
    FrameDialogRect(cr, box, text);
    if (m_checked) {
        CImage::SetSourceColor(cr, text);
        cairo_set_line_width(cr, 2.0);
        cairo_move_to(cr, box.left + 3, box.top + 7);
        cairo_line_to(cr, box.left + 6, box.top + 10);
        cairo_line_to(cr, box.left + 11, box.top + 3);
        cairo_stroke(cr);
    }
    DrawDialogText(cr, m_checkCaption, {box.right + 6, row.top, row.right, row.bottom}, kDialogFont,
                   text, false);
}
