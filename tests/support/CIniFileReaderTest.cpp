#include "support/CIniFileReader.h"
#include "support/LogCapture.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

using namespace std::string_literals;

CIniFileReader Parse(std::string_view text) {
    CIniFileReader reader;
    reader.InitFromMemory(text);
    return reader;
}

TEST(CIniFileReader, SkinStyleSectionsAndKeysWithSpaces) {
    CIniFileReader ini = Parse("; the skin\n"
                               "[caret color]\n"
                               "solid color.r = 255\n"
                               "solid color.g=0\n"
                               "  solid color.b   =\t12  \n"
                               "\n"
                               "[timeline background]\n"
                               "use = track header\n");
    EXPECT_EQ(ini.GetString("caret color", "solid color.r"), "255");
    EXPECT_EQ(ini.GetString("caret color", "solid color.g"), "0");
    EXPECT_EQ(ini.GetString("caret color", "solid color.b"), "12");
    EXPECT_EQ(ini.GetString("timeline background", "use"), "track header");
    EXPECT_EQ(ini.GetString("timeline background", "image fn", "none"), "none");
    EXPECT_EQ(ini.GetString("no such item", "use", "dflt"), "dflt");
    EXPECT_FALSE(ini.FindString("caret color", "use").has_value());
}

TEST(CIniFileReader, NamesIgnoreCase) {
    CIniFileReader ini = Parse("[Strings]\nEGPD_Min=Minimum\n[Layer]\nstart.B.1 = 7\n");
    EXPECT_EQ(ini.GetString("strings", "egpd_min"), "Minimum");
    EXPECT_EQ(ini.GetString("STRINGS", "EGPD_MIN"), "Minimum");
    EXPECT_EQ(ini.GetString("layer", "Start.B.1"), "7");
    // Keys keep their spelling when listed.
    EXPECT_EQ(ini.GetKeys("LAYER"), std::vector<std::string>{"start.B.1"});
}

TEST(CIniFileReader, ValueSplitsAtFirstEqualsAndKeepsCommentCharacters) {
    CIniFileReader ini = Parse("[s]\nformula = a=b=c\nnote = 50% ; not a comment # either\n"
                               "empty =\n= no key\nno equals sign here\n");
    EXPECT_EQ(ini.GetString("s", "formula"), "a=b=c");
    EXPECT_EQ(ini.GetString("s", "note"), "50% ; not a comment # either");
    EXPECT_TRUE(ini.HasKey("s", "empty"));
    EXPECT_EQ(ini.GetString("s", "empty", "dflt"), "");
    EXPECT_EQ(ini.GetKeys("s"), (std::vector<std::string>{"formula", "note", "empty"}));
}

TEST(CIniFileReader, CommentsQuotesAndBlankLines) {
    CIniFileReader ini = Parse("# hash comment\n"
                               "  ; indented comment = not a key\n"
                               "[s]\n"
                               "quoted = \"  padded  \"\n"
                               "inner = say \"hi\" now\n"
                               "lone = \"\n"
                               "#commented = 1\n");
    EXPECT_EQ(ini.GetString("s", "quoted"), "  padded  ");
    EXPECT_EQ(ini.GetString("s", "inner"), "say \"hi\" now");
    EXPECT_EQ(ini.GetString("s", "lone"), "\"");
    EXPECT_FALSE(ini.HasKey("s", "#commented"));
    EXPECT_FALSE(ini.HasKey("", "; indented comment"));
}

TEST(CIniFileReader, DuplicatesFirstWinsAndSectionsMerge) {
    CIniFileReader ini = Parse("[a]\nk = first\nK = second\n[b]\nx=1\n[A]\nk = third\nj = 2\n");
    EXPECT_EQ(ini.GetString("a", "k"), "first");
    EXPECT_EQ(ini.GetString("a", "j"), "2");
    EXPECT_EQ(ini.GetKeys("a"), (std::vector<std::string>{"k", "j"}));
    EXPECT_EQ(ini.GetSectionNames(), (std::vector<std::string>{"a", "b"}));
}

