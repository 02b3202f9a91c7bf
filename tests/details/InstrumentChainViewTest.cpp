// The effect view on an instrument track: its three chains, instruments in
// the instrument chain, and the General MIDI instrument's sound chosen in
// the preset column.

#include "EffectViewFixture.h"
#include "engine/CGMInstrument.h"
#include "engine/CGainEffect.h"
#include "project/CMIDITrack.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

namespace {

class InstrumentChainViewTest : public EffectViewFixture {
protected:
    void SetUp() override {
        // The small font keeps the renders quick.
        if (const std::string small = "/usr/share/sounds/sf2/TimGM6mb.sf2";
            std::filesystem::exists(small))
            setenv(CGMInstrument::kSoundFontVariable, small.c_str(), 1);
        CGMInstrument::Register();
        EffectViewFixture::SetUp();
        m_midi = m_project->AddMIDITrack(-1, false);
        ASSERT_NE(m_midi, nullptr);
        m_undo.ClearUndoHistory();
    }

    CEffectChain& Instruments() { return *m_midi->GetInstrumentChain(); }
    bool Lists(const EffectID& id) const {
        const auto& entries = m_view->EffectEntries();
        return std::find(entries.begin(), entries.end(), std::optional<EffectID>(id)) !=
               entries.end();
    }
    int EntryOf(const EffectID& id) const {
        const auto& entries = m_view->EffectEntries();
        const auto found = std::find(entries.begin(), entries.end(), std::optional<EffectID>(id));
        return found == entries.end() ? -1 : static_cast<int>(found - entries.begin());
    }
    void ShowInstrumentChainWithTheGeneralMidiInstrument() {
        Instruments().RemoveAll();
        ASSERT_TRUE(Instruments().Insert(std::make_unique<CGMInstrument>(), 0));
        m_view->OpenTrack(*m_midi, CEffectChainOwner::kInstrument);
        ASSERT_EQ(m_view->RowCount(), 2);
    }
    // Middle C held through the render, by a fresh chain made from the
    // chain's settings.
    static std::vector<float> RenderNote(const CEffectChain& chain) {
        constexpr int kFrames = 8192;
        constexpr int kBlock = 256;
        std::vector<float> samples(static_cast<size_t>(kFrames) * 2, 0.0f);
        CEffectChain copy;
        const std::vector<uint8_t> body = chain.SaveBody();
        EXPECT_TRUE(copy.LoadBody(body.data(), body.size()));
        const EffectMidiEvent noteOn{0, 0x90, 60, 100};
        for (int frame = 0; frame < kFrames; frame += kBlock)
            copy.Process(samples.data() + 2 * frame, kBlock, &noteOn, frame == 0 ? 1 : 0);
        return samples;
    }

