#include "details/EffectDialog.h"
#include "EffectViewFixture.h"
#include "details/CEffectChainEdits.h"
#include "details/CUserPresetStore.h"
#include "engine/CCompressorEffect.h"
#include "engine/CGainEffect.h"
#include "gui/CDialogCheckBox.h"
#include "gui/CDialogChoice.h"
#include "gui/GuiInput.h"
#include "gui/GuiSlider.h"
#include "support/LocalizedStrings.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace {

class EffectDialogTest : public EffectViewFixture {
protected:
    EffectDialog& OpenOn(const EffectID& id) {
        CEffectChainEdits edits(m_undo, CEffectChainOwner::OfTrack(*m_project, *m_track));
        EXPECT_TRUE(edits.Insert(0, id));
        m_undo.ClearUndoHistory();
        m_view->OpenTrack(*m_track);
        m_view->OpenEffectDialog(0);
        EXPECT_NE(m_view->Dialog(), nullptr);
        return *m_view->Dialog();
    }
    // A press on the slider's groove at x (from its left), a drag to toX, a release.
    void DragSlider(const GuiSlider& slider, int32_t x, int32_t toX) {
        const GuiRect r = slider.GetAbsRect();
        const int32_t y = (r.top + r.bottom) / 2;
        m_host.MouseMove(r.left + x, y);
        m_host.LeftDown(r.left + x, y);
        m_host.MouseMove(r.left + (x + toX) / 2, y, MK_LBUTTON);
        m_host.MouseMove(r.left + toX, y, MK_LBUTTON);
        m_host.LeftUp(r.left + toX, y);
    }
};

TEST_F(EffectDialogTest, ControlsComeFromTheParameterList) {
    EffectDialog& dialog = OpenOn(CCompressorEffect::kID);
    const CAudioEffect& effect = *TrackChain().GetEffect(0);
    EXPECT_EQ(dialog.GetTitle(),
              "Track " + std::to_string(m_track->GetIndex() + 1) + ": Compressor");
    for (int parameter = 0; parameter < 5; ++parameter) {
        ASSERT_NE(dialog.Slider(parameter), nullptr) << parameter;
        EXPECT_EQ(dialog.Switch(parameter), nullptr);
        EXPECT_DOUBLE_EQ(dialog.Slider(parameter)->GetValue(), effect.GetParameter(parameter));
    }
    // The two-valued detector is a switch.
    EXPECT_EQ(dialog.Slider(5), nullptr);
    ASSERT_NE(dialog.Switch(5), nullptr);
    EXPECT_FALSE(dialog.Switch(5)->IsChecked());
    EXPECT_EQ(dialog.ValueText(0), "-18.0 dB");
    EXPECT_EQ(dialog.ValueText(1), "4.0:1");
    EXPECT_EQ(dialog.ValueText(3), "150 ms");
    EXPECT_EQ(dialog.ValueText(5), MyLoadString("ED_Off"));
    EXPECT_TRUE(dialog.ActiveBox().IsChecked());
    EXPECT_EQ(dialog.Presets().GetSelectedText(), "Default [Sys]");
}

TEST_F(EffectDialogTest, ASliderDragIsOneStepAndSoundsAsTheSameValueSetByCode) {
    EffectDialog& dialog = OpenOn(CGainEffect::kID);
    const std::vector<float> before = Render(TrackChain());
    GuiSlider& slider = *dialog.Slider(CGainEffect::kGainDb);
    DragSlider(slider, slider.ThumbX() + 5, 20);
    const float moved = TrackChain().GetEffect(0)->GetParameter(CGainEffect::kGainDb);
    EXPECT_LT(moved, -20.0f);
    EXPECT_EQ(m_undo.NumUndoSets(), 1);
    EXPECT_EQ(dialog.Presets().GetSelectedText(), MyLoadString("ELV_Custom"));
    EXPECT_EQ(m_view->PresetChoice(0).GetSelectedText(), MyLoadString("ELV_Custom"));

    // The same value set by code renders the same samples.
    CEffectChain byCode;
    auto gain = std::make_unique<CGainEffect>();
    gain->SetParameter(CGainEffect::kGainDb, moved);
    byCode.Insert(std::move(gain), 0);
    const std::vector<float> dragged = Render(TrackChain());
    EXPECT_EQ(dragged, Render(byCode));
    EXPECT_NE(dragged, before);

    ASSERT_TRUE(m_undo.Undo());
    EXPECT_EQ(Render(TrackChain()), before);
    EXPECT_DOUBLE_EQ(dialog.Slider(CGainEffect::kGainDb)->GetValue(), 0.0);
    ASSERT_TRUE(m_undo.Redo());
    EXPECT_EQ(Render(TrackChain()), dragged);
}

