#include "app/LoomtoneMainWindow.h"

#include "app/BurnCommand.h"
#include "app/CDownloadPages.h"
#include "app/CHelpCommands.h"
#include "app/CPrefs.h"
#include "app/CStartupSequence.h"
#include "app/CommandAvailability.h"
#include "app/MainCommands.h"
#include "app/MainMenuBuilder.h"
#include "app/MarkerCommands.h"
#include "app/MidiExportCommand.h"
#include "app/PercentDialog.h"
#include "app/PreferencesCommand.h"
#include "app/SaveFolders.h"
#include "app/ShortcutTable.h"
#include "app/WindowPlacement.h"
#include "engine/CPCMMixer.h"
#include "gui/CFileDialog.h"
#include "gui/GuiInput.h"
#include "gui/GuiMenu.h"
#include "gui/GuiNotifications.h"
#include "gui/IGuiHost.h"
#include "gui/MessageBoxes.h"
#include "project/CProject.h"
#include "project/CTrack.h"
#include "support/CRegKey.h"
#include "support/CUndoMgr.h"
#include "support/DistinctFileLabels.h"
#include "support/LocalizedStrings.h"
#include "support/Log.h"
#include "support/Paths.h"
#include "timeline/CTimeGrid.h"

#include <algorithm>
#include <array>
#include <cmath>

LoomtoneMainWindow::Heights LoomtoneMainWindow::LayoutHeights(int32_t clientHeight,
                                                              int32_t detailsHeight) {
    const int32_t available = clientHeight - kMenuBarHeight - kStatusBarHeight;
    Heights heights{available - detailsHeight, detailsHeight};
    if (heights.trackArea < kMinTrackAreaHeight) {
        heights.trackArea = kMinTrackAreaHeight;
        heights.details = std::max(0, available - kMinTrackAreaHeight);
    }
    return heights;
}

std::string LoomtoneMainWindow::TitleFor(const std::string& programName,
                                         const std::string& projectPath, bool changed) {
    if (projectPath.empty())
        return programName;
    return programName + " - " + ExtractFileName(projectPath) + (changed ? " *" : "");
}

LoomtoneMainWindow::LoomtoneMainWindow(const MainWindowSetup& setup)
    : m_setup(setup), m_prefs(setup.prefs), m_project(setup.project), m_undo(setup.undo),
      m_mixer(setup.mixer),
      m_files(
          {*this, setup.prefs, setup.project, setup.undo, setup.mixer, m_recent,
           setup.programFolder},
          {[this](const std::function<bool()>& operation) { return WithFileActivity(operation); },
           [this] { UpdateTitle(); }}),
      m_mixDown(
          *this, setup.prefs, setup.project, setup.undo, setup.mixer,
          {[this] { return m_files.Save(); },
           [this](const std::function<bool()>& operation) { return WithFileActivity(operation); }}),
      m_commands({*this, setup.prefs, setup.project, setup.undo, setup.mixer, m_recent, m_files,
                  m_mixDown},
                 {[this] { ToggleDetails(); }, [this] { RequestClose(); },
                  [this] { m_effectView.OpenGlobal(); }}),
      m_menuBar(0, kMenuBarHeight), m_details("gui-menu background", "gui-menu text"),
      m_statusBar("gui-menu background", "gui-menu text"),
      m_pianoRollDock(
          setup.project, [this] { GiveDetailsAreaTo(m_pianoRollDock); }, &setup.prefs),
      m_effectView(setup.project, setup.undo, [this] { GiveDetailsAreaTo(m_effectView); }),
      m_toolbarCommands(*this, setup.project, setup.mixer),
      m_transportCommands(setup.project, setup.mixer, setup.prefs, setup.undo),
      m_menuState({setup.project, setup.mixer, setup.prefs, m_recent, m_transportCommands},
                  [this](int32_t command) { return IsCommandEnabled(command); }),
      m_toolbar(1, m_toolbarCommands, setup.undo),
      m_masterBar(m_transportCommands.Transport(), setup.project, setup.undo) {
    m_menuState.SetLists(BuildMainMenus(m_menuBar));
    for (int index = 0; index < m_menuBar.MenuCount(); ++index)
        CDownloadPages::RemoveUnavailable(m_menuBar.MenuAt(index));
    m_menuBar.SetBeforeOpen([this](int, GuiMenu& menu) { PrepareMenu(menu); });
    m_menuBar.AddObserver(this);
    m_project.AddObserver(this);
    m_recent.Init(kRecentFilesKey);
    m_project.SetRecentFiles(&m_recent);
    m_project.SetOpenProjectCommand([this] { m_files.OpenProject(); });
    AddChild(&m_menuBar, 0, 0);
    AddChild(&m_project, 0, kMenuBarHeight);
    m_project.AttachToolbar(&m_toolbar);
    m_project.AttachMasterBar(&m_masterBar);
    m_masterBar.Watch(&m_project.PlaybackLine());
    m_masterBar.AttachRecording(&m_transportCommands.Recorder());
    m_transportCommands.SetRecordButton([this] { m_masterBar.RunCommand(CMixMasterBar::kRecord); });
    m_masterBar.SetWindowHooks({nullptr, [this] { m_commands.AskMasterVolume(); },
                                [this] { ToggleDetails(); },
                                [this] { return m_prefs.bDetailsShowingState; }});
    AddChild(&m_details, 0, kMenuBarHeight);
    AddChild(&m_statusBar, 0, kMenuBarHeight);
    AddChild(&m_pianoRollDock, 0, kMenuBarHeight);
    AddChild(&m_effectView, 0, kMenuBarHeight);
}

