#pragma once

#include "pianoroll/PRNoteGestures.h"

class CPrefs;

// The piano roll's tool settings as the preferences keep them: the tool, the
// length of new notes with its modifiers, their velocity and the snap level.
// Every piano roll opens with them and every change made in one is kept.
class PianoRollToolPrefs {
public:
    static PRToolSettings Read(const CPrefs& prefs);
    static void Write(const PRToolSettings& settings, CPrefs& prefs);
};
