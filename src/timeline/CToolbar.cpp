#include "timeline/CToolbar.h"

#include "gui/GuiMenu.h"
#include "gui/GuiNotifications.h"
#include "gui/GuiPopupMenu.h"
#include "gui/VRGuiWindow.h"
#include "support/CUndoMgr.h"
#include "support/LocalizedStrings.h"
#include "support/Log.h"
#include "timeline/CTimeGrid.h"
#include "timeline/ToolbarCommands.h"

#include <algorithm>
#include <array>

namespace {

struct ButtonEntry {
    int32_t id;
    const char* skin;
    const char* toolTipKey;
};

// In the order they stand; the row of plain buttons ends with Zoom In.
constexpr std::array<ButtonEntry, 14> kButtons = {{
    {CToolbar::kNew, "toolbar-new", "MC_Tool_New"},
    {CToolbar::kOpen, "toolbar-open", "MC_Tool_Open"},
    {CToolbar::kSave, "toolbar-save", "MC_Tool_Save"},
    {CToolbar::kAddSound, "toolbar-addsound", "MC_Tool_AddSound"},
    {CToolbar::kLibrary, "toolbar-library", "MC_Tool_Library"},
    {CToolbar::kUndo, "toolbar-undo", "MC_Tool_Undo"},
    {CToolbar::kRedo, "toolbar-redo", "MC_Tool_Redo"},
    {CToolbar::kBurn, "toolbar-burn", "MC_Tool_BurnCD"},
    {CToolbar::kRender, "toolbar-render", "MC_Tool_Render"},
    {CToolbar::kZoomOut, "toolbar-zoomout", "MC_Tool_ZoomOut"},
    {CToolbar::kZoomIn, "toolbar-zoomin", "MC_Tool_ZoomIn"},
    {CToolbar::kEnvelope, "toolbar-env", "MC_Tool_Envelope"},
    {CToolbar::kSnap, "snap", "TH_SnapTip"},
    {CToolbar::kLogo, "logo", "MC_Tool_Logo"},
}};
constexpr size_t kRowButtonCount = 11;

constexpr std::array<const char*, CToolbar::kEnvelopeTypeCount> kEnvelopeNameKeys = {
    "MC_Tool_Env_Vol",    "MC_Tool_Env_Pan",       "MC_Tool_Env_LP_Cutoff",
    "MC_Tool_Env_LP_Rez", "MC_Tool_Env_HP_Cutoff", "MC_Tool_Env_HP_Rez",
};

constexpr int32_t kRowLeft = 3;
constexpr int32_t kRowTop = 6;
constexpr int32_t kCaptionButtonTop = 9;
constexpr int32_t kButtonGap = 6;
constexpr int32_t kLogoMargin = 6;
constexpr int32_t kLogoGapAfterSnap = 3;
constexpr int32_t kLogoDrop = 3;
constexpr int32_t kCaptionArrowWidth = 17;
// Light on the buttons' dark faces: dark text there reads as a disabled button.
constexpr uint32_t kCaptionColor = 0xE6E6E6;
constexpr uint32_t kEnvelopeActiveCaptionColor = 0xB8F0B8;
constexpr uint32_t kSnapActiveCaptionColor = 0xFFFFFF;

} // namespace

CToolbar::CToolbar(int32_t width, ToolbarCommands& commands, CUndoMgr& undo)
    : GuiTexturePanel("toolbar_texture", width, kHeight), m_commands(commands), m_undo(undo) {
    CreateButtons();
    Layout();
    Refresh();
}

CToolbar::~CToolbar() {
    for (const auto& button : m_buttons)
        RemoveChild(button.get());
}

std::string CToolbar::MixDownExtension(int32_t type) {
    switch (type) {
    case 0:
        return ".WAV";
    case 2:
        return ".WMA";
    case 3:
        return ".OGG";
    default:
        return ".MP3";
    }
}

const char* CToolbar::EnvelopeNameKey(int type) {
    return type >= 0 && type < kEnvelopeTypeCount ? kEnvelopeNameKeys[size_t(type)] : "";
}

