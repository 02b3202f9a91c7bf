#include "transport/CMixMasterBar.h"
#include "engine/CBypassNotices.h"
#include "engine/TempoMap.h"
#include "gui/GuiPopupMenu.h"
#include "project/CAudioTrack.h"
#include "project/CClip.h"
#include "project/ProjectOnWindowTest.h"
#include "support/LocalizedStrings.h"
#include "timeline/LoomtoneCustomWindow.h"
#include "transport/CDeviceCheck.h"
#include "transport/CPlayerInfoBar.h"
#include "transport/CRecordSession.h"
#include "transport/CTransport.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace {

// The master bar at the foot of the project's track area, over ten seconds
// of tone on the first track.
class MasterBarTest : public ProjectOnWindowTest {
protected:
    void SetUp() override {
        ProjectOnWindowTest::SetUp();
        WriteToneWav(m_dir + "Long.wav", 441000, 8000);
        ASSERT_NE(AddClipAt(0, 0.0, m_dir + "Long.wav"), nullptr);
        m_project->MoveCaretAndPlayback(1000.0);
        m_transport = std::make_unique<CTransport>(*m_project, m_mixer);
        m_bar = std::make_unique<CMixMasterBar>(*m_transport, *m_project, m_undo);
        m_project->AttachMasterBar(m_bar.get());
        m_bar->Watch(&m_project->PlaybackLine());
        m_project->SetSize(1200, 800);
        m_host.Advance(100);
    }
    void TearDown() override {
        m_mixer.Stop(0);
        m_project->AttachMasterBar(nullptr);
        m_bar.reset();
        m_transport.reset();
        ProjectOnWindowTest::TearDown();
    }

    // A left click in the middle of a bar object.
    void Click(VRGuiObject& object) {
        const int32_t x = object.GetAbsX() + object.GetWidth() / 2;
        const int32_t y = object.GetAbsY() + object.GetHeight() / 2;
        m_host.LeftDown(x, y);
        m_host.LeftUp(x, y);
    }
    GuiButton& Button(int32_t id) { return *m_bar->GetButton(id); }
    std::string Tip(int32_t id) {
        std::string text;
        Button(id).GetToolTip({0, 0}, text);
        return text;
    }

    std::unique_ptr<CTransport> m_transport;
    std::unique_ptr<CMixMasterBar> m_bar;
};

TEST_F(MasterBarTest, PlayAndStopSwapPlaces) {
    EXPECT_TRUE(Button(CMixMasterBar::kPlay).IsVisible());
    EXPECT_FALSE(Button(CMixMasterBar::kStop).IsVisible());
    Click(Button(CMixMasterBar::kPlay));
    EXPECT_TRUE(m_mixer.Playing());
    EXPECT_DOUBLE_EQ(m_mixer.GetPositionMs(), 1000.0);
    EXPECT_FALSE(Button(CMixMasterBar::kPlay).IsVisible());
    EXPECT_TRUE(Button(CMixMasterBar::kStop).IsVisible());
    Click(Button(CMixMasterBar::kStop));
    EXPECT_FALSE(m_mixer.Playing());
    EXPECT_TRUE(Button(CMixMasterBar::kPlay).IsVisible());
}

TEST_F(MasterBarTest, PositionButtons) {
    Click(Button(CMixMasterBar::kGoToEnd));
    EXPECT_DOUBLE_EQ(m_project->GetCaretTime(), 10000.0);
    Click(Button(CMixMasterBar::kGoToStart));
    EXPECT_DOUBLE_EQ(m_project->GetCaretTime(), 0.0);
    Click(Button(CMixMasterBar::kStepBack));
    EXPECT_DOUBLE_EQ(m_project->GetCaretTime(), 0.0);
    Click(Button(CMixMasterBar::kStepForward));
    EXPECT_GT(m_project->GetCaretTime(), 0.0);
}

