#include "details/CEffectChainEdits.h"
#include "EffectViewFixture.h"
#include "details/CEffectUndo.h"
#include "engine/CEqualizerEffect.h"
#include "engine/CGainEffect.h"
#include "engine/CMissingEffect.h"
#include "engine/CReverbEffect.h"
#include "project/CTrack.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

namespace {

class CEffectChainEditsTest : public EffectViewFixture {
protected:
    CEffectChainEdits TrackEdits() {
        return CEffectChainEdits(m_undo, CEffectChainOwner::OfTrack(*m_project, *m_track));
    }
    // Undo then redo, checking the chain's render before, after undo and after redo.
    void ExpectUndoRedo(const CEffectChain& chain, const std::vector<float>& before,
                        const std::vector<float>& after) {
        ASSERT_TRUE(m_undo.Undo());
        EXPECT_EQ(Render(chain), before);
        ASSERT_TRUE(m_undo.Redo());
        EXPECT_EQ(Render(chain), after);
    }
    static std::vector<uint8_t> FileBytes(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), {}};
    }
};

// An effect kept for a plug-in that is not installed comes back from an
// undone removal with the bytes it was loaded with.
TEST_F(CEffectChainEditsTest, AnUndoneRemovalBringsBackAnEffectThisMachineCannotMake) {
    const EffectID absent = MakeEffectID("Zzzz");
    const std::vector<uint8_t> state{1, 2, 3, 250, 0, 7};
    TrackChain().Insert(std::make_unique<CMissingEffect>(absent, state.data(), state.size()), -1);
    const std::vector<uint8_t> body = TrackChain().SaveBody();
    CEffectChainEdits edits = TrackEdits();
    ASSERT_TRUE(edits.Remove(0));
    EXPECT_EQ(TrackChain().NumEffects(), 0);
    ASSERT_TRUE(m_undo.Undo());
    ASSERT_EQ(TrackChain().NumEffects(), 1);
    EXPECT_EQ(TrackChain().SaveBody(), body);
    ASSERT_TRUE(m_undo.Redo());
    EXPECT_EQ(TrackChain().NumEffects(), 0);
}

TEST_F(CEffectChainEditsTest, InsertIsOneStepHeardAtOnceAndUndoneSampleForSample) {
    CEffectChainEdits edits = TrackEdits();
    const std::vector<float> dry = Render(TrackChain());
    ASSERT_TRUE(edits.Insert(0, CGainEffect::kID));
    ASSERT_TRUE(edits.SetParameter(0, CGainEffect::kGainDb, -12.0f));
    EXPECT_EQ(m_undo.NumUndoSets(), 2);
    const std::vector<float> quieter = Render(TrackChain());
    EXPECT_NE(quieter, dry);
    EXPECT_NEAR(quieter[4000], dry[4000] * std::pow(10.0f, -12.0f / 20.0f), 1e-4f);

    ASSERT_TRUE(m_undo.Undo()); // the parameter
    ASSERT_TRUE(m_undo.Undo()); // the insert
    EXPECT_EQ(TrackChain().NumEffects(), 0);
    EXPECT_EQ(Render(TrackChain()), dry);
    ASSERT_TRUE(m_undo.Redo());
    ASSERT_TRUE(m_undo.Redo());
    ASSERT_EQ(TrackChain().NumEffects(), 1);
    EXPECT_EQ(Render(TrackChain()), quieter);
}

TEST_F(CEffectChainEditsTest, RemoveBringsTheEffectBackWithItsSettingsAndPlace) {
    CEffectChainEdits edits = TrackEdits();
    ASSERT_TRUE(edits.Insert(0, CGainEffect::kID));
    ASSERT_TRUE(edits.Insert(1, CEqualizerEffect::kID));
    ASSERT_TRUE(edits.Insert(2, CReverbEffect::kID));
    ASSERT_TRUE(edits.ChoosePreset(0, "Cut 6 dB"));
    ASSERT_TRUE(edits.SetActive(2, false));
    const std::vector<uint8_t> body = TrackChain().SaveBody();
    const std::vector<float> full = Render(TrackChain());

    ASSERT_TRUE(edits.Remove(0));
    ASSERT_EQ(TrackChain().NumEffects(), 2);
    const std::vector<float> without = Render(TrackChain());
    EXPECT_NE(without, full);
    ExpectUndoRedo(TrackChain(), full, without);
    ASSERT_TRUE(m_undo.Undo());
    EXPECT_EQ(TrackChain().SaveBody(), body);
    EXPECT_EQ(TrackChain().GetEffect(0)->GetCurrentPresetName(), "Cut 6 dB");
    EXPECT_FALSE(TrackChain().GetEffect(2)->isActive());
}