LoomtoneMainWindow::~LoomtoneMainWindow() {
    SetDropHandler(nullptr);
    m_project.AttachToolbar(nullptr);
    m_transportCommands.SetRecordButton(nullptr);
    m_masterBar.AttachRecording(nullptr);
    m_project.AttachMasterBar(nullptr);
    m_masterBar.Watch(nullptr);
    m_project.SetOpenDroppedProject(nullptr);
    m_project.SetOpenProjectCommand(nullptr);
    m_project.SetRecentFiles(nullptr);
    m_project.RemoveObserver(this);
    m_menuBar.RemoveObserver(this);
    if (GetMainWindow() == this)
        SetMainWindow(nullptr);
    m_effectView.Close();
    RemoveChild(&m_effectView);
    m_pianoRollDock.Close();
    RemoveChild(&m_pianoRollDock);
    RemoveChild(&m_statusBar);
    RemoveChild(&m_details);
    RemoveChild(&m_project);
    RemoveChild(&m_menuBar);
}

bool LoomtoneMainWindow::Initialize(IGuiHost* host, int32_t width, int32_t height) {
    if (!VRGuiWindow::Initialize(host, width, height))
        return false;
    SetMainWindow(this);
    m_project.Initialize(this, 0, kMenuBarHeight, width, height - kMenuBarHeight);
    m_project.SetOpenDroppedProject([this](const std::string& path) {
        if (m_files.AskToSave())
            m_files.OpenProjectFile(path);
    });
    SetDropHandler([this](const std::vector<std::string>& files, GuiPoint p) {
        if (!m_project.InFileActivity())
            m_project.DropFiles(files, p);
    });
    LayOut();
    StartTimer(this, kTitleTimer, kTitlePeriodMs);
    UpdateTitle();
    return true;
}

void LoomtoneMainWindow::SetSize(int32_t width, int32_t height) {
    VRGuiWindow::SetSize(width, height);
    LayOut();
}

int32_t LoomtoneMainWindow::DetailsHeight() const {
    return m_prefs.bDetailsShowingState ? m_prefs.lastSoundDetailsHeight : kHiddenDetailsHeight;
}

int32_t LoomtoneMainWindow::MinimumHeight() const {
    return kMenuBarHeight + kStatusBarHeight + DetailsHeight() + kMinTrackAreaHeight;
}

void LoomtoneMainWindow::LayOut() {
    const int32_t width = GetWidth();
    const int32_t height = GetHeight();
    LogFmt("LoomtoneMainWindow::Resize : width=%d, height = %d", width, height);
    const Heights heights = LayoutHeights(height, DetailsHeight());
    m_menuBar.SetSize(width, kMenuBarHeight);
    m_project.SetPosition(0, kMenuBarHeight);
    m_project.SetSize(width, heights.trackArea);
    m_details.SetPosition(0, kMenuBarHeight + heights.trackArea);
    m_details.SetSize(width, heights.details);
    m_pianoRollDock.Place(0, kMenuBarHeight + heights.trackArea, width, heights.details);
    m_effectView.Place(0, kMenuBarHeight + heights.trackArea, width, heights.details);
    m_statusBar.SetPosition(0, std::max(0, height - kStatusBarHeight));
    m_statusBar.SetSize(width, kStatusBarHeight);
    Invalidate(nullptr);
}

bool LoomtoneMainWindow::OnKey(int32_t event, int32_t key, uint32_t modifiers) {
    if (TopLayer() || !IsEnabled())
        return VRGuiWindow::OnKey(event, key, modifiers);
    // The bar watches every key, so that Alt used with a shortcut does not
    // open its keyboard mode.
    if (m_menuBar.IsVisible() && m_menuBar.OnKey(event, key, modifiers))
        return true;
    if (event == kKeyDown) {
        const int32_t command = CommandForShortcut(key, modifiers);
        if (command != 0 && ExecuteCommand(command))
            return true;
    }
    for (int i = 0; i < ChildCount(); ++i) {
        VRGuiObject* child = ChildAt(i);
        if (child != &m_menuBar && child->IsVisible() && child->IsEnabled() &&
            child->OnKey(event, key, modifiers))
            return true;
    }
    return false;
}

intptr_t LoomtoneMainWindow::WindowProc(const GuiMessage& message) {
    if (message.type == GuiMessageType::Destroy) {
        RequestClose();
        return 0;
    }
    return VRGuiWindow::WindowProc(message);
}

