#include "details/CCustomEffectView.h"

#include "details/DetailsNotifications.h"
#include "details/EffectDialog.h"
#include "details/PresetTitle.h"
#include "engine/CEffectChain.h"
#include "engine/EffectsFactory.h"
#include "gui/CBaseDialog.h"
#include "gui/CDialogCheckBox.h"
#include "gui/CDialogChoice.h"
#include "gui/DialogLook.h"
#include "gui/GuiButton.h"
#include "gui/GuiNotifications.h"
#include "gui/VRGuiWindow.h"
#include "project/CProject.h"
#include "project/CTrack.h"
#include "project/ProjectNotifications.h"
#include "support/LocalizedStrings.h"
#include "support/Log.h"

#include <algorithm>
#include <utility>

namespace {

constexpr int kCloseButtonId = 0;
constexpr int kButtonsPerRow = 4;

int ButtonId(int row, int button) {
    return row * kButtonsPerRow + button;
}

} // namespace

struct CCustomEffectView::Row {
    std::unique_ptr<CDialogCheckBox> active;
    std::unique_ptr<CDialogChoice> effect;
    std::unique_ptr<CDialogChoice> preset;
    std::unique_ptr<CDialogButton> up;
    std::unique_ptr<CDialogButton> down;
    std::unique_ptr<CDialogButton> remove;

    std::vector<VRGuiObject*> Objects() const {
        return {active.get(), effect.get(), preset.get(), up.get(), down.get(), remove.get()};
    }
};

CCustomEffectView::CCustomEffectView(CProject& project, CUndoMgr& undo,
                                     std::function<void()> showArea)
    : m_project(project), m_undo(undo), m_showArea(std::move(showArea)),
      m_close(kCloseButtonId, MyLoadString("ELV_Close")) {
    m_close.SetTooltip("ELV_Close_TT");
    m_close.AddObserver(&m_buttonWatch);
    AddChild(&m_close, 0, 0);
    std::vector<std::string> chains;
    for (const auto which : {CEffectChainOwner::kTrackEffects, CEffectChainOwner::kInstrument,
                             CEffectChainOwner::kInstrumentEffects})
        chains.push_back(MyLoadString(CEffectChainOwner::ChainNameKey(which)));
    m_chainChoice = std::make_unique<CDialogChoice>(kChainChoiceWidth, std::move(chains));
    m_chainChoice->SetOnChange([this] { OnChainChosen(); });
    AddChild(m_chainChoice.get(), 0, 0);
    m_project.AddObserver(this);
    Hide();
}

CCustomEffectView::~CCustomEffectView() {
    m_project.RemoveObserver(this);
    Close();
    m_dialog.reset();
    for (const std::unique_ptr<Row>& row : m_rows) {
        RemoveChildren(row->Objects());
        for (GuiButton* button : {row->up.get(), row->down.get(), row->remove.get()})
            button->RemoveObserver(&m_buttonWatch);
    }
    m_close.RemoveObserver(&m_buttonWatch);
    RemoveChild(&m_close);
    RemoveChild(m_chainChoice.get());
}

void CCustomEffectView::OpenGlobal() {
    Open(CEffectChainOwner::Global(m_project));
}

void CCustomEffectView::OpenTrack(CTrack& track, CEffectChainOwner::TrackChain which) {
    Open(CEffectChainOwner::OfTrack(m_project, track, which));
}

void CCustomEffectView::Open(CEffectChainOwner owner) {
    if (!m_edits || !(m_edits->Owner() == owner)) {
        Close();
        m_edits.emplace(m_undo, std::move(owner));
        LogFmt("CCustomEffectView::Open() %s", m_edits->Owner().Title().c_str());
    }
    if (m_showArea)
        m_showArea();
    ShowFitting();
    StartTimer(kWatchTimer, kWatchPeriodMs);
}

void CCustomEffectView::Close() {
    if (!m_edits)
        return;
    Log("CCustomEffectView::Close()");
    KillTimer(kWatchTimer);
    if (m_dialog)
        m_dialog->EndDialog(IDCANCEL);
    m_edits.reset();
    m_shown.clear();
    m_shownRows = 0;
    Hide();
    if (VRGuiContainer* parent = GetParent())
        parent->Invalidate(nullptr);
}

