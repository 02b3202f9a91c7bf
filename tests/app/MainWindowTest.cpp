#include "MainWindowFixture.h"
#include "ProgramUnderTest.h"
#include "ToneWav.h"
#include "app/CDownloadPages.h"
#include "app/MainCommands.h"
#include "app/SaveFolders.h"
#include "engine/CDelayEffect.h"
#include "engine/CEffectChain.h"
#include "engine/CNullDevice.h"
#include "gui/CProgressDialog.h"
#include "gui/GuiEditField.h"
#include "gui/GuiInput.h"
#include "project/CAudioClip.h"
#include "project/CMissingSoundDialog.h"
#include "project/CPlaceholderClip.h"
#include "project/CProjectMixdown.h"
#include "project/CTrack.h"
#include "project/KeyTranspose.h"
#include "support/CRegKey.h"
#include "support/LogCapture.h"
#include "support/Paths.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

class MainWindowTest : public MainWindowFixture {
protected:
    MainWindowTest() : MainWindowFixture("mainwindow") {}

    // A project of nine tracks saved at the path, then a fresh one again.
    void SaveNineTrackProject(const std::string& path) {
        project.NewProject(true);
        project.AddAudioTrack(-1, false);
        ASSERT_TRUE(project.SaveProject(path));
        project.NewProject(true);
    }
};

} // namespace

TEST_F(MainWindowTest, TitleNamesTheProjectFileAndMarksUnsavedChanges) {
    EXPECT_EQ(LoomtoneMainWindow::TitleFor("Loomtone", "", true), "Loomtone");
    EXPECT_EQ(LoomtoneMainWindow::TitleFor("Loomtone", "/a/b/Song.lt4", false),
              "Loomtone - Song.lt4");
    EXPECT_EQ(LoomtoneMainWindow::TitleFor("Loomtone", "/a/b/Song.lt4", true),
              "Loomtone - Song.lt4 *");

    Open();
    std::vector<std::string> titles;
    window->SetTitleSink([&titles](const std::string& title) { titles.push_back(title); });
    window->OpenFileOrNewProject("");
    chosenPath = m_root + "Mine";
    ASSERT_TRUE(window->ExecuteCommand(kCmdSaveAs));
    EXPECT_TRUE(fs::exists(m_root + "Mine.lt4"));
    ASSERT_TRUE(window->ExecuteCommand(kCmdAddAudioTrack));
    EXPECT_EQ(titles, (std::vector<std::string>{"Loomtone", "Loomtone - Mine.lt4",
                                                "Loomtone - Mine.lt4 *"}));
}

TEST_F(MainWindowTest, TheTrackAreaNeverGetsLessThanItsFloor) {
    using Window = LoomtoneMainWindow;
    EXPECT_EQ(Window::LayoutHeights(600, 20).trackArea, 600 - 22 - 20 - 20);
    EXPECT_EQ(Window::LayoutHeights(600, 20).details, 20);
    const Window::Heights squeezed = Window::LayoutHeights(400, 260);
    EXPECT_EQ(squeezed.trackArea, 228);
    EXPECT_EQ(squeezed.details, 400 - 22 - 20 - 228);
    EXPECT_EQ(Window::LayoutHeights(100, 20).trackArea, 228);
    EXPECT_EQ(Window::LayoutHeights(100, 20).details, 0);

    Open();
    EXPECT_EQ(project.GetWidth(), 800);
    EXPECT_EQ(project.GetHeight(), 538);
    prefs.bDetailsShowingState = false;
    ASSERT_TRUE(window->ExecuteCommand(kCmdToggleDetails));
    host.UserResize(640, 400);
    EXPECT_EQ(project.GetHeight(), 228);
    EXPECT_EQ(window->StatusBar().GetY(), 380);
    EXPECT_EQ(window->MinimumHeight(), 22 + 20 + prefs.lastSoundDetailsHeight + 228);
}

TEST_F(MainWindowTest, NewProjectAsksToSaveChangesAndHonoursEachAnswer) {
    Open();
    window->OpenFileOrNewProject("");
    auto change = [this] { ASSERT_TRUE(window->ExecuteCommand(kCmdAddAudioTrack)); };

    change();
    answers = {IDCANCEL};
    window->ExecuteCommand(kCmdNewProject);
    EXPECT_EQ(project.GetNumTracks(), 9);
    EXPECT_EQ(asked.back(), MyLoadString("WantSaveQuestion"));

    answers = {IDNO};
    window->ExecuteCommand(kCmdNewProject);
    EXPECT_EQ(project.GetNumTracks(), 8);
    EXPECT_EQ(dialogModes.size(), 0u);

    change();
    answers = {IDYES};
    chosenPath = m_root + "Kept.lt4";
    window->ExecuteCommand(kCmdNewProject);
    EXPECT_EQ(dialogModes.size(), 1u);
    EXPECT_TRUE(fs::exists(chosenPath));
    EXPECT_EQ(project.GetNumTracks(), 8);
    EXPECT_EQ(project.GetProjectFilePath(), "");

    // Yes but no name given: the changes stay and so does the project.
    change();
    answers = {IDYES};
    chosenPath.clear();
    window->ExecuteCommand(kCmdNewProject);
    EXPECT_EQ(project.GetNumTracks(), 9);
    EXPECT_TRUE(undo.IsDirty());
}

