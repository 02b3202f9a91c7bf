#pragma once

#include "project/ProjectPreferences.h"
#include "project/RecordingInput.h"

class CPCMMixer;
class CUndoMgr;

// What every track of a project shares: the engine mixer its engine track
// lives in, the undo manager its changes go to, the preferences, and the
// recording inputs the machine offers.
struct TrackServices {
    CPCMMixer& mixer;
    CUndoMgr& undo;
    ProjectPreferences& prefs;
    RecordingInput recordingInput;
    int midiInputDeviceCount = 0;
};