TEST_F(CEffectChainEditsTest, SwapActivateAndPresetEachUndoAndRedo) {
    CEffectChainEdits edits = TrackEdits();
    ASSERT_TRUE(edits.Insert(0, CGainEffect::kID));
    ASSERT_TRUE(edits.Insert(1, CReverbEffect::kID));
    const std::vector<float> start = Render(TrackChain());

    ASSERT_TRUE(edits.ChoosePreset(0, "Boost 6 dB"));
    const std::vector<float> boosted = Render(TrackChain());
    EXPECT_NE(boosted, start);
    ExpectUndoRedo(TrackChain(), start, boosted);

    const CAudioEffect* gain = TrackChain().GetEffect(0);
    ASSERT_TRUE(edits.Move(0, 1));
    EXPECT_EQ(TrackChain().GetEffect(1), gain);
    const std::vector<float> swapped = Render(TrackChain());
    ASSERT_TRUE(m_undo.Undo());
    EXPECT_EQ(TrackChain().GetEffect(0), gain);
    ASSERT_TRUE(m_undo.Redo());
    EXPECT_EQ(TrackChain().GetEffect(1), gain);
    EXPECT_EQ(Render(TrackChain()), swapped);

    ASSERT_TRUE(edits.SetActive(0, false)); // the reverb, now first
    const std::vector<float> dryReverb = Render(TrackChain());
    EXPECT_NE(dryReverb, swapped);
    ExpectUndoRedo(TrackChain(), swapped, dryReverb);
    EXPECT_FALSE(TrackChain().GetEffect(0)->isActive());
}

TEST_F(CEffectChainEditsTest, EditsThatChangeNothingRecordNothing) {
    CEffectChainEdits edits = TrackEdits();
    ASSERT_TRUE(edits.Insert(0, CGainEffect::kID));
    const int steps = m_undo.NumUndoSets();
    EXPECT_FALSE(edits.SetActive(0, true));
    EXPECT_FALSE(edits.ChoosePreset(0, "Unity")); // the fresh effect's preset
    EXPECT_FALSE(edits.ChoosePreset(0, "no such preset"));
    EXPECT_FALSE(edits.Move(0, -1));
    EXPECT_FALSE(edits.Move(0, 1));
    EXPECT_FALSE(edits.Remove(3));
    EXPECT_FALSE(edits.Insert(5, CGainEffect::kID));
    EXPECT_FALSE(edits.Insert(0, EffectID{}));
    // A press and release without a move.
    edits.BeginParameterGesture(0);
    edits.MoveParameter(0, CGainEffect::kGainDb, 0.0f);
    edits.EndParameterGesture(0);
    EXPECT_EQ(m_undo.NumUndoSets(), steps);
}

TEST_F(CEffectChainEditsTest, ReplaceIsOneStep) {
    CEffectChainEdits edits = TrackEdits();
    ASSERT_TRUE(edits.Insert(0, CGainEffect::kID));
    const int steps = m_undo.NumUndoSets();
    ASSERT_TRUE(edits.Replace(0, CReverbEffect::kID));
    EXPECT_EQ(m_undo.NumUndoSets(), steps + 1);
    ASSERT_EQ(TrackChain().NumEffects(), 1);
    EXPECT_EQ(TrackChain().GetEffect(0)->GetIdentifier(), CReverbEffect::kID);
    ASSERT_TRUE(m_undo.Undo());
    ASSERT_EQ(TrackChain().NumEffects(), 1);
    EXPECT_EQ(TrackChain().GetEffect(0)->GetIdentifier(), CGainEffect::kID);
}