GuiButton* CToolbar::GetButton(int32_t id) const {
    for (const auto& button : m_buttons)
        if (button->GetControlId() == id)
            return button.get();
    return nullptr;
}

void CToolbar::CreateButtons() {
    for (const ButtonEntry& entry : kButtons) {
        auto button = std::make_unique<GuiButton>(entry.id, entry.skin, "", entry.toolTipKey);
        button->SetTransparent(true);
        button->AddObserver(this);
        m_buttons.push_back(std::move(button));
    }
    StyleCaption(*GetButton(kEnvelope), kEnvelopeActiveCaptionColor);
    StyleCaption(*GetButton(kSnap), kSnapActiveCaptionColor);
}

void CToolbar::StyleCaption(GuiButton& button, uint32_t otherStatesColor) {
    const int32_t inset = button.GetHeight() / 4 + 1;
    button.ShowCaption(true);
    button.SetCaptionFormat(GuiButton::DT_END_ELLIPSIS);
    button.SetCaptionRect(
        {inset, inset, button.GetWidth() - kCaptionArrowWidth, button.GetHeight()});
    button.SetCaptionColor(GuiButton::kNormal, kCaptionColor);
    for (int32_t state : {GuiButton::kHot, GuiButton::kPressed, GuiButton::kDisabled})
        button.SetCaptionColor(state, otherStatesColor);
}

void CToolbar::Layout() {
    // The row is spaced by the New button's width.
    const int32_t step = m_buttons.front()->GetWidth();
    for (size_t i = 0; i < kRowButtonCount; ++i)
        AddChild(m_buttons[i].get(), kRowLeft + int32_t(i) * step, kRowTop);
    const GuiButton& lastInRow = *m_buttons[kRowButtonCount - 1];
    GuiButton& envelope = *GetButton(kEnvelope);
    AddChild(&envelope, lastInRow.GetX() + lastInRow.GetWidth() + kButtonGap, kCaptionButtonTop);
    AddChild(GetButton(kSnap), envelope.GetX() + envelope.GetWidth() + kButtonGap,
             kCaptionButtonTop);
    GuiButton& logo = *GetButton(kLogo);
    AddChild(&logo, 0, (kHeight - logo.GetHeight()) / 2 + kLogoDrop);
    PlaceLogo();
}

void CToolbar::PlaceLogo() {
    GuiButton* logo = GetButton(kLogo);
    const GuiButton* snap = GetButton(kSnap);
    if (!logo || !snap)
        return;
    const int32_t atRightEdge = GetWidth() - logo->GetWidth() - kLogoMargin;
    const int32_t afterSnap = snap->GetX() + snap->GetWidth() + kLogoGapAfterSnap;
    logo->SetPosition(std::max(atRightEdge, afterSnap), logo->GetY());
}

void CToolbar::SetSize(int32_t width, int32_t height) {
    GuiTexturePanel::SetSize(width, height);
    PlaceLogo();
    Invalidate(nullptr);
}

void CToolbar::SetEnabled(int32_t id, bool enabled) {
    GuiButton* button = GetButton(id);
    // Enabling resets a hot button, so only a real change is applied.
    if (!button || button->IsEnabled() == enabled)
        return;
    if (enabled)
        button->Enable();
    else
        button->Disable();
}

void CToolbar::Refresh() {
    GetButton(kEnvelope)->SetCaption(MyLoadString(EnvelopeNameKey(m_commands.ShownEnvelopeType())));
    GetButton(kSnap)->SetCaption(MyLoadString("SS" + std::to_string(m_commands.SnapLevel())));
    SetEnabled(kSave, m_undo.IsDirty());
    SetEnabled(kUndo, m_undo.CanUndo());
    SetEnabled(kRedo, m_undo.CanRedo());
    const bool canRender = m_commands.ProjectLengthMs() > 0 && !m_commands.IsPlayingOrRecording();
    SetEnabled(kBurn, canRender && m_commands.CanBurnCd());
    SetEnabled(kLibrary, m_commands.CanShowLibrary());
    SetEnabled(kRender, canRender);
    const int zoom = m_commands.ZoomLevel();
    SetEnabled(kZoomOut, zoom < CTimeGrid::kZoomLevelCount - 1);
    SetEnabled(kZoomIn, zoom > 0);
}