TEST_F(MainWindowTest, UndoAndRedoFromTheMenusAreLogged) {
    Open();
    window->OpenFileOrNewProject("");
    EXPECT_FALSE(window->IsCommandEnabled(kCmdUndo));
    window->ExecuteCommand(kCmdAddInstrumentTrack);
    ASSERT_EQ(project.GetNumTracks(), 9);
    LogCapture log;
    window->ExecuteCommand(kCmdUndo);
    EXPECT_EQ(project.GetNumTracks(), 8);
    EXPECT_TRUE(log.Contains("Undo start"));
    EXPECT_TRUE(log.Contains("Undo finish"));
    EXPECT_TRUE(window->IsCommandEnabled(kCmdRedo));
    window->ExecuteCommand(kCmdRedo);
    EXPECT_EQ(project.GetNumTracks(), 9);
    EXPECT_TRUE(log.Contains("Redo finish"));
    EXPECT_FALSE(window->ExecuteCommand(kCmdRedo));

    // The same through the Edit menu, whose first entry is Undo.
    host.SetModalDriver([](COffscreenGuiHost& driven, int) { driven.KeyDown(VK_RETURN); });
    window->MenuBar().OpenMenu(1, true);
    EXPECT_EQ(project.GetNumTracks(), 8);
}

TEST_F(MainWindowTest, MenusAreLocalizedAndListRecentProjects) {
    Open();
    window->OpenFileOrNewProject("");
    chosenPath = m_root + "Recent Song.lt4";
    window->ExecuteCommand(kCmdSaveAs);
    GuiMenuBar& bar = window->MenuBar();
    ASSERT_EQ(bar.MenuCount(), 7);
    GuiMenu& file = bar.MenuAt(0);
    EXPECT_EQ(file.ItemAt(0).label, "New Project");
    EXPECT_EQ(file.ItemAt(0).shortcut, "Ctrl+N");
    window->PrepareMenu(file);
    EXPECT_TRUE(file.FindItem(kCmdBurnCD)->enabled);
    EXPECT_FALSE(file.FindItem(kCmdLabelCD)->enabled);
    ASSERT_NE(file.FindItem(kCmdRecentFirst), nullptr);
    EXPECT_EQ(file.FindItem(kCmdRecentFirst)->label, "&1 Recent Song.lt4");
    // A second file of that name: both show the folder that tells them apart.
    fs::create_directories(m_root + "other");
    chosenPath = m_root + "other/Recent Song.lt4";
    window->ExecuteCommand(kCmdSaveAs);
    window->PrepareMenu(file);
    EXPECT_EQ(file.FindItem(kCmdRecentFirst)->label, "&1 other/Recent Song.lt4");
    EXPECT_EQ(file.FindItem(kCmdRecentFirst + 1)->label, "&2 mainwindow/Recent Song.lt4");

    GuiMenu& view = bar.MenuAt(5);
    window->PrepareMenu(view);
    EXPECT_EQ(view.FindItem(kCmdToggleDetails)->label, "Show Details Area");
    window->ExecuteCommand(kCmdToggleDetails);
    window->PrepareMenu(view);
    EXPECT_EQ(view.FindItem(kCmdToggleDetails)->label, "Hide Details Area");

    GuiMenu& mix = bar.MenuAt(2);
    window->PrepareMenu(mix);
    EXPECT_EQ(mix.FindItem(kCmdEditMarkerFirst)->label, "&1 " + project.Markers().At(0).name);
    EXPECT_TRUE(mix.FindItem(kCmdEditMarkerFirst)->enabled);
}

TEST_F(MainWindowTest, MarkerCommandsOpenTheDialogAndTheWizard) {
    Open();
    window->OpenFileOrNewProject("");
    for (int32_t command : {kCmdAddMarker, kCmdAddTempoKeyChange, kCmdAutoMarkerWizard,
                            kCmdDeleteAllMarkers, kCmdSoundAutoMarkerWizard})
        EXPECT_TRUE(window->IsCommandEnabled(command)) << command;
    // Each modal step types what is queued, then confirms with Enter.
    std::deque<std::string> typed;
    host.SetModalDriver([&typed](COffscreenGuiHost& h, int) {
        h.Advance(40);
        if (!typed.empty()) {
            h.Text(typed.front());
            typed.pop_front();
        }
        h.KeyDown(VK_RETURN);
    });
    // The caret's place is taken by the start marker.
    window->ExecuteCommand(kCmdAddMarker);
    EXPECT_EQ(asked.back(), MyLoadString("MDT_TimeUnavail_Body"));
    project.MoveCaretAndPlayback(3000.0);
    typed = {"Verse"};
    window->ExecuteCommand(kCmdAddMarker);
    ASSERT_EQ(project.Markers().Count(), 2);
    EXPECT_EQ(project.Markers().At(1).time, 3000);
    EXPECT_EQ(project.Markers().At(1).name, "Verse");
    typed = {"Verse 2"};
    window->ExecuteCommand(kCmdEditMarkerFirst + 1);
    EXPECT_EQ(project.Markers().At(1).name, "Verse 2");

    window->ExecuteCommand(kCmdAutoMarkerWizard);
    EXPECT_EQ(project.Markers().Count(), 16);
    window->ExecuteCommand(kCmdDeleteAllMarkers);
    EXPECT_EQ(project.Markers().Count(), 1);
    window->ExecuteCommand(kCmdUndo);
    EXPECT_EQ(project.Markers().Count(), 16);
    host.SetModalDriver(nullptr);
}

