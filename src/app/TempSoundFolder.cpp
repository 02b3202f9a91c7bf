#include "app/TempSoundFolder.h"

#include "engine/CSoundLoader.h"
#include "support/Log.h"
#include "support/PrivateFolder.h"

#include <unistd.h>

#include <cstdio>
#include <filesystem>

namespace {

// The folder must be the user's own (what lies there is what a project plays);
// permissions say too little beyond that (the superuser ignores them, a full or
// read-only disk does not show in them): try to make a file there.
bool CanWriteIn(const std::string& folder, std::string& reason) {
    if (!PrivateFolder::Prepare(folder, reason))
        return false;
    const std::string probe =
        (std::filesystem::path(folder) / (".write-test-" + std::to_string(::getpid()))).string();
    std::FILE* file = std::fopen(probe.c_str(), "wb");
    if (!file) {
        reason = "cannot create a file there";
        return false;
    }
    std::fclose(file);
    std::remove(probe.c_str());
    return true;
}

} // namespace

bool UseTempSoundFolder(const std::string& folder) {
    std::string reason = "no folder set";
    if (!folder.empty() && CanWriteIn(folder, reason)) {
        CSoundLoader::SetTempSndPath(folder);
        return true;
    }
    LogFmt("UseTempSoundFolder - the temporary sound folder '%s' cannot be used (%s); sounds that "
           "need converting are held in memory",
           folder.c_str(), reason.c_str());
    CSoundLoader::SetTempSndPath("");
    return false;
}
