#pragma once

#include "project/ClipDocument.h"
#include "support/RefPtr.h"

#include <cstdint>
#include <optional>
#include <vector>

class CClip;
class CProject;
class CTrack;
class CUndoMgr;

// The program's own clip clipboard. Copy and Cut take the selected clips,
// only their part inside the time selection when one is active; Cut leaves
// what lies outside the selection on the track as clips of their own and
// keeps locked clips and clips of frozen tracks where they are (it copies
// them). Paste puts copies at a time on the caret's track and the ones
// below it as they were arranged, each on the nearest track of its kind.
// Times are heard milliseconds, as the timeline is drawn; held pieces keep
// their heard distances from the earliest of them.
class CClipboard {
public:
    CClipboard(CProject& project, CUndoMgr& undo);
    ~CClipboard();
    CClipboard(const CClipboard&) = delete;
    CClipboard& operator=(const CClipboard&) = delete;

    // True when something was copied.
    bool Copy();
    // One undo step, which brings back the clips and the time selection.
    bool Cut();
    // Delete over a time selection: removes the span of the selected clips
    // as Cut does, leaving what the clipboard holds as it was. One undo step;
    // true when a clip lost a piece.
    bool DeleteSpan();
    // At heardMs on the caret's track; one undo step. True when a clip was
    // pasted. The caret ends at the end of the last piece pasted on its track.
    bool Paste(double heardMs);
    void Clear();
    bool IsEmpty() const { return m_entries.empty(); }
    size_t Count() const { return m_entries.size(); }

private:
    struct Entry {
        RefPtr<CClip> clip;
        int32_t trackIndex = 0; // of the clip it came from
        double heardMs = 0.0;   // where the held piece began
    };
    // The part of a selected clip to take, in its own heard time.
    struct Part {
        double fromMs = 0.0;
        double toMs = 0.0;
    };

    // None when the clip is barely selected (it only touches the selection).
    std::optional<Part> SelectedPart(const CClip& clip, const std::optional<TimeRange>& range,
                                     const char* operation) const;
    // Copies the part of every selected clip; returns the clips that had one.
    std::vector<CClip*> Take(const std::optional<TimeRange>& range, const char* operation);
    void CutOut(CClip& clip, const Part& part);
    // Cuts the time selection's span out of the touched clips that may be
    // edited and clears the selection, with the undo records that bring
    // both back. True when a clip lost a piece.
    bool RemoveSpan(const std::vector<CClip*>& touched, const char* operation);
    CTrack* TargetTrack(const CClip& clip, int row);

    CProject& m_project;
    CUndoMgr& m_undo;
    std::vector<Entry> m_entries;
    int32_t m_minTrack = 0;
    double m_minHeardMs = 0.0;
};