void LoomtoneMainWindow::OnNotification(int message, void* parameter) {
    if (message == GuiMenuBar::kNotifyMenuCommand)
        ExecuteCommand(NotificationArgument<GuiMenuBar::kNotifyMenuCommand>(parameter));
    UpdateTitle();
}

void LoomtoneMainWindow::OnTimer(uint32_t id) {
    if (id == kTitleTimer)
        RefreshState();
}

std::string LoomtoneMainWindow::Title() const {
    return TitleFor(MyLoadString("ProgramName"), m_project.GetProjectFilePath(), m_undo.IsDirty());
}

void LoomtoneMainWindow::SetTitleSink(std::function<void(const std::string&)> sink) {
    m_titleSink = std::move(sink);
    m_title.clear();
    UpdateTitle();
}

void LoomtoneMainWindow::UpdateTitle() {
    const std::string title = Title();
    if (title == m_title)
        return;
    m_title = title;
    if (m_titleSink)
        m_titleSink(title);
}

void LoomtoneMainWindow::SetWaitCursor(bool wait) {
    if (IGuiHost* host = GetHWND())
        host->SetCursor(wait ? GuiCursor::kWait : GuiCursor::kArrow);
}

bool LoomtoneMainWindow::WithFileActivity(const std::function<bool()>& operation) {
    m_project.SetFileActivity(true);
    SetWaitCursor(true);
    const bool done = operation();
    SetWaitCursor(false);
    m_project.SetFileActivity(false);
    UpdateTitle();
    return done;
}

// ---- Commands ---------------------------------------------------------------------------

bool LoomtoneMainWindow::IsCommandEnabled(int32_t command) const {
    return !m_project.InFileActivity() && IsCommandBuilt(command) &&
           m_commands.IsAvailable(command);
}

bool LoomtoneMainWindow::ExecuteCommand(int32_t command) {
    if (!IsCommandEnabled(command)) {
        LogFmt("LoomtoneMainWindow: command %d is not available now", command);
        return false;
    }
    const bool done =
        (m_transportCommands.Handles(command) && m_transportCommands.Execute(command)) ||
        m_commands.Execute(command) || RunMarkerCommand(command, this, m_project, m_undo) ||
        RunBurnCommand(command, this, m_project, m_mixer, m_prefs) || RunHelpCommand(command) ||
        RunPreferencesCommand(command, this, m_setup.audioDevices);
    UpdateTitle();
    return done;
}

bool LoomtoneMainWindow::RunHelpCommand(int32_t command) {
    if (command == kCmdHelpTopics)
        CHelpCommands::OpenHelpTopics(m_setup.programFolder, m_mixDown.FileOpener());
    else if (command == kCmdAbout)
        CHelpCommands::ShowAbout(this, m_setup.userDataFolder);
    else
        return false;
    return true;
}

bool LoomtoneMainWindow::RequestClose() {
    if (!m_files.AskToSave())
        return false;
    StoreWindowPlacement(*this, m_prefs);
    if (IGuiHost* host = GetHWND())
        host->PostQuit();
    return true;
}

void LoomtoneMainWindow::ShowDetailsArea() {
    if (!m_prefs.bDetailsShowingState)
        ToggleDetails();
}

void LoomtoneMainWindow::GiveDetailsAreaTo(const VRGuiObject& view) {
    if (&view != &m_pianoRollDock)
        m_pianoRollDock.Close();
    if (&view != &m_effectView)
        m_effectView.Close();
    ShowDetailsArea();
}

void LoomtoneMainWindow::RenderMixDown(const std::string& extension) {
    m_mixDown.RenderMixDown(extension);
}

void LoomtoneMainWindow::PrepareMenu(GuiMenu& menu) {
    m_menuState.Prepare(menu);
}

bool LoomtoneMainWindow::OpenFileOrNewProject(const std::string& path) {
    return m_files.OpenFileOrNewProject(path);
}

bool LoomtoneMainWindow::AskToSave() {
    return m_files.AskToSave();
}

void LoomtoneMainWindow::RefreshState() {
    UpdateTitle();
    m_toolbar.Refresh();
    m_masterBar.RefreshState();
}

void LoomtoneMainWindow::ToggleDetails() {
    m_prefs.bDetailsShowingState = !m_prefs.bDetailsShowingState;
    LogFmt("LoomtoneMainWindow::ResizeDetailsArea  newDetailHeight = %d", DetailsHeight());
    LayOut();
}

// ---- After creation and closing ---------------------------------------------------------

void LoomtoneMainWindow::RunAfterCreationSequence() {
    RestoreWindowPlacement(*this, m_prefs, MinimumHeight());
    CStartupSequence(m_setup, this,
                     {[this](const std::function<bool()>& load) { return WithFileActivity(load); },
                      [this](const std::string& path) { return OpenFileOrNewProject(path); },
                      [this](int32_t command) { return ExecuteCommand(command); }})
        .OpenFirstProject();
    if (IGuiHost* host = GetHWND())
        host->SetFocus();
    UpdateTitle();
}
