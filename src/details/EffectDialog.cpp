#include "details/EffectDialog.h"

#include "details/PresetTitle.h"
#include "engine/CAudioEffect.h"
#include "engine/CEffectChain.h"
#include "gui/CDialogButton.h"
#include "gui/CDialogCheckBox.h"
#include "gui/CDialogChoice.h"
#include "gui/CValueEntryDialog.h"
#include "gui/DialogLook.h"
#include "gui/GuiNotifications.h"
#include "gui/GuiSlider.h"
#include "gui/MessageBoxes.h"
#include "gui/VRGuiWindow.h"
#include "project/CTrack.h"
#include "support/LocalizedStrings.h"
#include "support/Log.h"

#include <cmath>
#include <cstdio>

namespace {

constexpr const char* kSliderSkin = "slidevil";
constexpr const char* kSystemPresetMark = " [Sys]";
constexpr int32_t kActiveWidth = 120;
constexpr int32_t kPresetWidth = EffectDialog::kWidth - EffectDialog::kPresetX - 12;

const CAudioEffect* EffectIn(const CEffectChainOwner& owner, int slot) {
    const CEffectChain* chain = owner.Chain();
    return chain ? chain->GetEffect(slot) : nullptr;
}

int32_t DialogHeight(const CEffectChainOwner& owner, int slot) {
    const CAudioEffect* effect = EffectIn(owner, slot);
    const int parameters = effect ? effect->GetNumParameters() : 0;
    return CBaseDialog::kTitleHeight + CBaseDialog::kMargin + EffectDialog::kRowHeight +
           EffectDialog::kButtonRowHeight + 8 + parameters * EffectDialog::kRowHeight +
           CBaseDialog::kMargin;
}

} // namespace

EffectDialog::EffectDialog(CUndoMgr& undo, const CEffectChainOwner& owner, int slot)
    : CBaseDialog("", kWidth, DialogHeight(owner, slot)), m_edits(undo, owner), m_slot(slot),
      m_effect(EffectIn(owner, slot)), m_effectName(m_effect ? m_effect->GetName() : ""),
      m_userPresets(CUserPresetStore::DefaultPath()) {
    LogFmt("Creating Effect Dialog for effect %s", m_effectName.c_str());
    m_userPresets.Load();
    SetTitle(MakeTitle());
    AddControls();
    Refresh();
}

EffectDialog::~EffectDialog() {
    LogFmt("Effect %s closing effect dialog.", m_effectName.c_str());
    EndDialog(IDCANCEL);
    for (Control& control : m_controls) {
        if (control.slider) {
            control.slider->RemoveObserver(this);
            RemoveChild(control.slider.get());
        }
        if (control.toggle)
            RemoveFocusable(control.toggle.get());
    }
    RemoveFocusable(m_presets.get());
    RemoveFocusable(m_active.get());
    Log("Done closing effect dialog.");
}

std::string EffectDialog::MakeTitle() const {
    const std::string& name = m_effectName;
    const CTrack* track = Owner().Track();
    char title[512];
    if (track)
        std::snprintf(title, sizeof title, "%s %i: %s", MyLoadString("FX_Track").c_str(),
                      track->GetIndex() + 1, name.c_str());
    else
        std::snprintf(title, sizeof title, "%s: %s", MyLoadString("FX_Global").c_str(),
                      name.c_str());
    return title;
}

bool EffectDialog::IsSwitch(const CAudioEffect& effect, int parameter) {
    const EffectParameterInfo* info = effect.GetParameterInfo(parameter);
    return info && info->stepped && info->maxValue - info->minValue == 1.0f;
}

