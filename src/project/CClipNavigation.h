#pragma once

#include <cstdint>

class CClip;
class CProject;
class CTrack;
class CUndoMgr;

// The keyboard's way through the clips: the next or previous clip, and the
// nudges of the selected clips and of the caret by a step or a grid step,
// along the timeline and across tracks.
class CClipNavigation {
public:
    CClipNavigation(CProject& project, CUndoMgr& undo) : m_project(project), m_undo(undo) {}

    void SelectNextClip(int32_t direction);
    // xDeltaMs on the timeline, yTrackDelta -1 up a track, 1 down a track.
    void MoveClips(double xDeltaMs, int32_t yTrackDelta, bool useSnap);
    void MoveCaret(double xDeltaMs, int32_t yTrackDelta, bool useSnap);
    // Scrolls the track area so that the clip is in view.
    void ScrollToClip(const CClip& clip);

private:
    CClip* FindNextClip(CClip* start, bool forward) const;
    double NudgedShift(const CClip& clip, double xDeltaMs, bool useSnap) const;
    CTrack* NeighbourTrack(const CClip& clip, int32_t yTrackDelta);

    CProject& m_project;
    CUndoMgr& m_undo;
};
