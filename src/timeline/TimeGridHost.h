#pragma once

#include <cstdint>

class TempoMap;
struct TrackMarkerLook;

// What the ruler needs of the document that shows it. Times are
// milliseconds of the tempo-adjusted timeline (what the user sees) unless
// named "real".
class TimeGridHost {
public:
    virtual ~TimeGridHost() = default;

    // Milliseconds per pixel of the current zoom level.
    virtual int32_t CurrentMsPerPixel() const = 0;
    virtual const TempoMap& GetTempoMap() const = 0;
    virtual bool IsRecording() const = 0;
    virtual bool IsPlaying() const = 0;

    // Moves the stopped transport's playback marker to a time.
    virtual void MovePlaybackMarker(double ms) = 0;
    // Makes running (or the next) playback continue from a time.
    virtual void RelocatePlayback(double ms) = 0;
    // Clears and hides an active time selection.
    virtual void ClearTimeSelection() = 0;
    // A drag along the ruler from one timeline pixel to another selects that
    // time over every track.
    virtual void SelectTimeOnRuler(int32_t, int32_t) {}
    // Starts a new undo set before an editing step.
    virtual void BeginUndoSet() = 0;
    // The marker dialog, creating a marker at a real time.
    virtual void OpenNewMarkerDialog(double realMs) = 0;
    // The marker dialog, editing marker i.
    virtual void OpenMarkerDialog(int index) = 0;
    virtual void OpenMarkerWizard() = 0;
    // A marker dragged on the ruler and let go at a reference time (already
    // snapped): the document moves it there or refuses, as one undo step.
    virtual void MoveMarker(int index, double realMs) = 0;
    // Removes marker i (never the start marker) as one undo step.
    virtual void RemoveMarker(int index) = 0;
    // Switches the project to clock (1) or measure (0) mode; the project
    // passes the mode back to the ruler.
    virtual void SetTimeLineMode(int32_t mode) = 0;
    // The track bodies draw the ruler's grid lines: they need repainting
    // whenever the ticks change.
    virtual void InvalidateTrackBodies() = 0;
    // Name, colour and CD flag of the marker standing for tempo event i;
    // false when the document keeps none for it.
    virtual bool GetMarkerLook(int index, TrackMarkerLook& look) const = 0;
};
