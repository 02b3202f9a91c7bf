#pragma once

#include <atomic>

// Where a long load or save reports how far it got, and learns whether the
// user wants it to stop. Every step of a project load or save polls the
// cancel flag. The progress dialog derives from it and repaints in
// OnPercentChanged; code without a dialog (tests, the crash rescue save)
// uses it as it is.
class ProgressSink {
public:
    virtual ~ProgressSink() = default;

    // Takes a percentage (clamped to 0..100); OnPercentChanged hears of changes.
    void SetPercent(int percent);
    int Percent() const { return m_percent.load(); }

    // May be called from any thread.
    void Cancel() { m_cancelled.store(true); }
    bool IsCancelled() const { return m_cancelled.load(); }
    // Back to 0 percent, not cancelled, for the next operation.
    void Reset();

protected:
    virtual void OnPercentChanged(int /*percent*/) {}

private:
    std::atomic<int> m_percent{0};
    std::atomic<bool> m_cancelled{false};
};
