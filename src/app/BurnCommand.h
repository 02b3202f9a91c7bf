#pragma once

#include "burn/CBurnDialog.h"

#include <cstdint>

class CPCMMixer;
class CPrefs;
class CProject;
class VRGuiWindow;

// What the burn dialog burns: the project's CD markers, its end, its texts,
// the temporary folder of the preferences, and its time selection when it has
// one.
CBurnDialog::Source BurnSourceOf(const CProject& project, CPCMMixer& mixer, const CPrefs& prefs);

// File > Burn CD (and the toolbar's Burn button): the burn dialog over the
// project with the CD writers of this machine, its settings kept in the
// preferences. False for any other command.
bool RunBurnCommand(int32_t command, VRGuiWindow* owner, CProject& project, CPCMMixer& mixer,
                    CPrefs& prefs);