void CToolbar::OnNotification(int message, void* parameter) {
    if (message == GuiButton::kNotifyClick) {
        RunCommand(NotificationArgument<GuiButton::kNotifyClick>(parameter));
        Refresh();
    }
    m_commands.RefreshMainWindow();
}

void CToolbar::RunCommand(int32_t id) {
    switch (id) {
    case kNew:
        if (m_commands.AskSaveBeforeNew())
            m_commands.NewProject();
        break;
    case kOpen:
        m_commands.OpenProject();
        break;
    case kSave:
        m_commands.SaveProject();
        break;
    case kAddSound:
        // The sound and its beat matching each make their own undo step,
        // as from the menu.
        m_commands.AddSound();
        break;
    case kLibrary:
        m_commands.ShowDetailsPage(kLibraryPage);
        break;
    case kUndo:
        Undo();
        break;
    case kRedo:
        Redo();
        break;
    case kBurn:
        if (m_commands.HasProject())
            m_commands.BurnCd();
        break;
    case kRender:
        MixDown();
        break;
    case kZoomOut:
        if (m_commands.ZoomLevel() + 1 < CTimeGrid::kZoomLevelCount)
            m_commands.Zoom(true);
        break;
    case kZoomIn:
        if (m_commands.ZoomLevel() - 1 >= 0)
            m_commands.Zoom(false);
        break;
    case kEnvelope:
        RunEnvelopeMenu();
        break;
    case kSnap:
        RunSnapMenu();
        break;
    default:
        break;
    }
}

void CToolbar::Undo() {
    if (!m_undo.CanUndo())
        return;
    Log("Undo start");
    m_undo.Undo();
    Log("Undo finish");
}

void CToolbar::Redo() {
    if (!m_undo.CanRedo())
        return;
    Log("Redo start");
    m_undo.Redo();
    Log("Redo finish");
}

void CToolbar::MixDown() {
    // The button may not have caught up with a project that became empty.
    if (m_commands.ProjectLengthMs() <= 0)
        return;
    if (m_undo.IsDirty()) {
        switch (m_commands.AskQuestion("WantSaveQuestionTitle3", "WantSaveQuestion3")) {
        case ToolbarCommands::Answer::kCancel:
            return;
        case ToolbarCommands::Answer::kYes:
            if (!m_commands.SaveProject())
                return;
            break;
        case ToolbarCommands::Answer::kNo:
            break;
        }
    }
    m_commands.MixDown(MixDownExtension(m_commands.MixDownType()));
}

void CToolbar::RunEnvelopeMenu() {
    GuiButton& button = *GetButton(kEnvelope);
    VRGuiWindow* window = GetWindow();
    if (!window)
        return;
    // Identifiers are types + 1: identifier 0 means "nothing chosen".
    GuiMenu menu;
    for (int type = 0; type < kEnvelopeTypeCount; ++type)
        menu.AddItem(type + 1, MyLoadString(EnvelopeNameKey(type)));
    menu.Check(m_commands.ShownEnvelopeType() + 1, true);
    GuiPopupMenu popup(menu);
    const int type = popup.Run(window, button.GetAbsX(), button.GetAbsY() + button.GetHeight()) - 1;
    if (type >= 0)
        m_commands.SetMasterEnvelopeType(type);
    button.SetState(GuiButton::kNormal);
}

void CToolbar::RunSnapMenu() {
    GuiButton& button = *GetButton(kSnap);
    const int current = m_commands.SnapLevel();
    const int level = CTimeGrid::RunSnapMenu(GetWindow(), button.GetAbsX(),
                                             button.GetAbsY() + button.GetHeight(), current);
    if (level >= 0 && level != current)
        m_commands.SetSnapLevel(level);
    button.SetState(GuiButton::kNormal);
}
