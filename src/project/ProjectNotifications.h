#pragma once

#include "support/Notification.h"

#include <cstdint>
#include <string>

class CPCMAudTrack;
class CTrack;
struct ClipSelectionDrag;
struct GuiPoint;
struct GuiSliderChange;

// Notification codes exchanged between the project, its tracks and their
// header and body objects. The parameter is a plain number (a track index)
// unless a code says otherwise.
enum ProjectNotification : int {
    // Parameter: the toolbar button's number (kToolbarButton...).
    kNotifyToolbarButton = 1000,
    // From a header to its track. Parameter: the button (CTrackHeader::Button).
    kNotifyHeaderButton = 1000,
    // From a header to its track: its picture was clicked.
    kNotifyTrackPicture = 1001,
    // From a header to its track. Parameter: a GuiSliderChange.
    kNotifyTrackVolume = 1002,
    kNotifySelectTrack = 1004,
    // Parameter: a TrackHeightDrag.
    kNotifyTrackHeightDrag = 1005,
    // Parameter: the colour.
    kNotifyTrackColour = 1006,
    // From a header to its track: the name was edited in place.
    // Parameter: the new name (a const std::string).
    kNotifyTrackRename = 1007,
    kNotifyTrackOrderChanged = 1008,
    // From a header to its track. Parameter: a TrackReorderDrag.
    kNotifyTrackReorder = 1009,
    // From a header: the key flags; from the track: a TrackClipsSelection.
    kNotifySelectTrackClips = 1010,
    // Every clip is to be deselected. Parameter: the key flags.
    kNotifyDeselectClips = 1014,
    kNotifySoloOn = 1016,
    kNotifySoloOff = 1017,
    // A double click on a track's empty lane. Parameter: the track index.
    kNotifyBodyDoubleClick = 1018,
    // Parameter: the time in milliseconds.
    kNotifyMoveCaret = 1019,
    // A click on a track's empty lane, from its body to the track.
    // Parameter: the x of the click on the timeline, in pixels.
    kNotifyBodyClickX = 1029,
    kNotifyTempoChange = 1027,
    // Parameter: the CPCMAudTrack that was armed.
    kNotifyTrackArmed = 1028,
    // The right button was released on a header or a body.
    // Parameter: the GuiPoint in window coordinates.
    kNotifyHeaderMenu = 1030,
    kNotifyBodyMenu = 1031,
    // A drag over a track's empty lane, from its body through the track to
    // the project. Parameter: a ClipSelectionDrag in pixels of the track
    // bodies' content.
    kNotifyBodySelectionDrag = 1180,
    // From a track through the project to the effect chain view: show the
    // track's effects (the header's button shows or hides them).
    // Parameter: a TrackEffectsRequest.
    kNotifyTrackEffects = 1410,
};

// A header tells its track which clips to select with the key flags; the
// track passes the same number on to the project with a TrackClipsSelection.
enum TrackPartNotification : int {
    kNotifyHeaderSelectClips = kNotifySelectTrackClips,
};

// The toolbar buttons the project acts on.
enum ToolbarButton : int {
    kToolbarButtonTimeLineMode = 33,
    kToolbarButtonAddTrack = 34,
};

// The payload of kNotifyTrackHeightDrag while the lower edge of a track
// header is dragged.
struct TrackHeightDrag {
    int32_t heightChange = 0;
    int32_t heightAtPress = 0;
    int32_t trackIndex = -1;
    bool released = false;
};

// The payload of kNotifyTrackReorder while a header is dragged up or down:
// the offsets from the press and the phase (1 first move, 2 later moves,
// 3 release).
struct TrackReorderDrag {
    int32_t dx = 0;
    int32_t dy = 0;
    int32_t phase = 0;
};

// The payload of kNotifySelectTrackClips from a track: every clip of the
// track is to be selected, adding to the selection with Shift or Ctrl.
struct TrackClipsSelection {
    int32_t trackIndex = -1;
    uint32_t keys = 0;
};

// The payload of kNotifyTrackEffects.
struct TrackEffectsRequest {
    CTrack* track = nullptr;
    // Hide the effects when they are showing already.
    bool toggle = false;
};

// What each code carries (see support/Notification.h).
template <> struct NotificationCarries<kNotifyHeaderButton> {
    using Type = int32_t; // the button, or the toolbar button
};
template <> struct NotificationCarries<kNotifyTrackVolume> { using Type = const GuiSliderChange; };
template <> struct NotificationCarries<kNotifySelectTrack> {
    using Type = int32_t; // the track index
};
template <> struct NotificationCarries<kNotifyTrackHeightDrag> {
    using Type = const TrackHeightDrag;
};
template <> struct NotificationCarries<kNotifyTrackColour> { using Type = uint32_t; };
template <> struct NotificationCarries<kNotifyTrackPicture> { using Type = void; };
template <> struct NotificationCarries<kNotifyTrackRename> {
    using Type = const std::string; // the new name
};
template <> struct NotificationCarries<kNotifyTrackReorder> {
    using Type = const TrackReorderDrag;
};
template <> struct NotificationCarries<kNotifySelectTrackClips> {
    using Type = const TrackClipsSelection;
};
template <> struct NotificationCarries<kNotifyHeaderSelectClips> {
    using Type = uint32_t; // the key flags
};
template <> struct NotificationCarries<kNotifyDeselectClips> {
    using Type = uint32_t; // the key flags
};
template <> struct NotificationCarries<kNotifyBodyDoubleClick> {
    using Type = int32_t; // the track index
};
template <> struct NotificationCarries<kNotifyMoveCaret> {
    using Type = intptr_t; // milliseconds
};
template <> struct NotificationCarries<kNotifyBodyClickX> {
    using Type = int32_t; // pixels
};
template <> struct NotificationCarries<kNotifyTrackArmed> { using Type = CPCMAudTrack; };
template <> struct NotificationCarries<kNotifyHeaderMenu> { using Type = const GuiPoint; };
template <> struct NotificationCarries<kNotifyBodyMenu> { using Type = const GuiPoint; };
template <> struct NotificationCarries<kNotifyBodySelectionDrag> {
    using Type = const ClipSelectionDrag;
};
template <> struct NotificationCarries<kNotifyTrackEffects> {
    using Type = const TrackEffectsRequest;
};

// Numbers travel in the pointer-sized parameter.
inline void* NotificationNumber(intptr_t value) {
    return reinterpret_cast<void*>(value);
}
