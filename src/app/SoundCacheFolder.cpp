#include "app/SoundCacheFolder.h"

#include "gui/MessageBoxes.h"
#include "support/Log.h"
#include "support/PrivateFolder.h"

namespace SoundCacheFolder {

std::string Choose(const std::string& configured) {
    std::string why;
    if (PrivateFolder::Prepare(configured, why))
        return configured;
    LogFmt("SoundCacheFolder - refusing '%s': %s", configured.c_str(), why.c_str());
    ShowFormattedMessage("TempFolderRefused_Title", "TempFolderRefused_Body",
                         MB_OK | MB_ICONEXCLAMATION, configured, why);
    const std::string fallback = PrivateFolder::DefaultSoundFolder();
    if (fallback != configured && PrivateFolder::Prepare(fallback, why))
        return fallback;
    LogFmt("SoundCacheFolder - no sound cache folder (%s); sounds are held in memory", why.c_str());
    return {};
}

} // namespace SoundCacheFolder