TEST_F(MainWindowTest, TransposeAndZoomToProjectAreCommands) {
    Open();
    window->OpenFileOrNewProject("");
    const int key = project.Markers().At(0).tempoEvent.key;
    EXPECT_TRUE(window->IsCommandEnabled(kCmdTransposeUp));
    window->ExecuteCommand(kCmdTransposeUp);
    window->ExecuteCommand(kCmdTransposeUp);
    EXPECT_EQ(project.Markers().At(0).tempoEvent.key, TransposedKey(key, 2));
    window->ExecuteCommand(kCmdTransposeDown);
    EXPECT_EQ(project.Markers().At(0).tempoEvent.key, TransposedKey(key, 1));
    window->ExecuteCommand(kCmdUndo);
    EXPECT_EQ(project.Markers().At(0).tempoEvent.key, TransposedKey(key, 2));

    // Nothing to fit in an empty project.
    EXPECT_FALSE(window->IsCommandEnabled(kCmdZoomToProject));
}

TEST_F(MainWindowTest, AnOpenTextFieldTakesShortcutKeysFirst) {
    Open();
    window->OpenFileOrNewProject("");
    window->ExecuteCommand(kCmdAddAudioTrack);
    GuiEditField field;
    field.Begin(window.get(), {10, 40, 200, 60}, "typed", GuiFont{}, nullptr);
    host.KeyDown('C', kModControl);
    host.KeyDown('Z', kModControl);
    EXPECT_EQ(host.GetClipboardText(), "typed");
    EXPECT_EQ(project.GetNumTracks(), 9);
    field.End(GuiEditField::EndReason::kEscape);
    host.KeyDown('Z', kModControl);
    EXPECT_EQ(project.GetNumTracks(), 8);
    host.KeyDown('G', kModControl);
    EXPECT_EQ(project.GetNumTracks(), 9);
}

TEST_F(MainWindowTest, ARecoveredProjectIsOfferedDeletedAndLeftWithoutFile) {
    const std::string recovery = m_root + "user/" + LoomtoneMainWindow::kRecoveryFileName;
    SaveNineTrackProject(recovery);
    Open();
    answers = {IDYES};
    window->RunAfterCreationSequence();
    EXPECT_EQ(asked.front(), MyLoadString("CRASH_RecoverProject"));
    EXPECT_FALSE(fs::exists(recovery));
    EXPECT_EQ(project.GetNumTracks(), 9);
    EXPECT_EQ(project.GetProjectFilePath(), "");
    EXPECT_TRUE(undo.IsDirty());

    // Saving asks for a name rather than writing the deleted recovery file.
    chosenPath = m_root + "Rescued.lt4";
    window->ExecuteCommand(kCmdSave);
    EXPECT_EQ(dialogModes.size(), 1u);
    EXPECT_TRUE(fs::exists(chosenPath));
    EXPECT_FALSE(fs::exists(recovery));
}

TEST_F(MainWindowTest, ARefusedRecoveryIsDeletedAndANewProjectStarts) {
    const std::string recovery = m_root + "user/" + LoomtoneMainWindow::kRecoveryFileName;
    SaveNineTrackProject(recovery);
    Open();
    answers = {IDNO};
    window->RunAfterCreationSequence();
    EXPECT_FALSE(fs::exists(recovery));
    EXPECT_EQ(project.GetNumTracks(), 8);
}

TEST_F(MainWindowTest, ASoundOnTheCommandLineStartsANewProjectWithIt) {
    WriteToneWav(m_root + "tone.wav", 44100, 8000);
    // Even on a first run the command line wins, and nothing starts playing.
    prefs.bFirstRun = true;
    Open(m_root + "tone.wav");
    LogCapture log;
    window->RunAfterCreationSequence();
    EXPECT_EQ(project.GetProjectFilePath(), "");
    EXPECT_EQ(project.GetTrack(0)->Clips().size(), 1u);
    EXPECT_FALSE(log.Contains("command " + std::to_string(kCmdPlay)));
}

TEST_F(MainWindowTest, TheFirstRunOpensTheExampleProjectAsAnUntitledCopy) {
    const std::string example = m_root + "program/" + MyLoadString("LoomExampleProject");
    fs::create_directories(fs::path(example).parent_path());
    SaveNineTrackProject(example);
    const auto written = fs::last_write_time(example);
    prefs.bFirstRun = true;
    prefs.DefSaveDir = m_root + "program/";
    Open();
    LogCapture log;
    window->RunAfterCreationSequence();
    EXPECT_EQ(project.GetNumTracks(), 9);
    EXPECT_FALSE(prefs.bFirstRun);
    // Playback of the example is asked for (this one has no clips to play).
    EXPECT_FALSE(log.Contains("command " + std::to_string(kCmdPlay) + " is not available now"));
    mixer.GetNullDevice().Stop();

    // The program's file is not the user's to overwrite: Save asks where,
    // and not in the program's folder.
    EXPECT_EQ(project.GetProjectFilePath(), "");
    ASSERT_TRUE(window->ExecuteCommand(kCmdAddAudioTrack));
    ASSERT_TRUE(window->ExecuteCommand(kCmdSave));
    ASSERT_EQ(dialogModes, std::vector<FileDialogRequest::Mode>{FileDialogRequest::Mode::kSave});
    EXPECT_EQ(dialogFolders.back(), GetMyDocumentsPath());
    EXPECT_EQ(fs::last_write_time(example), written);
}

