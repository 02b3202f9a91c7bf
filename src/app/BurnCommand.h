#pragma once

#include <cstdint>

class CPCMMixer;
class CPrefs;
class CProject;
class VRGuiWindow;

// File > Burn CD (and the toolbar's Burn button): the burn dialog over the
// project with the CD writers of this machine, its settings kept in the
// preferences. False for any other command.
bool RunBurnCommand(int32_t command, VRGuiWindow* owner, CProject& project, CPCMMixer& mixer,
                    CPrefs& prefs);
