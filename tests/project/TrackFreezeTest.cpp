#include "RenderedMix.h"
#include "SawTrackTest.h"
#include "engine/CAudioEffect.h"
#include "engine/CEffectChain.h"
#include "engine/CGainEffect.h"
#include "gui/GuiButton.h"
#include "project/CClip.h"
#include "project/CPCMAudTrack.h"
#include "project/CProjectRuler.h"
#include "project/CRecordingClip.h"
#include "project/CTrack.h"
#include "project/CTrackFreeze.h"
#include "project/CTrackHeader.h"
#include "project/CTrackMenus.h"
#include "project/FrozenFilePath.h"

#include <gtest/gtest.h>
#include <sndfile.h>

#include <ctime>
#include <filesystem>
#include <fstream>
#include <memory>
#include <set>
#include <string>

namespace fs = std::filesystem;

namespace {

// The saw track panned left of its own, and a tone on the second track.
class TrackFreezeTest : public SawTrackTest {
protected:
    void SetUp() override {
        SawTrackTest::SetUp();
        if (HasFatalFailure())
            return;
        ASSERT_NE(AddClipAt(1, 500.0), nullptr);
        Track()->SetPan(-0.4, false);
        m_project->SelectTrack(0, false);
        m_undo.ClearUndoHistory();
        m_prefs.lastFreezeID = 5;
    }