TEST_F(MainWindowTest, TheExampleSavedElsewhereKeepsItsSounds) {
    const std::string program = m_root + "program/";
    fs::create_directories(program);
    fs::copy(std::string(LOOMTONE_SOURCE_DIR) + "/data/Example Projects",
             program + "Example Projects");
    const std::string example = program + "Example Projects/Example Song.lt4";
    Open();
    ASSERT_TRUE(window->OpenFileOrNewProject(example));
    EXPECT_EQ(project.GetProjectFilePath(), "");
    fs::create_directories(m_root + "mine");
    chosenPath = m_root + "mine/Song";
    ASSERT_TRUE(window->ExecuteCommand(kCmdSave));
    ASSERT_TRUE(fs::exists(m_root + "mine/Song.lt4"));
    EXPECT_EQ(project.GetProjectFilePath(), m_root + "mine/Song.lt4");

    ASSERT_TRUE(window->OpenFileOrNewProject(m_root + "mine/Song.lt4"));
    EXPECT_EQ(project.GetProjectFilePath(), m_root + "mine/Song.lt4");
    int audioClips = 0;
    for (int index = 0; index < project.GetNumTracks(); ++index)
        for (const CClip* clip : project.GetTrack(index)->Clips())
            if (const auto* audio = dynamic_cast<const CAudioClip*>(clip)) {
                ++audioClips;
                EXPECT_TRUE(fs::exists(audio->GetFilePath())) << audio->GetFilePath();
                const fs::path lies = fs::path(program) / "Example Projects" /
                                      fs::path(audio->GetFilePath()).filename();
                EXPECT_TRUE(fs::equivalent(audio->GetFilePath(), lies)) << "found where it lies";
            }
    EXPECT_EQ(audioClips, 3);
    EXPECT_TRUE(asked.empty()) << "no sound was missing";
}

TEST_F(MainWindowTest, SaveAsStartsInTheProjectsFolderOrTheDocuments) {
    Open();
    window->OpenFileOrNewProject("");
    prefs.DefSaveDir = m_root + "program/";
    fs::create_directories(m_root + "program");
    chosenPath = m_root + "songs/First.lt4";
    fs::create_directories(m_root + "songs");
    ASSERT_TRUE(window->ExecuteCommand(kCmdSaveAs));
    EXPECT_EQ(dialogFolders.back(), GetMyDocumentsPath()) << "a new project";
    ASSERT_TRUE(window->ExecuteCommand(kCmdSaveAs));
    EXPECT_EQ(dialogFolders.back(), m_root + "songs/") << "the project's own folder";

    EXPECT_TRUE(IsInsideFolder(m_root + "program/a/b.lt4", m_root + "program"));
    EXPECT_TRUE(IsInsideFolder(m_root + "program", m_root + "program/"));
    EXPECT_FALSE(IsInsideFolder(m_root + "programs/b.lt4", m_root + "program/"));
    EXPECT_FALSE(IsInsideFolder(m_root + "program/../b.lt4", m_root + "program/"));
    EXPECT_FALSE(IsInsideFolder("", m_root));
}

TEST_F(MainWindowTest, ClosingStopsOnCancelAndStoresThePlacement) {
    Open();
    window->OpenFileOrNewProject("");
    window->ExecuteCommand(kCmdAddAudioTrack);
    answers = {IDCANCEL};
    GuiMessage close;
    close.type = GuiMessageType::Destroy;
    host.Send(close);
    EXPECT_FALSE(host.QuitPosted());
    answers = {IDNO};
    host.Send(close);
    EXPECT_TRUE(host.QuitPosted());
    EXPECT_EQ(prefs.lastMainWinRect.right - prefs.lastMainWinRect.left, 800);
    EXPECT_EQ(prefs.lastMainWinRect.bottom - prefs.lastMainWinRect.top, 600);
}

TEST_F(MainWindowTest, TheWindowReturnsWhereAndHowItWasLeft) {
    prefs.lastMainWinRect = {40, 30, 1040, 730};
    prefs.bMainWindowMaximized = true;
    Open();
    window->RunAfterCreationSequence();
    EXPECT_TRUE(host.IsMaximized());
    EXPECT_EQ(host.WindowPosition().x, 40);
    EXPECT_EQ(host.Width(), 1000);

    host.Restore();
    host.Move(70, 90);
    window->RequestClose();
    EXPECT_FALSE(prefs.bMainWindowMaximized);
    EXPECT_EQ(prefs.lastMainWinRect.left, 70);
    EXPECT_EQ(prefs.lastMainWinRect.top, 90);
    EXPECT_EQ(prefs.lastMainWinRect.right - prefs.lastMainWinRect.left, 1000);
}

