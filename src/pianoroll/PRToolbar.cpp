#include "pianoroll/PRToolbar.h"

#include "gui/GuiMenu.h"
#include "gui/GuiNotifications.h"
#include "gui/GuiPopupMenu.h"
#include "gui/VRGuiWindow.h"
#include "pianoroll/CQuantizeDlg.h"
#include "pianoroll/PRLatchButton.h"
#include "pianoroll/PianoRollBody.h"
#include "project/CMIDIClip.h"
#include "support/LocalizedStrings.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <string>

namespace {

struct ButtonEntry {
    int32_t id;
    const char* skin;
    const char* toolTipKey;
};

constexpr std::array<ButtonEntry, 15> kButtons = {{
    {PRToolbar::kArrow, "prt-arrow", "MC_PR_Tool_Arrow"},
    {PRToolbar::kPencil, "prt-pencil", "MC_PR_Tool_Pencil"},
    {PRToolbar::kEraser, "prt-eraser", "MC_PR_Tool_Eraser"},
    {PRToolbar::kNote1, "prt-note1", "MC_PR_Tool_Note1"},
    {PRToolbar::kNote2, "prt-note2", "MC_PR_Tool_Note2"},
    {PRToolbar::kNote4, "prt-note4", "MC_PR_Tool_Note4"},
    {PRToolbar::kNote8, "prt-note8", "MC_PR_Tool_Note8"},
    {PRToolbar::kNote16, "prt-note16", "MC_PR_Tool_Note16"},
    {PRToolbar::kNote32, "prt-note32", "MC_PR_Tool_Note32"},
    {PRToolbar::kDotted, "prt-note-dotted", "MC_PR_Tool_Dotted"},
    {PRToolbar::kTriplet, "prt-note-triplet", "MC_PR_Tool_Triplet"},
    {PRToolbar::kSnap, "midi-snap-on", ""},
    {PRToolbar::kQuantize, "midi-quantize", "MC_PR_Quantize_Tip"},
    {PRToolbar::kVelocityUp, "midi-velocity-up", "MC_PR_VelocityUp"},
    {PRToolbar::kVelocityDown, "midi-velocity-down", "MC_PR_VelocityDown"},
}};

constexpr bool IsLatching(int32_t id) {
    return id >= PRToolbar::kArrow && id <= PRToolbar::kNote32;
}

constexpr int32_t kLeft = 4;
constexpr int32_t kTop = 2;
constexpr int32_t kGroupGap = 10;
constexpr int32_t kVelocityTextWidth = 110;
constexpr uint32_t kVelocityTextColour = 0xE6E6E6;
// The snap button's drop arrow takes its right end.
constexpr int32_t kSnapArrowWidth = 17;
constexpr int kMinVelocity = 1;
constexpr int kMaxVelocity = 127;

std::string Formatted(const char* format, int value) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, format, value);
    return buffer;
}

} // namespace

PRToolbar::PRToolbar(PianoRollBody& body, std::function<void()> changed)
    : GuiTexturePanel("toolbar_texture", 1, kHeight), m_body(body), m_changed(std::move(changed)),
      m_velocity(kVelocityTextWidth, kHeight - 2 * kTop) {
    m_velocity.SetTextColor(kVelocityTextColour);
    CreateButtons();
    Layout();
    Refresh();
}

PRToolbar::~PRToolbar() {
    for (const auto& button : m_buttons)
        RemoveChild(button.get());
    RemoveChild(&m_velocity);
}

PRQuantizeSettings& PRToolbar::LastQuantizeSettings() {
    static PRQuantizeSettings last;
    return last;
}

GuiButton* PRToolbar::GetButton(int32_t id) const {
    for (const auto& button : m_buttons)
        if (button->GetControlId() == id)
            return button.get();
    return nullptr;
}

void PRToolbar::CreateButtons() {
    for (const ButtonEntry& entry : kButtons) {
        std::unique_ptr<GuiButton> button;
        if (IsLatching(entry.id))
            button = std::make_unique<PRLatchButton>(entry.id, entry.skin, entry.toolTipKey);
        else
            button = std::make_unique<GuiButton>(entry.id, entry.skin, "", entry.toolTipKey);
        button->SetTransparent(true);
        button->AddObserver(this);
        m_buttons.push_back(std::move(button));
    }
    GuiButton& snap = *GetButton(kSnap);
    snap.ShowCaption(true);
    snap.SetCaptionFormat(GuiButton::DT_CENTER | GuiButton::DT_VCENTER | GuiButton::DT_SINGLELINE |
                          GuiButton::DT_END_ELLIPSIS);
    snap.SetCaptionRect({4, 0, snap.GetWidth() - kSnapArrowWidth, snap.GetHeight()});
}

void PRToolbar::Layout() {
    int32_t x = kLeft;
    const auto place = [&](int32_t id, int32_t gapBefore) {
        GuiButton& button = *GetButton(id);
        x += gapBefore;
        AddChild(&button, x, kTop);
        x += button.GetWidth();
    };
    place(kArrow, 0);
    place(kPencil, 0);
    place(kEraser, 0);
    for (int32_t id = kNote1; id <= kTriplet; ++id)
        place(id, id == kNote1 || id == kDotted ? kGroupGap : 0);
    place(kSnap, kGroupGap);
    place(kQuantize, kGroupGap);
    // The velocity buttons stand one above the other, the read-out beside them.
    GuiButton& up = *GetButton(kVelocityUp);
    GuiButton& down = *GetButton(kVelocityDown);
    x += kGroupGap;
    AddChild(&up, x, kTop);
    AddChild(&down, x, kTop + up.GetHeight());
    AddChild(&m_velocity, x + up.GetWidth() + 4, kTop);
}