TEST(CIniFileReader, BomLineEndingsAndKeysBeforeAnySection) {
    CIniFileReader ini =
        Parse("\xEF\xBB\xBFtop = 1\r\n[crlf]\r\nk = v\r\n[cr]\rk2 = v2\r[lf]\nk3 = v3");
    EXPECT_EQ(ini.GetString("", "top"), "1");
    EXPECT_EQ(ini.GetString("crlf", "k"), "v");
    EXPECT_EQ(ini.GetString("cr", "k2"), "v2");
    EXPECT_EQ(ini.GetString("lf", "k3"), "v3");
    EXPECT_EQ(ini.GetSectionNames(), (std::vector<std::string>{"", "crlf", "cr", "lf"}));
    EXPECT_TRUE(ini.HasSection(""));
    EXPECT_FALSE(Parse("[x]\n").HasSection(""));
}

TEST(CIniFileReader, SectionHeaders) {
    CIniFileReader ini = Parse("[  spaced name  ] trailing text\nk=1\n[unclosed\nk2=2\n[]\nk3=3\n");
    EXPECT_EQ(ini.GetString("spaced name", "k"), "1");
    // The unclosed header is ignored, so its key stays in the previous section.
    EXPECT_EQ(ini.GetString("spaced name", "k2"), "2");
    EXPECT_FALSE(ini.HasSection("unclosed"));
    EXPECT_EQ(ini.GetString("", "k3"), "3");
}

TEST(CIniFileReader, LongLinesAreNotCut) {
    std::string value(100000, 'v');
    std::string key(5000, 'k');
    CIniFileReader ini = Parse("[s]\n" + key + " = " + value + "\n");
    EXPECT_EQ(ini.GetString("s", key), value);
}

TEST(CIniFileReader, Integers) {
    CIniFileReader ini = Parse("[s]\na = 42\nb = -7\nc = +3\nd = 0x1F\ne = 12abc\nf =\n"
                               "g = 2147483647\nh = -2147483648\ni = 2147483648\nj = -\n"
                               "k = 0x\nl = 99999999999999999999\nm = 1.5\n");
    int value = 0;
    EXPECT_TRUE(ini.TryGetInt("s", "a", value));
    EXPECT_EQ(value, 42);
    EXPECT_EQ(ini.GetInt("s", "b", 0), -7);
    EXPECT_EQ(ini.GetInt("s", "c", 0), 3);
    EXPECT_EQ(ini.GetInt("s", "d", 0), 31);
    EXPECT_EQ(ini.GetInt("s", "g", 0), 2147483647);
    EXPECT_EQ(ini.GetInt("s", "h", 0), -2147483647 - 1);
    for (const char* bad : {"e", "f", "i", "j", "k", "l", "m", "missing"})
        EXPECT_FALSE(ini.TryGetInt("s", bad, value)) << bad;
    EXPECT_EQ(ini.GetInt("s", "e", 255), 255);
}

TEST(CIniFileReader, HostileBytesNeverCrash) {
    const std::string nasty[] = {
        "",
        "[",
        "]",
        "=",
        "[[[]]]",
        "\xEF\xBB",
        "\xEF\xBB\xBF",
        "\r\r\n\n\r",
        "[s\0]\nk\0=v\0w\n"s,
        "[s]\nkey = \"",
        "[s]\n\"=\"",
        "[s]\n\t \t",
    };
    for (const std::string& text : nasty) {
        CIniFileReader ini = Parse(text);
        ini.GetString("s", "k");
        ini.GetSectionNames();
        ini.GetKeys("s");
    }
    CIniFileReader ini = Parse("[s\0x]\nk\0y = v\0z\n"s);
    EXPECT_EQ(ini.GetString("s\0x"s, "k\0y"s), "v\0z"s);
}

TEST(CIniFileReader, ReadsFilesAndReportsMissingOnes) {
    std::filesystem::create_directories(LOOMTONE_TEST_TMP);
    const std::string path = std::string(LOOMTONE_TEST_TMP) + "/ini-reader.ini";
    std::ofstream(path, std::ios::binary) << "[silver dialog]\r\nsolid color.r = 10\r\n";
    CIniFileReader ini;
    ASSERT_TRUE(ini.Init(path));
    EXPECT_EQ(ini.GetPath(), path);
    EXPECT_EQ(ini.GetInt("Silver Dialog", "solid color.r", 0), 10);

    LogCapture capture;
    const std::string missing = std::string(LOOMTONE_TEST_TMP) + "/no-such.ini";
    EXPECT_FALSE(ini.Init(missing));
    EXPECT_TRUE(ini.GetSectionNames().empty());
    EXPECT_TRUE(capture.Contains("CIniFileReader::Init - unable to read"));
    // A folder is not a file.
    EXPECT_FALSE(ini.Init(LOOMTONE_TEST_TMP));
}

} // namespace