TEST_F(CEffectChainEditsTest, AParameterGestureIsOneStep) {
    CEffectChainEdits edits = TrackEdits();
    ASSERT_TRUE(edits.Insert(0, CGainEffect::kID));
    const std::vector<float> before = Render(TrackChain());
    const int steps = m_undo.NumUndoSets();
    edits.BeginParameterGesture(0);
    for (float db = -1.0f; db >= -9.0f; db -= 1.0f)
        ASSERT_TRUE(edits.MoveParameter(0, CGainEffect::kGainDb, db));
    edits.EndParameterGesture(0);
    EXPECT_EQ(m_undo.NumUndoSets(), steps + 1);
    const std::vector<float> after = Render(TrackChain());
    ExpectUndoRedo(TrackChain(), before, after);
    EXPECT_FLOAT_EQ(TrackChain().GetEffect(0)->GetParameter(CGainEffect::kGainDb), -9.0f);
}

TEST_F(CEffectChainEditsTest, UndoFindsTheTrackAfterItMovedAndTheGlobalChainIsItsOwn) {
    const int index = m_track->GetIndex();
    m_project->AddAudioTrack(0, false); // our track moves down
    CEffectChainEdits edits = TrackEdits();
    CEffectChainEdits master(m_undo, CEffectChainOwner::Global(*m_project));
    ASSERT_TRUE(master.Insert(0, CGainEffect::kID));
    ASSERT_TRUE(edits.Insert(0, CReverbEffect::kID));
    m_project->AddAudioTrack(0, false);
    ASSERT_EQ(m_track->GetIndex(), index + 2);
    ASSERT_TRUE(m_undo.Undo());
    EXPECT_EQ(TrackChain().NumEffects(), 0);
    EXPECT_EQ(MasterChain().NumEffects(), 1);
    ASSERT_TRUE(m_undo.Undo());
    EXPECT_EQ(MasterChain().NumEffects(), 0);
    EXPECT_EQ(CEffectChainOwner::Global(*m_project).Title(), "Master");
    EXPECT_EQ(CEffectChainOwner::OfTrack(*m_project, *m_track).Title(),
              "Track " + std::to_string(index + 3) + ": " + m_track->GetName());
}

TEST_F(CEffectChainEditsTest, ARecordWhoseSlotChangedRestoresNothing) {
    CEffectChainEdits edits = TrackEdits();
    ASSERT_TRUE(edits.Insert(0, CGainEffect::kID));
    // The chain changed behind the record's back.
    TrackChain().Remove(0);
    TrackChain().Insert(std::make_unique<CReverbEffect>(), 0);
    ASSERT_TRUE(m_undo.Undo());
    ASSERT_EQ(TrackChain().NumEffects(), 1);
    EXPECT_EQ(TrackChain().GetEffect(0)->GetIdentifier(), CReverbEffect::kID);
}

TEST_F(CEffectChainEditsTest, ChainsRoundTripThroughSaveAndLoadByteForByte) {
    const int index = m_track->GetIndex();
    CEffectChainEdits edits = TrackEdits();
    CEffectChainEdits master(m_undo, CEffectChainOwner::Global(*m_project));
    ASSERT_TRUE(edits.Insert(0, CEqualizerEffect::kID));
    ASSERT_TRUE(edits.Insert(1, CGainEffect::kID));
    ASSERT_TRUE(edits.SetParameter(1, CGainEffect::kGainDb, -3.5f));
    ASSERT_TRUE(edits.SetActive(0, false));
    ASSERT_TRUE(master.Insert(0, CReverbEffect::kID));
    ASSERT_TRUE(master.ChoosePreset(0, "Hall"));
    const std::vector<uint8_t> trackBody = TrackChain().SaveBody();
    const std::vector<uint8_t> masterBody = MasterChain().SaveBody();
    const int tracks = m_project->GetNumTracks();
    const std::string path = m_dir + "chains.lt4";
    ASSERT_TRUE(m_project->SaveProject(path));
    const std::vector<uint8_t> saved = FileBytes(path);

    bool cancelled = false;
    ASSERT_TRUE(m_project->LoadProject(path, cancelled));
    ASSERT_EQ(m_project->GetNumTracks(), tracks);
    CTrack* loaded = m_project->GetTrack(index);
    EXPECT_EQ(loaded->GetEffectChain()->SaveBody(), trackBody);
    EXPECT_EQ(MasterChain().SaveBody(), masterBody);
    ASSERT_TRUE(m_project->SaveProject(path));
    EXPECT_EQ(FileBytes(path), saved);
    m_track = nullptr; // gone with the old project
}

} // namespace
