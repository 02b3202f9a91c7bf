#pragma once

#include "gui/CBaseDialog.h"

#include <cairo.h>

#include <atomic>
#include <string>

// The program's progress dialog, shown without blocking while a worker runs:
// a title, a line of text, a percentage bar (or, in indeterminate mode, a
// block sweeping to and fro) and a Cancel button. Cancel, Escape and the close
// control only raise the cancel flag; the worker polls IsCancelled (from any
// thread) and the owner closes the dialog when the work has stopped.
//
// Show, Update, SetText and Close belong to the GUI thread.
class CProgressDialog : public CBaseDialog {
public:
    static constexpr int32_t kWidth = 360;
    static constexpr int32_t kHeight = 150;
    static constexpr int32_t kBarHeight = 18;
    static constexpr uint32_t kSweepTimer = 7301;
    static constexpr uint32_t kSweepPeriodMs = 50;

    explicit CProgressDialog(const std::string& title);

    void Show(VRGuiWindow* owner);
    // Percent is clamped to 0..100; repaints only the bar, and only on a change.
    void Update(int percent);
    void SetText(const std::string& text);
    void SetIndeterminate(bool on);
    void Close();
    // One round of the host's loop, for work that runs on the GUI thread (or
    // waits there for a worker): without it nobody could press Cancel.
    void LetInputThrough();

    const std::string& GetText() const { return m_text; }

    int GetPercent() const { return m_percent; }
    bool IsIndeterminate() const { return m_indeterminate; }
    bool IsCancelled() const { return m_cancelled.load(); }
    // In the dialog's coordinates.
    GuiRect BarRect() const;

    void OnDraw(const GuiRect& r) override;
    void OnTimer(uint32_t id) override;

protected:
    void OnCommand(int id) override;
    void OnClose() override;

private:
    void Cancel();
    void DrawBar(cairo_t* cr) const;
    void InvalidateBar();

    std::string m_text;
    int m_percent = 0;
    bool m_indeterminate = false;
    int m_sweepStep = 0;
    std::atomic<bool> m_cancelled{false};
};
