#pragma once

#include "details/CEffectChainEdits.h"
#include "details/CUserPresetStore.h"
#include "gui/CBaseDialog.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class CAudioEffect;
class CDialogCheckBox;
class CDialogChoice;
class GuiSlider;
struct GuiSliderChange;

// The controls of one effect, drawn from its parameter list: a slider with
// the value and its unit for each parameter, a switch for a parameter that
// only takes two values; above them the effect's active box and its preset
// drop-down (built-in presets marked "[Sys]", then the user's own), with
// buttons that save the settings as a user preset (asking for its name,
// and before replacing one) and delete the user preset shown. It stays open
// beside the work; every change is heard at once and is one undo step (a
// slider's whole drag is one).
class EffectDialog : public CBaseDialog {
public:
    static constexpr int32_t kWidth = 460;
    static constexpr int32_t kRowHeight = 26;
    static constexpr int32_t kLabelWidth = 150;
    static constexpr int32_t kControlX = kMargin + kLabelWidth;
    static constexpr int32_t kValueX = kControlX + 110;
    static constexpr int32_t kPresetX = 190;
    static constexpr int32_t kParameterIdBase = 100;
    static constexpr int32_t kButtonRowHeight = 30;
    enum PresetButton : int32_t { kSavePresetButton = 10, kDeletePresetButton = 11 };

    EffectDialog(CUndoMgr& undo, const CEffectChainOwner& owner, int slot);
    ~EffectDialog() override;

    const CEffectChainOwner& Owner() const { return m_edits.Owner(); }
    int Slot() const { return m_slot; }
    // The effect the dialog was opened on (it may have left the chain: only compare it).
    const CAudioEffect* Effect() const { return m_effect; }
    // The effect moved to another slot of its chain; the controls are brought
    // in step with its settings.
    void FollowSlot(int slot);
    void Refresh();

    CDialogCheckBox& ActiveBox() const { return *m_active; }
    CDialogChoice& Presets() const { return *m_presets; }
    CDialogButton& SavePresetButton() const { return *GetButton(kSavePresetButton); }
    CDialogButton& DeletePresetButton() const { return *GetButton(kDeletePresetButton); }
    // The user's presets as the dialog read them when it opened, and as it
    // changed them since.
    const CUserPresetStore& UserPresets() const { return m_userPresets; }
    // Null when the parameter is shown otherwise (or does not exist).
    GuiSlider* Slider(int parameter) const;
    CDialogCheckBox* Switch(int parameter) const;
    // "-6.0 dB", "250 ms", "On".
    std::string ValueText(int parameter) const;
    // The place of a parameter's row, in the dialog's coordinates.
    int32_t ParameterTop(int parameter) const;

    void OnNotification(int message, void* parameter) override;
    void OnDraw(const GuiRect& r) override;

protected:
    void OnCommand(int id) override;

private:
    // What an entry of the preset drop-down stands for.
    struct PresetEntry {
        enum Kind { kBuiltIn, kUser, kCustom } kind;
        int index; // among the built-in or the user presets
    };
    struct Control {
        std::unique_ptr<GuiSlider> slider;
        std::unique_ptr<CDialogCheckBox> toggle;
    };

    static bool IsSwitch(const CAudioEffect& effect, int parameter);
    std::string MakeTitle() const;
    void AddControls();
    void OnSlider(const GuiSliderChange& change);
    void OnSwitch(int parameter);
    void OnPresetChosen();
    void OnActiveClicked();
    void OnSavePreset();
    void OnDeletePreset();
    // The preset the settings are: an entry of m_presetEntries.
    int CurrentPresetEntry(const CAudioEffect& effect) const;
    std::vector<float> ValuesOf(const CAudioEffect& effect) const;
    std::vector<CUserPresetStore::Preset> UserPresetsOf(const CAudioEffect& effect) const;
    const CUserPresetStore::Preset* ShownUserPreset() const;
    // The effect in the slot, when it still is the dialog's effect.
    CAudioEffect* LiveEffect() const;
    std::vector<std::string> PresetEntries(int& current);

    CEffectChainEdits m_edits;
    int m_slot;
    const CAudioEffect* m_effect; // compared, never used once it has left the chain
    std::string m_effectName;
    std::unique_ptr<CDialogCheckBox> m_active;
    std::unique_ptr<CDialogChoice> m_presets;
    std::vector<PresetEntry> m_presetEntries;
    CUserPresetStore m_userPresets;
    std::vector<Control> m_controls;
    bool m_dragging = false;
};
