#include "support/CDelimitedTextFile.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <string>

namespace {

using Rows = std::vector<CDelimitedTextFile::Row>;

std::string TempPath(const std::string& name) {
    std::filesystem::create_directories(LOOMTONE_TEST_TMP);
    return std::string(LOOMTONE_TEST_TMP) + "/" + name;
}

TEST(CDelimitedTextFile, ParsesQuotesDoubledQuotesAndLineEndings) {
    CDelimitedTextFile file;
    ASSERT_TRUE(file.Parse("\xEF\xBB\xBFname,path\r\n"
                           "\"Kick, hard\",\"C:\\\\Sounds\\\\kick.wav\"\r\n"
                           "\r\n"
                           "\"say \"\"hi\"\"\",\"two\nlines\",\n"
                           "last,\"\"\r"
                           "x\"y,\"a\"b"));
    EXPECT_EQ(file.Rows(), (Rows{{"name", "path"},
                                 {"Kick, hard", "C:\\\\Sounds\\\\kick.wav"},
                                 {"say \"hi\"", "two\nlines", ""},
                                 {"last", ""},
                                 {"x\"y", "ab"}}));
    EXPECT_EQ(file.NumFields(2), 3);
    EXPECT_EQ(file.GetField(1, 0), "Kick, hard");
    EXPECT_EQ(file.GetField(9, 0), "");
    EXPECT_EQ(file.GetField(0, -1), "");
    EXPECT_EQ(file.NumFields(-1), 0);
}

TEST(CDelimitedTextFile, TabsAreOrdinaryTextUnderCommasAndDelimitersUnderTabs) {
    CDelimitedTextFile tabs('\t');
    ASSERT_TRUE(tabs.Parse("a,b\tc\n\"d\te\"\tf"));
    EXPECT_EQ(tabs.Rows(), (Rows{{"a,b", "c"}, {"d\te", "f"}}));
    EXPECT_EQ(tabs.Format(), "a,b\tc\n\"d\te\"\tf\n");
}

TEST(CDelimitedTextFile, UnterminatedQuoteFailsAndLeavesNoRows) {
    CDelimitedTextFile file;
    ASSERT_TRUE(file.Parse("a,b"));
    EXPECT_FALSE(file.Parse("a,\"never closed\nb,c"));
    EXPECT_EQ(file.NumRows(), 0);
    EXPECT_TRUE(file.Parse(""));
    EXPECT_EQ(file.NumRows(), 0);
}

TEST(CDelimitedTextFile, WritesAndReadsBackEveryKindOfField) {
    CDelimitedTextFile file;
    file.AddRow({"plain", "with,comma", "with \"quote\"", "line\r\nbreak", ""});
    file.AddRow({""});
    file.AddRow({" spaced ", "\"", ","});
    ASSERT_TRUE(file.SetField(4, 1, "far"));
    const std::string path = TempPath("delimited-roundtrip.csv");
    ASSERT_TRUE(file.Write(path));
    EXPECT_FALSE(std::filesystem::exists(path + ".tmp"));

    CDelimitedTextFile back;
    ASSERT_TRUE(back.Read(path));
    Rows expected = file.Rows();
    expected[3] = {""}; // an empty row comes back as one empty field
    EXPECT_EQ(back.Rows(), expected);
    EXPECT_EQ(back.GetField(4, 1), "far");
    EXPECT_FALSE(file.SetField(-1, 0, "x"));
}

TEST(CDelimitedTextFile, MissingFileOrFolderFails) {
    CDelimitedTextFile file;
    EXPECT_FALSE(file.Read(TempPath("no-such-file.csv")));
    file.AddRow({"a"});
    EXPECT_FALSE(file.Write(TempPath("no-such-folder/out.csv")));
}

TEST(CDelimitedTextFile, RandomBytesNeverCrash) {
    std::mt19937 random(1234);
    const char alphabet[] = {'"', ',', '\t', '\r', '\n', 'a', '\0', '\xEF', '\xBB', '\xBF'};
    CDelimitedTextFile file;
    for (int round = 0; round < 2000; ++round) {
        std::string text(random() % 40, ' ');
        for (char& c : text)
            c = alphabet[random() % sizeof(alphabet)];
        if (file.Parse(text)) {
            CDelimitedTextFile again;
            ASSERT_TRUE(again.Parse(file.Format()));
            ASSERT_EQ(again.Rows().size(), file.Rows().size());
        }
    }
}

} // namespace