std::string CCustomEffectView::Title() const {
    return m_edits ? m_edits->Owner().Title() : std::string();
}

void CCustomEffectView::Place(int32_t x, int32_t y, int32_t width, int32_t height) {
    SetPosition(x, y);
    SetSize(width, height);
    m_close.SetPosition(std::max(0, width - CDialogButton::kWidth - 4), 1);
    m_chainChoice->SetPosition(std::max(0, width - CDialogButton::kWidth - 12 - kChainChoiceWidth),
                               (kTitleHeight - CDialogChoice::kHeight) / 2);
    ShowFitting();
}

void CCustomEffectView::ShowFitting() {
    if (!m_edits || GetHeight() < kMinVisibleHeight) {
        Hide();
        return;
    }
    // Showing the container shows every row; the rebuild hides those not in use.
    Show();
    Rebuild();
}

CDialogCheckBox& CCustomEffectView::ActiveBox(int row) const {
    return *m_rows.at(static_cast<size_t>(row))->active;
}

CDialogChoice& CCustomEffectView::EffectChoice(int row) const {
    return *m_rows.at(static_cast<size_t>(row))->effect;
}

CDialogChoice& CCustomEffectView::PresetChoice(int row) const {
    return *m_rows.at(static_cast<size_t>(row))->preset;
}

CDialogButton& CCustomEffectView::Button(int row, RowButton button) const {
    const Row& r = *m_rows.at(static_cast<size_t>(row));
    return button == kUpButton ? *r.up : button == kDownButton ? *r.down : *r.remove;
}

EffectDialog* CCustomEffectView::Dialog() const {
    return m_dialog && !m_dialog->HasEnded() ? m_dialog.get() : nullptr;
}

void CCustomEffectView::OnNotification(int message, void* parameter) {
    if (message == kNotifyTrackEffects) {
        if (const TrackEffectsRequest* request =
                NotificationArgument<kNotifyTrackEffects>(parameter);
            request && request->track)
            OnTrackRequest(*request->track, request->toggle);
    } else if (message == kNotifyEffectChainChanged) {
        if (m_edits &&
            NotificationArgument<kNotifyEffectChainChanged>(parameter) == m_edits->Chain())
            LogFmt("CCustomEffectView (effect list) received notification %i", message);
        Sync();
    }
}

void CCustomEffectView::OnTimer(uint32_t id) {
    if (id != kWatchTimer)
        return;
    if (m_dialog && m_dialog->HasEnded())
        m_dialog.reset();
    Sync();
}

void CCustomEffectView::OnTrackRequest(CTrack& track, bool toggle) {
    if (toggle && IsVisible() && m_edits && m_edits->Owner().Track() == &track)
        Close();
    else
        OpenTrack(track);
}

void CCustomEffectView::ButtonWatch::OnNotification(int message, void* parameter) {
    if (message == GuiButton::kNotifyClick)
        m_view.OnButton(NotificationArgument<GuiButton::kNotifyClick>(parameter));
}

void CCustomEffectView::OnButton(int32_t id) {
    if (id == kCloseButtonId) {
        Close();
        return;
    }
    if (!m_edits)
        return;
    const int row = id / kButtonsPerRow;
    switch (id % kButtonsPerRow) {
    case kUpButton:
        m_edits->Move(row, -1);
        break;
    case kDownButton:
        m_edits->Move(row, 1);
        break;
    case kRemoveButton:
        m_edits->Remove(row);
        break;
    default:
        break;
    }
}

void CCustomEffectView::OnEffectChosen(int row) {
    if (!m_edits)
        return;
    const int entry = EffectChoice(row).GetSelected();
    const std::optional<EffectID> id = entry >= 0 && entry < static_cast<int>(m_effectIds.size())
                                           ? m_effectIds[entry]
                                           : std::nullopt;
    const bool existing = m_edits->Effect(row) != nullptr;
    if (entry == 0 && existing)
        m_edits->Remove(row);
    else if (id && existing)
        m_edits->Replace(row, *id);
    else if (id)
        m_edits->Insert(row, *id);
    // A heading, or "(none)" on the empty row, chooses nothing.
    m_shown.clear();
    Sync();
}