void EffectDialog::AddControls() {
    const int32_t top = ContentTop();
    m_active = std::make_unique<CDialogCheckBox>(kActiveWidth, MyLoadString("ED_Active"));
    m_active->SetOnChange([this] { OnActiveClicked(); });
    AddFocusable(m_active.get(), kMargin, top + (kRowHeight - CDialogCheckBox::kHeight) / 2);
    m_presets = std::make_unique<CDialogChoice>(kPresetWidth, std::vector<std::string>{});
    m_presets->SetOnChange([this] { OnPresetChosen(); });
    AddFocusable(m_presets.get(), kPresetX, top + (kRowHeight - CDialogChoice::kHeight) / 2);
    const int32_t buttonsTop = top + kRowHeight + (kButtonRowHeight - CDialogButton::kHeight) / 2;
    AddButton(kSavePresetButton, MyLoadString("ED_Save"), kPresetX, buttonsTop)
        ->SetTooltip("EDTip_Save");
    AddButton(kDeletePresetButton, MyLoadString("ED_Delete"), kPresetX + CDialogButton::kWidth + 8,
              buttonsTop)
        ->SetTooltip("EDTip_Remove");
    const int parameters = m_effect ? m_effect->GetNumParameters() : 0;
    m_controls.resize(static_cast<size_t>(parameters));
    for (int parameter = 0; parameter < parameters; ++parameter) {
        Control& control = m_controls[static_cast<size_t>(parameter)];
        const int32_t rowTop = ParameterTop(parameter);
        if (IsSwitch(*m_effect, parameter)) {
            control.toggle = std::make_unique<CDialogCheckBox>(kActiveWidth, "");
            control.toggle->SetOnChange([this, parameter] { OnSwitch(parameter); });
            AddFocusable(control.toggle.get(), kControlX,
                         rowTop + (kRowHeight - CDialogCheckBox::kHeight) / 2);
            continue;
        }
        const EffectParameterInfo& info = *m_effect->GetParameterInfo(parameter);
        control.slider = std::make_unique<GuiSlider>(kParameterIdBase + parameter, kSliderSkin,
                                                     info.minValue, info.maxValue);
        control.slider->AddObserver(this);
        AddChild(control.slider.get(), kControlX,
                 rowTop + (kRowHeight - control.slider->GetHeight()) / 2);
    }
}

int32_t EffectDialog::ParameterTop(int parameter) const {
    return ContentTop() + kRowHeight + kButtonRowHeight + 8 + parameter * kRowHeight;
}

GuiSlider* EffectDialog::Slider(int parameter) const {
    if (parameter < 0 || parameter >= static_cast<int>(m_controls.size()))
        return nullptr;
    return m_controls[static_cast<size_t>(parameter)].slider.get();
}

CDialogCheckBox* EffectDialog::Switch(int parameter) const {
    if (parameter < 0 || parameter >= static_cast<int>(m_controls.size()))
        return nullptr;
    return m_controls[static_cast<size_t>(parameter)].toggle.get();
}

CAudioEffect* EffectDialog::LiveEffect() const {
    CAudioEffect* effect = m_edits.Effect(m_slot);
    return effect == m_effect ? effect : nullptr;
}

void EffectDialog::FollowSlot(int slot) {
    m_slot = slot;
    SetTitle(MakeTitle());
    Refresh();
}

std::vector<float> EffectDialog::ValuesOf(const CAudioEffect& effect) const {
    std::vector<float> values;
    for (int parameter = 0; parameter < effect.GetNumParameters(); ++parameter)
        values.push_back(effect.GetParameter(parameter));
    return values;
}

std::vector<CUserPresetStore::Preset>
EffectDialog::UserPresetsOf(const CAudioEffect& effect) const {
    return m_userPresets.PresetsOf(effect.GetIdentifier());
}

int EffectDialog::CurrentPresetEntry(const CAudioEffect& effect) const {
    const std::vector<CUserPresetStore::Preset> user = UserPresetsOf(effect);
    const std::vector<float> values = ValuesOf(effect);
    for (int entry = 0; entry < static_cast<int>(m_presetEntries.size()); ++entry) {
        const PresetEntry& shown = m_presetEntries[static_cast<size_t>(entry)];
        if (shown.kind == PresetEntry::kBuiltIn &&
            effect.GetPresetName(shown.index) == effect.GetCurrentPresetName())
            return entry;
        // A user preset leaves the effect's preset name "custom": its values tell it.
        if (shown.kind == PresetEntry::kUser &&
            effect.GetCurrentPresetName() == CAudioEffect::kCustomPresetName &&
            user[static_cast<size_t>(shown.index)].values == values)
            return entry;
        if (shown.kind == PresetEntry::kCustom)
            return entry;
    }
    return -1;
}

std::vector<std::string> EffectDialog::PresetEntries(int& current) {
    std::vector<std::string> entries;
    m_presetEntries.clear();
    current = 0;
    const CAudioEffect* effect = LiveEffect();
    if (!effect)
        return {MyLoadString("ED_NoPresetsAvailable")};
    for (int preset = 0; preset < effect->GetNumPresets(); ++preset) {
        entries.push_back(PresetTitle(*effect, preset) + kSystemPresetMark);
        m_presetEntries.push_back({PresetEntry::kBuiltIn, preset});
    }
    const std::vector<CUserPresetStore::Preset> user = UserPresetsOf(*effect);
    for (int preset = 0; preset < static_cast<int>(user.size()); ++preset) {
        entries.push_back(user[static_cast<size_t>(preset)].name);
        m_presetEntries.push_back({PresetEntry::kUser, preset});
    }
    if (entries.empty())
        return {MyLoadString("ED_NoPresetsAvailable")};
    current = CurrentPresetEntry(*effect);
    if (current < 0) {
        current = static_cast<int>(entries.size());
        entries.push_back(MyLoadString("ELV_Custom"));
        m_presetEntries.push_back({PresetEntry::kCustom, 0});
    }
    return entries;
}

