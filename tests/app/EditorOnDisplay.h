#pragma once

// The editor as a user meets it: started on a virtual X display (Xvfb) with
// a fresh home, driven through SDL's event queue (menus, the file dialog,
// dragging, shortcuts, the close button), then started again on the file it
// saved.
//
// The steps run on the GUI thread from a timer, so that they go on while a
// menu or a dialog runs its own message loop; each waits for the state it
// needs rather than for a fixed time.

#include "ProgramUnderTest.h"
#include "ScopedEnv.h"
#include "ToneWav.h"
#include "app/CPrefs.h"
#include "app/CSystemDeviceCatalog.h"
#include "app/LoomtoneApp.h"
#include "app/LoomtoneMainWindow.h"
#include "app/MainCommands.h"
#include "gui/CBackBuffer.h"
#include "gui/CFileDialog.h"
#include "gui/CSdlGuiHost.h"
#include "gui/GuiPopupMenu.h"
#include "project/CClip.h"
#include "project/CProject.h"
#include "project/CTrack.h"
#include "project/CTrackBody.h"
#include "timeline/CToolbar.h"
#include "timeline/LoomtoneCustomWindow.h"

#include <SDL.h>
#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;

inline constexpr uint32_t kStepTimer = 9100;
inline constexpr uint32_t kStepPeriodMs = 20;
inline constexpr uint64_t kStepTimeoutMs = 10000;

inline bool OnPath(const std::string& tool) {
    return std::system(("command -v " + tool + " > /dev/null 2>&1").c_str()) == 0;
}

// A virtual X server on a display number no one else uses, for the test's life.
class VirtualDisplay {
public:
    VirtualDisplay() {
        for (int number = 90 + getpid() % 100; number < 300; ++number) {
            const std::string socket = "/tmp/.X11-unix/X" + std::to_string(number);
            if (fs::exists(socket) || fs::exists("/tmp/.X" + std::to_string(number) + "-lock"))
                continue;
            m_name = ":" + std::to_string(number);
            m_pid = fork();
            if (m_pid == 0) {
                execlp("Xvfb", "Xvfb", m_name.c_str(), "-screen", "0", "1280x1024x24", "-nolisten",
                       "tcp", static_cast<char*>(nullptr));
                _exit(127);
            }
            for (int wait = 0; wait < 100; ++wait) {
                if (fs::exists(socket))
                    return;
                std::this_thread::sleep_for(std::chrono::milliseconds(50));
            }
            Stop();
        }
    }
    ~VirtualDisplay() { Stop(); }
    bool Ready() const { return m_pid > 0; }
    const std::string& Name() const { return m_name; }

private:
    void Stop() {
        if (m_pid <= 0)
            return;
        kill(m_pid, SIGTERM);
        waitpid(m_pid, nullptr, 0);
        m_pid = -1;
    }

    std::string m_name;
    pid_t m_pid = -1;
};

// Input as SDL delivers it from the display.
inline void PushMouse(uint32_t type, GuiPoint p) {
    SDL_Event event{};
    event.type = type;
    if (type == SDL_MOUSEMOTION) {
        event.motion.x = p.x;
        event.motion.y = p.y;
    } else {
        event.button.button = SDL_BUTTON_LEFT;
        event.button.clicks = 1;
        event.button.x = p.x;
        event.button.y = p.y;
    }
    SDL_PushEvent(&event);
}

inline void Click(GuiPoint p) {
    PushMouse(SDL_MOUSEMOTION, p);
    PushMouse(SDL_MOUSEBUTTONDOWN, p);
    PushMouse(SDL_MOUSEBUTTONUP, p);
}

// Two clicks in a row at one point, the second a double click.
inline void DoubleClick(GuiPoint p) {
    Click(p);
    SDL_Event event{};
    event.type = SDL_MOUSEBUTTONDOWN;
    event.button.button = SDL_BUTTON_LEFT;
    event.button.clicks = 2;
    event.button.x = p.x;
    event.button.y = p.y;
    SDL_PushEvent(&event);
    event.type = SDL_MOUSEBUTTONUP;
    SDL_PushEvent(&event);
}

inline void PushKey(SDL_Keycode key, uint16_t modifiers) {
    for (uint32_t type : {SDL_KEYDOWN, SDL_KEYUP}) {
        SDL_Event event{};
        event.type = type;
        event.key.keysym.sym = key;
        event.key.keysym.mod = modifiers;
        SDL_PushEvent(&event);
    }
}