void CCustomEffectView::OnPresetChosen(int row) {
    const CAudioEffect* effect = m_edits ? m_edits->Effect(row) : nullptr;
    if (!effect)
        return;
    const int entry = PresetChoice(row).GetSelected();
    if (entry < effect->GetNumPresets())
        m_edits->ChoosePreset(row, effect->GetPresetName(entry));
    else if (PresetChoice(row).GetSelectedText() == MyLoadString("ELV_Edit"))
        OpenEffectDialog(row);
    PresetChoice(row).SetSelected(PresetEntryOf(*effect));
}

void CCustomEffectView::OnChainChosen() {
    CTrack* track = m_edits ? m_edits->Owner().Track() : nullptr;
    const int entry = m_chainChoice->GetSelected();
    if (track && entry >= CEffectChainOwner::kTrackEffects &&
        entry <= CEffectChainOwner::kInstrumentEffects)
        OpenTrack(*track, static_cast<CEffectChainOwner::TrackChain>(entry));
}

void CCustomEffectView::OnActiveClicked(int row) {
    if (m_edits)
        m_edits->SetActive(row, ActiveBox(row).IsChecked());
    m_shown.clear();
    Sync();
}

void CCustomEffectView::OpenEffectDialog(int slot) {
    if (!m_edits || !m_edits->Effect(slot))
        return;
    if (m_dialog)
        m_dialog->EndDialog(IDCANCEL);
    m_dialog = std::make_unique<EffectDialog>(m_undo, m_edits->Owner(), slot);
    m_dialog->ShowModeless(GetWindow());
}

void CCustomEffectView::Sync() {
    if (!m_edits)
        return;
    if (!m_edits->Owner().IsInProject()) {
        Close();
        return;
    }
    if (!m_edits->Chain()) {
        Log("!!!!!  ERROR!  This effect chain does not exist!");
        Close();
        return;
    }
    const bool presetsChanged = m_userPresets.Refresh();
    if (presetsChanged || ChainAsShown() != m_shown)
        Rebuild();
    KeepDialogInStep();
}

std::vector<CCustomEffectView::ShownEffect> CCustomEffectView::ChainAsShown() const {
    std::vector<ShownEffect> shown;
    const CEffectChain* chain = m_edits ? m_edits->Chain() : nullptr;
    for (int slot = 0; chain && slot < chain->NumEffects(); ++slot) {
        const CAudioEffect* effect = chain->GetEffect(slot);
        // A user preset's name changes with the values, not with the preset name.
        const std::string user = m_userPresets.NameOf(*effect);
        shown.push_back(
            {effect, effect->isActive(), user.empty() ? effect->GetCurrentPresetName() : user});
    }
    return shown;
}

void CCustomEffectView::Rebuild() {
    m_userPresets.Refresh();
    m_shown = ChainAsShown();
    const CEffectChain* chain = m_edits ? m_edits->Chain() : nullptr;
    const int effects = static_cast<int>(m_shown.size());
    const bool roomForMore = effects < CEffectChain::kMaxEffects;
    m_shownRows = chain ? effects + (roomForMore ? 1 : 0) : 0;
    for (int row = 0; row < m_shownRows; ++row)
        ShowRow(row, row < effects ? chain->GetEffect(row) : nullptr);
    for (int row = m_shownRows; row < static_cast<int>(m_rows.size()); ++row)
        HideRow(row);
    ShowChainChoice();
    LayOutRows();
    Invalidate(nullptr);
}

