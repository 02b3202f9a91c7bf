#include "project/CProjectProgress.h"

#include "gui/CProgressDialog.h"
#include "gui/IGuiHost.h"
#include "gui/VRGuiWindow.h"
#include "support/LocalizedStrings.h"

CProjectProgress::CProjectProgress() = default;

CProjectProgress::~CProjectProgress() {
    End();
}

void CProjectProgress::Begin(VRGuiWindow* owner, Mode mode) {
    End();
    Reset();
    m_mode = mode;
    m_inputLetThrough = false;
    if (!owner || !owner->GetHWND())
        return;
    m_owner = owner;
    m_dialog = std::make_unique<CProgressDialog>(
        MyLoadString(mode == kSaving ? "PD_SavingProject" : "PD_LoadingProject"));
    m_dialog->Show(owner);
}

void CProjectProgress::End() {
    if (m_dialog)
        m_dialog->Close();
    m_dialog.reset();
    m_owner = nullptr;
    m_mode = kHidden;
}

void CProjectProgress::OnPercentChanged(int percent) {
    if (!m_dialog)
        return;
    m_dialog->Update(percent);
    LetInputThrough();
    if (m_dialog->IsCancelled())
        Cancel();
}

void CProjectProgress::LetInputThrough() {
    const uint64_t now = m_owner->GetHWND()->NowMs();
    if (m_inputLetThrough && now - m_lastInputMs < kInputIntervalMs)
        return;
    m_inputLetThrough = true;
    m_lastInputMs = now;
    m_dialog->LetInputThrough();
}
