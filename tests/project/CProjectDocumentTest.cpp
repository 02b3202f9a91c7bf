// The project as the editor drives it on a window: the new-project dialog,
// the notifications of the track area, the progress dialog, the first-sound
// key and tempo rule and automatic beat matching, and saves that survive
// the program being killed.
#include "ProjectOnWindowTest.h"
#include "ScopedEnv.h"
#include "TestFiles.h"
#include "engine/CDelayEffect.h"
#include "engine/CEffectChain.h"
#include "gui/CDialogButton.h"
#include "gui/CProgressDialog.h"
#include "gui/DialogLook.h"
#include "gui/GuiPopupMenu.h"
#include "project/CAudioTrack.h"
#include "project/CMIDITrack.h"
#include "project/CNewProjectDialog.h"
#include "project/ProjectNotifications.h"
#include "support/CMRUList.h"
#include "support/LocalizedStrings.h"
#include "support/LogCapture.h"

#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>

namespace fs = std::filesystem;

namespace {

bool Logged(const LogCapture& log, const std::string& line) {
    const auto lines = log.Lines();
    return std::find(lines.begin(), lines.end(), line) != lines.end();
}

class ProjectOnWindow : public ProjectOnWindowTest {
protected:
    void SetUp() override {
        ProjectOnWindowTest::SetUp();
        m_prefs.bSwitchKeyTempoOnFirstSound = true;
    }
    void Notify(int message, intptr_t number) {
        m_project->OnNotification(message, NotificationNumber(number));
    }
    int CountKind(CTrack::Kind kind) const {
        int count = 0;
        for (int index = 0; index < m_project->GetNumTracks(); ++index)
            count += m_project->GetTrack(index)->GetKind() == kind;
        return count;
    }
};

TEST_F(ProjectOnWindow, NewProjectDialogKindsAndRecentProjects) {
    m_prefs.bShowNewProjectDialog = true;
    m_prefs.defaultVirtualInstrument = CDelayEffect::kID;
    Drive({[&] {
        ClickDialogButton(CNewProjectDialog::kFirstKindId + CNewProjectDialog::kMixMidi);
    }});
    m_project->NewProject(false);
    ASSERT_EQ(m_project->GetNumTracks(), 8);
    for (int index = 0; index < 8; ++index)
        EXPECT_EQ(m_project->GetTrack(index)->GetKind(),
                  index < 6 ? CTrack::kAudio : CTrack::kMidi);
    EXPECT_EQ(static_cast<CMIDITrack*>(m_project->GetTrack(7))->GetInstrumentChain()->NumEffects(),
              1);
    EXPECT_EQ(m_prefs.defProjectType, 2);
    EXPECT_EQ(m_project->GetTimeLineMode(), 0u);
    EXPECT_FALSE(m_project->GetAutoBeatMatch());
    EXPECT_FALSE(m_undo.IsDirty());
    EXPECT_EQ(m_window.LayerCount(), 0);

    Drive({[&] {
        ClickDialogButton(CNewProjectDialog::kFirstKindId + CNewProjectDialog::kMixLoops);
    }});
    m_project->NewProject(false);
    EXPECT_EQ(CountKind(CTrack::kMidi), 0);
    EXPECT_TRUE(m_project->GetAutoBeatMatch());
    EXPECT_EQ(m_prefs.lastTimeMode, 0);
    // Enter takes the kind chosen last.
    Drive({[&] { m_host.KeyDown(VK_RETURN); }});
    m_project->NewProject(false);
    EXPECT_TRUE(m_project->GetAutoBeatMatch());
    EXPECT_EQ(m_prefs.defProjectType, 1);

    // A recent project is loaded; Browse starts the open command.
    ScopedEnv config("XDG_CONFIG_HOME", m_dir.c_str());
    CMRUList recent;
    ASSERT_TRUE(recent.Init("Software\\Loomtone\\Recent"));
    m_project->SetRecentFiles(&recent);
    m_project->AddMIDITrack(-1, false);
    ASSERT_TRUE(m_project->SaveProject(m_dir + "nine.lt4"));
    Drive({[&] { ClickDialogButton(CNewProjectDialog::kFirstRecentId); }});
    m_project->NewProject(false);
    EXPECT_EQ(m_project->GetNumTracks(), 9);
    EXPECT_EQ(m_project->GetProjectFilePath(), m_dir + "nine.lt4");
    int browsed = 0;
    m_project->SetOpenProjectCommand([&] { ++browsed; });
    Drive({[&] { ClickDialogButton(CNewProjectDialog::kBrowseId); }});
    m_project->NewProject(false);
    EXPECT_EQ(browsed, 1);
    m_project->SetRecentFiles(nullptr);

    // Closed, or not asked for: the plain project.
    Drive({[&] { m_host.KeyDown(VK_ESCAPE); }});
    m_project->NewProject(false);
    EXPECT_EQ(m_project->GetNumTracks(), 8);
    EXPECT_EQ(m_project->GetProjectFilePath(), "");
    m_host.SetModalDriver([](COffscreenGuiHost&, int) { FAIL() << "no dialog expected"; });
    m_project->NewProject(true);
}

TEST_F(ProjectOnWindow, ToolbarButtonsToggleModeAndAddTracks) {
    Notify(kNotifyToolbarButton, kToolbarButtonTimeLineMode);
    EXPECT_EQ(m_project->GetTimeLineMode(), 0u);
    Notify(kNotifyToolbarButton, kToolbarButtonTimeLineMode);
    EXPECT_EQ(m_project->GetTimeLineMode(), 1u);

    auto choose = [&](int item) {
        auto* popup = dynamic_cast<GuiPopupMenu*>(m_window.TopLayer());
        ASSERT_NE(popup, nullptr);
        const int32_t x = popup->GetAbsX() + 30;
        const int32_t y = popup->GetAbsY() + popup->ItemTop(item) + 5;
        m_host.MouseMove(x, y);
        m_host.LeftDown(x, y);
        m_host.LeftUp(x, y);
    };
    Drive({[&] { choose(1); }});
    Notify(kNotifyToolbarButton, kToolbarButtonAddTrack);
    ASSERT_EQ(m_project->GetNumTracks(), 9);
    EXPECT_EQ(m_project->GetTrack(8)->GetKind(), CTrack::kMidi);
    EXPECT_EQ(m_project->GetLastSelectedTrack(), 8);
    Drive({[&] { choose(0); }});
    Notify(kNotifyToolbarButton, kToolbarButtonAddTrack);
    EXPECT_EQ(m_project->GetTrack(9)->GetKind(), CTrack::kAudio);
    ASSERT_TRUE(m_undo.Undo());
    EXPECT_EQ(m_project->GetNumTracks(), 9);
    Drive({[&] { m_host.KeyDown(VK_ESCAPE); }});
    Notify(kNotifyToolbarButton, kToolbarButtonAddTrack);
    EXPECT_EQ(m_project->GetNumTracks(), 9);
}

struct Listener : Observer {
    std::vector<int> messages;
    void OnNotification(int message, void*) override { messages.push_back(message); }
};

TEST_F(ProjectOnWindow, TrackAreaNotifications) {
    LogCapture log;
    Listener listener;
    m_project->AddObserver(&listener);
    Notify(kNotifySelectTrack, 3);
    EXPECT_EQ(m_project->GetLastSelectedTrack(), 3);
    EXPECT_TRUE(m_project->GetTrack(3)->IsSelected());
    EXPECT_FALSE(m_project->GetTrack(0)->IsSelected());
    EXPECT_TRUE(Logged(log, "MN_SELECT_TRACK 3: Project"));

    const int32_t normal = m_project->GetTrack(2)->GetHeight();
    TrackHeightDrag drag{20, normal, 2, false};
    m_project->OnNotification(kNotifyTrackHeightDrag, &drag);
    drag.heightChange = 30;
    drag.released = true;
    m_project->OnNotification(kNotifyTrackHeightDrag, &drag);
    EXPECT_EQ(m_project->GetTrack(2)->GetHeight(), normal + 30);
    ASSERT_TRUE(m_undo.Undo());
    EXPECT_EQ(m_project->GetTrack(2)->GetHeight(), normal);

    m_project->GetTrack(1)->ToggleSolo();
    Notify(kNotifySoloOn, 1);
    EXPECT_TRUE(m_project->GetTrack(0)->IsSilencedBySolo());
    m_project->GetTrack(1)->ToggleSolo();
    Notify(kNotifySoloOff, 1);
    EXPECT_FALSE(m_project->GetTrack(0)->IsSilencedBySolo());

    Notify(kNotifyMoveCaret, 4321);
    EXPECT_EQ(m_project->GetCaretTime(), 4321.0);
    EXPECT_NEAR(m_mixer.GetPositionMs(), 4321.0, 1.0);
    Notify(kNotifyMoveCaret, -50);
    EXPECT_EQ(m_project->GetCaretTime(), 0.0);

    Notify(kNotifyTempoChange, 0);
    EXPECT_TRUE(Logged(log, "MN_TEMPO_CHANGE: Project"));
    EXPECT_EQ(std::count(listener.messages.begin(), listener.messages.end(), kNotifyTempoChange),
              1);
    m_project->RemoveObserver(&listener);
}

TEST_F(ProjectOnWindow, SavesKeepBackupsTemplatesAndUnusedRecordings) {
    const std::string path = m_dir + "p.lt4";
    ASSERT_TRUE(m_project->SaveProject(path));
    const std::string first = ReadAll(path);
    m_project->AddMIDITrack(-1, false);
    ASSERT_TRUE(m_project->SaveProject(path));
    const std::string second = ReadAll(path);
    EXPECT_EQ(ReadAll(path + ".backup"), first);
    m_project->DeleteTrack(0, false);
    ASSERT_TRUE(m_project->SaveProject(path));
    EXPECT_EQ(ReadAll(path + ".backup"), second);

    m_undo.SetDirty(true);
    SaveOptions asTemplate;
    asTemplate.asTemplate = true;
    ASSERT_TRUE(m_project->SaveProject(m_dir + "t.lt4template", asTemplate));
    EXPECT_TRUE(m_undo.IsDirty());
    EXPECT_EQ(m_project->GetProjectFilePath(), path);

    const std::string recording = m_dir + "take1.wav";
    std::ofstream(recording) << "RIFF";
    m_prefs.bDeleteUnusedRecordings = false;
    m_project->AddRecording(recording);
    ASSERT_TRUE(m_project->SaveProject(path));
    EXPECT_TRUE(fs::exists(recording));
    m_prefs.bDeleteUnusedRecordings = true;
    m_project->AddRecording(recording);
    m_project->NewProject(true);
    EXPECT_FALSE(fs::exists(recording));
}

// A cancel pressed in the progress dialog while the save runs.
TEST_F(ProjectOnWindow, CancelledSaveLeavesTheFileAsItWas) {
    const std::string path = m_dir + "kept.lt4";
    ASSERT_TRUE(m_project->SaveProject(path));
    const std::string before = ReadAll(path);
    m_project->AddMIDITrack(-1, true);
    bool sawDialog = false;
    Drive({[&] {
        auto* dialog = dynamic_cast<CProgressDialog*>(m_window.TopLayer());
        ASSERT_NE(dialog, nullptr);
        sawDialog = true;
        Click(dialog->GetButton(IDCANCEL));
    }});
    LogCapture log;
    EXPECT_FALSE(m_project->SaveProject(path));
    EXPECT_TRUE(sawDialog);
    EXPECT_EQ(ReadAll(path), before);
    EXPECT_TRUE(m_titles.empty());
    EXPECT_TRUE(Logged(log, "Save Project '" + path + "' cancelled!"));
    EXPECT_TRUE(m_undo.IsDirty());
    EXPECT_EQ(m_window.LayerCount(), 0);
    for (const auto& entry : fs::directory_iterator(m_dir))
        EXPECT_TRUE(entry.path().filename() == "kept.lt4" ||
                    entry.path().filename() == "kept.lt4.backup" ||
                    entry.path().filename() == "Tone.wav")
            << entry.path();

    // Without a cancel the same save goes through, the dialog gone afterwards.
    m_host.SetModalDriver(nullptr);
    EXPECT_TRUE(m_project->SaveProject(path));
    EXPECT_NE(ReadAll(path), before);
    EXPECT_EQ(m_window.LayerCount(), 0);
}

TEST_F(ProjectOnWindow, FileActivityLogsAndRefusesBeatMatching) {
    LogCapture log;
    m_project->SetFileActivity(true);
    EXPECT_FALSE(m_project->IsEnabled());
    m_project->AutoBeatMatch({});
    EXPECT_TRUE(Logged(log, "Already in file activity mode...returning"));
    m_project->SetFileActivity(false);
    EXPECT_TRUE(m_project->IsEnabled());
    const auto lines = log.Lines();
    EXPECT_EQ(lines[0], "SetFileActivity: TRUE");
    EXPECT_TRUE(Logged(log, "SetFileActivity: FALSE"));
    EXPECT_EQ(std::count(lines.begin(), lines.end(), "SetFileActivity exiting."), 2);
}

// A MIDI header whose one track is missing makes no project.
TEST_F(ProjectOnWindow, MidiFileWithoutItsTrackIsNoProject) {
    const std::string path = m_dir + "song.mid";
    std::ofstream(path, std::ios::binary) << std::string("MThd\0\0\0\x06\0\0\0\x01\0\x60", 14);
    m_project->AddMIDITrack(-1, false);
    bool cancelled = true;
    EXPECT_FALSE(m_project->LoadProject(path, cancelled));
    EXPECT_FALSE(cancelled);
    EXPECT_EQ(m_titles, std::vector<std::string>{"Err_LoadFailedTitle"});
    EXPECT_EQ(m_project->GetNumTracks(), 8);
    EXPECT_EQ(m_project->GetProjectFilePath(), "");
}

// A marker's own time and its tempo event's time are separate fields of the
// file; the first marker must stay at 0 whatever they say.
TEST_F(ProjectOnWindow, MarkerTimesThatDisagreeKeepTheStartFirst) {
    MarkerRecord verse = m_project->Markers().At(0);
    verse.time = 8000;
    verse.tempoEvent.time = 8000;
    ASSERT_TRUE(m_project->Markers().Add(verse));
    const std::string path = m_dir + "marks.lt4";
    ASSERT_TRUE(m_project->SaveProject(path));
    const std::string saved = ReadAll(path);
    // The chunk code, not the test folder's name in the project record.
    const size_t records = saved.find("Mark", 12 + 8 + 2656) + 8 + 80;
    auto withEventTime = [&](int record, int32_t time) {
        std::string file = saved;
        std::memcpy(&file[records + 328 * record + 292], &time, 4);
        std::ofstream(path, std::ios::binary) << file;
    };
    bool cancelled = false;
    withEventTime(1, 0); // the verse's event moves to the start's place
    EXPECT_FALSE(m_project->LoadProject(path, cancelled));
    EXPECT_EQ(m_titles, std::vector<std::string>{"Err_LoadFailedTitle"});
    withEventTime(0, 3000); // the start's event moves away
    ASSERT_TRUE(m_project->LoadProject(path, cancelled));
    ASSERT_EQ(m_project->Markers().Count(), 3);
    EXPECT_TRUE(m_project->Markers().At(0).IsStartMarker());
}

struct FakeClip : KeyTempoClip {
    double tempo = 0;
    int key = -1;
    bool recording = false;
    bool analysed = true;
    bool analysisWorks = true;
    int analyses = 0;
    double GetClipTempo() const override { return tempo; }
    int GetClipKey() const override { return key; }
    bool IsBeingRecorded() const override { return recording; }
    bool IsSoundAnalysed() const override { return analysed; }
    bool BeatMatchFromAnalysis() override {
        ++analyses;
        analysed = analysisWorks;
        return analysisWorks;
    }
};

class FirstSound : public ProjectOnWindow {
protected:
    double StartTempo() const { return m_project->Markers().At(0).tempoEvent.tempo; }
    int StartKey() const { return m_project->Markers().At(0).tempoEvent.key; }
    bool Add(FakeClip& clip, std::vector<KeyTempoTrack> tracks = {}) {
        tracks.push_back({true, false, {&clip}});
        return m_project->AutoSwitchKeyTempo(clip, tracks, true, false);
    }
};

TEST_F(FirstSound, TempoQuestionAnswersAndDontAskAgain) {
    FakeClip clip;
    clip.tempo = 128.4;
    m_answer = IDNO;
    EXPECT_FALSE(Add(clip));
    EXPECT_EQ(m_titles, std::vector<std::string>{"Quest_AutoTempoSwitch_Title"});
    EXPECT_EQ(StartTempo(), 120.0);

    m_answer = IDYES;
    m_undo.NextUndoSet();
    EXPECT_TRUE(Add(clip));
    EXPECT_EQ(StartTempo(), 128.4);
    EXPECT_TRUE(m_undo.IsDirty());
    ASSERT_TRUE(m_undo.Undo());
    EXPECT_EQ(StartTempo(), 120.0);

    clip.key = 5;
    m_titles.clear();
    EXPECT_TRUE(Add(clip));
    EXPECT_EQ(m_titles, std::vector<std::string>{"Quest_AutoBothSwitch_Title"});
    EXPECT_EQ(StartKey(), 5);
    clip.key = 7;
    clip.tempo = 0;
    m_titles.clear();
    EXPECT_TRUE(Add(clip));
    EXPECT_EQ(m_titles, std::vector<std::string>{"Quest_AutoKeySwitch_Title"});

    // Ticked and No: first sounds are never adopted again, and not asked about.
    m_answer = IDNO;
    m_tickCheckBox = true;
    clip.tempo = 90;
    EXPECT_FALSE(Add(clip));
    EXPECT_FALSE(m_prefs.bSwitchKeyTempoOnFirstSound);
    EXPECT_FALSE(m_prefs.bAskToSwitchKeyTempoOnFirstSound);
    m_titles.clear();
    EXPECT_FALSE(Add(clip));
    EXPECT_TRUE(m_titles.empty());
}

TEST_F(FirstSound, EarlierTempoOrUnusableTempoIsNotAdopted) {
    m_prefs.bAskToSwitchKeyTempoOnFirstSound = false;
    FakeClip earlier;
    earlier.tempo = 100;
    earlier.key = 2;
    FakeClip clip;
    clip.tempo = 128;
    clip.key = 9;
    EXPECT_FALSE(Add(clip, {{true, false, {&earlier}}}));
    EXPECT_EQ(StartTempo(), 120.0);
    // A frozen track's clips do not count.
    EXPECT_TRUE(Add(clip, {{true, true, {&earlier}}}));
    EXPECT_EQ(StartTempo(), 128.0);

    MarkerRecord change = m_project->Markers().At(0);
    change.time = 8000;
    change.tempoEvent.time = 8000;
    change.tempoEvent.tempo = 140;
    change.tempoEvent.keyChange = false;
    ASSERT_TRUE(m_project->Markers().Add(change));
    clip.tempo = 90;
    clip.key = 11;
    EXPECT_TRUE(Add(clip)); // the key still comes over
    EXPECT_EQ(StartTempo(), 128.0);
    EXPECT_EQ(StartKey(), 11);

    // A tempo the tempo map cannot take never reaches the start marker.
    m_project->NewProject(true);
    for (double bad : {5000.0, std::nan("")}) {
        clip.tempo = bad;
        clip.key = 99;
        EXPECT_FALSE(Add(clip));
        EXPECT_EQ(StartTempo(), 120.0);
    }
    EXPECT_FALSE(m_project->Markers().Add(m_project->Markers().At(0)));
    EXPECT_EQ(m_project->Markers().Count(), 1);
}

TEST_F(FirstSound, AutoBeatMatchAnalysesAudioClipsAndAdoptsTheFirstTempo) {
    FakeClip done, fresh, failing, later, recording, onMidi;
    fresh.analysed = failing.analysed = later.analysed = recording.analysed = onMidi.analysed =
        false;
    fresh.tempo = 100;
    fresh.key = 4;
    failing.analysisWorks = false;
    recording.recording = true;
    const std::vector<KeyTempoTrack> tracks = {{true, false, {&done, &fresh}},
                                               {true, false, {&failing, &later}},
                                               {false, false, {&onMidi}},
                                               {true, false, {&recording}}};
    m_answer = IDNO;
    m_project->AutoBeatMatch(tracks);
    EXPECT_EQ(fresh.analyses, 0);
    EXPECT_EQ(m_titles, std::vector<std::string>{"Quest_BeatMatch_Title"});

    m_answer = IDYES;
    m_tickCheckBox = true;
    m_prefs.bAskToSwitchKeyTempoOnFirstSound = false;
    LogCapture log;
    m_project->AutoBeatMatch(tracks);
    EXPECT_FALSE(m_prefs.bAskToAutoBeatMatch);
    EXPECT_EQ(done.analyses + fresh.analyses + failing.analyses, 2);
    EXPECT_EQ(later.analyses + onMidi.analyses + recording.analyses, 0);
    EXPECT_TRUE(Logged(log, "CProject::AutoBeatMatch() - Failed or canceled auto beat match"));
    EXPECT_FALSE(m_project->InFileActivity());
    EXPECT_EQ(StartTempo(), 100.0);
    EXPECT_EQ(StartKey(), 3); // beat matching does not switch keys
}

// A child saves the project over and over until it is killed; the file
// must always load, holding either the first or the second project.
TEST_F(ProjectOnWindow, KillDuringSaveNeverDamagesTheFile) {
    const std::string path = m_dir + "killed.lt4";
    ASSERT_TRUE(m_project->SaveProject(path));
    std::mt19937 random(7);
    for (int round = 0; round < 40; ++round) {
        int ready[2];
        ASSERT_EQ(pipe(ready), 0);
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            close(ready[0]);
            m_project->AddMIDITrack(-1, false);
            if (write(ready[1], "r", 1) != 1)
                _exit(1);
            for (;;)
                m_project->SaveProject(path);
        }
        close(ready[1]);
        char signal;
        ASSERT_EQ(read(ready[0], &signal, 1), 1);
        close(ready[0]);
        usleep(static_cast<useconds_t>(random() % 20000));
        kill(child, SIGKILL);
        int status = 0;
        ASSERT_EQ(waitpid(child, &status, 0), child);

        bool cancelled = false;
        ASSERT_TRUE(m_project->LoadProject(path, cancelled)) << "round " << round;
        const int tracks = m_project->GetNumTracks();
        ASSERT_TRUE(tracks == 8 || tracks == 9) << "round " << round;
        ASSERT_TRUE(m_titles.empty()) << "round " << round;
        m_project->NewProject(true);
    }
}

} // namespace

TEST(NewProjectDialog, EveryKindOfProjectFitsItsButtonUncut) {
    // The shipped texts, for this test only.
    const std::string before = GetStringFile();
    ASSERT_TRUE(SetStringFile(std::string(LOOMTONE_SOURCE_DIR) + "/data/loomstrings.ini"));
    CNewProjectDialog dialog({});
    const int32_t oneLine = MeasureWrappedText("Xy", 1000, kDialogFont);
    int kind = CNewProjectDialog::kFirstKindId;
    for (const char* key : {"NPD_RecBand", "NPD_MixLoops", "NPD_MixMIDI"}) {
        const std::string text = MyLoadString(key);
        ASSERT_TRUE(HasLocalizedString(key)) << "the string file is loaded";
        // The caption is drawn inside the frame, a few pixels in.
        const int32_t room = dialog.GetButton(kind++)->GetWidth() - 8;
        EXPECT_EQ(MeasureWrappedText(text, room, kDialogFont), oneLine) << text;
    }
    SetStringFile(before);
}
