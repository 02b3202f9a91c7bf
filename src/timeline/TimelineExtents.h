#pragma once

// The times, in milliseconds of the tempo-adjusted timeline, that the
// scrollable width of the track area must reach. Negative means "none".
struct TimelineExtents {
    double projectEndMs = 0.0;
    double caretMs = 0.0;
    double selectionEndMs = -1.0;
    double playbackMs = 0.0;
    double lastTempoEventMs = -1.0;
};
