#pragma once

#include "project/CProjectMixdown.h"

#include <memory>
#include <string>

class CProgressDialog;
class VRGuiWindow;

// A mix-down's progress in the program's progress dialog over the owner. The
// engine's worker renders while the GUI thread waits for it, so each report
// lets the window's input through: the user sees the text and the bar move
// and can press Cancel, which stops the render. Without a shown owner there
// is no dialog and nothing is ever cancelled.
class CRenderProgress {
public:
    // titleKey: the string key of the dialog's title.
    explicit CRenderProgress(VRGuiWindow* owner, const char* titleKey = "PD_MixingDown");
    ~CRenderProgress();
    CRenderProgress(const CRenderProgress&) = delete;
    CRenderProgress& operator=(const CRenderProgress&) = delete;

    // Shows the fraction (0..1) and the text; false once the user cancelled.
    bool Report(double fraction, const std::string& text);
    // Report as the mix-down's progress callback.
    CProjectMixdown::Progress Callback();

    CProgressDialog* Dialog() const { return m_dialog.get(); }

private:
    std::unique_ptr<CProgressDialog> m_dialog;
};