TEST_F(MainWindowTest, MixDownAsksAboutUnsavedChangesThenWritesTheChosenType) {
    WriteToneWav(m_root + "tone.wav", 44100, 8000);
    Open(m_root + "tone.wav");
    window->RunAfterCreationSequence();
    ASSERT_TRUE(undo.IsDirty());
    answers = {IDNO};
    chosenPath = m_root + "mix";
    ASSERT_TRUE(window->ExecuteCommand(kCmdMixDownWav));
    EXPECT_EQ(asked.front(), MyLoadString("WantSaveQuestion3"));
    ASSERT_TRUE(fs::exists(m_root + "mix.wav"));
    // About a second of 16-bit stereo at least.
    EXPECT_GT(fs::file_size(m_root + "mix.wav"), 44100u * 4 * 9 / 10);
    EXPECT_FALSE(project.InFileActivity());
}

TEST_F(MainWindowTest, MixDownRefusesToWriteOverASoundOfTheProject) {
    WriteToneWav(m_root + "tone.wav", 44100, 8000);
    const std::string tone = FileContents(m_root + "tone.wav");
    Open(m_root + "tone.wav");
    window->RunAfterCreationSequence();
    answers = {IDNO};
    chosenPath = m_root + "tone.wav";
    ASSERT_TRUE(window->ExecuteCommand(kCmdMixDownWav));
    ASSERT_EQ(asked.size(), 2u);
    EXPECT_EQ(asked.back(), FormatLocalized(MyLoadString("Err_FileInUse_Body"), chosenPath));
    EXPECT_EQ(FileContents(m_root + "tone.wav"), tone);
}

namespace {

// An echo on the track that holds the clip, repeating for minutes.
void AddLongEcho(CProject& project) {
    for (int index = 0; index < project.GetNumTracks(); ++index) {
        CTrack* track = project.GetTrack(index);
        if (track->Clips().empty())
            continue;
        auto echo = std::make_unique<CDelayEffect>();
        echo->SetParameter(CDelayEffect::kTimeMs, 2000.0f);
        echo->SetParameter(CDelayEffect::kFeedback, 95.0f);
        ASSERT_TRUE(track->GetEffectChain()->Insert(std::move(echo), -1));
        return;
    }
    FAIL() << "no track holds a clip";
}

double WavSeconds(const std::string& path) {
    return std::atof(CommandOutput("soxi -D '" + path + "'").c_str());
}

} // namespace

// Past the last sound the progress text says that the effects ring out; the
// user's Cancel there stops the render, and the file that was at the target
// before stays as it was, with nothing half written beside it.
TEST_F(MainWindowTest, MixDownSaysWhenTheTailRingsAndCancelKeepsWhatWasThere) {
    WriteToneWav(m_root + "tone.wav", 44100 / 2, 8000);
    Open(m_root + "tone.wav");
    window->RunAfterCreationSequence();
    AddLongEcho(project);
    const std::string target = m_root + "mix.wav";
    std::ofstream(target) << "the mix of yesterday";
    const std::string ringing = MyLoadFormattedString("PD_RingingOut", 0.0);
    const std::string ringingStart = ringing.substr(0, ringing.find('('));
    std::vector<std::string> texts;
    host.SetModalDriver([&](COffscreenGuiHost& h, int) {
        auto* dialog = dynamic_cast<CProgressDialog*>(window->TopLayer());
        ASSERT_NE(dialog, nullptr);
        texts.push_back(dialog->GetText());
        if (texts.back().rfind(ringingStart, 0) == 0 && !dialog->IsCancelled())
            h.KeyDown(VK_ESCAPE);
    });
    answers = {IDNO};
    chosenPath = target;
    LogCapture log;
    ASSERT_TRUE(window->ExecuteCommand(kCmdMixDownWav));
    ASSERT_FALSE(texts.empty());
    EXPECT_EQ(texts.back().rfind(ringingStart, 0), 0u) << texts.back();
    EXPECT_EQ(FileContents(target), "the mix of yesterday");
    for (const auto& entry : fs::directory_iterator(m_root))
        EXPECT_EQ(entry.path().string().find("mix.wav."), std::string::npos) << entry.path();
    EXPECT_TRUE(log.Contains("Render Project '" + target + "' cancelled!"));
    EXPECT_EQ(asked.size(), 1u) << "a cancel is no failure to report";
    EXPECT_TRUE(opened.empty());
    EXPECT_EQ(window->LayerCount(), 0);
    EXPECT_FALSE(project.InFileActivity());
}

