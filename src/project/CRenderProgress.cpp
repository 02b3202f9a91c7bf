#include "project/CRenderProgress.h"

#include "gui/CProgressDialog.h"
#include "gui/VRGuiWindow.h"
#include "support/LocalizedStrings.h"

CRenderProgress::CRenderProgress(VRGuiWindow* owner, const char* titleKey) {
    if (!owner || !owner->GetHWND())
        return;
    m_dialog = std::make_unique<CProgressDialog>(MyLoadString(titleKey));
    m_dialog->Show(owner);
}

CRenderProgress::~CRenderProgress() {
    if (m_dialog)
        m_dialog->Close();
}

bool CRenderProgress::Report(double fraction, const std::string& text) {
    if (!m_dialog)
        return true;
    m_dialog->SetText(text);
    m_dialog->Update(static_cast<int>(fraction * 100.0));
    m_dialog->LetInputThrough();
    return !m_dialog->IsCancelled();
}

CProjectMixdown::Progress CRenderProgress::Callback() {
    return [this](double fraction, const std::string& text) { return Report(fraction, text); };
}
