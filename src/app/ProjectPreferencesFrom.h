#pragma once

#include "project/ProjectPreferences.h"

class CPrefs;

// The preferences the project document works with, taken from the program's.
ProjectPreferences ProjectPreferencesFrom(const CPrefs& prefs);

// Copies back what the project changes while it runs (the answers of its
// questions, the kind of new project, the last freeze number, the ruler's mode and snap, the
// metronome, the automatic marker wizard's settings), so that they are saved with the program's
// preferences.
void CopyProjectPreferencesBack(const ProjectPreferences& project, CPrefs& prefs);