// Effects that do not ring, and ringing ones on a track with no sounds, add
// no tail: the file ends with the sound. It is opened on the desktop, and
// carries tags only when the settings say so.
TEST_F(MainWindowTest, MixDownWithoutRingingEffectsEndsWithTheSoundAndFollowsTheSettings) {
    WriteToneWav(m_root + "tone.wav", 44100, 8000);
    Open(m_root + "tone.wav");
    window->RunAfterCreationSequence();
    CTrack* empty = project.GetTrack(project.GetNumTracks() - 1);
    ASSERT_TRUE(empty->Clips().empty());
    auto echo = std::make_unique<CDelayEffect>();
    echo->SetParameter(CDelayEffect::kTimeMs, 2000.0f);
    ASSERT_TRUE(empty->GetEffectChain()->Insert(std::move(echo), -1));
    std::vector<std::string> texts;
    host.SetModalDriver([&](COffscreenGuiHost&, int) {
        if (auto* dialog = dynamic_cast<CProgressDialog*>(window->TopLayer()))
            texts.push_back(dialog->GetText());
    });
    for (const bool tags : {true, false}) {
        prefs.bRenderTags = tags;
        const std::string target = m_root + (tags ? "tagged.wav" : "plain.wav");
        answers = {IDNO};
        chosenPath = target;
        ASSERT_TRUE(window->ExecuteCommand(kCmdMixDownWav));
        ASSERT_TRUE(fs::exists(target));
        EXPECT_NEAR(WavSeconds(target), 1.0, 0.01);
        const std::string title = tags ? "tagged" : "plain";
        EXPECT_EQ(FileContents(target).find(title) != std::string::npos, tags);
        ASSERT_FALSE(opened.empty());
        EXPECT_EQ(opened.back(), target);
    }
    const std::string mixingDown = MyLoadFormattedString("PD_MixingDownTo", "");
    for (const std::string& text : texts)
        EXPECT_EQ(text.rfind(mixingDown, 0), 0u) << text;

    opened.clear();
    prefs.bPlayRenderedFiles = false;
    answers = {IDNO};
    chosenPath = m_root + "quiet.wav";
    ASSERT_TRUE(window->ExecuteCommand(kCmdMixDownWav));
    EXPECT_TRUE(fs::exists(chosenPath));
    EXPECT_TRUE(opened.empty());
}

namespace {

// A CD-track marker at that heard time (the start marker's tempo, so heard and
// reference times agree).
void AddCdMarker(CProject& project, int32_t ms, const std::string& name) {
    MarkerRecord marker = project.Markers().At(0);
    marker.time = ms;
    marker.tempoEvent.time = ms;
    marker.name = name;
    marker.cdTrack = true;
    ASSERT_TRUE(project.Markers().Add(marker));
}

} // namespace

TEST_F(MainWindowTest, CdTrackMarkersCutTheMixDownIntoOneFilePerTrack) {
    // The ranges, for markers a minute apart, and markers past the end.
    CProjectMixdown mixdown(mixer, project.Authoring(), "Software\\Loomtone\\Test");
    WriteToneWav(m_root + "long.wav", 44100 * 150, 8000);
    Open(m_root + "long.wav");
    window->RunAfterCreationSequence();
    mixdown.SetCdTrackStarts({{0.0, "One"}, {60000.0, "Two"}, {120000.0, "Three"}}, true);
    const CTrackRenderList list = mixdown.RenderListFor(m_root + "cd.wav");
    ASSERT_EQ(list.Count(), 3);
    EXPECT_EQ(list.At(0)->startMs, 0.0);
    EXPECT_EQ(list.At(0)->endMs, 60000.0);
    EXPECT_EQ(list.At(1)->startMs, 60000.0);
    EXPECT_EQ(list.At(1)->endMs, 120000.0);
    EXPECT_EQ(list.At(2)->startMs, 120000.0);
    EXPECT_EQ(list.At(2)->endMs, _renderWorkerTrackStruct::kToEnd);
    EXPECT_EQ(list.At(2)->trackNumber, 3);
    EXPECT_EQ(list.At(1)->title, "Two");
    mixdown.SetCdTrackStarts({{0.0, "One"}, {140000.0, "Two"}, {160000.0, "Three"}}, false);
    const CTrackRenderList pastTheEnd = mixdown.RenderListFor(m_root + "cd.wav");
    ASSERT_EQ(pastTheEnd.Count(), 2);
    EXPECT_EQ(pastTheEnd.At(1)->endMs, _renderWorkerTrackStruct::kToEnd);
    EXPECT_EQ(pastTheEnd.At(1)->title, "cd");

    // The command: a three-second sound with CD markers at 0, 1 and 2 seconds.
    WriteToneWav(m_root + "tone.wav", 44100 * 3, 8000);
    Open(m_root + "tone.wav");
    window->RunAfterCreationSequence();
    AddCdMarker(project, 1000, "Verse");
    AddCdMarker(project, 2000, "Chorus");
    prefs.bCreateFilesForEachMarker = true;
    prefs.bUseMarkerTitlesForTrackNames = true;
    answers = {IDNO};
    chosenPath = m_root + "cd.wav";
    ASSERT_TRUE(window->ExecuteCommand(kCmdMixDownWav));
    EXPECT_FALSE(fs::exists(m_root + "cd.wav"));
    for (int number = 1; number <= 3; ++number) {
        const std::string file = m_root + "cd-" + std::to_string(number) + ".wav";
        ASSERT_TRUE(fs::exists(file)) << file;
        EXPECT_NEAR(WavSeconds(file), 1.0, 0.01) << file;
    }
    EXPECT_NE(FileContents(m_root + "cd-2.wav").find("Verse"), std::string::npos);
}

