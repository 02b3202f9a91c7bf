#include "gui/CProgressDialog.h"

#include "gui/CDialogButton.h"
#include "gui/DialogLook.h"
#include "gui/GuiInput.h"
#include "gui/IGuiHost.h"
#include "gui/VRGuiWindow.h"
#include "support/LocalizedStrings.h"

#include <algorithm>
#include <cstdio>
#include <utility>

namespace {

constexpr int32_t kTextHeight = 20;
// Steps of the indeterminate block across the bar and back.
constexpr int kSweepSteps = 40;

} // namespace

CProgressDialog::CProgressDialog(const std::string& title) : CBaseDialog(title, kWidth, kHeight) {
    AddButton(IDCANCEL, MyLoadString("guitools: msgbox cancel"),
              (kWidth - CDialogButton::kWidth) / 2, kHeight - kMargin - CDialogButton::kHeight);
    SetDefaultButton(IDCANCEL);
    SetFocus(GetButton(IDCANCEL));
}

void CProgressDialog::Show(VRGuiWindow* owner) {
    ShowModeless(owner);
    if (m_indeterminate)
        StartTimer(kSweepTimer, kSweepPeriodMs);
}

void CProgressDialog::Close() {
    KillTimer(kSweepTimer);
    EndDialog(IsCancelled() ? IDCANCEL : IDOK);
}

void CProgressDialog::LetInputThrough() {
    IGuiHost* host = GetWindow() ? GetWindow()->GetHWND() : nullptr;
    if (!host)
        return;
    // The check before the round answers "not yet", the one after it ends the loop.
    bool checked = false;
    host->RunModalLoop([&checked] { return std::exchange(checked, true); });
}

GuiRect CProgressDialog::BarRect() const {
    const int32_t top = ContentTop() + kTextHeight + 8;
    return {kMargin, top, kWidth - kMargin, top + kBarHeight};
}

void CProgressDialog::InvalidateBar() {
    const GuiRect bar = BarRect();
    Invalidate(&bar);
}

void CProgressDialog::Update(int percent) {
    percent = std::clamp(percent, 0, 100);
    if (percent == m_percent)
        return;
    m_percent = percent;
    InvalidateBar();
}

void CProgressDialog::SetText(const std::string& text) {
    m_text = text;
    const GuiRect line{kMargin, ContentTop(), kWidth - kMargin, ContentTop() + kTextHeight};
    Invalidate(&line);
}

void CProgressDialog::SetIndeterminate(bool on) {
    if (on == m_indeterminate)
        return;
    m_indeterminate = on;
    m_sweepStep = 0;
    if (on && IsOpen())
        StartTimer(kSweepTimer, kSweepPeriodMs);
    else if (!on)
        KillTimer(kSweepTimer);
    InvalidateBar();
}

void CProgressDialog::OnTimer(uint32_t id) {
    if (id != kSweepTimer || !m_indeterminate)
        return;
    m_sweepStep = (m_sweepStep + 1) % (2 * kSweepSteps);
    InvalidateBar();
}

void CProgressDialog::Cancel() {
    m_cancelled = true;
    if (CDialogButton* button = GetButton(IDCANCEL))
        button->Disable();
}

void CProgressDialog::OnCommand(int id) {
    if (id == IDCANCEL)
        Cancel();
}

void CProgressDialog::OnClose() {
    Cancel();
}

void CProgressDialog::OnDraw(const GuiRect& r) {
    CBaseDialog::OnDraw(r);
    cairo_t* cr = GetWindow()->GetDrawContext();
    DrawDialogText(cr, m_text,
                   {kMargin, ContentTop(), kWidth - kMargin, ContentTop() + kTextHeight},
                   kDialogFont, DialogColor(kDialogTextItem), false);
    DrawBar(cr);
}

void CProgressDialog::DrawBar(cairo_t* cr) const {
    const GuiRect bar = BarRect();
    FillDialogRect(cr, bar, DialogColor(kDialogListBackgroundItem));
    const uint32_t fill = DialogColor(kDialogListSelectionItem);
    const int32_t inner = bar.Width() - 2;
    if (m_indeterminate) {
        const int32_t block = inner / 4;
        const int step = m_sweepStep < kSweepSteps ? m_sweepStep : 2 * kSweepSteps - m_sweepStep;
        const int32_t left = bar.left + 1 + (inner - block) * step / kSweepSteps;
        FillDialogRect(cr, {left, bar.top + 1, left + block, bar.bottom - 1}, fill);
    } else {
        const int32_t right = bar.left + 1 + inner * m_percent / 100;
        FillDialogRect(cr, {bar.left + 1, bar.top + 1, right, bar.bottom - 1}, fill);
        char label[8];
        std::snprintf(label, sizeof label, "%d%%", m_percent);
        DrawDialogText(cr, label, bar, kDialogFont, DialogColor(kDialogTextItem), false,
                       TextAlign::kCenter);
    }
    FrameDialogRect(cr, bar, ShadeColor(DialogColor(kDialogBackgroundItem), -0.4));
}