const CUserPresetStore::Preset* EffectDialog::ShownUserPreset() const {
    const CAudioEffect* effect = LiveEffect();
    const int entry = m_presets->GetSelected();
    if (!effect || entry < 0 || entry >= static_cast<int>(m_presetEntries.size()))
        return nullptr;
    const PresetEntry& shown = m_presetEntries[static_cast<size_t>(entry)];
    if (shown.kind != PresetEntry::kUser)
        return nullptr;
    const std::vector<CUserPresetStore::Preset> user = UserPresetsOf(*effect);
    return m_userPresets.Find(effect->GetIdentifier(), user[static_cast<size_t>(shown.index)].name);
}

void EffectDialog::Refresh() {
    const CAudioEffect* effect = LiveEffect();
    if (!effect)
        return;
    m_active->SetChecked(effect->isActive());
    int current = 0;
    std::vector<std::string> entries = PresetEntries(current);
    m_presets->SetEntries(std::move(entries), current);
    if (m_presetEntries.empty())
        m_presets->Disable();
    else
        m_presets->Enable();
    if (ShownUserPreset())
        DeletePresetButton().Enable();
    else
        DeletePresetButton().Disable();
    for (int parameter = 0; parameter < static_cast<int>(m_controls.size()); ++parameter) {
        const Control& control = m_controls[static_cast<size_t>(parameter)];
        const float value = effect->GetParameter(parameter);
        if (control.slider && !m_dragging)
            control.slider->SetValue(value);
        if (control.toggle)
            control.toggle->SetChecked(value > effect->GetParameterInfo(parameter)->minValue);
    }
    Invalidate(nullptr);
}

std::string EffectDialog::ValueText(int parameter) const {
    const CAudioEffect* effect = LiveEffect();
    const EffectParameterInfo* info = effect ? effect->GetParameterInfo(parameter) : nullptr;
    if (!info)
        return {};
    const float value = effect->GetParameter(parameter);
    if (IsSwitch(*effect, parameter))
        return MyLoadString(value > info->minValue ? "ED_On" : "ED_Off");
    const float range = std::fabs(info->maxValue - info->minValue);
    const int decimals = info->stepped || range >= 100.0f ? 0 : range >= 10.0f ? 1 : 2;
    char number[64];
    std::snprintf(number, sizeof number, "%.*f", decimals, static_cast<double>(value));
    if (info->unit.empty())
        return number;
    // A ratio reads "4.0:1", the other units stand apart.
    return std::string(number) + (info->unit[0] == ':' ? "" : " ") + info->unit;
}

void EffectDialog::OnNotification(int message, void* parameter) {
    if (message == GuiSlider::kNotifyValueChange) {
        if (const GuiSliderChange* change =
                NotificationArgument<GuiSlider::kNotifyValueChange>(parameter))
            OnSlider(*change);
        return;
    }
    CBaseDialog::OnNotification(message, parameter);
}

void EffectDialog::OnSlider(const GuiSliderChange& change) {
    const int parameter = change.controlId - kParameterIdBase;
    if (!LiveEffect())
        return;
    if (change.phase == GuiSlider::kStart) {
        m_dragging = true;
        m_edits.BeginParameterGesture(m_slot);
    }
    m_edits.MoveParameter(m_slot, parameter, static_cast<float>(change.value));
    if (change.phase == GuiSlider::kEnd) {
        m_dragging = false;
        m_edits.EndParameterGesture(m_slot);
    }
    Invalidate(nullptr);
}

void EffectDialog::OnSwitch(int parameter) {
    const CAudioEffect* effect = LiveEffect();
    const EffectParameterInfo* info = effect ? effect->GetParameterInfo(parameter) : nullptr;
    const CDialogCheckBox* toggle = Switch(parameter);
    if (!info || !toggle)
        return;
    m_edits.SetParameter(m_slot, parameter, toggle->IsChecked() ? info->maxValue : info->minValue);
    Invalidate(nullptr);
}

