#include "support/PrivateFolder.h"

#include "support/Paths.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace PrivateFolder {

std::string DefaultSoundFolder() {
    const char* cache = std::getenv("XDG_CACHE_HOME");
    std::string base;
    if (cache && cache[0] == '/') {
        base = cache;
        if (base.back() != '/')
            base += '/';
    } else {
        const std::string home = GetHomeDirectory();
        if (home.empty())
            return {};
        base = home + ".cache/";
    }
    return base + "loomtone/sounds/";
}

namespace {

// Makes every missing level, each closed to other users.
bool MakeLevels(const std::string& folder, std::string& why) {
    for (size_t at = 1; at <= folder.size(); ++at) {
        if (at != folder.size() && folder[at] != '/')
            continue;
        const std::string level = folder.substr(0, at);
        if (mkdir(level.c_str(), 0700) != 0 && errno != EEXIST) {
            why = "cannot create " + level + ": " + std::strerror(errno);
            return false;
        }
    }
    return true;
}

} // namespace

bool Prepare(const std::string& folder, std::string& why) {
    if (folder.empty() || folder[0] != '/') {
        why = "the folder is not an absolute path";
        return false;
    }
    if (!MakeLevels(ToNativeSeparators(folder), why))
        return false;
    struct stat info {};
    if (stat(folder.c_str(), &info) != 0 || !S_ISDIR(info.st_mode)) {
        why = "it is not a folder";
        return false;
    }
    if (info.st_uid != geteuid()) {
        why = "it belongs to another user, who could read or replace the sounds kept there";
        return false;
    }
    if (folder == DefaultSoundFolder() && (info.st_mode & 077) != 0 &&
        chmod(folder.c_str(), 0700) != 0) {
        why = std::string("cannot close it to other users: ") + std::strerror(errno);
        return false;
    }
    return true;
}

} // namespace PrivateFolder
