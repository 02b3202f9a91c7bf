#include "ProgramUnderTest.h"

#include <gtest/gtest.h>

#include <cairo.h>

#include <filesystem>
#include <string>

namespace fs = std::filesystem;

namespace {

// Runs the program (or another command) with its settings, data and log in
// the test's folder; answers the exit code.
class ProgramRun : public ::testing::Test {
protected:
    void SetUp() override {
        if (!ProgramBuilt())
            GTEST_SKIP() << "loomtone is not built";
        dir = FreshTestFolder();
        env = LeakCheckEnv(dir) + "XDG_CONFIG_HOME='" + dir + "config' XDG_DATA_HOME='" + dir +
              "data' ";
    }

    int Run(const std::string& command) {
        return RunShell(env + command + " > '" + dir + "out.txt' 2>&1");
    }

    std::string Output() const { return FileContents(dir + "out.txt"); }

    std::string dir;
    std::string env;
};

struct Picture {
    int width = 0;
    int height = 0;
    uint32_t menuBar = 0;
    uint32_t statusBar = 0;
};

Picture ReadPng(const std::string& path) {
    Picture picture;
    cairo_surface_t* surface = cairo_image_surface_create_from_png(path.c_str());
    if (cairo_surface_status(surface) == CAIRO_STATUS_SUCCESS) {
        picture.width = cairo_image_surface_get_width(surface);
        picture.height = cairo_image_surface_get_height(surface);
        const unsigned char* data = cairo_image_surface_get_data(surface);
        const int stride = cairo_image_surface_get_stride(surface);
        auto pixel = [&](int x, int y) {
            return *reinterpret_cast<const uint32_t*>(data + y * stride + x * 4) & 0xFFFFFF;
        };
        picture.menuBar = pixel(picture.width - 2, 2);
        picture.statusBar = pixel(picture.width - 2, picture.height - 2);
    }
    cairo_surface_destroy(surface);
    return picture;
}

} // namespace

TEST_F(ProgramRun, ScreenshotPaintsTheMainWindowAtTheAskedSize) {
    const std::string out = dir + "window.png";
    ASSERT_EQ(Run(kProgram + " --screenshot '" + out + "' --size 640x480"), 0) << Output();
    const Picture picture = ReadPng(out);
    EXPECT_EQ(picture.width, 640);
    EXPECT_EQ(picture.height, 480);
    // The bars at the top and bottom are painted, in the same colour.
    EXPECT_EQ(picture.menuBar, picture.statusBar);
    EXPECT_NE(picture.menuBar, 0u);

    EXPECT_EQ(Run(kProgram + " --screenshot '" + out + "' --size 0x480"), 2);
    EXPECT_EQ(Run(kProgram + " --screenshot '" + out + "' --size 640"), 2);
    EXPECT_NE(Run(kProgram + " --screenshot '" + dir + "none/x.png'"), 0);
}

TEST_F(ProgramRun, InstalledProgramRunsFromTheLauncherLink) {
    const std::string prefix = dir + "prefix";
    const std::string build = LOOMTONE_BINARY_DIR;
    ASSERT_EQ(Run("cmake --install '" + build + "' --prefix '" + prefix + "'"), 0) << Output();
    EXPECT_TRUE(fs::is_symlink(prefix + "/bin/loomtone"));
    EXPECT_TRUE(fs::exists(prefix + "/share/applications/loomtone.desktop"));
    EXPECT_TRUE(fs::exists(prefix + "/share/mime/packages/loomtone.xml"));
    ASSERT_EQ(Run("'" + prefix + "/bin/loomtone' --version"), 0);
    EXPECT_EQ(Output().rfind("Loomtone ", 0), 0u) << Output();
    // The skin and strings are found next to the real executable.
    ASSERT_EQ(Run("'" + prefix + "/bin/loomtone' --screenshot '" + dir + "installed.png'"), 0)
        << Output();
    EXPECT_EQ(ReadPng(dir + "installed.png").width, 1024);
}