CCustomEffectView::Row& CCustomEffectView::MakeRow(int row) {
    while (static_cast<int>(m_rows.size()) <= row) {
        const int index = static_cast<int>(m_rows.size());
        auto made = std::make_unique<Row>();
        made->active = std::make_unique<CDialogCheckBox>(CDialogCheckBox::kBox + 4, "");
        made->active->SetOnChange([this, index] { OnActiveClicked(index); });
        made->effect = std::make_unique<CDialogChoice>(kChoiceWidth, std::vector<std::string>{});
        made->effect->SetOnChange([this, index] { OnEffectChosen(index); });
        made->preset = std::make_unique<CDialogChoice>(kChoiceWidth, std::vector<std::string>{});
        made->preset->SetOnChange([this, index] { OnPresetChosen(index); });
        made->up = std::make_unique<CDialogButton>(ButtonId(index, kUpButton), "\u25B2");
        made->up->SetTooltip("TDTip_Up");
        made->down = std::make_unique<CDialogButton>(ButtonId(index, kDownButton), "\u25BC");
        made->down->SetTooltip("TDTip_Down");
        made->remove = std::make_unique<CDialogButton>(ButtonId(index, kRemoveButton), "\u2715");
        made->remove->SetTooltip("ELV_Remove");
        for (CDialogButton* button : {made->up.get(), made->down.get(), made->remove.get()}) {
            button->SetSize(kSmallButtonWidth, CDialogChoice::kHeight);
            button->AddObserver(&m_buttonWatch);
        }
        for (VRGuiObject* object : made->Objects())
            AddChild(object, 0, 0);
        m_rows.push_back(std::move(made));
    }
    return *m_rows[static_cast<size_t>(row)];
}

void CCustomEffectView::ShowRow(int row, const CAudioEffect* effect) {
    Row& r = MakeRow(row);
    std::vector<std::string> entries = EffectChoiceEntries();
    int chosen = 0;
    if (effect)
        for (size_t entry = 0; entry < m_effectIds.size(); ++entry)
            if (m_effectIds[entry] && *m_effectIds[entry] == effect->GetIdentifier())
                chosen = static_cast<int>(entry);
    r.effect->SetEntries(std::move(entries), chosen);
    if (effect) {
        r.active->SetChecked(effect->isActive());
        r.preset->SetEntries(PresetEntries(*effect), PresetEntryOf(*effect));
        const int effects = static_cast<int>(m_shown.size());
        if (row > 0)
            r.up->Enable();
        else
            r.up->Disable();
        if (row < effects - 1)
            r.down->Enable();
        else
            r.down->Disable();
    }
    for (VRGuiObject* object : r.Objects()) {
        if (effect || object == r.effect.get())
            object->Show();
        else
            object->Hide();
    }
}

void CCustomEffectView::ShowChainChoice() {
    if (!m_edits || !m_edits->Owner().HasInstrumentChains()) {
        m_chainChoice->Hide();
        return;
    }
    m_chainChoice->SetSelected(m_edits->Owner().Which());
    m_chainChoice->Show();
}

void CCustomEffectView::HideRow(int row) {
    for (VRGuiObject* object : m_rows[static_cast<size_t>(row)]->Objects())
        object->Hide();
}

void CCustomEffectView::LayOutRows() {
    for (int row = 0; row < static_cast<int>(m_rows.size()); ++row) {
        const Row& r = *m_rows[static_cast<size_t>(row)];
        const int32_t top = kTitleHeight + kHeadingHeight + row * kRowHeight;
        const int32_t y = top + (kRowHeight - CDialogChoice::kHeight) / 2;
        r.active->SetPosition(kActiveX, top + (kRowHeight - CDialogCheckBox::kHeight) / 2);
        r.effect->SetPosition(kEffectX, y);
        r.preset->SetPosition(kPresetX, y);
        r.up->SetPosition(kButtonsX, y);
        r.down->SetPosition(kButtonsX + kSmallButtonWidth + 4, y);
        r.remove->SetPosition(kButtonsX + 2 * (kSmallButtonWidth + 4), y);
        // Rows that do not fit the area stay hidden until it grows.
        if (row < m_shownRows && top + kRowHeight > GetHeight())
            HideRow(row);
    }
}

