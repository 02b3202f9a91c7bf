#include "support/Log.h"
#include "support/LogCapture.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

namespace {

std::vector<std::string> ReadLines(const std::string& path) {
    std::ifstream in(path);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

TEST(Log, WritesOneLinePerCallWithFormatting) {
    std::filesystem::create_directories(LOOMTONE_TEST_TMP);
    const std::string path = std::string(LOOMTONE_TEST_TMP) + "/log-lines.txt";
    std::filesystem::remove(path);
    ASSERT_TRUE(LogInit(path));
    Log("CProject::LoadProject() - Enter song.lt4");
    LogFmt("Starting up on %d/%02d/%4d!", 12, 6, 2026);
    LogCurrentMemory();
    LogCurrentHardDriveSpace();
    LogClose();

    const auto lines = ReadLines(path);
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_NE(lines[0].find("CProject::LoadProject() - Enter song.lt4"), std::string::npos);
    EXPECT_NE(lines[1].find("Starting up on 12/06/2026!"), std::string::npos);
    EXPECT_NE(lines[2].find("Memory:"), std::string::npos);
    EXPECT_NE(lines[3].find("Disk space:"), std::string::npos);
}

TEST(Log, NeverFailsVisibly) {
    EXPECT_FALSE(LogInit("/nonexistent-folder/for/sure/log.txt"));
    Log("dropped");
    Log(nullptr);
    LogFmt(nullptr);
    LogClose();
}

TEST(Log, LinesFromManyThreadsStayWhole) {
    std::filesystem::create_directories(LOOMTONE_TEST_TMP);
    const std::string path = std::string(LOOMTONE_TEST_TMP) + "/log-threads.txt";
    std::filesystem::remove(path);
    ASSERT_TRUE(LogInit(path));
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([t] {
            for (int i = 0; i < 200; ++i)
                LogFmt("thread %d line %d end", t, i);
        });
    for (auto& thread : threads)
        thread.join();
    LogClose();
    const auto lines = ReadLines(path);
    ASSERT_EQ(lines.size(), 800u);
    for (const auto& line : lines)
        EXPECT_EQ(line.substr(line.size() - 4), " end") << line;
}

TEST(LogCapture, SeesLinesOnlyWhileAlive) {
    Log("before");
    LogCapture outer;
    {
        LogCapture inner;
        LogFmt("value %d", 42);
        EXPECT_TRUE(inner.Contains("value 42"));
    }
    Log("after");
    EXPECT_FALSE(outer.Contains("before"));
    EXPECT_EQ(outer.Lines(), (std::vector<std::string>{"value 42", "after"}));
}

} // namespace
