#pragma once

// Running the built program from a test. Tests that need it skip while it is not built.

#include "CommandOutput.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

inline const std::string kProgram = std::string(LOOMTONE_BINARY_DIR) + "/loomtone";

inline bool ProgramBuilt() {
    return std::filesystem::exists(kProgram);
}

// An empty folder of the running test's own, so that tests run side by side never share files.
inline std::string FreshTestFolder() {
    const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
    const std::string dir =
        std::string(LOOMTONE_TEST_TMP) + "/" + test->test_suite_name() + "." + test->name() + "/";
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    return dir;
}

// The start of a command line that tells the program's leak checker about the font library,
// whose cache lives until the process ends, and about JACK's metadata store (Berkeley DB),
// which keeps what it allocated when it cannot open its folder (another test's server may
// just have removed it). The suppression file is written into `dir`.
inline std::string LeakCheckEnv(const std::string& dir) {
    std::ofstream(dir + "leaks.supp") << "leak:libfontconfig.so\nleak:libdb-5.3.so\n";
    return "LSAN_OPTIONS=suppressions='" + dir + "leaks.supp' ";
}

// The command's exit code; -1 when it could not run or was killed.
inline int RunShell(const std::string& command) {
    const int status = std::system(command.c_str());
    return status != -1 && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// Runs the command as on a disk that fills up after `bytes` bytes of any one file: writing
// further fails with EFBIG (the signal that would otherwise end the process is ignored, and
// stays ignored for the programs the command starts). The exit code; -1 when killed.
inline int RunShellOnFullDisk(const std::string& command, rlim_t bytes) {
    const pid_t child = fork();
    if (child == 0) {
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{bytes, bytes};
        setrlimit(RLIMIT_FSIZE, &limit);
        execl("/bin/sh", "sh", "-c", command.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    int status = 0;
    if (child < 0 || waitpid(child, &status, 0) != child)
        return -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

inline std::string FileContents(const std::string& path) {
    std::ifstream in(path);
    return std::string(std::istreambuf_iterator<char>(in), {});
}
