#pragma once

#include <cstdint>

class CAudioDevices;
class VRGuiWindow;

// The File menu's Preferences command: the preferences dialog over the
// owner, whose OK reopens the devices. False when the command is another
// one, or when there are no devices to choose (a window without them).
bool RunPreferencesCommand(int32_t command, VRGuiWindow* owner, CAudioDevices* devices);
