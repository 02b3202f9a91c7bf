// The editor on a virtual display: sounds added through the menus and the
// file dialog, clips dragged, names typed into the save and mix-down
// dialogs, the menus drawn over the toolbar, and a restart on what was saved.

#include "EditorOnDisplay.h"

namespace {

constexpr int kTargetTrack = 2;
constexpr int32_t kDragRight = 120;

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
    const std::string second =
        Reopen(saved, [&reopened](LoomtoneApp& app) { reopened = FindClip(*app.Project()); });
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