TEST_F(EffectDialogTest, TheSwitchTheActiveBoxAndThePresetsAreStepsOfTheirOwn) {
    EffectDialog& dialog = OpenOn(CCompressorEffect::kID);
    CAudioEffect& effect = *TrackChain().GetEffect(0);
    Click(*dialog.Switch(5));
    EXPECT_EQ(effect.GetParameter(5), 1.0f);
    EXPECT_EQ(dialog.ValueText(5), MyLoadString("ED_On"));
    Click(dialog.ActiveBox());
    EXPECT_FALSE(effect.isActive());
    EXPECT_FALSE(m_view->ActiveBox(0).IsChecked());
    dialog.Presets().OnKey(kKeyDown, VK_UP, 0); // from "Custom" to "Limiter"
    EXPECT_EQ(effect.GetCurrentPresetName(), "Limiter");
    EXPECT_EQ(effect.GetParameter(0), -3.0f);
    EXPECT_EQ(m_undo.NumUndoSets(), 3);

    ASSERT_TRUE(m_undo.Undo());
    EXPECT_EQ(effect.GetParameter(0), -18.0f);
    EXPECT_EQ(dialog.Presets().GetSelectedText(), MyLoadString("ELV_Custom"));
    ASSERT_TRUE(m_undo.Undo());
    EXPECT_TRUE(effect.isActive());
    EXPECT_TRUE(dialog.ActiveBox().IsChecked());
    ASSERT_TRUE(m_undo.Undo());
    EXPECT_EQ(effect.GetParameter(5), 0.0f);
    EXPECT_FALSE(dialog.Switch(5)->IsChecked());
}

TEST_F(EffectDialogTest, TheDialogClosesWhenItsEffectLeavesTheChain) {
    OpenOn(CGainEffect::kID);
    CEffectChainEdits edits(m_undo, CEffectChainOwner::OfTrack(*m_project, *m_track));
    ASSERT_TRUE(edits.Insert(0, CCompressorEffect::kID));
    // It follows its effect to the next slot.
    ASSERT_NE(m_view->Dialog(), nullptr);
    EXPECT_EQ(m_view->Dialog()->Slot(), 1);
    ASSERT_TRUE(edits.Remove(1));
    EXPECT_EQ(m_view->Dialog(), nullptr);
    EXPECT_EQ(m_window.TopLayer(), nullptr);
}

TEST_F(EffectDialogTest, SettingsSavedAsAUserPresetAreChosenLikeTheBuiltInOnes) {
    EffectDialog& dialog = OpenOn(CGainEffect::kID);
    CAudioEffect& effect = *TrackChain().GetEffect(0);
    effect.SetParameter(CGainEffect::kGainDb, -9.5f);
    dialog.Refresh();
    EXPECT_EQ(dialog.Presets().GetSelectedText(), MyLoadString("ELV_Custom"));
    // Built-in presets and "Custom" cannot be deleted.
    EXPECT_FALSE(dialog.DeletePresetButton().IsEnabled());

    m_host.SetModalDriver([step = 0](COffscreenGuiHost& host, int) mutable {
        if (step++ == 0) {
            host.Text("Whisper");
            host.KeyDown(VK_RETURN);
        }
    });
    Click(dialog.SavePresetButton());
    EXPECT_EQ(dialog.Presets().GetSelectedText(), "Whisper");
    EXPECT_TRUE(dialog.DeletePresetButton().IsEnabled());
    // Kept in the user's store, where a new dialog finds it.
    CUserPresetStore store(CUserPresetStore::DefaultPath());
    ASSERT_TRUE(store.Load());
    ASSERT_NE(store.Find(CGainEffect::kID, "Whisper"), nullptr);
    EXPECT_EQ(store.Find(CGainEffect::kID, "Whisper")->values, std::vector<float>{-9.5f});
    EXPECT_EQ(m_undo.NumUndoSets(), 0);

    // A built-in preset, then the user's, each one step.
    ChooseEntry(dialog.Presets(), 0);
    EXPECT_EQ(effect.GetParameter(CGainEffect::kGainDb), 0.0f);
    EXPECT_FALSE(dialog.DeletePresetButton().IsEnabled());
    ChooseEntry(dialog.Presets(), effect.GetNumPresets());
    EXPECT_EQ(effect.GetParameter(CGainEffect::kGainDb), -9.5f);
    EXPECT_EQ(dialog.Presets().GetSelectedText(), "Whisper");
    EXPECT_EQ(m_undo.NumUndoSets(), 2);
    ASSERT_TRUE(m_undo.Undo());
    EXPECT_EQ(effect.GetParameter(CGainEffect::kGainDb), 0.0f);
    EXPECT_EQ(dialog.Presets().GetSelectedText(), "Unity [Sys]");
}

