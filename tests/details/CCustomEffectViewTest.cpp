#include "EffectViewFixture.h"
#include "details/CUserPresetStore.h"
#include "details/EffectDialog.h"
#include "engine/CGainEffect.h"
#include "engine/CReverbEffect.h"
#include "gui/CDialogCheckBox.h"
#include "gui/CDialogChoice.h"
#include "gui/GuiButton.h"
#include "gui/GuiInput.h"
#include "project/CTrack.h"
#include "project/CTrackHeader.h"
#include "support/LocalizedStrings.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

class CCustomEffectViewTest : public EffectViewFixture {
protected:
    // The drop-down's entry for the effect kind.
    int EntryOf(const EffectID& id) const {
        const auto& entries = m_view->EffectEntries();
        const auto found = std::find(entries.begin(), entries.end(), std::optional<EffectID>(id));
        return found == entries.end() ? -1 : static_cast<int>(found - entries.begin());
    }
    // Chooses the effect in the row's drop-down.
    void ChooseEffect(int row, const EffectID& id) {
        const int entry = EntryOf(id);
        ASSERT_GT(entry, 0);
        CDialogChoice& choice = m_view->EffectChoice(row);
        ChooseEntry(choice, entry);
        ASSERT_EQ(choice.GetSelected(), entry);
    }
};

TEST_F(CCustomEffectViewTest, ShowsTheTrackChainWithAnEmptyRowToAddTo) {
    m_view->OpenTrack(*m_track);
    EXPECT_TRUE(m_view->IsOpen());
    EXPECT_TRUE(m_view->IsVisible());
    EXPECT_EQ(m_shownArea, 1);
    EXPECT_EQ(m_view->Title(),
              "Track " + std::to_string(m_track->GetIndex() + 1) + ": " + m_track->GetName());
    ASSERT_EQ(m_view->RowCount(), 1);
    EXPECT_EQ(m_view->EffectChoice(0).GetSelectedText(), MyLoadString("ELV_NoEffect"));
    EXPECT_FALSE(m_view->ActiveBox(0).IsVisible());
    EXPECT_FALSE(m_view->PresetChoice(0).IsVisible());
    EXPECT_TRUE(m_view->EffectChoice(0).IsVisible());
    // The drop-down lists the built-in effects under their heading.
    EXPECT_EQ(m_view->EffectChoice(0).EntryCount(), 8);
    EXPECT_GT(EntryOf(CGainEffect::kID), 1);
}

TEST_F(CCustomEffectViewTest, ChoosingInTheEmptyRowAddsAnEffectAsOneStep) {
    m_view->OpenTrack(*m_track);
    ChooseEffect(0, CReverbEffect::kID);
    ASSERT_EQ(TrackChain().NumEffects(), 1);
    EXPECT_EQ(TrackChain().GetEffect(0)->GetIdentifier(), CReverbEffect::kID);
    EXPECT_EQ(m_undo.NumUndoSets(), 1);
    ASSERT_EQ(m_view->RowCount(), 2);
    EXPECT_EQ(m_view->EffectChoice(0).GetSelectedText(), "Reverb");
    EXPECT_TRUE(m_view->ActiveBox(0).IsChecked());
    EXPECT_EQ(m_view->PresetChoice(0).GetSelectedText(), "Default");
    EXPECT_EQ(m_view->EffectChoice(1).GetSelectedText(), MyLoadString("ELV_NoEffect"));

    ASSERT_TRUE(m_undo.Undo());
    EXPECT_EQ(TrackChain().NumEffects(), 0);
    EXPECT_EQ(m_view->RowCount(), 1);
    ASSERT_TRUE(m_undo.Redo());
    EXPECT_EQ(m_view->RowCount(), 2);
}

