#pragma once

#include "project/ProjectPreferences.h"
#include "project/RecordingInput.h"

#include <cstdint>
#include <functional>

#include "gui/GuiRect.h"

class CAllTracks;
class CPCMAudTrack;
class CClip;
class ClipDocument;
class CPCMMixer;
class CUndoMgr;
class Observer;
class VRGuiObject;

// What every track of a project shares: the engine mixer its engine track
// lives in, the undo manager its changes go to, the preferences, and the
// recording inputs the machine offers, and the document of the clips.
struct TrackServices {
    CPCMMixer& mixer;
    CUndoMgr& undo;
    ProjectPreferences& prefs;
    RecordingInput recordingInput{};
    int midiInputDeviceCount = 0;
    // The document the track's clips live in; without one a loaded track
    // keeps its clip chunks as they were read.
    ClipDocument* clipDocument = nullptr;
    // The horizontal scale clips are laid out in on their track's body.
    int32_t msPerPixel = 20;
    // Who hears the gestures of every clip on a track.
    Observer* clipObserver = nullptr;
    // Hears that a selected clip was pressed again: it leads what follows.
    std::function<void(CClip*)> clipMadeCurrent{};
    // Draws the ruler's grid lines into a track's body.
    std::function<void(VRGuiObject& target, const GuiRect& r)> gridPainter{};
    // The list the tracks lie in, for the menus' moves and heights and for
    // dropping a dragged header; none while a track stands alone.
    CAllTracks* trackList = nullptr;
    // What the track menus ask of the project: deleting the selected track,
    // and inserting a new selected track at an index.
    std::function<void()> deleteSelectedTrack{};
    std::function<void(int index, bool midi)> insertTrack{};
    // Duplicating the selected track, and freezing or thawing it (each one
    // undo step of its own).
    std::function<void()> duplicateSelectedTrack{};
    std::function<void()> freezeOrThawSelectedTrack{};
    // Brings a track to the frozen state or out of it without recording
    // (loading, undo and redo); false when that failed.
    std::function<bool(CPCMAudTrack& track, bool frozen)> changeFrozen{};
};
