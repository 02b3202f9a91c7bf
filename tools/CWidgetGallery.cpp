#include "CWidgetGallery.h"

#include "gui/CColorChooserDialog.h"
#include "gui/CDialogButton.h"
#include "gui/CFileDialog.h"
#include "gui/CProgressDialog.h"
#include "gui/CValueEntryDialog.h"
#include "gui/GuiButton.h"
#include "gui/GuiEditBox.h"
#include "gui/GuiEditDrop.h"
#include "gui/GuiMenu.h"
#include "gui/GuiMenuBar.h"
#include "gui/GuiTextPanel.h"
#include "gui/GuiTexturePanel.h"
#include "gui/IGuiHost.h"
#include "gui/MessageBoxes.h"

#include <cstdio>

namespace {

constexpr int32_t kMenuBarHeight = 22;
constexpr int32_t kSkinButtonTop = 44;
constexpr int32_t kSkinButtonStep = 44;
constexpr int32_t kLabelLeft = 24;
constexpr int32_t kFieldLeft = 130;
constexpr int32_t kEditTop = 120;
constexpr int32_t kDropTop = 160;
constexpr int32_t kFieldWidth = 220;
constexpr int32_t kFieldHeight = 22;
constexpr int32_t kDialogButtonTop = 220;
constexpr int32_t kDialogButtonStep = 118;
constexpr int32_t kStatusTop = 380;

// Skin buttons shown in a row: the last one is disabled.
constexpr const char* kSkinButtons[] = {
    "toolbar-new",        "toolbar-open",       "toolbar-addsound", "master rewind button",
    "master play button", "master stop button", "master rec",       "toolbar-burn"};
constexpr int kSkinButtonCount = sizeof(kSkinButtons) / sizeof(kSkinButtons[0]);

constexpr const char* kDialogButtons[] = {"Message...", "Open file...", "Progress...", "Value...",
                                          "Colour..."};

} // namespace

CWidgetGallery::CWidgetGallery() : VRGuiWindow(kWidth, kHeight) {}

CWidgetGallery::~CWidgetGallery() {
    for (auto& button : m_buttons)
        button->RemoveObserver(this);
    if (m_editBox)
        m_editBox->RemoveObserver(this);
    if (m_editDrop)
        m_editDrop->RemoveObserver(this);
    if (m_menuBar)
        m_menuBar->RemoveObserver(this);
}

void CWidgetGallery::Build() {
    m_background = std::make_unique<GuiTexturePanel>("silver dialog", kWidth, kHeight);
    m_background->SetZOrder(0);
    AddChild(m_background.get(), 0, 0);
    BuildMenus();
    BuildSkinButtons();
    BuildTextWidgets();
    BuildDialogButtons();
    m_status = AddLabel("Ready", kLabelLeft, kStatusTop, kWidth - 2 * kLabelLeft);
}

void CWidgetGallery::BuildMenus() {
    m_menuBar = std::make_unique<GuiMenuBar>(kWidth, kMenuBarHeight);
    GuiMenu& file = m_menuBar->AddMenu("File");
    file.AddItem(kMenuNew, "New", "Ctrl+N");
    file.AddItem(kMenuOpen, "Open...", "Ctrl+O");
    file.AddItem(kMenuSave, "Save", "Ctrl+S");
    file.AddSeparator();
    GuiMenu& recent = file.AddSubMenu("Recent Projects");
    recent.AddItem(kMenuRecent1, "Evening Song.lt4");
    recent.AddItem(kMenuRecent2, "Drum Ideas.lt4");
    file.AddSeparator();
    file.AddItem(kMenuQuit, "Quit", "Ctrl+Q");
    GuiMenu& edit = m_menuBar->AddMenu("Edit");
    edit.AddItem(kMenuUndo, "Undo", "Ctrl+Z");
    edit.AddItem(kMenuRedo, "Redo", "Ctrl+Y");
    edit.Enable(kMenuRedo, false);
    edit.AddSeparator();
    edit.AddItem(kMenuSnap, "Snap to Grid");
    m_menuBar->AddMenu("Help").AddItem(kMenuAbout, "About the Gallery");
    m_menuBar->SetBeforeOpen([this](int, GuiMenu& menu) { menu.Check(kMenuSnap, m_snap); });
    m_menuBar->AddObserver(this);
    AddChild(m_menuBar.get(), 0, 0);
}

void CWidgetGallery::BuildSkinButtons() {
    for (int i = 0; i < kSkinButtonCount; ++i) {
        auto button = std::make_unique<GuiButton>(kFirstSkinButton + i, kSkinButtons[i], "", "");
        button->AddObserver(this);
        AddChild(button.get(), SkinButtonCentre(i).x - button->GetWidth() / 2,
                 SkinButtonCentre(i).y - button->GetHeight() / 2);
        if (i == kSkinButtonCount - 1)
            button->SetState(GuiButton::kDisabled);
        m_buttons.push_back(std::move(button));
    }
}