    CPCMAudTrack* Track(int index = 0) {
        return dynamic_cast<CPCMAudTrack*>(m_project->GetTrack(index));
    }
    // Every render covers the same span, past the frozen sound's end.
    std::vector<float> Render(const std::string& name) {
        return RenderMix(m_mixer, m_dir + name + ".wav", 0.0, Heard(9000.0) + 500.0);
    }
    std::string FrozenName(int trackNumber, int id) {
        const std::time_t now = std::time(nullptr);
        std::tm local{};
        localtime_r(&now, &local);
        return MakeFrozenFilePath(m_dir, trackNumber, local.tm_mday, local.tm_mon + 1,
                                  local.tm_year + 1900, id);
    }
    std::set<std::string> FrozenFiles() {
        std::set<std::string> files;
        for (const auto& entry : fs::directory_iterator(m_dir))
            if (entry.path().filename().string().rfind("frozen-track", 0) == 0)
                files.insert(entry.path().string());
        return files;
    }
    void FreezeOrThaw() {
        ASSERT_TRUE(Track()->CanHandleCommand(CTrackMenus::kFreeze));
        Track()->HandleCommand(CTrackMenus::kFreeze);
    }
    bool EffectActive() { return Track()->GetEffectChain()->GetEffect(0)->isActive(); }
};

TEST_P(TrackFreezeTest, AFrozenTrackSoundsAsBeforeAndThawDeletesOnlyItsFile) {
    std::ofstream(m_dir + "keep.WAV") << "not ours";
    std::ofstream(FrozenName(1, 5)) << "a name already taken";
    const std::vector<float> unfrozen = Render("unfrozen");

    FreezeOrThaw();
    CPCMAudTrack* track = Track();
    ASSERT_TRUE(track->IsFrozen());
    ASSERT_NE(track->GetFrozenSound(), nullptr);
    const std::string path = FrozenName(1, 6);
    EXPECT_EQ(track->GetFrozenFilePath(), path) << "the taken name is skipped";
    EXPECT_EQ(m_prefs.lastFreezeID, 7);
    SF_INFO info{};
    SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
    ASSERT_NE(file, nullptr);
    sf_close(file);
    EXPECT_EQ(info.format, SF_FORMAT_WAV | SF_FORMAT_FLOAT);
    EXPECT_EQ(info.samplerate, kMixerSampleRate);
    EXPECT_EQ(info.channels, kMixerChannels);
    EXPECT_FALSE(EffectActive());
    for (const CClip* clip : track->Clips())
        EXPECT_TRUE(clip->IsFrozen());
    ExpectScaledSamples(unfrozen, Render("frozen"), 1.0, 1e-5);
    // The header looks frozen: no recording, no effects.
    EXPECT_TRUE(track->GetHeader()->GetControls().frozen);
    EXPECT_FALSE(track->GetHeader()->GetButton(CTrackHeader::kEffectsButton).IsEnabled());
    EXPECT_FALSE(track->GetHeader()->GetButton(CTrackHeader::kArmButton).IsEnabled());

    FreezeOrThaw();
    EXPECT_FALSE(track->IsFrozen());
    EXPECT_EQ(track->GetFrozenSound(), nullptr);
    EXPECT_TRUE(track->GetFrozenFilePath().empty());
    EXPECT_FALSE(fs::exists(path));
    EXPECT_TRUE(fs::exists(m_dir + "keep.WAV"));
    EXPECT_TRUE(fs::exists(FrozenName(1, 5)));
    EXPECT_TRUE(EffectActive());
    EXPECT_FALSE(track->GetHeader()->GetControls().frozen);
    EXPECT_TRUE(track->GetHeader()->GetButton(CTrackHeader::kEffectsButton).IsEnabled());
    ExpectScaledSamples(unfrozen, Render("thawed"), 1.0, 1e-6);

    // Again on the same day: another name.
    FreezeOrThaw();
    EXPECT_EQ(track->GetFrozenFilePath(), FrozenName(1, 7));
    ExpectScaledSamples(unfrozen, Render("again"), 1.0, 1e-5);
}

TEST_P(TrackFreezeTest, UndoThawsAndRedoFreezesAgain) {
    const std::vector<float> unfrozen = Render("unfrozen");
    FreezeOrThaw();
    const std::string first = Track()->GetFrozenFilePath();
    ASSERT_TRUE(fs::exists(first));
    EXPECT_EQ(m_undo.NumUndoSets(), 1);
    ASSERT_TRUE(m_undo.Undo());
    EXPECT_FALSE(Track()->IsFrozen());
    EXPECT_FALSE(fs::exists(first));
    EXPECT_TRUE(EffectActive());
    ExpectScaledSamples(unfrozen, Render("undone"), 1.0, 1e-6);
    ASSERT_TRUE(m_undo.Redo());
    ASSERT_TRUE(Track()->IsFrozen());
    EXPECT_TRUE(fs::exists(Track()->GetFrozenFilePath()));
    EXPECT_EQ(FrozenFiles().size(), 1u);
    ExpectScaledSamples(unfrozen, Render("redone"), 1.0, 1e-5);
}

TEST_P(TrackFreezeTest, ALoadedFrozenTrackTakesItsFileOrIsRenderedAnew) {
    const std::vector<float> unfrozen = Render("unfrozen");
    FreezeOrThaw();
    const std::string path = Track()->GetFrozenFilePath();
    const std::string project = m_dir + "frozen.lt4";
    ASSERT_TRUE(m_project->SaveProject(project));
    const auto modified = fs::last_write_time(path);

    bool cancelled = false;
    ASSERT_TRUE(m_project->LoadProject(project, cancelled));
    ASSERT_TRUE(Track()->IsFrozen());
    EXPECT_NE(Track()->GetFrozenSound(), nullptr);
    EXPECT_EQ(Track()->GetFrozenFilePath(), path);
    EXPECT_EQ(FrozenFiles(), std::set<std::string>{path}) << "nothing rendered again";
    EXPECT_EQ(fs::last_write_time(path), modified);
    EXPECT_EQ(m_prefs.lastFreezeID, 6);
    EXPECT_FALSE(EffectActive());
    ExpectScaledSamples(unfrozen, Render("loaded"), 1.0, 1e-5);
    // The file keeps the effect as the user left it.
    ASSERT_TRUE(m_project->SaveProject(project));

    fs::remove(path);
    ASSERT_TRUE(m_project->LoadProject(project, cancelled));
    ASSERT_TRUE(Track()->IsFrozen());
    EXPECT_EQ(Track()->GetFrozenFilePath(), FrozenName(1, 6));
    EXPECT_TRUE(fs::exists(FrozenName(1, 6)));
    ExpectScaledSamples(unfrozen, Render("rendered-anew"), 1.0, 1e-5);
    FreezeOrThaw();
    EXPECT_TRUE(EffectActive()) << "the effect was on before freezing";
}

INSTANTIATE_TEST_SUITE_P(Tempos, TrackFreezeTest,
                         ::testing::Values(TempoCase{60.0, 0.0}, TempoCase{120.0, 0.0},
                                           TempoCase{173.0, 0.0}, TempoCase{120.0, 90.0}),
                         CaseName);

class TrackFreezeRules : public ProjectOnWindowTest {};

TEST_F(TrackFreezeRules, ATrackWithoutClipsIsNotFrozen) {
    m_undo.ClearUndoHistory();
    m_project->SelectTrack(1, false);
    CTrack* empty = m_project->GetTrack(1);
    EXPECT_FALSE(empty->CanHandleCommand(CTrackMenus::kFreeze));
    EXPECT_FALSE(CTrackFreeze(*m_project, m_mixer, m_undo, m_prefs).FreezeOrThawSelectedTrack());
    EXPECT_FALSE(empty->IsFrozen());
    EXPECT_FALSE(m_undo.CanUndo());
    for (const auto& entry : fs::directory_iterator(m_dir))
        EXPECT_EQ(entry.path().filename().string().rfind("frozen-track", 0), std::string::npos);
}

// While a take records on one track, no track is frozen, and the ruler
// knows a recording runs; once its clip has gone, freezing works again.
TEST_F(TrackFreezeRules, NoTrackIsFrozenWhileATakeRecords) {
    ASSERT_NE(AddClipAt(0, 0.0), nullptr);
    auto* take = new CRecordingClip(m_project->Clips(), ClipKind::kAudio);
    CTrack* armed = m_project->GetTrack(1);
    ASSERT_TRUE(armed->AddClip(take, 0.0, false));
    EXPECT_TRUE(m_project->Ruler().IsRecording());
    m_project->SelectTrack(0, false);
    m_undo.ClearUndoHistory();
    EXPECT_FALSE(CTrackFreeze(*m_project, m_mixer, m_undo, m_prefs).FreezeOrThawSelectedTrack());
    EXPECT_FALSE(m_project->GetTrack(0)->IsFrozen());
    EXPECT_FALSE(m_undo.CanUndo());

    armed->RemoveClip(take, false);
    take->DeleteRefObject();
    EXPECT_FALSE(m_project->Ruler().IsRecording());
    EXPECT_TRUE(CTrackFreeze(*m_project, m_mixer, m_undo, m_prefs).FreezeOrThawSelectedTrack());
    EXPECT_TRUE(m_project->GetTrack(0)->IsFrozen());
}

TEST_F(TrackFreezeRules, DeletingAFrozenTrackTakesItsSoundOutOfTheMixUntilUndo) {
    ASSERT_NE(AddClipAt(0, 0.0), nullptr);
    m_project->SelectTrack(0, false);
    CTrack* track = m_project->GetTrack(0);
    track->HandleCommand(CTrackMenus::kFreeze);
    ASSERT_TRUE(track->IsFrozen());
    const std::vector<float> frozen = RenderMix(m_mixer, m_dir + "frozen.wav", 0.0, 1500.0);
    m_project->SelectTrack(0, false);
    ASSERT_TRUE(m_project->DeleteSelectedTrack());
    const std::vector<float> deleted = RenderMix(m_mixer, m_dir + "deleted.wav", 0.0, 1500.0);
    ASSERT_EQ(deleted.size(), frozen.size());
    for (float sample : deleted)
        ASSERT_EQ(sample, 0.0f);
    ASSERT_TRUE(m_undo.Undo());
    ExpectScaledSamples(frozen, RenderMix(m_mixer, m_dir + "back.wav", 0.0, 1500.0), 1.0);
}

TEST_F(TrackFreezeRules, ASoundAddedToAFrozenTrackThawsItFirst) {
    ASSERT_NE(AddClipAt(0, 0.0), nullptr);
    m_project->SelectTrack(0, false);
    CTrack* track = m_project->GetTrack(0);
    track->HandleCommand(CTrackMenus::kFreeze);
    ASSERT_TRUE(track->IsFrozen());
    const std::string frozenFile = track->GetFrozenFilePath();
    ASSERT_NE(AddClipAt(0, 2000.0), nullptr);
    EXPECT_FALSE(track->IsFrozen());
    EXPECT_FALSE(fs::exists(frozenFile));
    ASSERT_EQ(track->Clips().size(), 2u);
    for (const CClip* clip : track->Clips())
        EXPECT_FALSE(clip->IsFrozen());
    ASSERT_TRUE(m_undo.Undo());
    EXPECT_EQ(track->Clips().size(), 1u);
    EXPECT_TRUE(track->IsFrozen()) << "undo freezes the track again";
}

TEST_F(TrackFreezeRules, CancellingTheProgressLeavesTheTrackPlayingItsClips) {
    WriteToneWav(m_dir + "long.wav", 44100 * 120, 8000);
    ASSERT_NE(AddClipAt(0, 0.0, m_dir + "long.wav"), nullptr);
    m_project->SelectTrack(0, false);
    m_undo.ClearUndoHistory();
    m_host.SetModalDriver([](COffscreenGuiHost& host, int) { host.KeyDown(VK_ESCAPE); });
    CTrack* track = m_project->GetTrack(0);
    track->HandleCommand(CTrackMenus::kFreeze);
    EXPECT_FALSE(track->IsFrozen());
    EXPECT_TRUE(track->GetFrozenFilePath().empty());
    EXPECT_FALSE(track->Clips().front()->IsFrozen());
    EXPECT_FALSE(m_undo.CanUndo());
    EXPECT_FALSE(m_project->InFileActivity());
    for (const auto& entry : fs::directory_iterator(m_dir))
        EXPECT_EQ(entry.path().filename().string().find("frozen-track"), std::string::npos)
            << entry.path();
}

} // namespace