TEST_F(CCustomEffectViewTest, TheRowsButtonsAndBoxesEditTheChain) {
    m_view->OpenTrack(*m_track);
    ChooseEffect(0, CGainEffect::kID);
    ChooseEffect(1, CReverbEffect::kID);
    ASSERT_EQ(m_view->RowCount(), 3);
    EXPECT_FALSE(m_view->Button(0, CCustomEffectView::kUpButton).IsEnabled());
    EXPECT_FALSE(m_view->Button(1, CCustomEffectView::kDownButton).IsEnabled());

    // Switch the reverb off.
    Click(m_view->ActiveBox(1));
    EXPECT_FALSE(TrackChain().GetEffect(1)->isActive());
    EXPECT_FALSE(m_view->ActiveBox(1).IsChecked());
    // Move it up.
    Click(m_view->Button(1, CCustomEffectView::kUpButton));
    EXPECT_EQ(TrackChain().GetEffect(0)->GetIdentifier(), CReverbEffect::kID);
    EXPECT_EQ(m_view->EffectChoice(0).GetSelectedText(), "Reverb");
    EXPECT_FALSE(m_view->ActiveBox(0).IsChecked());
    // Remove the gain, now second.
    Click(m_view->Button(1, CCustomEffectView::kRemoveButton));
    ASSERT_EQ(TrackChain().NumEffects(), 1);
    EXPECT_EQ(m_view->RowCount(), 2);
    EXPECT_EQ(m_undo.NumUndoSets(), 5);

    // Each comes back, one step at a time.
    ASSERT_TRUE(m_undo.Undo());
    EXPECT_EQ(TrackChain().NumEffects(), 2);
    EXPECT_EQ(m_view->RowCount(), 3);
    ASSERT_TRUE(m_undo.Undo());
    EXPECT_EQ(TrackChain().GetEffect(0)->GetIdentifier(), CGainEffect::kID);
    EXPECT_EQ(m_view->EffectChoice(0).GetSelectedText(), "Gain");
    ASSERT_TRUE(m_undo.Undo());
    EXPECT_TRUE(TrackChain().GetEffect(1)->isActive());
    EXPECT_TRUE(m_view->ActiveBox(1).IsChecked());
}

TEST_F(CCustomEffectViewTest, ChoosingNoEffectOrAnotherEffectOnARow) {
    m_view->OpenTrack(*m_track);
    ChooseEffect(0, CGainEffect::kID);
    ChooseEffect(0, CReverbEffect::kID);
    ASSERT_EQ(TrackChain().NumEffects(), 1);
    EXPECT_EQ(TrackChain().GetEffect(0)->GetIdentifier(), CReverbEffect::kID);
    EXPECT_EQ(m_undo.NumUndoSets(), 2);
    ChooseEntry(m_view->EffectChoice(0), 0);
    EXPECT_EQ(TrackChain().NumEffects(), 0);
    EXPECT_EQ(m_view->RowCount(), 1);
    ASSERT_TRUE(m_undo.Undo());
    ASSERT_TRUE(m_undo.Undo());
    ASSERT_EQ(TrackChain().NumEffects(), 1);
    EXPECT_EQ(TrackChain().GetEffect(0)->GetIdentifier(), CGainEffect::kID);
}

TEST_F(CCustomEffectViewTest, APresetChosenInTheRowIsOneStepAndEditOpensTheDialog) {
    m_view->OpenTrack(*m_track);
    ChooseEffect(0, CGainEffect::kID);
    CDialogChoice& presets = m_view->PresetChoice(0);
    EXPECT_EQ(presets.GetSelectedText(), "Unity");
    presets.OnKey(kKeyDown, VK_DOWN, 0);
    EXPECT_EQ(TrackChain().GetEffect(0)->GetParameter(CGainEffect::kGainDb), -6.0f);
    EXPECT_EQ(m_view->PresetChoice(0).GetSelectedText(), "Cut 6 dB");
    ASSERT_TRUE(m_undo.Undo());
    EXPECT_EQ(TrackChain().GetEffect(0)->GetParameter(CGainEffect::kGainDb), 0.0f);
    EXPECT_EQ(m_view->PresetChoice(0).GetSelectedText(), "Unity");

    // The last entry opens the effect's dialog, and the row still shows the preset.
    ChooseEntry(presets, presets.EntryCount() - 1);
    ASSERT_NE(m_view->Dialog(), nullptr);
    EXPECT_EQ(m_view->Dialog()->Effect(), TrackChain().GetEffect(0));
    EXPECT_EQ(m_view->Dialog()->GetTitle(),
              "Track " + std::to_string(m_track->GetIndex() + 1) + ": Gain");
    EXPECT_EQ(m_window.TopLayer(), m_view->Dialog());
    EXPECT_EQ(m_view->PresetChoice(0).GetSelectedText(), "Unity");
}

