#pragma once

#include "details/CEffectChainEdits.h"
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
// drop-down (built-in presets marked "[Sys]"). It stays open beside the
// work; every change is heard at once and is one undo step (a slider's whole
// drag is one).
class EffectDialog : public CBaseDialog {
public:
    static constexpr int32_t kWidth = 460;
    static constexpr int32_t kRowHeight = 26;
    static constexpr int32_t kLabelWidth = 150;
    static constexpr int32_t kControlX = kMargin + kLabelWidth;
    static constexpr int32_t kValueX = kControlX + 110;
    static constexpr int32_t kPresetX = 190;
    static constexpr int32_t kParameterIdBase = 100;

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
    // Null when the parameter is shown otherwise (or does not exist).
    GuiSlider* Slider(int parameter) const;
    CDialogCheckBox* Switch(int parameter) const;
    // "-6.0 dB", "250 ms", "On".
    std::string ValueText(int parameter) const;
    // The place of a parameter's row, in the dialog's coordinates.
    int32_t ParameterTop(int parameter) const;

    void OnNotification(int message, void* parameter) override;
    void OnDraw(const GuiRect& r) override;

private:
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
    // The effect in the slot, when it still is the dialog's effect.
    CAudioEffect* LiveEffect() const;
    std::vector<std::string> PresetEntries(int& current) const;

    CEffectChainEdits m_edits;
    int m_slot;
    const CAudioEffect* m_effect; // compared, never used once it has left the chain
    std::string m_effectName;
    std::unique_ptr<CDialogCheckBox> m_active;
    std::unique_ptr<CDialogChoice> m_presets;
    std::vector<Control> m_controls;
    bool m_dragging = false;
};
