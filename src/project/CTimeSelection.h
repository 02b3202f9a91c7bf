#pragma once

#include "project/ClipDocument.h"

#include <cstdint>
#include <optional>
#include <vector>

class CClip;
class CProject;
struct ClipSelectionDrag;

// Where a time selection lies: heard milliseconds over a range of tracks.
struct TimeSelectionState {
    double startMs = 0.0;
    double endMs = 0.0;
    int topTrack = 0;
    int bottomTrack = 0;
};

// The time selection of the track area: a span of the timeline over a range
// of tracks, made by dragging on the track bodies or on the ruler. Its
// times are heard milliseconds, as the timeline is drawn; its edges snap to
// the grid (an edge at 0 stays there). Dragging also selects the clips the
// rectangle touches (the rubber band). Drawn by the window's CTrackSelRect.
class CTimeSelection {
public:
    explicit CTimeSelection(CProject& project) : m_project(project) {}

    // A drag from a press point by offsets, in pixels of the track bodies'
    // content. The first drag of a selection lets go of the selected clips
    // unless Shift is held.
    void Drag(const ClipSelectionDrag& drag);
    // A drag on the ruler from one timeline pixel to another: every track.
    void DragOnRuler(int32_t fromX, int32_t toX);
    // Selects startMs to endMs (heard) over the tracks topTrack to bottomTrack.
    void Set(double startMs, double endMs, int topTrack, int bottomTrack);
    void Clear();
    bool IsActive() const;
    // Heard milliseconds, start before end; none while inactive.
    std::optional<TimeRange> Range() const;
    // The selection with its tracks, for undo; none while inactive.
    std::optional<TimeSelectionState> State() const;
    // Draws the selection again after the zoom or the track heights changed.
    void Relayout();

private:
    double SnapEdge(double heardMs) const;
    // The pixels of the track bodies from the top track's top to the bottom
    // track's bottom.
    void TrackSpan(int32_t& top, int32_t& bottom) const;
    // The track at a height of the track bodies; the last one below them.
    int TrackAtHeight(int32_t y) const;
    void BeginDrag(uint32_t keys);
    // Selects the clips the rectangle touches and lets go of those the
    // drag selected before that it no longer touches.
    void SelectClipsInside();

    CProject& m_project;
    int m_topTrack = 0;
    int m_bottomTrack = 0;
    // The clips selected by the drag in progress.
    std::vector<CClip*> m_banded;
};
