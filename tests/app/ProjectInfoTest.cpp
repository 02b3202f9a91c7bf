#include "app/JsonWriter.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <sys/wait.h>

namespace fs = std::filesystem;

namespace {

TEST(JsonWriterTest, QuotesEscapeAndReplaceInvalidUtf8) {
    EXPECT_EQ(JsonWriter::Quote("a\"b\\c\n\x01"), "\"a\\\"b\\\\c\\n\\u0001\"");
    EXPECT_EQ(JsonWriter::Quote("caf\xC3\xA9"), "\"caf\xC3\xA9\"");
    // A lone continuation byte, a cut sequence, an overlong form, a surrogate.
    EXPECT_EQ(JsonWriter::Quote("\x80"), "\"\xEF\xBF\xBD\"");
    EXPECT_EQ(JsonWriter::Quote("x\xE2\x82"), "\"x\xEF\xBF\xBD\xEF\xBF\xBD\"");
    EXPECT_EQ(JsonWriter::Quote("\xC0\xAF"), "\"\xEF\xBF\xBD\xEF\xBF\xBD\"");
    EXPECT_EQ(JsonWriter::Quote("\xED\xA0\x80"), "\"\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\"");
}

TEST(JsonWriterTest, PlacesCommasAndNullsForNonFiniteNumbers) {
    JsonWriter json;
    json.BeginObject();
    json.Key("a");
    json.BeginArray();
    json.Integer(1);
    json.Number(1.0 / 0.0);
    json.Bool(true);
    json.EndArray();
    json.Key("b");
    json.String("x");
    json.EndObject();
    EXPECT_EQ(json.Text(), "{\"a\":[1,null,true],\"b\":\"x\"}");
}

int RunShell(const std::string& command) {
    return WEXITSTATUS(std::system(command.c_str()));
}

TEST(ProjectInfoTest, ProgramWritesANewProjectAndDescribesItAsJson) {
    const std::string program = std::string(LOOMTONE_BINARY_DIR) + "/loomtone";
    if (!fs::exists(program))
        GTEST_SKIP() << "loomtone is not built";
    const std::string dir = std::string(LOOMTONE_TEST_TMP) + "/projectinfo/";
    fs::create_directories(dir);
    const std::string project = dir + "new \"one\".lt4";
    const std::string quoted = "'" + project + "'";
    ASSERT_EQ(RunShell(program + " --new " + quoted), 0);
    EXPECT_EQ(
        RunShell(program + " --info " + quoted + " | python3 -m json.tool > " + dir + "info.json"),
        0);
    EXPECT_GT(fs::file_size(dir + "info.json"), 100u);
    EXPECT_NE(RunShell(program + " --info " + dir + "missing.lt4 2>" + dir + "err.txt"), 0);
    EXPECT_GT(fs::file_size(dir + "err.txt"), 0u);
}

} // namespace
