#include "TestTmp.h"

#include <filesystem>
#include <string>
#include <unistd.h>

namespace {

// Created on first use and removed when the process that made it ends. Forked
// children share the path, so only the creator removes it.
struct ProcessFolder {
    ProcessFolder()
        : owner(getpid()), path(std::string(LOOMTONE_TEST_TMP_ROOT) + "/" + std::to_string(owner)) {
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

} // namespace

const char* LoomtoneTestTmp() {
    static ProcessFolder folder;
    return folder.path.c_str();
}
