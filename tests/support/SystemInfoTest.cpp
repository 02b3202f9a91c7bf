#include "support/SystemInfo.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>
#include <unistd.h>

namespace {

TEST(SystemInfo, CpuSpeedIsTheFastestCoreRounded) {
    EXPECT_EQ(ParseCPUSpeed("processor\t: 0\n"
                            "cpu MHz\t\t: 1200.000\n"
                            "processor\t: 1\n"
                            "cpu MHz\t\t: 3599.6\n"
                            "processor\t: 2\n"
                            "cpu MHz\t\t: 800.1\n"),
              3600);
    EXPECT_EQ(ParseCPUSpeed("processor : 0\r\ncpu MHz : 2400\r\n"), 2400);
}

TEST(SystemInfo, CpuSpeedIsZeroWhenNotMeasurable) {
    EXPECT_EQ(ParseCPUSpeed(""), 0);
    EXPECT_EQ(ParseCPUSpeed("processor : 0\nBogoMIPS : 50.00\n"), 0);
    EXPECT_EQ(ParseCPUSpeed("cpu MHz : fast\ncpu MHz :\ncpu MHz : -5\ncpu MHz : nan\n"
                            "cpu MHz : 1e300\ncpu MHz"),
              0);
    EXPECT_GE(CPUSpeed(), 0);
}

TEST(SystemInfo, OsReleasePrettyNameIsUnquoted) {
    EXPECT_EQ(ParseOsReleasePrettyName("NAME=\"Debian GNU/Linux\"\n"
                                       "PRETTY_NAME=\"Debian GNU/Linux 12 (bookworm)\"\n"),
              "Debian GNU/Linux 12 (bookworm)");
    EXPECT_EQ(ParseOsReleasePrettyName("PRETTY_NAME='Single quoted'"), "Single quoted");
    EXPECT_EQ(ParseOsReleasePrettyName("PRETTY_NAME=Bare"), "Bare");
    EXPECT_EQ(ParseOsReleasePrettyName("PRETTY_NAME=\"Say \\\"hi\\\"\""), "Say \"hi\"");
    EXPECT_EQ(ParseOsReleasePrettyName("PRETTY_NAME=\""), "\"");
    EXPECT_EQ(ParseOsReleasePrettyName("NAME=x\n"), "");
    EXPECT_FALSE(GetSystemVersion().empty());
}

TEST(SystemInfo, CommandLineParametersByIndex) {
    char program[] = "/opt/loomtone/loomtone";
    char file[] = "/home/me/song one.lt4";
    char* argv[] = {program, file, nullptr};
    SetCommandLine(2, argv);
    EXPECT_EQ(GetCommandLineParameter(0), program);
    EXPECT_EQ(GetCommandLineParameter(1), file);
    EXPECT_EQ(GetCommandLineParameter(2), "");
    EXPECT_EQ(GetCommandLineParameter(-1), "");
    SetCommandLine(0, nullptr);
    EXPECT_EQ(GetCommandLineParameter(0), "");
}

// Children of this process that have ended but were never reaped.
int CountZombieChildren() {
    int zombies = 0;
    std::error_code error;
    for (std::filesystem::directory_iterator it("/proc", error), end; !error && it != end;
         it.increment(error)) {
        std::ifstream in(it->path() / "stat");
        std::string line;
        if (!std::getline(in, line))
            continue;
        // "pid (name) state ppid ...": the name may hold spaces, so read after ')'.
        std::istringstream rest(line.substr(line.rfind(')') + 1));
        char state = 0;
        int parent = 0;
        if (rest >> state >> parent && parent == getpid() && state == 'Z')
            ++zombies;
    }
    return zombies;
}

// Puts a fake xdg-open first on PATH that writes each argument it gets on its
// own line into a file, then moves the file into place so it appears whole.
class LaunchBrowserTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_dir = std::string(LOOMTONE_TEST_TMP) + "/fake-browser";
        std::filesystem::remove_all(m_dir);
        std::filesystem::create_directories(m_dir);
        m_record = m_dir + "/args.txt";
        const std::string script = m_dir + "/xdg-open";
        std::ofstream(script) << "#!/bin/sh\n"
                                 "for a in \"$@\"; do printf '%s\\n' \"$a\"; done > \""
                              << m_record << ".part\"\n"
                              << "echo \"$#\" >> \"" << m_record << ".part\"\n"
                              << "mv \"" << m_record << ".part\" \"" << m_record << "\"\n";
        std::filesystem::permissions(script, std::filesystem::perms::owner_all);
        const char* path = std::getenv("PATH");
        m_oldPath = path ? path : "";
        setenv("PATH", (m_dir + ":" + m_oldPath).c_str(), 1);
    }
    void TearDown() override { setenv("PATH", m_oldPath.c_str(), 1); }

    // The fake launcher runs on its own; wait until it has written its record.
    std::string WaitForRecord() {
        for (int i = 0; i < 1000 && !std::filesystem::exists(m_record); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        std::ifstream in(m_record);
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }

    std::string m_dir, m_record, m_oldPath;
};

TEST_F(LaunchBrowserTest, AddressArrivesAsOneUntouchedArgument) {
    const std::string url =
        "https://example.org/a b?q='x\"y';rm -rf ~ $(touch " + m_dir + "/pwned) `id` &x=1|y";
    ASSERT_TRUE(LaunchBrowser(url));
    EXPECT_EQ(WaitForRecord(), url + "\n1\n");
    EXPECT_FALSE(std::filesystem::exists(m_dir + "/pwned"));

    // The launcher is reaped without anyone waiting for it.
    int zombies = CountZombieChildren();
    for (int i = 0; i < 1000 && zombies > 0; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        zombies = CountZombieChildren();
    }
    EXPECT_EQ(zombies, 0);
}

TEST_F(LaunchBrowserTest, RefusesAddressesThatLookLikeOptions) {
    EXPECT_FALSE(LaunchBrowser(""));
    EXPECT_FALSE(LaunchBrowser("--version"));
}

TEST(LaunchBrowser, FailsWhenTheLauncherIsMissing) {
    const char* path = std::getenv("PATH");
    const std::string oldPath = path ? path : "";
    const std::string empty = std::string(LOOMTONE_TEST_TMP) + "/empty-path";
    std::filesystem::create_directories(empty);
    setenv("PATH", empty.c_str(), 1);
    EXPECT_FALSE(LaunchBrowser("https://example.org/"));
    setenv("PATH", oldPath.c_str(), 1);
}

} // namespace