TEST_F(EffectDialogTest, SavingUnderAnExistingNameAsksBeforeReplacingIt) {
    EffectDialog& dialog = OpenOn(CGainEffect::kID);
    CAudioEffect& effect = *TrackChain().GetEffect(0);
    auto saveAs = [&](const std::string& name) {
        m_host.SetModalDriver([name, step = 0](COffscreenGuiHost& host, int) mutable {
            if (step++ == 0) {
                host.Text(name);
                host.KeyDown(VK_RETURN);
            }
        });
        Click(dialog.SavePresetButton());
    };
    std::vector<std::string> asked;
    int answer = IDNO;
    SetMessageBoxHook([&](const MessageBoxRequest& request, bool&) {
        asked.push_back(request.title);
        return answer;
    });
    effect.SetParameter(CGainEffect::kGainDb, -20.0f);
    saveAs("Mine");
    EXPECT_TRUE(asked.empty());
    effect.SetParameter(CGainEffect::kGainDb, -30.0f);
    saveAs("Mine");
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_EQ(asked[0], MyLoadString("ED_OverwritePresetTitle"));
    EXPECT_EQ(dialog.UserPresets().Find(CGainEffect::kID, "Mine")->values,
              std::vector<float>{-20.0f});
    answer = IDYES;
    saveAs("Mine");
    EXPECT_EQ(dialog.UserPresets().Find(CGainEffect::kID, "Mine")->values,
              std::vector<float>{-30.0f});
    EXPECT_EQ(dialog.Presets().GetSelectedText(), "Mine");

    // A built-in preset's name is not taken.
    asked.clear();
    saveAs("Unity");
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_EQ(asked[0], MyLoadString("ED_SystemPresetNameTitle"));
    EXPECT_EQ(dialog.UserPresets().Find(CGainEffect::kID, "Unity"), nullptr);
}

TEST_F(EffectDialogTest, DeletingTheUserPresetShownAsksFirst) {
    EffectDialog& dialog = OpenOn(CGainEffect::kID);
    CAudioEffect& effect = *TrackChain().GetEffect(0);
    effect.SetParameter(CGainEffect::kGainDb, -3.0f);
    m_host.SetModalDriver([step = 0](COffscreenGuiHost& host, int) mutable {
        if (step++ == 0) {
            host.Text("Gone soon");
            host.KeyDown(VK_RETURN);
        }
    });
    Click(dialog.SavePresetButton());
    ASSERT_EQ(dialog.Presets().GetSelectedText(), "Gone soon");
    int answer = IDNO;
    SetMessageBoxHook([&](const MessageBoxRequest&, bool&) { return answer; });
    Click(dialog.DeletePresetButton());
    EXPECT_NE(dialog.UserPresets().Find(CGainEffect::kID, "Gone soon"), nullptr);
    answer = IDYES;
    Click(dialog.DeletePresetButton());
    EXPECT_EQ(dialog.UserPresets().Find(CGainEffect::kID, "Gone soon"), nullptr);
    EXPECT_EQ(dialog.Presets().GetSelectedText(), MyLoadString("ELV_Custom"));
    EXPECT_FALSE(dialog.DeletePresetButton().IsEnabled());
    CUserPresetStore store(CUserPresetStore::DefaultPath());
    ASSERT_TRUE(store.Load());
    EXPECT_TRUE(store.PresetsOf(CGainEffect::kID).empty());
    // The effect keeps its settings.
    EXPECT_EQ(effect.GetParameter(CGainEffect::kGainDb), -3.0f);
}

TEST_F(EffectDialogTest, ADamagedPresetStoreStillOpensTheDialog) {
    std::filesystem::create_directories(
        std::filesystem::path(CUserPresetStore::DefaultPath()).parent_path());
    std::ofstream(CUserPresetStore::DefaultPath(), std::ios::binary)
        << std::string("\0\xff\xfe garbage", 12);
    EffectDialog& dialog = OpenOn(CGainEffect::kID);
    EXPECT_EQ(dialog.Presets().EntryCount(), TrackChain().GetEffect(0)->GetNumPresets());
    EXPECT_EQ(dialog.Presets().GetSelectedText(), "Unity [Sys]");
}

} // namespace
