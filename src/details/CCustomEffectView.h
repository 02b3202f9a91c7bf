#pragma once

#include "details/CEffectChainEdits.h"
#include "details/CUserPresetWatch.h"
#include "engine/CAudioEffect.h"
#include "gui/CDialogButton.h"
#include "gui/VRGuiContainer.h"
#include "support/Observer.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class CDialogCheckBox;
class CDialogChoice;
class CProject;
class CTrack;
class CUndoMgr;
class EffectDialog;

// The effect chain of the selected track, or the global chain, shown in the
// details area: one row per slot with its active box, the effect (a drop-down
// of the available effects, "(none)" removing it), its preset (with the entry
// that opens the effect's dialog), and buttons that move it up or down or
// remove it; an empty last row adds an effect. Every change is one undo step.
// The rows follow the chain: the view hears the project's chain notifications
// and, on a watch timer, picks up changes made otherwise (a project loaded).
// It closes by itself when its track leaves the project. On an instrument
// track a drop-down in the title bar switches between the track's effects,
// its instrument chain (whose drop-down lists the instruments, and whose
// General MIDI instrument offers its sounds in the preset column) and the
// instrument's effects.
class CCustomEffectView : public VRGuiContainer, public Observer {
public:
    static constexpr uint32_t kWatchTimer = 760;
    static constexpr uint32_t kWatchPeriodMs = 250;
    static constexpr int32_t kTitleHeight = 26;
    static constexpr int32_t kHeadingHeight = 18;
    static constexpr int32_t kRowHeight = 26;
    static constexpr int32_t kActiveX = 10;
    static constexpr int32_t kEffectX = 48;
    static constexpr int32_t kChoiceWidth = 220;
    static constexpr int32_t kPresetX = kEffectX + kChoiceWidth + 10;
    static constexpr int32_t kButtonsX = kPresetX + kChoiceWidth + 10;
    static constexpr int32_t kSmallButtonWidth = 28;
    static constexpr int32_t kChainChoiceWidth = 180;
    // Below this height (the details area folded) the view is hidden.
    static constexpr int32_t kMinVisibleHeight = 60;
    enum RowButton : int32_t { kUpButton = 1, kDownButton = 2, kRemoveButton = 3 };

    // showArea makes the details area visible (the view takes its place).
    CCustomEffectView(CProject& project, CUndoMgr& undo, std::function<void()> showArea);
    ~CCustomEffectView() override;

    void OpenGlobal();
    void OpenTrack(CTrack& track,
                   CEffectChainOwner::TrackChain which = CEffectChainOwner::kTrackEffects);
    void Close();
    bool IsOpen() const { return m_edits.has_value(); }
    // Null while closed.
    const CEffectChainOwner* Owner() const { return m_edits ? &m_edits->Owner() : nullptr; }
    std::string Title() const;

    // The details area's place in the window; the view fills it.
    void Place(int32_t x, int32_t y, int32_t width, int32_t height);

    // The rows shown: one per effect and the empty one.
    int RowCount() const { return m_shownRows; }
    CDialogCheckBox& ActiveBox(int row) const;
    CDialogChoice& EffectChoice(int row) const;
    CDialogChoice& PresetChoice(int row) const;
    CDialogButton& Button(int row, RowButton button) const;
    CDialogButton& CloseButton() { return m_close; }
    // Switches between an instrument track's chains (entries in
    // CEffectChainOwner::TrackChain order); hidden for other chains.
    CDialogChoice& ChainChoice() const { return *m_chainChoice; }
    // The effect kinds in the effect drop-down, by entry (none for "(none)"
    // and the group headings).
    const std::vector<std::optional<EffectID>>& EffectEntries() const { return m_effectIds; }

    // Opens the dialog of the slot's effect over the window.
    void OpenEffectDialog(int slot);
    // The open dialog, or null.
    EffectDialog* Dialog() const;

    void OnNotification(int message, void* parameter) override;
    void OnTimer(uint32_t id) override;
    void OnDraw(const GuiRect& r) override;

private:
    struct Row;
    // The buttons' clicks (kept apart from the project's codes, which share
    // numbers with the toolkit's).
    class ButtonWatch : public Observer {
    public:
        explicit ButtonWatch(CCustomEffectView& view) : m_view(view) {}
        void OnNotification(int message, void* parameter) override;

    private:
        CCustomEffectView& m_view;
    };
    struct ShownEffect {
        const CAudioEffect* effect;
        bool active;
        std::string preset;
        bool operator==(const ShownEffect&) const = default;
    };

    void Open(CEffectChainOwner owner);
    void OnTrackRequest(CTrack& track, bool toggle);
    void OnButton(int32_t id);
    void OnEffectChosen(int row);
    void OnPresetChosen(int row);
    void OnActiveClicked(int row);
    void OnChainChosen();
    // Brings the rows in step with the chain when it changed.
    void Sync();
    void Rebuild();
    // Shows the view with the rows that fit, or hides it when folded or closed.
    void ShowFitting();
    void ShowRow(int row, const CAudioEffect* effect);
    void HideRow(int row);
    void ShowChainChoice();
    Row& MakeRow(int row);
    std::vector<ShownEffect> ChainAsShown() const;
    std::vector<std::string> EffectChoiceEntries();
    std::vector<std::string> PresetEntries(const CAudioEffect& effect) const;
    int PresetEntryOf(const CAudioEffect& effect) const;
    void KeepDialogInStep();
    void LayOutRows();

    CProject& m_project;
    CUndoMgr& m_undo;
    std::function<void()> m_showArea;
    std::optional<CEffectChainEdits> m_edits;
    std::vector<std::unique_ptr<Row>> m_rows;
    int m_shownRows = 0;
    std::vector<ShownEffect> m_shown;
    CUserPresetWatch m_userPresets;
    std::vector<std::optional<EffectID>> m_effectIds;
    std::unique_ptr<EffectDialog> m_dialog;
    CDialogButton m_close;
    std::unique_ptr<CDialogChoice> m_chainChoice;
    ButtonWatch m_buttonWatch{*this};
};
