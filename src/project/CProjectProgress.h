#pragma once

#include "project/ProgressSink.h"

#include <cstdint>
#include <memory>

class CProgressDialog;
class VRGuiWindow;

// The progress of a project load or save in the program's progress dialog.
// Loads and saves run on the GUI thread, so now and then, as the percentage
// moves, the window's pending input is let through: without that nobody
// could ever press the dialog's Cancel. Without a shown window it is a plain
// ProgressSink.
class CProjectProgress : public ProgressSink {
public:
    enum Mode { kHidden = 0, kLoading = 1, kSaving = 2, kFreezing = 4 };
    static constexpr uint64_t kInputIntervalMs = 250;

    CProjectProgress();
    ~CProjectProgress() override;

    // Starts an operation at 0 percent, not cancelled, with the dialog over
    // the owner when it is shown on a host.
    void Begin(VRGuiWindow* owner, Mode mode);
    // Takes the dialog away; the cancel flag stays for the caller to read.
    void End();
    Mode GetMode() const { return m_mode; }
    // The dialog while an operation with a window runs, else null.
    CProgressDialog* Dialog() const { return m_dialog.get(); }

protected:
    void OnPercentChanged(int percent) override;

private:
    void LetInputThrough();

    std::unique_ptr<CProgressDialog> m_dialog;
    VRGuiWindow* m_owner = nullptr;
    Mode m_mode = kHidden;
    bool m_inputLetThrough = false;
    uint64_t m_lastInputMs = 0;
};