// Typed text arrives in pieces of at most the size of SDL's text event.
inline void Type(const std::string& text) {
    constexpr size_t kPiece = sizeof(SDL_TextInputEvent::text) - 1;
    for (size_t at = 0; at < text.size(); at += kPiece) {
        SDL_Event event{};
        event.type = SDL_TEXTINPUT;
        SDL_strlcpy(event.text.text, text.substr(at, kPiece).c_str(), sizeof event.text.text);
        SDL_PushEvent(&event);
    }
    PushKey(SDLK_RETURN, KMOD_NONE);
}

// A key held down: it repeats without being let go, then is let go.
inline void HoldKey(SDL_Keycode key, int repeats) {
    for (int press = 0; press <= repeats; ++press) {
        SDL_Event event{};
        event.type = SDL_KEYDOWN;
        event.key.keysym.sym = key;
        event.key.repeat = press > 0;
        SDL_PushEvent(&event);
    }
    SDL_Event up{};
    up.type = SDL_KEYUP;
    up.key.keysym.sym = key;
    SDL_PushEvent(&up);
}

// Turns of the wheel at a point; negative turns are towards the user.
inline void PushWheel(GuiPoint p, int turns) {
    SDL_Event event{};
    event.type = SDL_MOUSEWHEEL;
    event.wheel.y = turns;
    event.wheel.mouseX = p.x;
    event.wheel.mouseY = p.y;
    SDL_PushEvent(&event);
}

inline void PushClose() {
    SDL_Event event{};
    event.type = SDL_WINDOWEVENT;
    event.window.event = SDL_WINDOWEVENT_CLOSE;
    SDL_PushEvent(&event);
}