void PRToolbar::Refresh() {
    const PRToolSettings& s = m_body.Gestures().Settings();
    const int32_t toolId = kArrow + static_cast<int32_t>(s.tool);
    const int32_t lengthId = s.customLengthMs > 0.0 ? -1 : kNote1 + s.length.type;
    for (const auto& button : m_buttons)
        if (auto* latch = dynamic_cast<PRLatchButton*>(button.get())) {
            const int32_t id = latch->GetControlId();
            latch->SetLatched(id == toolId || id == lengthId);
        }
    GetButton(kDotted)->SetSkin(s.length.dotted ? "prt-note-dotted-on" : "prt-note-dotted");
    GetButton(kTriplet)->SetSkin(s.length.triplet ? "prt-note-triplet-on" : "prt-note-triplet");
    m_velocity.SetText(MyLoadString("MC_PR_Velocity") + ": " + std::to_string(s.velocity));
    ShowSnapLevel();
}

void PRToolbar::ShowSnapLevel() {
    const int level = m_body.Gestures().Settings().snapLevel;
    GuiButton& snap = *GetButton(kSnap);
    const bool on = level != PRNoteTiming::kSnapOff;
    snap.SetSkin(on ? "midi-snap-on" : "midi-snap-off");
    snap.SetCaption(MyLoadString(Formatted("MIDI_SSL%d", level)));
    snap.SetTooltip(Formatted("MIDI_SSL%d_Tip", level));
    for (int32_t state = GuiButton::kNormal; state <= GuiButton::kDisabled; ++state)
        snap.SetCaptionColor(state, on ? kSnapOnCaption : kSnapOffCaption);
}

void PRToolbar::OnNotification(int message, void* parameter) {
    if (message != GuiButton::kNotifyClick)
        return;
    RunCommand(NotificationArgument<GuiButton::kNotifyClick>(parameter));
}

void PRToolbar::RunCommand(int32_t id) {
    switch (id) {
    case kArrow:
    case kPencil:
    case kEraser:
        SetTool(id);
        break;
    case kDotted:
    case kTriplet:
        ToggleModifier(id == kDotted);
        break;
    case kSnap:
        RunSnapMenu();
        return;
    case kQuantize:
        RunQuantize();
        return;
    case kVelocityUp:
        ChangeVelocity(+1);
        break;
    case kVelocityDown:
        ChangeVelocity(-1);
        break;
    default:
        if (id >= kNote1 && id <= kNote32)
            SetLengthType(id - kNote1);
        break;
    }
    Refresh();
    if (m_changed)
        m_changed();
}

void PRToolbar::SetTool(int32_t id) {
    const auto tool = static_cast<PRTool>(id - kArrow);
    m_body.Gestures().Settings().tool = tool;
    // The rubber band is an arrow's selection.
    if (tool != PRTool::kArrow) {
        m_body.Gestures().HideRubberBand();
        m_body.Invalidate(nullptr);
    }
}

void PRToolbar::SetLengthType(int type) {
    PRToolSettings& s = m_body.Gestures().Settings();
    s.length.type = type;
    s.customLengthMs = 0.0;
}

void PRToolbar::ToggleModifier(bool dotted) {
    PRLengthChoice& length = m_body.Gestures().Settings().length;
    bool& toggled = dotted ? length.dotted : length.triplet;
    bool& other = dotted ? length.triplet : length.dotted;
    toggled = !toggled;
    // The two exclude each other.
    if (toggled)
        other = false;
}

void PRToolbar::ChangeVelocity(int step) {
    int& velocity = m_body.Gestures().Settings().velocity;
    velocity = std::clamp(velocity + step, kMinVelocity, kMaxVelocity);
}

void PRToolbar::RunSnapMenu() {
    GuiButton& button = *GetButton(kSnap);
    VRGuiWindow* window = GetWindow();
    if (!window)
        return;
    int& level = m_body.Gestures().Settings().snapLevel;
    // Identifiers are levels + 1: identifier 0 means "nothing chosen".
    GuiMenu menu;
    for (int l = 0; l <= PRNoteTiming::kMaxSnapLevel; ++l)
        menu.AddItem(l + 1, MyLoadString(Formatted("SSL%d", l)));
    menu.Check(level + 1, true);
    GuiPopupMenu popup(menu);
    const int chosen = popup.Run(window, button.GetAbsX(), button.GetAbsY() + button.GetHeight());
    button.SetState(GuiButton::kNormal);
    if (chosen <= 0)
        return;
    level = chosen - 1;
    Refresh();
    if (m_changed)
        m_changed();
}

void PRToolbar::RunQuantize() {
    GetButton(kQuantize)->SetState(GuiButton::kNormal);
    if (!CQuantizeDlg::Run(GetWindow(), m_body.Edits(), LastQuantizeSettings(),
                           m_body.SelectedNotes()))
        return;
    m_body.Invalidate(nullptr);
    m_body.Edits().Clip().Invalidate(nullptr);
}