void EffectDialog::OnPresetChosen() {
    const CAudioEffect* effect = LiveEffect();
    const int entry = m_presets->GetSelected();
    if (!effect || entry < 0 || entry >= static_cast<int>(m_presetEntries.size()))
        return;
    const PresetEntry shown = m_presetEntries[static_cast<size_t>(entry)];
    if (shown.kind == PresetEntry::kCustom)
        return;
    const std::string name = effect->GetName();
    if (shown.kind == PresetEntry::kBuiltIn)
        m_edits.ChoosePreset(m_slot, effect->GetPresetName(shown.index));
    else
        m_edits.SetParameters(m_slot,
                              UserPresetsOf(*effect)[static_cast<size_t>(shown.index)].values);
    LogFmt("Effect %s sending preset change notification.", name.c_str());
    Log("Done sending preset change notification.");
    Refresh();
}

void EffectDialog::OnActiveClicked() {
    const CAudioEffect* effect = LiveEffect();
    if (!effect)
        return;
    LogFmt("Effect %s sending effect active change notification.", effect->GetName().c_str());
    m_edits.SetActive(m_slot, m_active->IsChecked());
    Log("Done sending effect active change notification.");
}

void EffectDialog::OnCommand(int id) {
    if (id == kSavePresetButton)
        OnSavePreset();
    else if (id == kDeletePresetButton)
        OnDeletePreset();
    else
        CBaseDialog::OnCommand(id);
}

void EffectDialog::OnSavePreset() {
    const CAudioEffect* effect = LiveEffect();
    if (!effect)
        return;
    const CUserPresetStore::Preset* shown = ShownUserPreset();
    CValueEntryDialog ask(MyLoadString(shown ? "EDS_Title" : "EDS_NewTitle"),
                          MyLoadString("EDS_Name"));
    if (shown)
        ask.SetText(shown->name);
    if (ask.DoModal(GetWindow()) != IDOK)
        return;
    std::string name = ask.GetText();
    name.erase(0, name.find_first_not_of(' '));
    name.erase(name.find_last_not_of(' ') + 1);
    if (!CUserPresetStore::IsValidName(name))
        return;
    for (int preset = 0; preset < effect->GetNumPresets(); ++preset) {
        if (effect->GetPresetName(preset) == name || PresetTitle(*effect, preset) == name) {
            ShowMessage(GetWindow(), "ED_SystemPresetName", MB_OK | MB_ICONEXCLAMATION,
                        "ED_SystemPresetNameTitle");
            return;
        }
    }
    if (m_userPresets.Find(effect->GetIdentifier(), name) &&
        ShowMessage(GetWindow(), "ED_OverwritePreset", MB_YESNO | MB_ICONQUESTION,
                    "ED_OverwritePresetTitle") != IDYES)
        return;
    if (!m_userPresets.Save(effect->GetIdentifier(), name, ValuesOf(*effect)))
        ShowMessage(GetWindow(), "ED_PresetStoreFailed", MB_OK | MB_ICONEXCLAMATION,
                    "ED_PresetStoreFailedTitle");
    Refresh();
}

void EffectDialog::OnDeletePreset() {
    const CAudioEffect* effect = LiveEffect();
    const CUserPresetStore::Preset* shown = ShownUserPreset();
    if (!effect || !shown)
        return;
    const std::string name = shown->name;
    if (ShowMessage(GetWindow(), "ED_ConfirmDeletePreset", MB_YESNO | MB_ICONQUESTION,
                    "ED_ConfirmDeletePresetTitle") != IDYES)
        return;
    if (!m_userPresets.Remove(effect->GetIdentifier(), name))
        ShowMessage(GetWindow(), "ED_PresetStoreFailed", MB_OK | MB_ICONEXCLAMATION,
                    "ED_PresetStoreFailedTitle");
    Refresh();
}

void EffectDialog::OnDraw(const GuiRect& r) {
    CBaseDialog::OnDraw(r);
    VRGuiWindow* window = GetWindow();
    const CAudioEffect* effect = LiveEffect();
    if (!window || !effect)
        return;
    cairo_t* cr = window->GetDrawContext();
    const uint32_t text = DialogColor(kDialogTextItem);
    const int32_t top = ContentTop();
    DrawDialogText(cr, MyLoadString("ED_SelectPreset"),
                   {kMargin + kActiveWidth, top, kPresetX - 6, top + kRowHeight}, kDialogFont, text,
                   false, TextAlign::kRight);
    for (int parameter = 0; parameter < static_cast<int>(m_controls.size()); ++parameter) {
        const int32_t rowTop = ParameterTop(parameter);
        const GuiRect label{kMargin, rowTop, kControlX - 8, rowTop + kRowHeight};
        const GuiRect value{kValueX, rowTop, kWidth - kMargin, rowTop + kRowHeight};
        DrawDialogText(cr, effect->GetParameterInfo(parameter)->name, label, kDialogFont, text,
                       false);
        DrawDialogText(cr, ValueText(parameter), value, kDialogFont, text, false);
    }
}
