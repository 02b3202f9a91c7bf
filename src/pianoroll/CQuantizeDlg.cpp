#include "pianoroll/CQuantizeDlg.h"

#include "gui/CDeluxeMessageBox.h"
#include "gui/CDialogButton.h"
#include "gui/CDialogCheckBox.h"
#include "gui/CDialogChoice.h"
#include "gui/CDialogTextField.h"
#include "gui/DialogLook.h"
#include "gui/MessageBoxes.h"
#include "gui/VRGuiWindow.h"
#include "pianoroll/PRNoteTiming.h"
#include "support/LocalizedStrings.h"

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

constexpr int32_t kMargin = CBaseDialog::kMargin;
constexpr int32_t kBoxWidth = 170;
constexpr int32_t kControlLeft = kMargin + kBoxWidth + 8;
constexpr int32_t kControlWidth = 170;
constexpr int32_t kRowStep = 28;

int32_t RowTop(int row) {
    return CBaseDialog::kTitleHeight + kMargin + row * kRowStep;
}

std::vector<std::string> LevelNames() {
    std::vector<std::string> names;
    for (int level = 1; level <= PRNoteTiming::kMaxSnapLevel; ++level)
        names.push_back(MyLoadString("QTZ_Level" + std::to_string(level)));
    return names;
}

// Level 1..10 as the list's entry and back; a level of 0 shows the first.
int EntryOf(int level) {
    return std::clamp(level, 1, PRNoteTiming::kMaxSnapLevel) - 1;
}

} // namespace

CQuantizeDlg::CQuantizeDlg(const PRQuantizeSettings& settings, bool hasSelection)
    : CBaseDialog(MyLoadString("QTZ_Title"), kWidth, kHeight), m_settings(settings) {
    m_startBox = std::make_unique<CDialogCheckBox>(kBoxWidth, MyLoadString("QTZ_Start"));
    m_startBox->SetChecked(settings.startLevel > 0);
    m_startBox->SetOnChange([this] { EnableControls(); });
    AddFocusable(m_startBox.get(), kMargin, RowTop(0));
    m_startLevel = std::make_unique<CDialogChoice>(kControlWidth, LevelNames());
    m_startLevel->SetSelected(EntryOf(settings.startLevel));
    AddFocusable(m_startLevel.get(), kControlLeft, RowTop(0));

    m_swingBox = std::make_unique<CDialogCheckBox>(kBoxWidth, MyLoadString("QTZ_Swing"));
    m_swingBox->SetChecked(settings.swingOn);
    m_swingBox->SetOnChange([this] { EnableControls(); });
    AddFocusable(m_swingBox.get(), kMargin + 16, RowTop(1));
    m_swing = std::make_unique<CDialogTextField>(60, 3);
    m_swing->SetText(std::to_string(std::clamp(settings.swing, 1, 100)));
    AddFocusable(m_swing.get(), kControlLeft, RowTop(1));

    m_lengthBox = std::make_unique<CDialogCheckBox>(kBoxWidth, MyLoadString("QTZ_NoteLen"));
    m_lengthBox->SetChecked(settings.lengthLevel > 0);
    m_lengthBox->SetOnChange([this] { EnableControls(); });
    AddFocusable(m_lengthBox.get(), kMargin, RowTop(3));
    m_lengthLevel = std::make_unique<CDialogChoice>(kControlWidth, LevelNames());
    m_lengthLevel->SetSelected(EntryOf(settings.lengthLevel));
    AddFocusable(m_lengthLevel.get(), kControlLeft, RowTop(3));

    m_scope = std::make_unique<CDialogChoice>(
        kControlWidth,
        std::vector<std::string>{MyLoadString("QTZ_All"), MyLoadString("QTZ_Selection")});
    m_scope->SetSelected(hasSelection && settings.selectionOnly ? 1 : 0);
    if (!hasSelection)
        m_scope->Disable();
    AddFocusable(m_scope.get(), kControlLeft, RowTop(4));

    const int32_t buttonTop = kHeight - kMargin - CDialogButton::kHeight;
    const int32_t cancelLeft = kWidth - kMargin - CDialogButton::kWidth;
    AddButton(IDOK, CDeluxeMessageBox::DefaultCaption(IDOK), cancelLeft - 8 - CDialogButton::kWidth,
              buttonTop);
    AddButton(IDCANCEL, CDeluxeMessageBox::DefaultCaption(IDCANCEL), cancelLeft, buttonTop);
    SetDefaultButton(IDOK);
    EnableControls();
}

CQuantizeDlg::~CQuantizeDlg() {
    for (VRGuiObject* object : std::vector<VRGuiObject*>{
             m_startBox.get(), m_startLevel.get(), m_swingBox.get(), m_swing.get(),
             m_lengthBox.get(), m_lengthLevel.get(), m_scope.get()})
        RemoveFocusable(object);
}

bool CQuantizeDlg::Run(VRGuiWindow* owner, PRNoteEdits& edits, PRQuantizeSettings& last,
                       const std::vector<MidiNotePtr>& selected) {
    CQuantizeDlg dialog(last, !selected.empty());
    if (dialog.DoModal(owner) != IDOK)
        return false;
    last = dialog.Settings();
    return PRQuantize::Apply(edits, last, selected);
}

void CQuantizeDlg::EnableControls() {
    const auto enable = [](VRGuiObject& object, bool on) {
        if (on)
            object.Enable();
        else
            object.Disable();
    };
    enable(*m_startLevel, m_startBox->IsChecked());
    enable(*m_swingBox, m_startBox->IsChecked());
    enable(*m_swing, m_startBox->IsChecked() && m_swingBox->IsChecked());
    enable(*m_lengthLevel, m_lengthBox->IsChecked());
    Invalidate(nullptr);
}

bool CQuantizeDlg::ReadControls() {
    if (!m_startBox->IsChecked() && !m_lengthBox->IsChecked())
        return false;
    PRQuantizeSettings s = m_settings;
    s.selectionOnly = m_scope->IsEnabled() && m_scope->GetSelected() == 1;
    s.startLevel = m_startBox->IsChecked() ? m_startLevel->GetSelected() + 1 : 0;
    if (m_swingBox->IsChecked()) {
        s.swing = std::clamp(std::atoi(m_swing->GetText().c_str()), 1, 100);
        m_swing->SetText(std::to_string(s.swing));
    }
    s.swingOn = m_swingBox->IsChecked();
    s.lengthLevel = m_lengthBox->IsChecked() ? m_lengthLevel->GetSelected() + 1 : 0;
    m_settings = s;
    return true;
}

void CQuantizeDlg::OnCommand(int id) {
    if (id == IDOK && !ReadControls()) {
        ShowMessage(Owner(), "QTZ_CheckSomethingBody", MB_OK, "QTZ_CheckSomethingTitle");
        return;
    }
    CBaseDialog::OnCommand(id);
}

void CQuantizeDlg::OnDraw(const GuiRect& r) {
    CBaseDialog::OnDraw(r);
    cairo_t* cr = GetWindow()->GetDrawContext();
    const uint32_t text = DialogColor(kDialogTextItem);
    const int32_t explainLeft = kControlLeft + 68;
    DrawDialogText(cr, MyLoadString("QTZ_SwingExp"),
                   {explainLeft, RowTop(1), kWidth - kMargin, RowTop(2) + 16}, kDialogFont, text,
                   false);
    DrawDialogText(cr, MyLoadString("QTZ_SelType"),
                   {kMargin, RowTop(4), kControlLeft - 8, RowTop(4) + CDialogCheckBox::kHeight},
                   kDialogFont, text, false);
}
