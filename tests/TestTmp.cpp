#include "TestTmp.h"

#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>

namespace {

// Created on first use and removed when the process that made it ends. Forked
// children share the path, so only the creator removes it.
struct ProcessFolder {
    ProcessFolder()
        : owner(getpid()),
          path(std::string(LOOMTONE_BINARY_ROOT) + "/test-tmp/" + std::to_string(owner)) {
        std::error_code ec;
        std::filesystem::remove_all(path, ec);
        std::filesystem::create_directories(path, ec);
    }
    ~ProcessFolder() {
        if (getpid() != owner)
            return;
        std::error_code ec;
        std::filesystem::remove_all(path, ec);
    }
    pid_t owner;
    std::string path;
};

// The General MIDI instrument loads the small SoundFont in every test (and in
// the programs the tests start), unless the run names another: the full one
// takes seconds to load each time.
[[maybe_unused]] const bool kSmallSoundFont = [] {
    setenv("LOOMTONE_SOUNDFONT", "/usr/share/sounds/sf2/TimGM6mb.sf2", 0);
    return true;
}();

} // namespace

const char* LoomtoneSourceDir() {
    return LOOMTONE_SOURCE_ROOT;
}

const char* LoomtoneBinaryDir() {
    return LOOMTONE_BINARY_ROOT;
}

const char* LoomtoneTestTmp() {
    static ProcessFolder folder;
    return folder.path.c_str();
}

// Font libraries keep process-wide caches (fontconfig's configuration, Pango's
// fonts, cairo's font faces) that cannot all be torn down safely at exit while
// any font is still cached; what they hold is not a leak of ours. The leak
// checker of every test program reads this list, however the program is run.
extern "C" __attribute__((visibility("default"), used)) const char* __lsan_default_suppressions() {
    return "leak:libfontconfig.so\n"
           "leak:libpango-1.0.so\n"
           "leak:libpangoft2-1.0.so\n"
           "leak:libpangocairo-1.0.so\n"
           "leak:libcairo.so\n"
           // JACK's metadata store (Berkeley DB) keeps what it allocated when
           // it cannot open its folder, which a test's server may just have
           // removed.
           "leak:libdb-5.3.so\n";
}