inline GuiPoint Centre(const GuiRect& r) {
    return {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
}

// The project's one clip, where it is.
struct ClipPlace {
    CClip* clip = nullptr;
    int track = -1;
    double startMs = -1;
    int clipCount = 0;
};

inline ClipPlace FindClip(const CProject& project) {
    ClipPlace place;
    for (int index = 0; index < project.GetNumTracks(); ++index)
        for (CClip* clip : project.GetTrack(index)->Clips()) {
            ++place.clipCount;
            place.clip = clip;
            place.track = index;
            place.startMs = clip->GetStartMs();
        }
    return place;
}

inline std::string Describe(LoomtoneApp& app) {
    const ClipPlace place = FindClip(*app.Project());
    return std::to_string(place.clipCount) + " clip(s), the last on track " +
           std::to_string(place.track) + " at " + std::to_string(place.startMs) + " ms, " +
           (app.MainWindow()->TopLayer() ? "a layer open" : "no layer open");
}

// A user who does one thing after another, each once the editor shows what
// it waits for. A step that waits too long ends the run with its name.
class ScriptedUser : public VRGuiObject {
public:
    struct Step {
        std::string name;
        std::function<bool()> ready;
        std::function<void()> act;
    };

    // `describe` tells what the editor showed when a step gave up.
    ScriptedUser(VRGuiWindow& window, CSdlGuiHost& host, std::vector<Step> steps,
                 std::function<std::string()> describe)
        : m_host(host), m_steps(std::move(steps)), m_describe(std::move(describe)) {
        Hide();
        window.AddChild(this, 0, 0);
        m_stepStart = host.NowMs();
        StartTimer(kStepTimer, kStepPeriodMs);
    }
    void OnTimer(uint32_t) override {
        if (m_next >= m_steps.size())
            return;
        const Step& step = m_steps[m_next];
        if (step.ready()) {
            step.act();
            ++m_next;
            m_stepStart = m_host.NowMs();
        } else if (m_host.NowMs() - m_stepStart > kStepTimeoutMs) {
            m_failure = "gave up waiting for " + step.name + "; " + m_describe();
            m_next = m_steps.size();
            m_host.PostQuit();
        }
    }
    bool Finished() const { return m_next >= m_steps.size() && m_failure.empty(); }
    const std::string& Failure() const { return m_failure; }

private:
    CSdlGuiHost& m_host;
    std::vector<Step> m_steps;
    std::function<std::string()> m_describe;
    size_t m_next = 0;
    uint64_t m_stepStart = 0;
    std::string m_failure;
};

class EditorOnDisplay : public ::testing::Test {
protected:
    EditorOnDisplay()
        : m_root(std::string(LOOMTONE_TEST_TMP) + "/editor-on-display/"),
          m_home("HOME", (m_root + "home").c_str()),
          m_config("XDG_CONFIG_HOME", (m_root + "config").c_str()),
          m_data("XDG_DATA_HOME", (m_root + "data").c_str()), m_driver("SDL_VIDEODRIVER", "x11"),
          // There is no desktop session to talk to, and SDL would keep its
          // connection to one until the process ends.
          m_bus("DBUS_SESSION_BUS_ADDRESS", "disabled:") {
        fs::remove_all(m_root);
        for (const char* folder : {"home", "config", "data", "projects"})
            fs::create_directories(m_root + folder);
    }
    void TearDown() override { SDL_Quit(); }

    // Starts a virtual display for the editor and writes the settings of an
    // earlier run; false when there is no X server to start.
    bool OnVirtualDisplay() {
        if (!OnPath("Xvfb"))
            return false;
        m_display = std::make_unique<VirtualDisplay>();
        EXPECT_TRUE(m_display->Ready());
        m_onDisplay = std::make_unique<ScopedEnv>("DISPLAY", m_display->Name().c_str());
        WriteSettingsOfAnEarlierRun();
        return true;
    }

    // A user who has run the program before: no example project, no
    // new-project dialog, and new projects are saved in their own folder.
    void WriteSettingsOfAnEarlierRun() {
        CPrefs prefs;
        prefs.Load(prefs.ShouldReadOldVersionSettings());
        prefs.bFirstRun = false;
        prefs.bShowNewProjectDialog = false;
        prefs.bSwitchKeyTempoOnFirstSound = false;
        prefs.DefSaveDir = m_root + "projects/";
        prefs.bPlayRenderedFiles = false;
        ASSERT_TRUE(prefs.Save());
    }

    // Runs the editor as the program does, with the user's steps, until the
    // window closes. Answers what the user could not do, or "" when all went well.
    std::string RunEditor(const std::string& file,
                          const std::function<std::vector<ScriptedUser::Step>(LoomtoneApp&)>& steps,
                          const std::function<void(LoomtoneApp&)>& atEnd) {
        SDL_SetHint(SDL_HINT_QUIT_ON_LAST_WINDOW_CLOSE, "0");
        // The picture is drawn by the program; the display's OpenGL driver
        // would only add its own start-up cost and caches.
        SDL_SetHint(SDL_HINT_RENDER_DRIVER, "software");
        SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
        CSystemDeviceCatalog devices;
        CSdlGuiHost host("Loomtone");
        LoomtoneApp app(devices);
        StartupOptions options;
        options.programFolder = std::string(LOOMTONE_SOURCE_DIR) + "/data/";
        options.commandLineFile = file;
        if (!app.Startup(host, options))
            return "start-up failed: " + app.Error();
        app.MainWindow()->SetTitleSink([&host](const std::string& title) { host.SetTitle(title); });
        app.RunAfterCreationSequence();
        std::string failure;
        {
            ScriptedUser user(*app.MainWindow(), host, steps(app),
                              [&app] { return Describe(app); });
            host.Run();
            failure = user.Finished() ? "" : user.Failure();
            if (failure.empty() && !user.Finished())
                failure = "the window closed before the steps were done";
            atEnd(app);
        }
        app.Shutdown();
        return failure;
    }

    // Starts the editor on a saved file and closes it as soon as it shows
    // the file; atEnd sees what it loaded.
    std::string Reopen(const std::string& file, const std::function<void(LoomtoneApp&)>& atEnd) {
        return RunEditor(
            file,
            [](LoomtoneApp& app) {
                LoomtoneMainWindow& window = *app.MainWindow();
                return std::vector<ScriptedUser::Step>{
                    {"the loaded project", [&window] { return window.TopLayer() == nullptr; },
                     [] { PushClose(); }}};
            },
            atEnd);
    }

    const std::string m_root;

private:
    ScopedEnv m_home;
    ScopedEnv m_config;
    ScopedEnv m_data;
    ScopedEnv m_driver;
    ScopedEnv m_bus;
    // The display outlives the variable that names it.
    std::unique_ptr<VirtualDisplay> m_display;
    std::unique_ptr<ScopedEnv> m_onDisplay;
};

// The bodies' view of the track area, in window coordinates.
inline GuiRect TracksView(const CProject& project) {
    const int32_t top = project.GetAbsY() + LoomtoneCustomWindow::kBodiesTop;
    return {project.GetAbsX() + LoomtoneCustomWindow::kHeaderWidth, top,
            project.GetAbsX() + project.GetWidth(), top + project.GetTracksViewHeight()};
}

// Clicks the item of the open menu (the innermost open one) that runs the command.
inline void ClickMenuItem(GuiPopupMenu& top, const GuiMenu& items, int32_t command) {
    for (int index = 0; index < items.ItemCount(); ++index) {
        const GuiMenu::Item& item = items.ItemAt(index);
        const bool opens = item.subMenu && item.subMenu->FindItem(command);
        if (item.id == command || opens)
            Click({top.GetAbsX() + top.GetWidth() / 2,
                   top.GetAbsY() + top.ItemTop(index) + GuiPopupMenu::kItemHeight / 2});
    }
}
