#pragma once

#include <cstdint>

class CPrefs;
class VRGuiWindow;

// Where the main window stands between runs: its rectangle and whether it
// was maximized, kept in the preferences.
// The rectangle first, so that leaving the maximized state returns to it;
// never lower than minimumHeight.
void RestoreWindowPlacement(VRGuiWindow& window, const CPrefs& prefs, int32_t minimumHeight);
// A maximized window keeps the rectangle it will return to.
void StoreWindowPlacement(VRGuiWindow& window, CPrefs& prefs);
