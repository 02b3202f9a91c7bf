#pragma once

// Running the built program from a test. Tests that need it skip while it is not built.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <sys/wait.h>

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
// whose cache lives until the process ends. The suppression file is written into `dir`.
inline std::string LeakCheckEnv(const std::string& dir) {
    std::ofstream(dir + "leaks.supp") << "leak:libfontconfig.so\n";
    return "LSAN_OPTIONS=suppressions='" + dir + "leaks.supp' ";
}

// The command's exit code; -1 when it could not run or was killed.
inline int RunShell(const std::string& command) {
    const int status = std::system(command.c_str());
    return status != -1 && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

inline std::string FileContents(const std::string& path) {
    std::ifstream in(path);
    return std::string(std::istreambuf_iterator<char>(in), {});
}