void CWidgetGallery::BuildTextWidgets() {
    AddLabel("Track name:", kLabelLeft, kEditTop, kFieldLeft - kLabelLeft);
    m_editBox = std::make_unique<GuiEditBox>(kEditName, kFieldWidth, kFieldHeight);
    m_editBox->SetText("Bass");
    m_editBox->AddObserver(this);
    AddChild(m_editBox.get(), kFieldLeft, kEditTop);

    AddLabel("Controller:", kLabelLeft, kDropTop, kFieldLeft - kLabelLeft);
    m_editDrop = std::make_unique<GuiEditDrop>(kDropController, "controller-drop", kFieldWidth);
    for (const char* entry : {"Volume", "Pan", "Modulation", "", "Expression", "Sustain"})
        m_editDrop->AddEntry(entry, std::string(entry) == "Volume");
    m_editDrop->SetText("Volume");
    m_editDrop->AddObserver(this);
    AddChild(m_editDrop.get(), kFieldLeft, kDropTop);
}

void CWidgetGallery::BuildDialogButtons() {
    for (int i = 0; i < static_cast<int>(std::size(kDialogButtons)); ++i) {
        auto button = std::make_unique<CDialogButton>(kOpenMessageBox + i, kDialogButtons[i]);
        button->AddObserver(this);
        AddChild(button.get(), DialogButtonCentre(i).x - button->GetWidth() / 2,
                 DialogButtonCentre(i).y - button->GetHeight() / 2);
        m_buttons.push_back(std::move(button));
    }
}

GuiTextPanel* CWidgetGallery::AddLabel(const std::string& text, int32_t x, int32_t y,
                                       int32_t width) {
    auto label = std::make_unique<GuiTextPanel>(width, kFieldHeight);
    label->SetText(text);
    AddChild(label.get(), x, y);
    m_labels.push_back(std::move(label));
    return m_labels.back().get();
}

GuiPoint CWidgetGallery::EditBoxCentre() {
    return {kFieldLeft + kFieldWidth / 2, kEditTop + kFieldHeight / 2};
}

GuiPoint CWidgetGallery::SkinButtonCentre(int index) {
    return {kLabelLeft + 20 + index * kSkinButtonStep, kSkinButtonTop + 20};
}

GuiPoint CWidgetGallery::DialogButtonCentre(int index) {
    return {kLabelLeft + 50 + index * kDialogButtonStep, kDialogButtonTop + 12};
}

const std::string& CWidgetGallery::GetStatus() const {
    return m_status->GetText();
}

void CWidgetGallery::SetStatus(const std::string& text) {
    m_status->SetText(text);
}

void CWidgetGallery::OnDraw(const GuiRect&) {
    // The background panel covers the whole window.
}

void CWidgetGallery::OnNotification(int message, void* parameter) {
    const auto value = static_cast<int32_t>(reinterpret_cast<intptr_t>(parameter));
    switch (message) {
    case GuiButton::kNotifyClick:
        OnClick(value);
        break;
    case GuiEditBox::kNotifyTextChanged:
        SetStatus("Track name: " + m_editBox->GetText());
        break;
    case GuiEditDrop::kNotifyEntryChosen:
        SetStatus("Controller: " + m_editDrop->GetText());
        break;
    case GuiMenuBar::kNotifyMenuCommand:
        OnCommand(value);
        break;
    default:
        break;
    }
}

void CWidgetGallery::OnClick(int32_t controlId) {
    if (controlId >= kOpenMessageBox) {
        OpenDialog(controlId);
        return;
    }
    SetStatus(std::string("Clicked ") + kSkinButtons[controlId - kFirstSkinButton]);
}

void CWidgetGallery::OnCommand(int32_t command) {
    if (command == kMenuSnap)
        m_snap = !m_snap;
    if (command == kMenuQuit && GetHWND())
        GetHWND()->PostQuit();
    SetStatus("Menu command " + std::to_string(command));
}

void CWidgetGallery::OpenDialog(int32_t controlId) {
    switch (controlId) {
    case kOpenMessageBox: {
        bool dontAsk = false;
        const int answer = AskBeatMatching(&dontAsk);
        SetStatus("Message box answered " + std::to_string(answer) +
                  (dontAsk ? ", do not ask again" : ""));
        break;
    }
    case kOpenFileDialog: {
        FileDialogRequest request;
        request.owner = this;
        request.title = "Open Sound";
        request.filter = "Sound files|*.wav;*.mp3;*.ogg;*.flac";
        std::string path;
        SetStatus(ChooseFile(request, path) ? "Chose " + path : "No file chosen");
        break;
    }
    case kOpenProgress: {
        CProgressDialog progress("Mixing Down");
        progress.SetText("Rendering the project...");
        progress.Show(this);
        progress.Update(40);
        RunModal([&] { return progress.IsCancelled(); });
        progress.Close();
        SetStatus("Progress dialog cancelled");
        break;
    }
    case kOpenValueEntry: {
        CValueEntryDialog entry("Tempo", "Beats per minute:");
        entry.SetNumeric(1, 999);
        entry.SetText("120");
        if (entry.DoModal(this) == IDOK)
            SetStatus("Tempo " + entry.GetText());
        break;
    }
    case kOpenColorChooser: {
        CColorChooserDialog chooser("Track Colour", 0x4080C0);
        if (chooser.DoModal(this) == IDOK) {
            char text[32];
            std::snprintf(text, sizeof(text), "Colour %06X", chooser.GetColor());
            SetStatus(text);
        }
        break;
    }
    default:
        break;
    }
}
