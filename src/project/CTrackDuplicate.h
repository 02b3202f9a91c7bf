#pragma once

class CProject;
class CTrack;
class CUndoMgr;

// Duplicate Track: a copy of the selected track, with copies of its clips,
// its settings and its effect and instrument chains, inserted just below it.
// The copy is neither armed nor frozen: it keeps the source's last arming
// for its arm button, and its effects are as the user left them before any
// freezing (the frozen file stays the source's alone). One undo step takes
// the copy away again.
class CTrackDuplicate {
public:
    CTrackDuplicate(CProject& project, CUndoMgr& undo) : m_project(project), m_undo(undo) {}

    // False without a selected track or while the track records.
    static bool CanDuplicate(const CTrack* track);
    // The copy, selected; null when there was nothing to copy or the copy
    // could not be made (nothing then changed).
    CTrack* DuplicateSelectedTrack();

private:
    CProject& m_project;
    CUndoMgr& m_undo;
};
