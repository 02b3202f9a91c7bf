#include "app/PreferencesCommand.h"

#include "app/CPreferencesDialog.h"
#include "app/MainCommands.h"
#include "support/Log.h"

bool RunPreferencesCommand(int32_t command, VRGuiWindow* owner, CAudioDevices* devices) {
    if (command != kCmdPreferences)
        return false;
    if (!devices) {
        Log("RunPreferencesCommand - no devices to choose - returning false!");
        return false;
    }
    CPreferencesDialog::Run(owner, *devices);
    return true;
}
