#pragma once

#include "project/ProjectPreferences.h"

class CPrefs;

// The preferences the project document works with, taken from the program's.
ProjectPreferences ProjectPreferencesFrom(const CPrefs& prefs);
