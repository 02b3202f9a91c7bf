#pragma once

class CRIFF;
class ProgressSink;

// The interface of every object stored in a project file. The base
// operations do the bookkeeping each override runs first: they report
// progress and return false when the user cancelled, and an override that
// sees false returns false at once. Objects without a legacy form keep the
// base LegacyLoad.
class SaveLoad {
public:
    virtual ~SaveLoad() = default;

    // False (logged "Project Save cancelled.") when the user cancelled.
    virtual bool Save(CRIFF& riff);
    // The check Save runs first, for objects that also write themselves
    // without a RIFF writer.
    bool ContinueSave() const;
    // Sets the progress to the reader's position in the file; false (logged
    // "Project Load cancelled.") when the user cancelled.
    virtual bool Load(CRIFF& riff);
    // As Load, logging "Project Legacy Load cancelled.".
    virtual bool LegacyLoad(CRIFF& riff);

    // The sink every step reports to; none (the default) means no progress
    // and no cancellation.
    void SetProgressSink(ProgressSink* sink) { m_progress = sink; }
    ProgressSink* GetProgressSink() const { return m_progress; }
    bool IsCancelled() const;

protected:
    void SetProgress(int percent);
    // The reader's position as a whole percentage of the file.
    void SetProgressFromPosition(const CRIFF& riff);

private:
    ProgressSink* m_progress = nullptr;
};