TEST_F(MasterBarTest, LoopAndMetronomeShowTheirStateAndTheClickToCome) {
    EXPECT_EQ(Button(CMixMasterBar::kLoopPlay).GetSkin(), "master loop-play-off");
    EXPECT_EQ(Tip(CMixMasterBar::kLoopPlay), MyLoadString("LPP_On"));
    Click(Button(CMixMasterBar::kLoopPlay));
    EXPECT_TRUE(m_mixer.IsLooping());
    EXPECT_EQ(Button(CMixMasterBar::kLoopPlay).GetSkin(), "master loop-play-on");
    EXPECT_EQ(Tip(CMixMasterBar::kLoopPlay), MyLoadString("LPP_Off"));

    EXPECT_EQ(Tip(CMixMasterBar::kMetronome), MyLoadString("Metronome_Off"));
    Click(Button(CMixMasterBar::kMetronome));
    EXPECT_TRUE(m_mixer.IsMetronomeOn());
    EXPECT_EQ(Button(CMixMasterBar::kMetronome).GetSkin(), "master metronome-on");
    EXPECT_EQ(Tip(CMixMasterBar::kMetronome), MyLoadString("Metronome_On"));
}

TEST_F(MasterBarTest, WithoutARecordingSessionRecordIsShownButDisabled) {
    EXPECT_TRUE(Button(CMixMasterBar::kRecord).IsVisible());
    EXPECT_FALSE(Button(CMixMasterBar::kRecord).IsEnabled());
    Click(Button(CMixMasterBar::kRecord));
    EXPECT_FALSE(m_mixer.Playing());
}

TEST_F(MasterBarTest, AVolumeDragIsOneUndoStep) {
    GuiSlider& slider = m_bar->VolumeSlider();
    ASSERT_DOUBLE_EQ(m_project->GetMasterVolume(), 1.0);
    const int32_t y = slider.GetAbsY() + slider.GetHeight() / 2;
    const int32_t left = slider.GetAbsX() + 2;
    m_host.LeftDown(slider.GetAbsX() + slider.ThumbX() + 2, y);
    m_host.MouseMove(left + 10, y, MK_LBUTTON);
    m_host.MouseMove(left + 5, y, MK_LBUTTON);
    m_host.LeftUp(left + 5, y);
    const double dragged = m_project->GetMasterVolume();
    EXPECT_LT(dragged, 0.5);
    EXPECT_DOUBLE_EQ(m_mixer.GetMasterVolume(), dragged);
    ASSERT_TRUE(m_undo.Undo());
    EXPECT_DOUBLE_EQ(m_project->GetMasterVolume(), 1.0);
    ASSERT_TRUE(m_undo.Redo());
    EXPECT_DOUBLE_EQ(m_project->GetMasterVolume(), dragged);
    // The slider follows the document.
    ASSERT_TRUE(m_undo.Undo());
    m_bar->RefreshState();
    EXPECT_DOUBLE_EQ(slider.GetValue(), 1.0);
}

TEST_F(MasterBarTest, TheContextMenuHoldsTheTransportAndTheVolumes) {
    GuiMenu menu = m_bar->BuildContextMenu();
    ASSERT_EQ(menu.ItemCount(), 12);
    EXPECT_EQ(menu.ItemAt(0).label, MyLoadString("MasterBarMenuItem0"));
    for (int separator : {2, 7, 10})
        EXPECT_TRUE(menu.ItemAt(separator).separator) << separator;
    EXPECT_FALSE(menu.ItemAt(1).enabled); // record
    GuiMenu& volumes = *menu.ItemAt(8).subMenu;
    ASSERT_EQ(volumes.ItemCount(), 12);
    // 1.0, the current value, is greyed.
    EXPECT_FALSE(volumes.ItemAt(6).enabled);
    EXPECT_TRUE(volumes.ItemAt(4).enabled);

    ASSERT_TRUE(m_bar->RunMenuChoice(volumes.ItemAt(4).id)); // 0.6
    EXPECT_NEAR(m_project->GetMasterVolume(), 0.6, 1e-9);
    ASSERT_TRUE(m_undo.Undo());
    EXPECT_DOUBLE_EQ(m_project->GetMasterVolume(), 1.0);

    ASSERT_TRUE(m_bar->RunMenuChoice(menu.ItemAt(0).id));
    EXPECT_TRUE(m_mixer.Playing());
    EXPECT_EQ(m_bar->BuildContextMenu().ItemAt(0).label, MyLoadString("MasterBarMenuItem0Alt"));
    ASSERT_TRUE(m_bar->RunMenuChoice(menu.ItemAt(0).id));
    EXPECT_FALSE(m_mixer.Playing());
}

