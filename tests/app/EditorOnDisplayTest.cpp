// The editor as a user meets it: started on a virtual X display (Xvfb) with
// a fresh home, driven through SDL's event queue (menus, the file dialog,
// dragging a clip, shortcuts, the close button), then started again on the
// file it saved.
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

namespace {

using namespace std::chrono_literals;

constexpr uint32_t kStepTimer = 9100;
constexpr uint32_t kStepPeriodMs = 20;
constexpr uint64_t kStepTimeoutMs = 10000;
constexpr int kTargetTrack = 2;
constexpr int32_t kDragRight = 120;

bool OnPath(const std::string& tool) {
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
                std::this_thread::sleep_for(50ms);
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
void PushMouse(uint32_t type, GuiPoint p) {
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

void Click(GuiPoint p) {
    PushMouse(SDL_MOUSEMOTION, p);
    PushMouse(SDL_MOUSEBUTTONDOWN, p);
    PushMouse(SDL_MOUSEBUTTONUP, p);
}

void PushKey(SDL_Keycode key, uint16_t modifiers) {
    for (uint32_t type : {SDL_KEYDOWN, SDL_KEYUP}) {
        SDL_Event event{};
        event.type = type;
        event.key.keysym.sym = key;
        event.key.keysym.mod = modifiers;
        SDL_PushEvent(&event);
    }
}

// Typed text arrives in pieces of at most the size of SDL's text event.
void Type(const std::string& text) {
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
void HoldKey(SDL_Keycode key, int repeats) {
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
void PushWheel(GuiPoint p, int turns) {
    SDL_Event event{};
    event.type = SDL_MOUSEWHEEL;
    event.wheel.y = turns;
    event.wheel.mouseX = p.x;
    event.wheel.mouseY = p.y;
    SDL_PushEvent(&event);
}

void PushClose() {
    SDL_Event event{};
    event.type = SDL_WINDOWEVENT;
    event.window.event = SDL_WINDOWEVENT_CLOSE;
    SDL_PushEvent(&event);
}

GuiPoint Centre(const GuiRect& r) {
    return {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
}

// The project's one clip, where it is.
struct ClipPlace {
    CClip* clip = nullptr;
    int track = -1;
    double startMs = -1;
    int clipCount = 0;
};

ClipPlace FindClip(const CProject& project) {
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

std::string Describe(LoomtoneApp& app) {
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

// The steps of the first session: add the sound through the menu and the
// file dialog, drag its clip two tracks down and to the right, undo, redo,
// save under a new name, close.
std::vector<ScriptedUser::Step> FirstSession(LoomtoneApp& app, const std::string& sound,
                                             const std::string& saved, ClipPlace& dropped) {
    LoomtoneMainWindow& window = *app.MainWindow();
    CProject& project = *app.Project();
    auto popup = [&window] { return dynamic_cast<GuiPopupMenu*>(window.TopLayer()); };
    auto fileDialog = [&window] { return dynamic_cast<CFileDialog*>(window.TopLayer()); };
    auto idle = [&window] { return window.TopLayer() == nullptr && !window.GetCaptured(); };
    auto only = [&project](int track, double startMs) {
        const ClipPlace place = FindClip(project);
        return place.clipCount == 1 && place.track == track && place.startMs == startMs;
    };
    return {
        {"the Mix menu title", [idle] { return idle(); },
         [&window] {
             GuiMenuBar& bar = window.MenuBar();
             for (int index = 0; index < bar.MenuCount(); ++index)
                 if (bar.MenuAt(index).FindItem(kCmdAddSound))
                     Click(Centre(bar.TitleRect(index)));
         }},
        {"the open Mix menu", [popup] { return popup() != nullptr; },
         [popup, &window] {
             GuiPopupMenu& menu = *popup();
             const GuiMenu& items = window.MenuBar().MenuAt(window.MenuBar().GetOpenMenu());
             for (int index = 0; index < items.ItemCount(); ++index)
                 if (items.ItemAt(index).id == kCmdAddSound)
                     Click({menu.GetAbsX() + menu.GetWidth() / 2,
                            menu.GetAbsY() + menu.ItemTop(index) + GuiPopupMenu::kItemHeight / 2});
         }},
        {"the Add Sound file dialog", [fileDialog] { return fileDialog() != nullptr; },
         [sound] { Type(sound); }},
        {"the new clip at the caret", [idle, only] { return idle() && only(0, 0.0); },
         [&project] {
             const CClip& clip = *FindClip(project).clip;
             const GuiPoint press{clip.GetAbsX() + std::min(40, clip.GetWidth() / 2),
                                  clip.GetAbsY() + CClip::kTitleStripHeight / 2};
             const int32_t down = project.GetTrack(kTargetTrack)->GetBody()->GetAbsY() -
                                  project.GetTrack(0)->GetBody()->GetAbsY();
             PushMouse(SDL_MOUSEMOTION, press);
             PushMouse(SDL_MOUSEBUTTONDOWN, press);
             for (int part = 1; part <= 4; ++part)
                 PushMouse(SDL_MOUSEMOTION,
                           {press.x + kDragRight * part / 4, press.y + down * part / 4});
             PushMouse(SDL_MOUSEBUTTONUP, {press.x + kDragRight, press.y + down});
         }},
        {"the clip dropped on the other track",
         [idle, &project] { return idle() && FindClip(project).track == kTargetTrack; },
         [&project, &dropped] {
             dropped = FindClip(project);
             PushKey(SDLK_z, KMOD_LCTRL);
         }},
        {"the undone drag", [only] { return only(0, 0.0); }, [] { PushKey(SDLK_y, KMOD_LCTRL); }},
        {"the redone drag", [only, &dropped] { return only(kTargetTrack, dropped.startMs); },
         [] { PushKey(SDLK_s, KMOD_LCTRL); }},
        {"the save dialog", [fileDialog] { return fileDialog() != nullptr; },
         [saved] { Type(fs::path(saved).stem().string()); }},
        {"the saved project",
         [idle, &project, saved] { return idle() && project.GetProjectFilePath() == saved; },
         [] { PushClose(); }},
    };
}

// The bodies' view of the track area, in window coordinates.
GuiRect TracksView(const CProject& project) {
    const int32_t top = project.GetAbsY() + LoomtoneCustomWindow::kBodiesTop;
    return {project.GetAbsX() + LoomtoneCustomWindow::kHeaderWidth, top,
            project.GetAbsX() + project.GetWidth(), top + project.GetTracksViewHeight()};
}

// Clicks the item of the open menu (the innermost open one) that runs the command.
void ClickMenuItem(GuiPopupMenu& top, const GuiMenu& items, int32_t command) {
    for (int index = 0; index < items.ItemCount(); ++index) {
        const GuiMenu::Item& item = items.ItemAt(index);
        const bool opens = item.subMenu && item.subMenu->FindItem(command);
        if (item.id == command || opens)
            Click({top.GetAbsX() + top.GetWidth() / 2,
                   top.GetAbsY() + top.ItemTop(index) + GuiPopupMenu::kItemHeight / 2});
    }
}

// The steps of a session in a twelve-track project: the wheel brings the last
// track into view, a sound is added there and dragged by its body; then bare
// names typed into Save As and Mix Down (after holding Backspace to clear the
// proposed name) land in the folders the dialogs show.
std::vector<ScriptedUser::Step> TwelveTrackSession(LoomtoneApp& app, const std::string& sound,
                                                   ClipPlace& added,
                                                   std::vector<std::string>& shownFolders) {
    LoomtoneMainWindow& window = *app.MainWindow();
    CProject& project = *app.Project();
    auto popup = [&window] { return dynamic_cast<GuiPopupMenu*>(window.TopLayer()); };
    auto fileDialog = [&window] { return dynamic_cast<CFileDialog*>(window.TopLayer()); };
    auto idle = [&window] { return window.TopLayer() == nullptr && !window.GetCaptured(); };
    auto lastBody = [&project] { return project.GetTrack(project.GetNumTracks() - 1)->GetBody(); };
    auto lastInView = [&project, lastBody] {
        const CTrackBody& body = *lastBody();
        return body.GetAbsY() + body.GetHeight() <= TracksView(project).bottom;
    };
    // The name typed over what the dialog proposes: a proposed name is
    // cleared first by holding Backspace, as users do.
    auto typeInto = [fileDialog, &shownFolders](const std::string& name) {
        shownFolders.push_back(fileDialog()->GetFolder());
        if (!fileDialog()->GetNameText().empty())
            HoldKey(SDLK_BACKSPACE, 6);
        Type(name);
    };
    const int32_t mixCommand = kCmdMixDownWav;
    return {
        {"the new project", [idle] { return idle(); },
         [] {
             for (int track = 0; track < 4; ++track)
                 PushKey(SDLK_g, KMOD_LCTRL);
         }},
        {"twelve tracks", [&project] { return project.GetNumTracks() == 12; },
         [&project] { PushWheel(Centre(TracksView(project)), -2); }},
        {"the tracks scrolled by the wheel", [&project] { return project.GetTracksScrollY() > 0; },
         [&project] { PushWheel(Centre(TracksView(project)), -20); }},
        {"the last track in view", [lastInView] { return lastInView(); },
         [lastBody] {
             const CTrackBody& body = *lastBody();
             Click({body.GetAbsX() + 40, body.GetAbsY() + body.GetHeight() / 2});
         }},
        {"the last track selected",
         [idle, &project] { return idle() && project.GetLastSelectedTrack() == 11; },
         [] { PushKey(SDLK_h, KMOD_LCTRL); }},
        {"the Add Sound file dialog", [fileDialog] { return fileDialog() != nullptr; },
         [sound] { Type(sound); }},
        {"the new clip on the last track",
         [idle, &project] { return idle() && FindClip(project).track == 11; },
         [&project, &added] {
             // By its body, below the title strip.
             added = FindClip(project);
             const CClip& clip = *added.clip;
             const GuiPoint press{clip.GetAbsX() + std::min(40, clip.GetWidth() / 2),
                                  clip.GetAbsY() + clip.GetHeight() * 2 / 3};
             PushMouse(SDL_MOUSEMOTION, press);
             PushMouse(SDL_MOUSEBUTTONDOWN, press);
             for (int part = 1; part <= 4; ++part)
                 PushMouse(SDL_MOUSEMOTION, {press.x + kDragRight * part / 4, press.y});
             PushMouse(SDL_MOUSEBUTTONUP, {press.x + kDragRight, press.y});
         }},
        {"the clip dragged along the last track",
         [idle, &project, &added] {
             const ClipPlace place = FindClip(project);
             return idle() && place.track == 11 && place.startMs > added.startMs;
         },
         [] { PushKey(SDLK_s, KMOD_LCTRL); }},
        {"the save dialog", [fileDialog] { return fileDialog() != nullptr; },
         [typeInto] { typeInto("song2"); }},
        {"the saved project",
         [idle, &project] { return idle() && !project.GetProjectFilePath().empty(); },
         [&window] {
             GuiMenuBar& bar = window.MenuBar();
             for (int index = 0; index < bar.MenuCount(); ++index)
                 if (bar.MenuAt(index).FindItem(kCmdMixDownWav))
                     Click(Centre(bar.TitleRect(index)));
         }},
        {"the open File menu", [popup] { return popup() != nullptr; },
         [popup, &window, mixCommand] {
             ClickMenuItem(*popup(), window.MenuBar().MenuAt(window.MenuBar().GetOpenMenu()),
                           mixCommand);
         }},
        // A sub-menu opens as a layer of its own, above its menu.
        {"the Mix Down menu", [popup, &window] { return popup() && window.LayerCount() == 2; },
         [popup, &window, mixCommand] {
             GuiMenu& file = window.MenuBar().MenuAt(window.MenuBar().GetOpenMenu());
             for (int index = 0; index < file.ItemCount(); ++index)
                 if (GuiMenu* sub = file.ItemAt(index).subMenu.get();
                     sub && sub->FindItem(mixCommand))
                     ClickMenuItem(*popup(), *sub, mixCommand);
         }},
        {"the mix-down dialog", [fileDialog] { return fileDialog() != nullptr; },
         [typeInto] { typeInto("mix4.wav"); }},
        {"the mix-down written",
         [idle, &shownFolders] { return idle() && fs::exists(shownFolders.back() + "/mix4.wav"); },
         [] { PushClose(); }},
    };
}

} // namespace

TEST_F(EditorOnDisplay, TheWheelReachesTheLastOfTwelveTracksAndBareNamesSaveWhereShown) {
    if (!OnVirtualDisplay())
        GTEST_SKIP() << "Xvfb is not installed";
    const std::string sound = m_root + "Tone.wav";
    WriteToneWav(sound, 44100 * 2, 8000);

    std::vector<std::string> shownFolders;
    std::string savedPath;
    ClipPlace added;
    const std::string run = RunEditor(
        "", [&](LoomtoneApp& app) { return TwelveTrackSession(app, sound, added, shownFolders); },
        [&savedPath](LoomtoneApp& app) { savedPath = app.Project()->GetProjectFilePath(); });
    ASSERT_EQ(run, "");
    ASSERT_EQ(shownFolders.size(), 2u);
    EXPECT_EQ(shownFolders[0], m_root + "projects")
        << "a new project is saved where the user saves";
    EXPECT_EQ(savedPath, shownFolders[0] + "/song2.lt4");
    EXPECT_TRUE(fs::exists(shownFolders[0] + "/song2.lt4"));
    EXPECT_TRUE(fs::exists(shownFolders[1] + "/mix4.wav"));
    EXPECT_FALSE(fs::exists("/song2.lt4"));
    EXPECT_FALSE(fs::exists("/mix4.wav"));
}

// The pixels of a window rectangle as drawn into the back buffer.
std::vector<uint32_t> Pixels(VRGuiWindow& window, const GuiRect& r) {
    std::vector<uint32_t> pixels;
    for (int32_t y = r.top; y < r.bottom; ++y)
        for (int32_t x = r.left; x < r.right; ++x)
            pixels.push_back(window.GetBackBuffer()->PixelAt(x, y));
    return pixels;
}

TEST_F(EditorOnDisplay, TheViewMenuOfTheExampleStaysOverTheToolbarAt1024x720) {
    if (!OnVirtualDisplay())
        GTEST_SKIP() << "Xvfb is not installed";
    {
        CPrefs prefs;
        prefs.Load(prefs.ShouldReadOldVersionSettings());
        prefs.lastMainWinRect = {0, 0, 1024, 720};
        prefs.bMainWindowMaximized = false;
        ASSERT_TRUE(prefs.Save());
    }
    const std::string example =
        std::string(LOOMTONE_SOURCE_DIR) + "/data/Example Projects/Example Song.lt4";
    const std::string picture = m_root + "example-view-menu.png";
    std::vector<uint32_t> before;
    std::vector<uint32_t> after;
    const std::string run = RunEditor(
        example,
        [&](LoomtoneApp& app) {
            LoomtoneMainWindow& window = *app.MainWindow();
            auto popup = [&window] { return dynamic_cast<GuiPopupMenu*>(window.TopLayer()); };
            // Ready once the condition has held for a few refreshes, so that
            // what is looked at has been drawn.
            auto settled = [](std::function<bool()> condition) {
                auto since = std::make_shared<uint64_t>(0);
                return [condition, since] {
                    if (!condition()) {
                        *since = 0;
                        return false;
                    }
                    if (*since == 0)
                        *since = SDL_GetTicks64();
                    return SDL_GetTicks64() - *since > 300;
                };
            };
            return std::vector<ScriptedUser::Step>{
                {"the example", [&window] { return window.TopLayer() == nullptr; },
                 [&window] {
                     GuiMenuBar& bar = window.MenuBar();
                     for (int index = 0; index < bar.MenuCount(); ++index)
                         if (bar.MenuAt(index).FindItem(kCmdZoomIn))
                             Click(Centre(bar.TitleRect(index)));
                 }},
                {"the open View menu", settled([popup] { return popup() != nullptr; }),
                 [popup, &window, &before] {
                     before = Pixels(window, popup()->GetAbsRect());
                     // The toolbar refreshes under the menu, as after any command.
                     window.Toolbar().GetButton(CToolbar::kEnvelope)->Invalidate(nullptr);
                     window.Toolbar().Invalidate(nullptr);
                 }},
                {"a refresh under the menu", settled([popup] { return popup() != nullptr; }),
                 [popup, &window, &after, picture] {
                     after = Pixels(window, popup()->GetAbsRect());
                     window.GetBackBuffer()->SavePng(picture);
                     PushKey(SDLK_ESCAPE, KMOD_NONE);
                 }},
                {"the closed menu", [&window] { return window.TopLayer() == nullptr; },
                 [] { PushClose(); }},
            };
        },
        [](LoomtoneApp&) {});
    ASSERT_EQ(run, "");
    ASSERT_FALSE(before.empty());
    EXPECT_TRUE(before == after) << "something drew over the open menu";
    EXPECT_TRUE(fs::exists(picture));
}

TEST_F(EditorOnDisplay, AClipDraggedUndoneRedoneAndSavedIsThereAfterARestart) {
    if (!OnVirtualDisplay())
        GTEST_SKIP() << "Xvfb is not installed";
    const std::string sound = m_root + "Tone.wav";
    WriteToneWav(sound, 44100 * 4, 8000);
    const std::string saved = m_root + "projects/Moved.lt4";

    ClipPlace dropped;
    const std::string first = RunEditor(
        "", [&](LoomtoneApp& app) { return FirstSession(app, sound, saved, dropped); },
        [](LoomtoneApp&) {});
    ASSERT_EQ(first, "");
    EXPECT_EQ(dropped.track, kTargetTrack);
    EXPECT_GT(dropped.startMs, 0.0) << "the drag to the right moved the clip in time";
    ASSERT_TRUE(fs::exists(saved));

    ClipPlace reopened;
    const std::string second = RunEditor(
        saved,
        [](LoomtoneApp& app) {
            LoomtoneMainWindow& window = *app.MainWindow();
            return std::vector<ScriptedUser::Step>{
                {"the loaded project", [&window] { return window.TopLayer() == nullptr; },
                 [] { PushClose(); }}};
        },
        [&reopened](LoomtoneApp& app) { reopened = FindClip(*app.Project()); });
    ASSERT_EQ(second, "");
    EXPECT_EQ(reopened.clipCount, 1);
    EXPECT_EQ(reopened.track, kTargetTrack);
    EXPECT_EQ(reopened.startMs, dropped.startMs);

    // The file says so too, to whoever reads it without the editor.
    if (!ProgramBuilt())
        return;
    const std::string info = m_root + "info.json";
    ASSERT_EQ(
        RunShell(LeakCheckEnv(m_root) + kProgram + " --info '" + saved + "' > '" + info + "'"), 0);
    const std::string where = m_root + "where.txt";
    const std::string script = "import json,sys\n"
                               "tracks = json.load(open(sys.argv[1]))['tracks']\n"
                               "for i, t in enumerate(tracks):\n"
                               "    for c in t['clips']: print(i, c['position'])\n";
    ASSERT_EQ(RunShell("python3 -c \"" + script + "\" '" + info + "' > '" + where + "'"), 0);
    std::ifstream in(where);
    int track = -1;
    double position = -1;
    in >> track >> position;
    EXPECT_EQ(track, kTargetTrack);
    EXPECT_EQ(position, dropped.startMs);
}