namespace {

struct Loudness {
    double integratedLufs = 0.0;
    double truePeakDb = 0.0;
};

// The loudness of a file as ffmpeg's EBU R128 filter measures it.
Loudness MeasuredLoudness(const std::string& path) {
    const std::string report = CommandOutput("ffmpeg -hide_banner -nostats -i '" + path +
                                             "' -af ebur128=peak=true -f null - 2>&1");
    const auto valueAfter = [&report](const std::string& label) {
        const size_t at = report.rfind(label);
        return at == std::string::npos ? 0.0 : std::atof(report.c_str() + at + label.size());
    };
    return {valueAfter("I:"), valueAfter("Peak:")};
}

} // namespace

// A quiet mix-down is raised to the loudness target; a target that would push
// the peaks over the ceiling gives way to the ceiling.
TEST_F(MainWindowTest, NormalizedMixDownMeetsTheLoudnessTargetUnderTheCeiling) {
    WriteToneWav(m_root + "quiet.wav", 44100 * 3, 2000);
    Open(m_root + "quiet.wav");
    window->RunAfterCreationSequence();
    prefs.bNormalizeMixDown = true;
    EXPECT_DOUBLE_EQ(prefs.fMixDownLoudness, -14.0);
    EXPECT_DOUBLE_EQ(prefs.fMixDownTruePeak, -1.0);
    const std::string quiet = m_root + "quiet-mix.wav";
    answers = {IDNO};
    chosenPath = quiet;
    ASSERT_TRUE(window->ExecuteCommand(kCmdMixDownWav));
    const Loudness raised = MeasuredLoudness(quiet);
    EXPECT_NEAR(raised.integratedLufs, -14.0, 0.5);
    EXPECT_LT(raised.truePeakDb, -1.0);
    EXPECT_NEAR(WavSeconds(quiet), 3.0, 0.01);

    // A tone at 0 LUFS would peak above full scale.
    prefs.fMixDownLoudness = 0.0;
    const std::string capped = m_root + "capped-mix.wav";
    answers = {IDNO};
    chosenPath = capped;
    ASSERT_TRUE(window->ExecuteCommand(kCmdMixDownWav));
    const Loudness held = MeasuredLoudness(capped);
    EXPECT_LT(held.integratedLufs, -1.0);
    EXPECT_LT(held.truePeakDb, -0.9);
    EXPECT_GT(held.truePeakDb, -1.5);
    for (const auto& entry : fs::directory_iterator(m_root))
        EXPECT_EQ(entry.path().string().find("normalising"), std::string::npos) << entry.path();
}

TEST_F(MainWindowTest, ANameThatCannotBeWrittenInTheShownFolderFailsAloudAndNowhereElse) {
    WriteToneWav(m_root + "tone.wav", 44100, 8000);
    Open(m_root + "tone.wav");
    window->RunAfterCreationSequence();
    const fs::path before = fs::current_path();
    fs::current_path(m_root);
    chosenPath = m_root + "missing/song2.lt4";
    ASSERT_TRUE(window->ExecuteCommand(kCmdSaveAs));
    ASSERT_FALSE(asked.empty());
    EXPECT_EQ(asked.back(), FormatLocalized(MyLoadString("Err_SaveFailedBody"), chosenPath));
    EXPECT_TRUE(undo.IsDirty()) << "nothing was saved";

    asked.clear();
    answers = {IDNO};
    chosenPath = m_root + "missing/mix4.wav";
    ASSERT_TRUE(window->ExecuteCommand(kCmdMixDownWav));
    ASSERT_FALSE(asked.empty());
    EXPECT_EQ(asked.back(), FormatLocalized(MyLoadString("Err_RenderFailedBody"), chosenPath));
    fs::current_path(before);
    for (const std::string name : {"song2.lt4", "mix4.wav"}) {
        EXPECT_FALSE(fs::exists("/" + name)) << name;
        EXPECT_FALSE(fs::exists(m_root + name)) << name;
        EXPECT_FALSE(fs::exists(before / name)) << name;
        EXPECT_FALSE(fs::exists(m_root + "missing/" + name)) << name;
    }
}

namespace {

void CollectCommands(const GuiMenu& menu, std::vector<int32_t>& ids) {
    for (int index = 0; index < menu.ItemCount(); ++index) {
        const GuiMenu::Item& item = menu.ItemAt(index);
        if (item.subMenu)
            CollectCommands(*item.subMenu, ids);
        else if (!item.separator)
            ids.push_back(item.id);
    }
}

} // namespace