TEST_F(MasterBarTest, TheRightButtonOpensTheMenu) {
    int32_t chosen = -1;
    m_host.SetModalDriver([&](COffscreenGuiHost& driven, int) {
        driven.KeyDown(VK_ESCAPE);
        chosen = 0;
    });
    const int32_t x = m_bar->GetAbsX() + m_bar->GetWidth() - 20;
    const int32_t y = m_bar->GetAbsY() + 10;
    m_host.RightDown(x, y);
    m_host.RightUp(x, y);
    EXPECT_EQ(chosen, 0);
    EXPECT_FALSE(m_mixer.Playing());
}

TEST_F(MasterBarTest, AnEffectBypassedOnTheAudioThreadIsToldOnceAtTheNextCheck) {
    CDeviceCheck check({[] { return CDeviceCheck::Counts{1, 1}; }, nullptr, nullptr});
    CBypassNotices::Instance().Take();
    m_bar->StartDeviceCheck(&check);
    std::thread audio([] { CBypassNotices::Instance().Post("Simple amplifier"); });
    audio.join();
    EXPECT_TRUE(m_titles.empty()); // not from the audio thread
    m_host.Advance(CMixMasterBar::kDeviceCheckPeriodMs + 10);
    ASSERT_EQ(m_titles.size(), size_t{1});
    EXPECT_EQ(m_titles[0], MyLoadString("Err_PluginBypassed_Title"));
    m_host.Advance(CMixMasterBar::kDeviceCheckPeriodMs + 10);
    EXPECT_EQ(m_titles.size(), size_t{1});
    m_bar->StartDeviceCheck(nullptr);
}

TEST_F(MasterBarTest, TheReadOutFollowsPlayback) {
    m_project->SetTimeLineMode(1);
    m_bar->RefreshState();
    EXPECT_EQ(m_bar->ReadOut().GetText().substr(0, 12), "00:00:01.000");
    Click(Button(CMixMasterBar::kPlay));
    m_mixer.SetPositionMs(61234.0);
    m_host.Advance(80);
    EXPECT_EQ(m_bar->ReadOut().GetText().substr(0, 12), "00:01:01.234");
}

TEST(PlayerInfoBar, PositionAsTimeOrMeasureAndBeatAtTwoTempos) {
    TempoMap tempo;
    EXPECT_EQ(CPlayerInfoBar::PositionText(tempo, 3723004.0, true), "01:02:03.004");
    // 120 bpm in 4/4: 2750 ms is measure 2, beat 2, half way.
    EXPECT_EQ(CPlayerInfoBar::PositionText(tempo, 2750.0, false), "02:02.500");
    TempoEvent slow;
    slow.tempo = 60.0;
    slow.tempoChange = true;
    ASSERT_GE(tempo.AddEvent(slow), 0);
    // At 60 bpm every beat is heard for a second.
    EXPECT_EQ(CPlayerInfoBar::PositionText(tempo, 5500.0, false), "02:02.500");
    EXPECT_EQ(CPlayerInfoBar::PositionText(tempo, 5500.0, true), "00:00:05.500");
}