// Settings saved as a user preset (by a dialog, or another window) show by
// the preset's name; changed, they are "Custom" again.
TEST_F(CCustomEffectViewTest, SettingsOfAUserPresetShowByItsName) {
    m_view->OpenTrack(*m_track);
    ChooseEffect(0, CGainEffect::kID);
    CAudioEffect& gain = *TrackChain().GetEffect(0);
    gain.SetParameter(CGainEffect::kGainDb, -9.5f);
    m_host.Advance(CCustomEffectView::kWatchPeriodMs);
    EXPECT_EQ(m_view->PresetChoice(0).GetSelectedText(), MyLoadString("ELV_Custom"));

    std::vector<float> values;
    for (int parameter = 0; parameter < gain.GetNumParameters(); ++parameter)
        values.push_back(gain.GetParameter(parameter));
    CUserPresetStore store(CUserPresetStore::DefaultPath());
    ASSERT_TRUE(store.Save(CGainEffect::kID, "Whisper", values));
    m_host.Advance(CCustomEffectView::kWatchPeriodMs);
    EXPECT_EQ(m_view->PresetChoice(0).GetSelectedText(), "Whisper");

    gain.SetParameter(CGainEffect::kGainDb, -3.0f);
    m_host.Advance(CCustomEffectView::kWatchPeriodMs);
    EXPECT_EQ(m_view->PresetChoice(0).GetSelectedText(), MyLoadString("ELV_Custom"));
    gain.SetParameter(CGainEffect::kGainDb, -9.5f);
    m_host.Advance(CCustomEffectView::kWatchPeriodMs);
    EXPECT_EQ(m_view->PresetChoice(0).GetSelectedText(), "Whisper");
    // A built-in preset keeps its own name even where a user preset has its values.
    ChooseEntry(m_view->PresetChoice(0), 1);
    ASSERT_EQ(m_view->PresetChoice(0).GetSelectedText(), "Cut 6 dB");
    values.clear();
    for (int parameter = 0; parameter < gain.GetNumParameters(); ++parameter)
        values.push_back(gain.GetParameter(parameter));
    ASSERT_TRUE(store.Save(CGainEffect::kID, "Also cut", values));
    m_host.Advance(CCustomEffectView::kWatchPeriodMs);
    EXPECT_EQ(m_view->PresetChoice(0).GetSelectedText(), "Cut 6 dB");
}

TEST_F(CCustomEffectViewTest, TheHeaderButtonShowsAndHidesTheTrackEffects) {
    Click(m_track->GetHeader()->GetButton(CTrackHeader::kEffectsButton));
    ASSERT_TRUE(m_view->IsOpen());
    EXPECT_EQ(m_view->Owner()->Track(), m_track);
    Click(m_track->GetHeader()->GetButton(CTrackHeader::kEffectsButton));
    EXPECT_FALSE(m_view->IsOpen());
    EXPECT_FALSE(m_view->IsVisible());
    // The menu command only opens.
    m_track->ShowEffects(false);
    m_track->ShowEffects(false);
    EXPECT_TRUE(m_view->IsOpen());
}

TEST_F(CCustomEffectViewTest, TheGlobalChainAndClosingWhenTheTrackGoes) {
    m_view->OpenGlobal();
    EXPECT_EQ(m_view->Title(), "Master");
    ChooseEffect(0, CGainEffect::kID);
    EXPECT_EQ(MasterChain().NumEffects(), 1);
    EXPECT_EQ(TrackChain().NumEffects(), 0);

    m_view->OpenTrack(*m_track);
    EXPECT_EQ(m_view->RowCount(), 1);
    m_project->SelectTrack(m_track->GetIndex(), false);
    ASSERT_TRUE(m_project->DeleteSelectedTrack());
    m_host.Advance(CCustomEffectView::kWatchPeriodMs);
    EXPECT_FALSE(m_view->IsOpen());
}

TEST_F(CCustomEffectViewTest, ChangesMadeElsewhereShowOnTheNextWatch) {
    m_view->OpenTrack(*m_track);
    TrackChain().Insert(std::make_unique<CGainEffect>(), 0);
    m_host.Advance(CCustomEffectView::kWatchPeriodMs);
    EXPECT_EQ(m_view->RowCount(), 2);
    EXPECT_EQ(m_view->EffectChoice(0).GetSelectedText(), "Gain");
}

TEST_F(CCustomEffectViewTest, AFoldedAreaHidesTheViewAndUnfoldingShowsItAgain) {
    m_view->OpenTrack(*m_track);
    ChooseEffect(0, CGainEffect::kID);
    m_view->Place(0, kViewTop, kWidth, 20);
    EXPECT_FALSE(m_view->IsVisible());
    m_view->Place(0, kViewTop, kWidth, 300);
    EXPECT_TRUE(m_view->IsVisible());
    EXPECT_TRUE(m_view->EffectChoice(0).IsVisible());
    EXPECT_TRUE(m_view->EffectChoice(1).IsVisible());
    EXPECT_FALSE(m_view->ActiveBox(1).IsVisible());
}

} // namespace
