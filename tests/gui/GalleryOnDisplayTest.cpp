// Drives the widget gallery on a real X display (a virtual one, Xvfb) with
// real input (xdotool), takes a screenshot of the window, and compares it
// with what the headless host draws for the same input.

#include "CommandOutput.h"

#include <cairo.h>
#include <gtest/gtest.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

const std::string kGallery = std::string(LOOMTONE_BINARY_DIR) + "/tools/widget_gallery";
// The gallery is a tool, not under test for leaks here; the display's and
// the font libraries' caches outlive it.
const std::string kGalleryEnv = "ASAN_OPTIONS=detect_leaks=0 ";
constexpr int kWidth = 640;
constexpr int kHeight = 420;

// Click the track name, type over it, confirm; click the play button; move
// the pointer to an empty spot so that no hover or tooltip shows.
constexpr const char* kScript = "click 240 131\n"
                                "type Lead Guitar\n"
                                "key Return\n"
                                "click 220 64\n"
                                "move 600 300\n";

bool OnPath(const std::string& tool) {
    return std::system(("command -v " + tool + " > /dev/null 2>&1").c_str()) == 0;
}

int Shell(const std::string& command) {
    return std::system(command.c_str());
}

pid_t Spawn(const std::string& command) {
    const pid_t pid = fork();
    if (pid == 0) {
        execl("/bin/sh", "sh", "-c", ("exec env " + command).c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    return pid;
}

void Stop(pid_t pid) {
    if (pid <= 0)
        return;
    kill(pid, SIGTERM);
    int status = 0;
    waitpid(pid, &status, 0);
}

// A virtual X server on a display number no one else uses, for the test's life.
class VirtualDisplay {
public:
    VirtualDisplay() {
        for (int number = 90 + getpid() % 100; number < 300; ++number) {
            if (fs::exists("/tmp/.X11-unix/X" + std::to_string(number)) ||
                fs::exists("/tmp/.X" + std::to_string(number) + "-lock"))
                continue;
            m_name = ":" + std::to_string(number);
            m_pid =
                Spawn("Xvfb " + m_name + " -screen 0 800x600x24 -nolisten tcp > /dev/null 2>&1");
            for (int wait = 0; wait < 100; ++wait) {
                if (fs::exists("/tmp/.X11-unix/X" + std::to_string(number)))
                    return;
                std::this_thread::sleep_for(50ms);
            }
            Stop(m_pid);
            m_pid = -1;
        }
    }
    ~VirtualDisplay() { Stop(m_pid); }
    bool Ready() const { return m_pid > 0; }
    std::string Env() const { return "DISPLAY=" + m_name + " "; }
    const std::string& Name() const { return m_name; }

private:
    std::string m_name;
    pid_t m_pid = -1;
};

std::string XdotoolLine(const std::string& line) {
    const std::string action = line.substr(0, line.find(' '));
    const std::string rest = line.substr(line.find(' ') + 1);
    if (action == "click")
        return "xdotool mousemove " + rest + " click 1";
    if (action == "move")
        return "xdotool mousemove " + rest;
    if (action == "type")
        return "xdotool type --delay 30 '" + rest + "'";
    return "xdotool key " + rest;
}

using Surface = std::unique_ptr<cairo_surface_t, decltype(&cairo_surface_destroy)>;

Surface LoadPng(const std::string& path) {
    return Surface(cairo_image_surface_create_from_png(path.c_str()), cairo_surface_destroy);
}

// Pixels whose colour differs by more than a little in any channel.
int DifferingPixels(cairo_surface_t* a, cairo_surface_t* b) {
    int count = 0;
    for (int y = 0; y < kHeight; ++y) {
        const auto* rowA = reinterpret_cast<const uint32_t*>(cairo_image_surface_get_data(a) +
                                                             y * cairo_image_surface_get_stride(a));
        const auto* rowB = reinterpret_cast<const uint32_t*>(cairo_image_surface_get_data(b) +
                                                             y * cairo_image_surface_get_stride(b));
        for (int x = 0; x < kWidth; ++x) {
            for (int shift = 0; shift < 24; shift += 8) {
                const int delta = static_cast<int>((rowA[x] >> shift) & 0xFF) -
                                  static_cast<int>((rowB[x] >> shift) & 0xFF);
                if (std::abs(delta) > 24) {
                    ++count;
                    break;
                }
            }
        }
    }
    return count;
}

} // namespace

TEST(GalleryOnDisplay, RealInputGivesThePictureTheHeadlessHostDraws) {
    for (const char* tool : {"Xvfb", "xdotool", "ffmpeg"})
        if (!OnPath(tool))
            GTEST_SKIP() << tool << " is not installed";
    ASSERT_TRUE(fs::exists(kGallery));
    VirtualDisplay display;
    ASSERT_TRUE(display.Ready());

    const fs::path folder = fs::path(LOOMTONE_TEST_TMP) / "gallery-on-display";
    fs::create_directories(folder);
    const std::string script = (folder / "script.txt").string();
    std::ofstream(script) << kScript;

    const pid_t gallery =
        Spawn(display.Env() + kGalleryEnv + "SDL_VIDEODRIVER=x11 " + kGallery + " --window");
    const std::string window = CommandOutput(display.Env() + "timeout 20 xdotool search --sync " +
                                             "--onlyvisible --name 'Loomtone Widget Gallery'");
    ASSERT_FALSE(window.empty()) << "the gallery window did not appear";
    const std::string id = window.substr(0, window.find('\n'));
    ASSERT_EQ(Shell(display.Env() + "xdotool windowmove " + id + " 0 0"), 0);
    std::this_thread::sleep_for(300ms);

    std::ifstream lines(script);
    for (std::string line; std::getline(lines, line);) {
        ASSERT_EQ(Shell(display.Env() + XdotoolLine(line)), 0) << line;
        std::this_thread::sleep_for(150ms);
    }
    std::this_thread::sleep_for(700ms);
    const std::string shot = (folder / "screen.png").string();
    ASSERT_EQ(Shell(display.Env() + "ffmpeg -loglevel error -y -f x11grab -draw_mouse 0 " +
                    "-video_size " + std::to_string(kWidth) + "x" + std::to_string(kHeight) +
                    " -i " + display.Name() + "+0,0 -frames:v 1 " + shot),
              0);
    Stop(gallery);

    const std::string expected = (folder / "expected.png").string();
    const std::string untouched = (folder / "untouched.png").string();
    std::ofstream(folder / "empty.txt") << "";
    ASSERT_EQ(Shell(kGalleryEnv + kGallery + " --replay " + script + " " + expected), 0);
    ASSERT_EQ(Shell(kGalleryEnv + kGallery + " --replay " + (folder / "empty.txt").string() + " " +
                    untouched),
              0);

    Surface screen = LoadPng(shot);
    Surface drawn = LoadPng(expected);
    Surface before = LoadPng(untouched);
    for (cairo_surface_t* s : {screen.get(), drawn.get(), before.get()}) {
        ASSERT_EQ(cairo_surface_status(s), CAIRO_STATUS_SUCCESS);
        ASSERT_EQ(cairo_image_surface_get_width(s), kWidth);
        ASSERT_EQ(cairo_image_surface_get_height(s), kHeight);
    }
    // The input changed the picture (new name, status line, hot button)...
    EXPECT_GT(DifferingPixels(before.get(), drawn.get()), 200);
    // ...and the screen shows what the headless host drew, to within a few
    // pixels of text antialiasing.
    EXPECT_LT(DifferingPixels(screen.get(), drawn.get()), kWidth * kHeight / 500);
}
