#include "RenderedMix.h"
#include "SawTrackTest.h"
#include "engine/CEffectChain.h"
#include "engine/CGainEffect.h"
#include "project/CAudioTrack.h"
#include "project/CClip.h"
#include "project/CMIDITrack.h"
#include "project/CTrack.h"
#include "project/CTrackDuplicate.h"
#include "project/CTrackMenus.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

// The saw track, with a colour and a name of its own.
class TrackDuplicateTest : public SawTrackTest {
protected:
    void SetUp() override {
        SawTrackTest::SetUp();
        if (HasFatalFailure())
            return;
        CTrack* track = m_project->GetTrack(0);
        track->SetColour(0x123456, false);
        track->SetName("Saw lead", false);
    }

    std::vector<float> Render(const std::string& name) {
        return RenderMix(m_mixer, m_dir + name + ".wav");
    }
    std::vector<double> ClipStarts(int track) {
        std::vector<double> starts;
        for (const CClip* clip : m_project->GetTrack(track)->Clips())
            starts.push_back(clip->GetStartMs());
        return starts;
    }
    void ExpectCopyOfFirstTrack(int at) {
        CTrack* source = m_project->GetTrack(0);
        CTrack* copy = m_project->GetTrack(at);
        ASSERT_NE(copy, nullptr);
        ASSERT_NE(copy, source);
        EXPECT_EQ(copy->GetName(), "Saw lead");
        EXPECT_EQ(copy->GetColour(), 0x123456u);
        EXPECT_DOUBLE_EQ(copy->GetVolume(), 0.7);
        ASSERT_EQ(copy->GetEffectChain()->NumEffects(), 1);
        EXPECT_EQ(copy->GetEffectChain()->SaveBody(), source->GetEffectChain()->SaveBody());
        EXPECT_EQ(ClipStarts(at), ClipStarts(0));
        for (const CClip* clip : copy->Clips())
            EXPECT_EQ(clip->GetTrack(), copy);
    }
};

TEST_P(TrackDuplicateTest, TheCopyLiesBelowAndTheMixHearsTheTrackTwice) {
    const int tracksBefore = m_project->GetNumTracks();
    const std::vector<float> once = Render("once");
    ASSERT_FALSE(once.empty());

    CTrack* copy = CTrackDuplicate(*m_project, m_undo).DuplicateSelectedTrack();
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(m_project->GetNumTracks(), tracksBefore + 1);
    EXPECT_EQ(copy->GetIndex(), 1);
    EXPECT_EQ(m_project->GetLastSelectedTrack(), 1);
    ExpectCopyOfFirstTrack(1);
    ExpectScaledSamples(once, Render("twice"), 2.0);

    // One undo step takes the copy and its clips away; redo brings them back.
    EXPECT_EQ(m_undo.NumUndoSets(), 1);
    ASSERT_TRUE(m_undo.Undo());
    EXPECT_EQ(m_project->GetNumTracks(), tracksBefore);
    ExpectScaledSamples(once, Render("undone"), 1.0);
    ASSERT_TRUE(m_undo.Redo());
    EXPECT_EQ(m_project->GetNumTracks(), tracksBefore + 1);
    ExpectCopyOfFirstTrack(1);
    ExpectScaledSamples(once, Render("redone"), 2.0);

    // The copy is saved and loaded with the rest.
    const std::string path = m_dir + "copied.lt4";
    ASSERT_TRUE(m_project->SaveProject(path));
    bool cancelled = false;
    ASSERT_TRUE(m_project->LoadProject(path, cancelled));
    EXPECT_EQ(m_project->GetNumTracks(), tracksBefore + 1);
    ExpectCopyOfFirstTrack(1);
    ExpectScaledSamples(once, Render("loaded"), 2.0);
}

INSTANTIATE_TEST_SUITE_P(Tempos, TrackDuplicateTest,
                         ::testing::Values(TempoCase{60.0, 0.0}, TempoCase{120.0, 0.0},
                                           TempoCase{173.0, 0.0}, TempoCase{120.0, 90.0}),
                         CaseName);

class TrackDuplicateRules : public ProjectOnWindowTest {};

TEST_F(TrackDuplicateRules, TheHeaderMenuDuplicatesTheSelectedTrackOnly) {
    ASSERT_NE(AddClipAt(1, 500.0), nullptr);
    CTrack* second = m_project->GetTrack(1);
    m_project->SelectTrack(0, false);
    EXPECT_FALSE(second->CanHandleCommand(CTrackMenus::kDuplicate)) << "not the selected track";
    m_project->SelectTrack(1, false);
    ASSERT_TRUE(second->CanHandleCommand(CTrackMenus::kDuplicate));
    const int tracksBefore = m_project->GetNumTracks();
    second->HandleCommand(CTrackMenus::kDuplicate);
    ASSERT_EQ(m_project->GetNumTracks(), tracksBefore + 1);
    EXPECT_EQ(m_project->GetTrack(1), second);
    CTrack* copy = m_project->GetTrack(2);
    ASSERT_EQ(copy->Clips().size(), 1u);
    EXPECT_DOUBLE_EQ(copy->Clips().front()->GetStartMs(), 500.0);
    EXPECT_FALSE(copy->Clips().front()->IsSelected());
    ASSERT_TRUE(m_undo.Undo());
    EXPECT_EQ(m_project->GetNumTracks(), tracksBefore);
    EXPECT_EQ(second->Clips().size(), 1u);
}

TEST_F(TrackDuplicateRules, AnInstrumentTrackIsCopiedWithItsChainsAndNeverArmedOrFrozen) {
    CMIDITrack* midi = m_project->AddMIDITrack(-1, false);
    ASSERT_NE(midi, nullptr);
    auto gain = std::make_unique<CGainEffect>();
    gain->SetParameter(CGainEffect::kGainDb, -9.0f);
    ASSERT_TRUE(midi->GetInstrumentEffectsChain()->Insert(std::move(gain), -1));
    m_project->SelectTrack(midi->GetIndex(), false);
    CTrack* copy = CTrackDuplicate(*m_project, m_undo).DuplicateSelectedTrack();
    ASSERT_NE(copy, nullptr);
    ASSERT_EQ(copy->GetKind(), CTrack::kMidi);
    auto* midiCopy = static_cast<CMIDITrack*>(copy);
    EXPECT_EQ(midiCopy->GetInstrumentEffectsChain()->SaveBody(),
              midi->GetInstrumentEffectsChain()->SaveBody());
    EXPECT_EQ(midiCopy->GetInstrumentChain()->SaveBody(), midi->GetInstrumentChain()->SaveBody());
    EXPECT_FALSE(copy->IsArmed());
    EXPECT_FALSE(copy->IsFrozen());
}

} // namespace