TEST_F(MainWindowTest, EveryMenuEntryHasACommandOfItsOwn) {
    Open();
    window->OpenFileOrNewProject("");
    chosenPath = m_root + "Listed.lt4";
    window->ExecuteCommand(kCmdSaveAs);
    std::vector<int32_t> ids;
    for (int index = 0; index < window->MenuBar().MenuCount(); ++index) {
        window->PrepareMenu(window->MenuBar().MenuAt(index));
        CollectCommands(window->MenuBar().MenuAt(index), ids);
    }
    std::sort(ids.begin(), ids.end());
    EXPECT_EQ(std::adjacent_find(ids.begin(), ids.end()), ids.end());
    EXPECT_EQ(std::count(ids.begin(), ids.end(), 0), 0);

    GuiMenu& track = window->MenuBar().MenuAt(3);
    const GuiMenu::Item* left = nullptr;
    const GuiMenu::Item* loud = nullptr;
    for (int32_t id : ids) {
        const GuiMenu::Item* item = track.FindItem(id);
        if (item && item->label == "Left 25%")
            left = item;
        if (item && item->label == "120%")
            loud = item;
    }
    ASSERT_TRUE(left && loud);
    ASSERT_TRUE(window->ExecuteCommand(left->id));
    ASSERT_TRUE(window->ExecuteCommand(loud->id));
    EXPECT_DOUBLE_EQ(project.GetTrack(0)->GetPan(), -0.25);
    EXPECT_DOUBLE_EQ(project.GetTrack(0)->GetVolume(), 1.2);

    // The menus mark the selected track's values, as Master Volume does.
    window->PrepareMenu(track);
    int checked = 0;
    for (int32_t id : ids)
        if (const GuiMenu::Item* item = track.FindItem(id); item && item->checked) {
            ++checked;
            EXPECT_TRUE(item == left || item == loud || id == kCmdTrackHeightNormal) << item->label;
        }
    EXPECT_EQ(checked, 3);
}

TEST_F(MainWindowTest, DownloadItemsAreOfferedOnlyWithAnAddress) {
    Open();
    GuiMenu& help = window->MenuBar().MenuAt(6);
    EXPECT_EQ(help.FindItem(kCmdDownloadLoops), nullptr);
    EXPECT_EQ(help.FindItem(kCmdDownloadEffects), nullptr);
    // Help Topics, a separator, About: no empty group left behind.
    ASSERT_EQ(help.ItemCount(), 3);
    EXPECT_TRUE(help.ItemAt(1).separator);

    CRegKey root(RegRoot::CurrentUser);
    auto key = root.CreateSubKey(CPrefs::kCurrentKeyPath);
    ASSERT_TRUE(key);
    ASSERT_TRUE(key->SetKeyString("sounds url", "https://sounds.example.org/"));
    window.reset();
    Open();
    GuiMenu& again = window->MenuBar().MenuAt(6);
    EXPECT_EQ(again.FindItem(kCmdDownloadLoops), nullptr);
    ASSERT_NE(again.FindItem(kCmdDownloadSounds), nullptr);
    EXPECT_EQ(CDownloadPages::Address(kCmdDownloadSounds), "https://sounds.example.org/");
    EXPECT_EQ(again.ItemCount(), 5);
}

namespace {

std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

} // namespace

TEST_F(MainWindowTest, APartlyLoadedProjectIsNotSavedOverWithoutAsking) {
    const std::string path = m_root + "Cut.lt4";
    project.NewProject(true);
    ASSERT_TRUE(project.SaveProject(path));
    // The file loses its last bytes, as when a disk filled up while copying.
    fs::resize_file(path, fs::file_size(path) - 20);
    const std::string damaged = ReadAll(path);
    Open();
    window->OpenFileOrNewProject(path);
    ASSERT_TRUE(project.LoadWasPartial());
    EXPECT_EQ(project.GetNumTracks(), 7);
    ASSERT_TRUE(window->ExecuteCommand(kCmdAddAudioTrack));

    // Cancel: nothing is written.
    asked.clear();
    answers = {IDCANCEL};
    window->ExecuteCommand(kCmdSave);
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_EQ(asked[0], MyLoadString("PL_SaveOver_Body"));
    EXPECT_EQ(ReadAll(path), damaged);
    // No: saved under the name chosen instead.
    answers = {IDNO};
    chosenPath = m_root + "Elsewhere";
    ASSERT_TRUE(window->ExecuteCommand(kCmdSave));
    EXPECT_TRUE(fs::exists(m_root + "Elsewhere.lt4"));
    EXPECT_EQ(ReadAll(path), damaged);
    EXPECT_FALSE(project.LoadWasPartial());
}

TEST_F(MainWindowTest, FindMissingSoundsBringsBackAClipWhoseSoundReturned) {
    SetMissingSoundHook([](const MissingSoundRequest&) { return MissingSoundAnswer{}; });
    const std::string sound = m_root + "Tone.wav";
    const std::string path = m_root + "Song.lt4";
    WriteToneWav(sound, 44100, 8000);
    project.NewProject(true);
    ASSERT_NE(project.AddAudioClip(sound), nullptr);
    ASSERT_TRUE(project.SaveProject(path));
    fs::rename(sound, m_root + "Away.wav");
    Open();
    window->OpenFileOrNewProject(path);
    ASSERT_EQ(project.GetTrack(0)->Clips().size(), 1u);
    const auto isPlaceholder = [this] {
        return dynamic_cast<CPlaceholderClip*>(project.GetTrack(0)->Clips().front()) != nullptr;
    };
    EXPECT_TRUE(isPlaceholder());
    fs::rename(m_root + "Away.wav", sound);
    ASSERT_TRUE(window->ExecuteCommand(kCmdFindMissingSounds));
    ASSERT_EQ(project.GetTrack(0)->Clips().size(), 1u);
    EXPECT_FALSE(isPlaceholder());
    SetMissingSoundHook(nullptr);
}
