// The program describes the example project kept in data/ as valid JSON,
// with its four tracks and every sound found.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <sys/wait.h>

namespace fs = std::filesystem;

namespace {

TEST(ExampleProjectInfoTest, ProgramDescribesTheExampleProjectAsJson) {
    const std::string program = std::string(LOOMTONE_BINARY_DIR) + "/loomtone";
    if (!fs::exists(program))
        GTEST_SKIP() << "loomtone is not built";
    const std::string dir = std::string(LOOMTONE_TEST_TMP) + "/example-info/";
    fs::create_directories(dir);
    // The font library keeps its cache until the process ends; the
    // program's leak checker is told so, as the test programs tell theirs.
    std::ofstream(dir + "leaks.supp") << "leak:libfontconfig.so\n";
    const std::string project =
        std::string(LOOMTONE_SOURCE_DIR) + "/data/Example Projects/Example Song.lt4";
    const std::string command = "LSAN_OPTIONS=suppressions='" + dir + "leaks.supp' " + program +
                                " --info '" + project + "' | python3 -m json.tool > '" + dir +
                                "info.json'";
    ASSERT_EQ(WEXITSTATUS(std::system(command.c_str())), 0);
    std::ifstream in(dir + "info.json");
    const std::string info(std::istreambuf_iterator<char>(in), {});
    for (const char* name : {"Drums", "Bass", "Pad", "Melody"})
        EXPECT_NE(info.find("\"name\": \"" + std::string(name) + "\""), std::string::npos) << name;
    for (const char* sound : {"/Drums.ogg\"", "/Bass.ogg\"", "/Pad.ogg\""})
        EXPECT_NE(info.find(sound), std::string::npos) << sound;
    EXPECT_NE(info.find("\"key\": \"Am\""), std::string::npos);
    EXPECT_NE(info.find("\"kind\": \"midi\""), std::string::npos);
}

} // namespace