TEST(PlayerInfoBar, TempoSignatureAndKey) {
    TempoMap tempo;
    EXPECT_EQ(CPlayerInfoBar::TempoText(tempo, 0.0), "");
    TempoEvent start;
    start.tempo = 96.5;
    start.tempoChange = true;
    start.keyChange = true;
    start.key = 3;
    start.numerator = 3;
    start.timeSigChange = true;
    ASSERT_GE(tempo.AddEvent(start), 0);
    EXPECT_EQ(CPlayerInfoBar::TempoText(tempo, 1000.0),
              "96.5 " + MyLoadString("BPM") + "\n3 / 4   " + TempoMap::GetKeyStr(3));
}

// The bar with a recording session, the second track armed on a stereo input.
class MasterBarRecordingTest : public MasterBarTest {
protected:
    void SetUp() override {
        MasterBarTest::SetUp();
        m_project->SetRecordingInput({0, 1, [](int) { return 2; }}, 0);
        while (m_project->GetNumTracks() < 2)
            m_project->AddAudioTrack(-1, false);
        m_project->GetTrack(1)->SetName("", false);
        ASSERT_TRUE(static_cast<CAudioTrack*>(m_project->GetTrack(1))->Arm(0, 2));
        m_session = std::make_unique<CRecordSession>(*m_transport, *m_project, m_mixer, m_undo);
        m_bar->AttachRecording(m_session.get());
        m_undo.ClearUndoHistory();
    }
    void TearDown() override {
        m_bar->StartDeviceCheck(nullptr);
        m_bar->AttachRecording(nullptr);
        m_session.reset();
        MasterBarTest::TearDown();
    }
    // Half a second of input, taken by the writer.
    void HalfASecondOfInput() {
        const std::vector<float> block(2 * 441, 0.25f);
        const double before = m_session->RecordedMs();
        for (int n = 0; n < 50; ++n)
            m_mixer.CaptureInput(block.data(), 441, 2);
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (m_session->RecordedMs() < before + 499.0 &&
               std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    const std::vector<CClip*>& SecondTrackClips() { return m_project->GetTrack(1)->Clips(); }

    std::unique_ptr<CRecordSession> m_session;
};

TEST_F(MasterBarRecordingTest, RecordStartsAndStopsATakeThatGrowsEveryHalfSecond) {
    GuiButton& record = Button(CMixMasterBar::kRecord);
    ASSERT_TRUE(record.IsEnabled());
    Click(record);
    ASSERT_TRUE(m_session->IsRecording());
    EXPECT_EQ(record.GetSkin(), "master rec-on");
    EXPECT_EQ(m_bar->BuildContextMenu().ItemAt(1).label, MyLoadString("MasterBarMenuItem1Alt"));
    ASSERT_EQ(SecondTrackClips().size(), size_t{1});
    const int32_t before = SecondTrackClips()[0]->GetWidth();
    HalfASecondOfInput();
    m_host.Advance(CRecordSession::kProgressPeriodMs + 10);
    EXPECT_GT(SecondTrackClips()[0]->GetWidth(), before);
    EXPECT_NEAR(SecondTrackClips()[0]->GetLengthMs(), 500.0, 1.0);

    Click(record);
    EXPECT_FALSE(m_session->IsRecording());
    EXPECT_EQ(record.GetSkin(), "master rec");
    ASSERT_EQ(SecondTrackClips().size(), size_t{1});
    EXPECT_FALSE(SecondTrackClips()[0]->IsRecording());
    ASSERT_TRUE(m_undo.Undo());
    EXPECT_TRUE(SecondTrackClips().empty());
}

TEST_F(MasterBarRecordingTest, StopEndsTheRecordingAndThePlayback) {
    ASSERT_TRUE(m_bar->RunMenuChoice(CMixMasterBar::kMenuBase + CMixMasterBar::kEntryRecord));
    ASSERT_TRUE(m_session->IsRecording());
    EXPECT_TRUE(m_mixer.Playing());
    HalfASecondOfInput();
    m_bar->RunCommand(CMixMasterBar::kStop);
    EXPECT_FALSE(m_session->IsRecording());
    EXPECT_FALSE(m_mixer.Playing());
    ASSERT_EQ(SecondTrackClips().size(), size_t{1});
}

TEST_F(MasterBarRecordingTest, ADeviceCountChangeStopsTheRecordingAndKeepsTheFile) {
    CDeviceCheck::Counts counts{1, 1};
    CDeviceCheck check({[&counts] { return counts; }, nullptr, nullptr});
    m_bar->StartDeviceCheck(&check);
    m_host.Advance(CMixMasterBar::kDeviceCheckPeriodMs + 10);
    EXPECT_TRUE(m_titles.empty());
    Click(Button(CMixMasterBar::kRecord));
    ASSERT_TRUE(m_session->IsRecording());
    HalfASecondOfInput();
    counts.first = 2;
    m_host.Advance(CMixMasterBar::kDeviceCheckPeriodMs + 10);
    EXPECT_FALSE(m_session->IsRecording());
    EXPECT_EQ(Button(CMixMasterBar::kRecord).GetSkin(), "master rec");
    ASSERT_EQ(m_titles.size(), size_t{1});
    EXPECT_EQ(m_titles[0], MyLoadString("CHANGED_DEVICES_TITLE"));
    // What was recorded is on the track and plays from its file.
    ASSERT_EQ(SecondTrackClips().size(), size_t{1});
    EXPECT_NEAR(SecondTrackClips()[0]->GetLengthMs(), 500.0, 1.0);
    EXPECT_TRUE(std::filesystem::exists(m_dir + "02.wav"));
    // The check goes on: the same counts again tell nothing more.
    m_host.Advance(CMixMasterBar::kDeviceCheckPeriodMs + 10);
    EXPECT_EQ(m_titles.size(), size_t{1});
}

// A MIDI device that comes or goes may be the one a MIDI track records from:
// the take stops and keeps what it holds, and the user is told, with the
// information icon when the inputs changed and without one for outputs alone.
TEST_F(MasterBarRecordingTest, AMidiDeviceCountChangeStopsTheRecordingAndTellsTheUser) {
    std::vector<MessageBoxRequest> told;
    SetMessageBoxHook([&told](const MessageBoxRequest& request, bool&) {
        told.push_back(request);
        return IDOK;
    });
    CDeviceCheck::Counts midi{1, 1};
    int midiReopened = 0;
    CDeviceCheck::Hooks hooks;
    hooks.count = [] { return CDeviceCheck::Counts{1, 1}; };
    hooks.midiCount = [&midi] { return midi; };
    hooks.reopenMidiInput = [&midiReopened] { ++midiReopened; };
    CDeviceCheck check(hooks);
    m_bar->StartDeviceCheck(&check);
    Click(Button(CMixMasterBar::kRecord));
    ASSERT_TRUE(m_session->IsRecording());
    HalfASecondOfInput();
    midi.first = 2;
    m_host.Advance(CMixMasterBar::kDeviceCheckPeriodMs + 10);
    EXPECT_FALSE(m_session->IsRecording());
    EXPECT_EQ(Button(CMixMasterBar::kRecord).GetSkin(), "master rec");
    ASSERT_EQ(told.size(), size_t{1});
    EXPECT_EQ(told[0].title, MyLoadString("CHANGED_DEVICES_TITLE"));
    EXPECT_EQ(told[0].text, MyLoadString("CHANGED_NUM_MIDI_DEVICES"));
    EXPECT_EQ(told[0].flags & MB_ICONMASK, uint32_t{MB_ICONASTERISK});
    EXPECT_EQ(midiReopened, 1);
    ASSERT_EQ(SecondTrackClips().size(), size_t{1});
    EXPECT_NEAR(SecondTrackClips()[0]->GetLengthMs(), 500.0, 1.0);
    EXPECT_TRUE(std::filesystem::exists(m_dir + "02.wav"));

    // A MIDI output alone: a take stops too, told without an icon; the
    // inputs are left as they are.
    Click(Button(CMixMasterBar::kRecord));
    ASSERT_TRUE(m_session->IsRecording());
    midi.second = 0;
    m_host.Advance(CMixMasterBar::kDeviceCheckPeriodMs + 10);
    EXPECT_FALSE(m_session->IsRecording());
    ASSERT_EQ(told.size(), size_t{2});
    EXPECT_EQ(told[1].text, MyLoadString("CHANGED_NUM_MIDI_DEVICES"));
    EXPECT_EQ(told[1].flags & MB_ICONMASK, uint32_t{0});
    EXPECT_EQ(midiReopened, 1);
    // The same counts again tell nothing more.
    m_host.Advance(CMixMasterBar::kDeviceCheckPeriodMs + 10);
    EXPECT_EQ(told.size(), size_t{2});
}

// Audio and MIDI devices changing at once (a USB interface with both) are
// both told, one check after the other.
TEST_F(MasterBarRecordingTest, AudioAndMidiChangesAtOnceAreBothTold) {
    std::vector<std::string> told;
    SetMessageBoxHook([&told](const MessageBoxRequest& request, bool&) {
        told.push_back(request.text);
        return IDOK;
    });
    CDeviceCheck::Counts audio{1, 1};
    CDeviceCheck::Counts midi{1, 1};
    CDeviceCheck::Hooks hooks;
    hooks.count = [&audio] { return audio; };
    hooks.midiCount = [&midi] { return midi; };
    CDeviceCheck check(hooks);
    m_bar->StartDeviceCheck(&check);
    audio.first = 2;
    midi.first = 2;
    m_host.Advance(CMixMasterBar::kDeviceCheckPeriodMs + 10);
    m_host.Advance(CMixMasterBar::kDeviceCheckPeriodMs + 10);
    EXPECT_EQ(told, (std::vector<std::string>{MyLoadString("CHANGED_NUM_AUDIO_DEVICES"),
                                              MyLoadString("CHANGED_NUM_MIDI_DEVICES")}));
}

TEST_F(MasterBarRecordingTest, ADeviceThatStopsOnItsOwnIsToldAndOpenedAgainOnceItCan) {
    bool failed = false;
    bool serverBack = false;
    int reopenTries = 0;
    CDeviceCheck check({[] {
                            return CDeviceCheck::Counts{1, 1};
                        },
                        [&failed] { return failed; },
                        [&] {
                            ++reopenTries;
                            if (serverBack)
                                failed = false;
                            return serverBack;
                        }});
    m_bar->StartDeviceCheck(&check);
    Click(Button(CMixMasterBar::kRecord));
    ASSERT_TRUE(m_session->IsRecording());
    HalfASecondOfInput();
    failed = true;
    m_host.Advance(CMixMasterBar::kDeviceCheckPeriodMs + 10);
    EXPECT_FALSE(m_session->IsRecording());
    EXPECT_FALSE(m_mixer.Playing());
    ASSERT_EQ(m_titles.size(), size_t{1});
    EXPECT_EQ(m_titles[0], MyLoadString("ProgramName"));
    EXPECT_EQ(SecondTrackClips().size(), size_t{1});
    // Every second it tries again, without telling the user again.
    m_host.Advance(2 * CMixMasterBar::kDeviceCheckPeriodMs + 10);
    EXPECT_EQ(reopenTries, 2);
    EXPECT_TRUE(check.IsDeviceLost());
    serverBack = true;
    m_host.Advance(CMixMasterBar::kDeviceCheckPeriodMs + 10);
    EXPECT_FALSE(check.IsDeviceLost());
    EXPECT_EQ(m_titles.size(), size_t{1});
    Click(Button(CMixMasterBar::kPlay));
    EXPECT_TRUE(m_mixer.Playing());
}

} // namespace
