#include "support/LocalizedStrings.h"
#include "support/LogCapture.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

namespace {

std::string WriteStringFile(const std::string& name, const std::string& contents) {
    std::filesystem::create_directories(LOOMTONE_TEST_TMP);
    const std::string path = std::string(LOOMTONE_TEST_TMP) + "/" + name;
    std::ofstream(path, std::ios::binary) << contents;
    return path;
}

const char* const kStrings = "\xEF\xBB\xBF[Strings]\r\n"
                             "OK = OK\r\n"
                             "guitools: msgbox dont ask = Don't ask me again\r\n"
                             "Err_LoadFailedBody = Unable to load\\n'%s'.\r\n"
                             "Columns = Name\\tSize\r\n"
                             "Path = C:\\Rec\\new\\n\r\n"
                             "FX_Track = %s %i: %s\r\n"
                             "[Other]\r\n"
                             "Hidden = not a string\r\n";

TEST(LocalizedStrings, LooksUpKeysInTheStringsSection) {
    ASSERT_TRUE(SetStringFile(WriteStringFile("strings-a.ini", kStrings)));
    EXPECT_EQ(MyLoadString("OK"), "OK");
    EXPECT_EQ(MyLoadString("guitools: msgbox dont ask"), "Don't ask me again");
    EXPECT_EQ(MyLoadString("GUITOOLS: MSGBOX DONT ASK"), "Don't ask me again");
    EXPECT_TRUE(HasLocalizedString("OK"));
    EXPECT_FALSE(HasLocalizedString("Hidden"));
}

TEST(LocalizedStrings, EscapesBecomeLineBreaksAndTabs) {
    ASSERT_TRUE(SetStringFile(WriteStringFile("strings-b.ini", kStrings)));
    EXPECT_EQ(MyLoadString("Err_LoadFailedBody"), "Unable to load\n'%s'.");
    EXPECT_EQ(MyLoadString("Columns"), "Name\tSize");
    // Other backslashes stay as written.
    EXPECT_EQ(MyLoadString("Path"), "C:\\Rec\new\n");
    EXPECT_EQ(ParseCarriageReturns("a\\nb\\"), "a\nb\\");
    EXPECT_EQ(ParseCarriageReturns("\\\\n"), "\\\n");
    EXPECT_EQ(ParseCarriageReturns(""), "");
}

TEST(LocalizedStrings, MissingKeysShowTheKeyAndAreLoggedOnce) {
    ASSERT_TRUE(SetStringFile(WriteStringFile("strings-c.ini", kStrings)));
    LogCapture capture;
    EXPECT_EQ(MyLoadString("Hidden"), "Hidden");
    EXPECT_EQ(MyLoadString("Hidden"), "Hidden");
    EXPECT_EQ(MyLoadString("NoSuchKey"), "NoSuchKey");
    int hiddenLines = 0;
    for (const std::string& line : capture.Lines())
        hiddenLines += line.find("MyLoadString - no text for key 'Hidden'") != std::string::npos;
    EXPECT_EQ(hiddenLines, 1);
    EXPECT_TRUE(capture.Contains("MyLoadString - no text for key 'NoSuchKey'"));
}

TEST(LocalizedStrings, FormattedTextsAreChecked) {
    ASSERT_TRUE(SetStringFile(WriteStringFile("strings-d.ini", kStrings)));
    EXPECT_EQ(MyLoadFormattedString("Err_LoadFailedBody", std::string("/p/song.lt4")),
              "Unable to load\n'/p/song.lt4'.");
    EXPECT_EQ(MyLoadFormattedString("FX_Track", "Track", 3, "Reverb"), "Track 3: Reverb");
    // The wrong arguments show the text as written instead of reading what is not there.
    EXPECT_EQ(MyLoadFormattedString("FX_Track", "Track", 3), "%s %i: %s");
    EXPECT_EQ(MyLoadFormattedString("Err_LoadFailedBody", 5), "Unable to load\n'%s'.");
    EXPECT_EQ(MyLoadFormattedString("Missing_%s", "x"), "Missing_x");
}

TEST(LocalizedStrings, AMissingFileLeavesOnlyKeys) {
    LogCapture capture;
    const std::string missing = std::string(LOOMTONE_TEST_TMP) + "/no-strings.ini";
    EXPECT_FALSE(SetStringFile(missing));
    EXPECT_EQ(GetStringFile(), missing);
    EXPECT_TRUE(capture.Contains("SetStringFile - unable to load string file"));
    EXPECT_EQ(MyLoadString("OK"), "OK");
    EXPECT_EQ(MyLoadString("Columns"), "Columns");
}

TEST(LocalizedStrings, ReplacingTheFileWhileOtherThreadsRead) {
    const std::string first = WriteStringFile("strings-e.ini", "[Strings]\nWord = one\n");
    const std::string second = WriteStringFile("strings-f.ini", "[Strings]\nWord = two\n");
    ASSERT_TRUE(SetStringFile(first));
    std::vector<std::thread> readers;
    for (int t = 0; t < 4; ++t) {
        readers.emplace_back([] {
            for (int i = 0; i < 500; ++i) {
                std::string word = MyLoadString("Word");
                EXPECT_TRUE(word == "one" || word == "two") << word;
            }
        });
    }
    for (int i = 0; i < 50; ++i)
        SetStringFile(i % 2 ? first : second);
    for (std::thread& reader : readers)
        reader.join();
}

} // namespace