std::vector<std::string> CCustomEffectView::EffectChoiceEntries() {
    static const char* const kGroupKeys[] = {"ELV_VeranthFX", "ELV_VSTFX", "ELV_DirectXFX"};
    static const char* const kInstrumentGroupKeys[] = {"ELV_BuiltInInstruments",
                                                       "ELV_VSTInstruments", "ELV_DirectXFX"};
    const bool instruments = m_edits && m_edits->Owner().IsInstrumentChain();
    std::vector<std::string> entries{MyLoadString("ELV_NoEffect")};
    m_effectIds.assign(1, std::nullopt);
    const std::vector<EffectDescription> available =
        EffectsFactory::GetInstance()->GetAvailableEffects();
    for (const EffectGroup group : {EffectGroup::BuiltIn, EffectGroup::Vst, EffectGroup::DirectX}) {
        bool headed = false;
        for (const EffectDescription& description : available) {
            if (description.group != group || description.isInstrument != instruments)
                continue;
            if (!headed) {
                const int index = static_cast<int>(group);
                const char* key = instruments ? kInstrumentGroupKeys[index] : kGroupKeys[index];
                entries.push_back("\u2014 " + MyLoadString(key) + " \u2014");
                m_effectIds.push_back(std::nullopt);
                headed = true;
            }
            entries.push_back(description.name);
            m_effectIds.push_back(description.id);
        }
    }
    return entries;
}

std::vector<std::string> CCustomEffectView::PresetEntries(const CAudioEffect& effect) const {
    std::vector<std::string> entries;
    for (int preset = 0; preset < effect.GetNumPresets(); ++preset)
        entries.push_back(PresetTitle(effect, preset));
    if (PresetEntryOf(effect) == effect.GetNumPresets()) {
        // Settings saved as a user preset show by its name.
        const std::string user = m_userPresets.NameOf(effect);
        entries.push_back(user.empty() ? MyLoadString("ELV_Custom") : user);
    }
    entries.push_back(MyLoadString("ELV_Edit"));
    return entries;
}

int CCustomEffectView::PresetEntryOf(const CAudioEffect& effect) const {
    for (int preset = 0; preset < effect.GetNumPresets(); ++preset)
        if (effect.GetPresetName(preset) == effect.GetCurrentPresetName())
            return preset;
    // "Custom" follows the presets.
    return effect.GetNumPresets();
}

void CCustomEffectView::KeepDialogInStep() {
    if (!m_dialog || m_dialog->HasEnded())
        return;
    const CEffectChain* chain = m_edits ? m_edits->Chain() : nullptr;
    const bool sameChain = m_edits && m_dialog->Owner() == m_edits->Owner();
    for (int slot = 0; sameChain && chain && slot < chain->NumEffects(); ++slot) {
        if (chain->GetEffect(slot) == m_dialog->Effect()) {
            m_dialog->FollowSlot(slot);
            return;
        }
    }
    // The dialog's effect has left the chain (removed, replaced, undone).
    m_dialog->EndDialog(IDCANCEL);
}

void CCustomEffectView::OnDraw(const GuiRect&) {
    VRGuiWindow* window = GetWindow();
    if (!window)
        return;
    cairo_t* cr = window->GetDrawContext();
    const uint32_t text = DialogColor(kDialogTextItem);
    FillDialogRect(cr, GetRect(), DialogColor(kDialogBackgroundItem));
    FillDialogRect(cr, {0, 0, GetWidth(), kTitleHeight}, DialogColor(kDialogTitleItem));
    const int32_t titleRight = m_chainChoice->IsVisible() ? m_chainChoice->GetX() - 8
                                                          : GetWidth() - CDialogButton::kWidth - 12;
    DrawDialogText(cr, Title(), {8, 0, titleRight, kTitleHeight}, kDialogBoldFont, 0xFFFFFF, false);
    const int32_t top = kTitleHeight;
    const int32_t bottom = kTitleHeight + kHeadingHeight;
    DrawDialogText(cr, MyLoadString("active"), {kActiveX - 4, top, kEffectX, bottom}, kDialogFont,
                   text, false);
    const bool instruments = m_edits && m_edits->Owner().IsInstrumentChain();
    DrawDialogText(cr, MyLoadString(instruments ? "ELV_Instrument" : "ELV_Effect"),
                   {kEffectX, top, kPresetX, bottom}, kDialogBoldFont, text, false);
    DrawDialogText(cr, MyLoadString("ELV_Preset"), {kPresetX, top, kButtonsX, bottom},
                   kDialogBoldFont, text, false);
}
