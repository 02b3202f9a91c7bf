#include "project/SoundFontNotice.h"

#include "gui/MessageBoxes.h"
#include "support/Log.h"

#include <atomic>

bool WarnOnceWithoutSoundFont(const std::string& soundFontPath) {
    static std::atomic<bool> shown{false};
    if (!soundFontPath.empty() || shown.exchange(true))
        return false;
    Log("No General MIDI SoundFont is installed: instrument tracks play silence.");
    ShowMessage(nullptr, "Err_NoSoundFont_Body", MB_OK | MB_ICONEXCLAMATION,
                "Err_NoSoundFont_Title");
    return true;
}