    CMIDITrack* m_midi = nullptr;
};

TEST_F(InstrumentChainViewTest, AnInstrumentTrackSwitchesBetweenItsThreeChains) {
    m_view->OpenTrack(*m_midi);
    const std::string track =
        "Track " + std::to_string(m_midi->GetIndex() + 1) + ": " + m_midi->GetName();
    EXPECT_EQ(m_view->Title(), track);
    ASSERT_TRUE(m_view->ChainChoice().IsVisible());
    EXPECT_EQ(m_view->ChainChoice().GetSelectedText(), "Track effects");
    EXPECT_EQ(m_view->Owner()->Chain(), m_midi->GetEffectChain());

    ChooseEntry(m_view->ChainChoice(), CEffectChainOwner::kInstrument);
    EXPECT_EQ(m_view->Owner()->Chain(), m_midi->GetInstrumentChain());
    EXPECT_EQ(m_view->Title(), track + " - Instrument");
    // The instruments, and no effects, can go into it.
    EXPECT_TRUE(Lists(CGMInstrument::kID));
    EXPECT_FALSE(Lists(CGainEffect::kID));

    ChooseEntry(m_view->ChainChoice(), CEffectChainOwner::kInstrumentEffects);
    EXPECT_EQ(m_view->Owner()->Chain(), m_midi->GetInstrumentEffectsChain());
    EXPECT_EQ(m_view->Title(), track + " - Instrument effects");
    EXPECT_TRUE(Lists(CGainEffect::kID));
    EXPECT_FALSE(Lists(CGMInstrument::kID));
    EXPECT_EQ(m_undo.NumUndoSets(), 0);

    // An audio track has one chain, and no choice.
    m_view->OpenTrack(*m_track);
    EXPECT_FALSE(m_view->ChainChoice().IsVisible());
    EXPECT_EQ(m_view->Title(),
              "Track " + std::to_string(m_track->GetIndex() + 1) + ": " + m_track->GetName());
}

TEST_F(InstrumentChainViewTest, AnInstrumentPutIntoTheInstrumentChainIsOneStep) {
    Instruments().RemoveAll();
    m_view->OpenTrack(*m_midi, CEffectChainOwner::kInstrument);
    ASSERT_EQ(m_view->RowCount(), 1);
    const int entry = EntryOf(CGMInstrument::kID);
    ASSERT_GT(entry, 0);
    ChooseEntry(m_view->EffectChoice(0), entry);
    ASSERT_EQ(Instruments().NumEffects(), 1);
    EXPECT_EQ(Instruments().GetEffect(0)->GetIdentifier(), CGMInstrument::kID);
    EXPECT_EQ(m_midi->GetInstrumentEffectsChain()->NumEffects(), 0);
    EXPECT_EQ(m_undo.NumUndoSets(), 1);
    EXPECT_EQ(m_view->EffectChoice(0).GetSelectedText(), "General MIDI");

    ASSERT_TRUE(m_undo.Undo());
    EXPECT_EQ(Instruments().NumEffects(), 0);
    EXPECT_EQ(m_view->RowCount(), 1);
    ASSERT_TRUE(m_undo.Redo());
    ASSERT_EQ(Instruments().NumEffects(), 1);
    EXPECT_EQ(m_view->RowCount(), 2);
}

TEST_F(InstrumentChainViewTest, TheGeneralMidiSoundsAreListedByNumberAndName) {
    ShowInstrumentChainWithTheGeneralMidiInstrument();
    CDialogChoice& sounds = m_view->PresetChoice(0);
    // 128 programs, the drum kits and the entry that opens the dialog.
    const int kits = Instruments().GetEffect(0)->GetNumPresets() - 128;
    ASSERT_GT(kits, 0);
    ASSERT_EQ(sounds.EntryCount(), 128 + kits + 1);
    EXPECT_EQ(sounds.GetSelectedText(), "1 Acoustic Grand Piano");
    sounds.SetSelected(11);
    EXPECT_EQ(sounds.GetSelectedText(), "12 Vibraphone");
    sounds.SetSelected(127);
    EXPECT_EQ(sounds.GetSelectedText(), "128 Gunshot");
    sounds.SetSelected(128);
    EXPECT_EQ(sounds.GetSelectedText(), "Standard Kit");
}

TEST_F(InstrumentChainViewTest, AProgramChosenIsOneStepHeardAndSaved) {
    ShowInstrumentChainWithTheGeneralMidiInstrument();
    const CAudioEffect& instrument = *Instruments().GetEffect(0);
    const bool audible = !CGMInstrument::FindSoundFont("").empty();
    const std::vector<float> piano = audible ? RenderNote(Instruments()) : std::vector<float>{};

    ChooseEntry(m_view->PresetChoice(0), 11);
    EXPECT_EQ(instrument.GetCurrentPresetName(), "0:11");
    EXPECT_EQ(instrument.GetParameter(CGMInstrument::kProgramParameter), 11.0f);
    EXPECT_EQ(m_view->PresetChoice(0).GetSelectedText(), "12 Vibraphone");
    EXPECT_EQ(m_undo.NumUndoSets(), 1);
    if (audible) {
        const std::vector<float> vibraphone = RenderNote(Instruments());
        EXPECT_NE(vibraphone, piano);
        EXPECT_GT(*std::max_element(vibraphone.begin(), vibraphone.end()), 0.01f);
    }

    ASSERT_TRUE(m_undo.Undo());
    EXPECT_EQ(instrument.GetCurrentPresetName(), "0:0");
    EXPECT_EQ(m_view->PresetChoice(0).GetSelectedText(), "1 Acoustic Grand Piano");
    if (audible) {
        EXPECT_EQ(RenderNote(Instruments()), piano);
    }
    ASSERT_TRUE(m_undo.Redo());
    EXPECT_EQ(instrument.GetCurrentPresetName(), "0:11");

    const std::string path = m_dir + "Program.lt4";
    ASSERT_TRUE(m_project->SaveProject(path));
    bool cancelled = false;
    ASSERT_TRUE(m_project->LoadProject(path, cancelled));
    const auto* loaded =
        dynamic_cast<CMIDITrack*>(m_project->GetTrack(m_project->GetNumTracks() - 1));
    ASSERT_NE(loaded, nullptr);
    ASSERT_EQ(loaded->GetInstrumentChain()->NumEffects(), 1);
    EXPECT_EQ(loaded->GetInstrumentChain()->GetEffect(0)->GetCurrentPresetName(), "0:11");
}

} // namespace
