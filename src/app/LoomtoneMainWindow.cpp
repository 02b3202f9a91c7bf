#include "app/LoomtoneMainWindow.h"

#include "app/CDownloadPages.h"
#include "app/CHelpCommands.h"
#include "app/CPrefs.h"
#include "app/CommandAvailability.h"
#include "app/MainCommands.h"
#include "app/MarkerCommands.h"
#include "app/MidiExportCommand.h"
#include "app/SaveFolders.h"
#include "app/ShortcutTable.h"
#include "engine/CPCMMixer.h"
#include "gui/CFileDialog.h"
#include "gui/CValueEntryDialog.h"
#include "gui/GuiInput.h"
#include "gui/GuiMenu.h"
#include "gui/IGuiHost.h"
#include "gui/MessageBoxes.h"
#include "project/CProject.h"
#include "project/CProjectMixdown.h"
#include "project/CRenderProgress.h"
#include "project/CTrack.h"
#include "project/CTrackMenus.h"
#include "project/ProjectFilesInUse.h"
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
#include <cstdio>

namespace {

// Small, normal and large tracks.
int32_t TrackHeightFor(int32_t size) {
    constexpr int32_t kHeights[] = {30, 70, 255};
    return kHeights[std::clamp(size, 0, 2)];
}

constexpr const char* kProjectFilter =
    "Loomtone Projects|*.lt4;*.lt4template;*.lt3;*.lt3template;*.ltc;*.mid;*.midi";
constexpr const char* kSaveFilter = "Loomtone Projects|*.lt4";
// What opens as a project: MIDI files make a new one of their tracks.
constexpr std::array<const char*, 7> kProjectExtensions = {
    "lt3", "lt3template", "lt4", "lt4template", "ltc", "mid", "midi"};

bool IsProjectFile(const std::string& path) {
    return std::any_of(
        kProjectExtensions.begin(), kProjectExtensions.end(),
        [&path](const char* extension) { return HasFileExtension(path, extension); });
}

bool InRange(int32_t command, int32_t first, int32_t count) {
    return command >= first && command < first + count;
}

// A name shown in a menu: '&' would mark an access key.
std::string MenuSafe(const std::string& text) {
    std::string safe;
    for (char c : text) {
        safe += c;
        if (c == '&')
            safe += '&';
    }
    return safe;
}

bool NeedsSelectedTrack(int32_t command) {
    switch (command) {
    case kCmdInsertAudioTrack:
    case kCmdInsertInstrumentTrack:
    case kCmdDeleteTrack:
    case kCmdMuteTrack:
    case kCmdSoloTrack:
    case kCmdArmTrack:
    case kCmdTrackVolumeExact:
    case kCmdTrackPanExact:
    case kCmdChooseTrackImage:
        return true;
    default:
        return InRange(command, kCmdTrackVolumeFirst, kCmdPercentRange) ||
               InRange(command, kCmdTrackPanFirst, kCmdPercentRange);
    }
}

constexpr std::array<MixDownType, 4> kMixDownTypes = {{
    {kCmdMixDownMp3, "FileMenu:MixDown:MP3", "mp3", "MP3 Files|*.mp3"},
    {kCmdMixDownOgg, "FileMenu:MixDown:OGG", "ogg", "OGG Files|*.ogg"},
    {kCmdMixDownWma, "FileMenu:MixDown:WMA", "wma", "WMA Files|*.wma"},
    {kCmdMixDownWav, "FileMenu:MixDown:WAV", "wav", "WAV Files|*.wav"},
}};

} // namespace

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
      m_mixer(setup.mixer), m_menuBar(0, kMenuBarHeight),
      m_details("gui-menu background", "gui-menu text"),
      m_statusBar("gui-menu background", "gui-menu text"),
      m_toolbarCommands(*this, setup.project, setup.mixer),
      m_transportCommands(setup.project, setup.mixer, setup.prefs),
      m_toolbar(1, m_toolbarCommands, setup.undo),
      m_masterBar(m_transportCommands.Transport(), setup.project, setup.undo) {
    m_lists = BuildMainMenus(m_menuBar);
    for (int index = 0; index < m_menuBar.MenuCount(); ++index)
        CDownloadPages::RemoveUnavailable(m_menuBar.MenuAt(index));
    m_menuBar.SetBeforeOpen([this](int, GuiMenu& menu) { PrepareMenu(menu); });
    m_menuBar.AddObserver(this);
    m_project.AddObserver(this);
    m_recent.Init(kRecentFilesKey);
    m_project.SetRecentFiles(&m_recent);
    m_project.SetOpenProjectCommand([this] { OpenProject(); });
    AddChild(&m_menuBar, 0, 0);
    AddChild(&m_project, 0, kMenuBarHeight);
    m_project.AttachToolbar(&m_toolbar);
    m_project.AttachMasterBar(&m_masterBar);
    m_masterBar.Watch(&m_project.PlaybackLine());
    m_masterBar.SetWindowHooks({nullptr, [this] { AskMasterVolume(); }, [this] { ToggleDetails(); },
                                [this] { return m_prefs.bDetailsShowingState; }});
    AddChild(&m_details, 0, kMenuBarHeight);
    AddChild(&m_statusBar, 0, kMenuBarHeight);
}

LoomtoneMainWindow::~LoomtoneMainWindow() {
    SetDropHandler(nullptr);
    m_project.AttachToolbar(nullptr);
    m_project.AttachMasterBar(nullptr);
    m_masterBar.Watch(nullptr);
    m_project.SetOpenDroppedProject(nullptr);
    m_project.SetOpenProjectCommand(nullptr);
    m_project.SetRecentFiles(nullptr);
    m_project.RemoveObserver(this);
    m_menuBar.RemoveObserver(this);
    if (GetMainWindow() == this)
        SetMainWindow(nullptr);
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
        if (AskToSave())
            OpenProjectFile(path);
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
        ExecuteCommand(static_cast<int32_t>(reinterpret_cast<intptr_t>(parameter)));
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

CTrack* LoomtoneMainWindow::SelectedTrack() const {
    return m_project.GetTrack(m_project.GetLastSelectedTrack());
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
    if (m_project.InFileActivity() || !IsCommandBuilt(command))
        return false;
    if (command == kCmdUndo)
        return m_undo.CanUndo();
    if (command == kCmdRedo)
        return m_undo.CanRedo();
    if (InRange(command, kCmdRecentFirst, kCmdRecentLast - kCmdRecentFirst + 1))
        return static_cast<size_t>(command - kCmdRecentFirst) < m_recent.NumMRUFiles();
    if (NeedsSelectedTrack(command))
        return SelectedTrack() != nullptr;
    if (command == kCmdPlaySound)
        return !m_project.Selection().IsEmpty();
    return true;
}

bool LoomtoneMainWindow::ExecuteCommand(int32_t command) {
    if (!IsCommandEnabled(command)) {
        LogFmt("LoomtoneMainWindow: command %d is not available now", command);
        return false;
    }
    const bool done =
        (m_transportCommands.Handles(command) && m_transportCommands.Execute(command)) ||
        ExecuteFileCommand(command) || ExecuteEditCommand(command) || ExecuteMixCommand(command) ||
        ExecuteTrackCommand(command) || ExecuteViewCommand(command) ||
        ExecuteRangeCommand(command) || RunMarkerCommand(command, this, m_project, m_undo);
    UpdateTitle();
    return done;
}

bool LoomtoneMainWindow::ExecuteFileCommand(int32_t command) {
    switch (command) {
    case kCmdNewProject:
        NewProject();
        return true;
    case kCmdOpenProject:
        OpenProject();
        return true;
    case kCmdSave:
        Save();
        return true;
    case kCmdSaveAs:
        SaveAs();
        return true;
    case kCmdTransferProject:
        DoProjectTransfer();
        return true;
    case kCmdExportMidi:
        RunMidiExportCommand(this, m_project, m_prefs.DefRenderDir);
        return true;
    case kCmdExit:
        RequestClose();
        return true;
    default:
        break;
    }
    for (const MixDownType& type : kMixDownTypes) {
        if (type.command == command) {
            MixDown(type);
            return true;
        }
    }
    return false;
}

bool LoomtoneMainWindow::ExecuteEditCommand(int32_t command) {
    switch (command) {
    case kCmdUndo:
        Undo(false);
        return true;
    case kCmdRedo:
        Undo(true);
        return true;
    case kCmdDelete:
        m_project.DeleteSelection();
        return true;
    case kCmdSelectAll:
        m_project.SelectAllClips(-1, true);
        return true;
    default:
        return false;
    }
}

bool LoomtoneMainWindow::ExecuteMixCommand(int32_t command) {
    switch (command) {
    case kCmdAddSound:
    case kCmdSoundAddSound:
        m_project.AddAudioClip("");
        return true;
    case kCmdMasterVolumeExact:
        AskMasterVolume();
        return true;
    case kCmdMidiReset:
        m_mixer.MidiAllNotesOffNow();
        return true;
    case kCmdFindMissingSounds:
        // Clips kept without their sound get it back where it is found.
        m_project.ResolveMissingSounds();
        return true;
    case kCmdAutoBeatMatch:
        m_project.SetAutoBeatMatch(!m_project.GetAutoBeatMatch());
        return true;
    case kCmdDownloadLoops:
    case kCmdDownloadSounds:
    case kCmdDownloadEffects:
        CDownloadPages::Open(command);
        return true;
    case kCmdHelpTopics:
        CHelpCommands::OpenHelpTopics(m_setup.programFolder, m_fileOpener);
        return true;
    case kCmdAbout:
        CHelpCommands::ShowAbout(this, m_setup.userDataFolder);
        return true;
    default:
        return false;
    }
}

bool LoomtoneMainWindow::ExecuteTrackCommand(int32_t command) {
    switch (command) {
    case kCmdAddAudioTrack:
    case kCmdAddInstrumentTrack:
        AddTrack(command == kCmdAddInstrumentTrack, false);
        return true;
    case kCmdInsertAudioTrack:
    case kCmdInsertInstrumentTrack:
        AddTrack(command == kCmdInsertInstrumentTrack, true);
        return true;
    case kCmdDeleteTrack:
        m_undo.NextUndoSet();
        m_project.DeleteSelectedTrack();
        return true;
    case kCmdMuteTrack:
    case kCmdSoloTrack:
    case kCmdArmTrack:
        ToggleTrackState(command);
        return true;
    case kCmdTrackVolumeExact:
        AskTrackVolume();
        return true;
    case kCmdTrackPanExact:
        AskTrackPan();
        return true;
    case kCmdChooseTrackImage:
        SelectedTrack()->HandleCommand(CTrackMenus::kChoosePicture);
        return true;
    case kCmdTrackHeightSmall:
    case kCmdTrackHeightNormal:
    case kCmdTrackHeightLarge:
        if (const int index = m_project.GetLastSelectedTrack(); m_project.GetTrack(index)) {
            m_undo.NextUndoSet();
            m_project.Tracks().SetHeight(index, TrackHeightFor(command - kCmdTrackHeightSmall),
                                         true);
            m_project.RecomputeScrollRanges(true, false);
        }
        return true;
    case kCmdSelectAllSoundsOnTrack:
        m_project.SelectAllClips(-1, false);
        m_project.SelectAllClips(m_project.GetLastSelectedTrack(), true);
        return true;
    default:
        return false;
    }
}

bool LoomtoneMainWindow::ExecuteViewCommand(int32_t command) {
    switch (command) {
    case kCmdTimelineBeats:
    case kCmdTimelineTime:
        m_project.SetTimeLineMode(command == kCmdTimelineBeats ? 0 : 1);
        return true;
    case kCmdAllTracksSmall:
    case kCmdAllTracksNormal:
    case kCmdAllTracksLarge:
        m_project.ResizeAllTracks(TrackHeightFor(command - kCmdAllTracksSmall));
        return true;
    case kCmdZoomIn:
    case kCmdZoomOut:
        m_project.Zoom(command == kCmdZoomOut);
        return true;
    case kCmdToggleDetails:
        ToggleDetails();
        return true;
    default:
        return false;
    }
}

bool LoomtoneMainWindow::ExecuteRangeCommand(int32_t command) {
    if (InRange(command, kCmdMasterVolumeFirst, kCmdPercentRange)) {
        SetMasterVolume((command - kCmdMasterVolumeFirst) / 100.0);
        return true;
    }
    if (CTrack* track = SelectedTrack();
        track && InRange(command, kCmdTrackVolumeFirst, kCmdPercentRange)) {
        m_undo.NextUndoSet();
        track->SetVolume((command - kCmdTrackVolumeFirst) / 100.0, true);
        return true;
    }
    if (CTrack* track = SelectedTrack();
        track && InRange(command, kCmdTrackPanFirst, kCmdPercentRange)) {
        m_undo.NextUndoSet();
        track->SetPan((command - kCmdTrackPanFirst - 100) / 100.0, true);
        return true;
    }
    if (InRange(command, kCmdSnapFirst, kCmdSnapLast - kCmdSnapFirst + 1)) {
        m_project.SetSnapLevel(command - kCmdSnapFirst);
        return true;
    }
    if (InRange(command, kCmdRecentFirst, kCmdRecentLast - kCmdRecentFirst + 1)) {
        OpenRecentProject(static_cast<size_t>(command - kCmdRecentFirst));
        return true;
    }
    return false;
}

// ---- File commands ----------------------------------------------------------------------

bool LoomtoneMainWindow::AskToSave() {
    if (!m_undo.IsDirty())
        return true;
    const int answer =
        ShowMessage(this, "WantSaveQuestion", MB_YESNOCANCEL | MB_ICONQUESTION, "ProgramName");
    if (answer == IDYES)
        return Save();
    return answer == IDNO;
}

void LoomtoneMainWindow::NewProject() {
    if (AskToSave())
        m_project.NewProject(false);
}

void LoomtoneMainWindow::OpenProject() {
    if (!AskToSave())
        return;
    FileDialogRequest request;
    request.mode = FileDialogRequest::Mode::kOpen;
    request.owner = this;
    request.title = MenuItemText("FileMenu:Open");
    request.folder = m_prefs.DefLoadDir;
    request.filter = kProjectFilter;
    std::string path;
    if (ChooseFile(request, path))
        OpenProjectFile(path);
}

bool LoomtoneMainWindow::OpenProjectFile(const std::string& path) {
    if (!DoesFileExist(path)) {
        LogFmt("LoomtoneMainWindow: no project file '%s'", path.c_str());
        ShowMessage(this, "LoadFailed_Body", MB_OK | MB_ICONEXCLAMATION, "LoadFailed_Title");
        return false;
    }
    const bool loaded = WithFileActivity([this, &path] {
        bool cancelled = false;
        return m_project.LoadProject(path, cancelled);
    });
    if (!loaded)
        return false;
    m_recent.AddFile(path);
    // What the program brings along (the example) is the user's to change,
    // but saved elsewhere: it opens as an untitled copy, so Save asks where.
    if (IsInsideFolder(path, m_setup.programFolder)) {
        m_project.SetProjectFilePath("");
        UpdateTitle();
    }
    return true;
}

void LoomtoneMainWindow::OpenRecentProject(size_t index) {
    const std::string path = m_recent.GetFileWithPath(index);
    if (m_mixer.Playing())
        m_mixer.Stop(0);
    if (!AskToSave())
        return;
    // A project that is gone stays off the list.
    if (!OpenProjectFile(path) && !DoesFileExist(path))
        m_recent.RemoveFile(path);
}

bool LoomtoneMainWindow::Save() {
    const std::string& path = m_project.GetProjectFilePath();
    if (!HasFileExtension(path, "lt4"))
        return SaveAs();
    if (m_project.LoadWasPartial()) {
        // The file holds what could not be loaded: saving over it loses
        // that, so the user chooses.
        const int answer = ShowMessage(this, "PL_SaveOver_Body", MB_YESNOCANCEL | MB_ICONQUESTION,
                                       "PL_SaveOver_Title");
        if (answer == IDNO)
            return SaveAs();
        if (answer != IDYES)
            return false;
    }
    return SaveTo(path);
}

bool LoomtoneMainWindow::SaveAs() {
    FileDialogRequest request;
    request.mode = FileDialogRequest::Mode::kSave;
    request.owner = this;
    request.title = MenuItemText("FileMenu:SaveAs");
    request.folder = SaveAsStartFolder(m_project.GetProjectFilePath(), m_prefs.DefSaveDir,
                                       m_setup.programFolder, GetMyDocumentsPath());
    request.fileName = RemoveExtensionFromFile(ExtractFileName(m_project.GetProjectFilePath()));
    request.filter = kSaveFilter;
    std::string path;
    if (!ChooseFile(request, path))
        return false;
    if (!HasFileExtension(path, "lt4"))
        path += ".lt4";
    return SaveTo(path);
}

bool LoomtoneMainWindow::SaveTo(const std::string& path) {
    return WithFileActivity(
        [this, &path] { return m_project.SaveProject(path, false, false, false); });
}

void LoomtoneMainWindow::DoProjectTransfer() {
    if (!AskToSave())
        return;
    const std::string folder = ChooseTransferFolder();
    if (folder.empty())
        return;
    // Yes copies the sound library's sounds too; the library is on every
    // machine, so they are only wanted when the copy goes somewhere without it.
    const int librarySounds = ShowMessage(this, "TransferQuest_Body",
                                          MB_YESNOCANCEL | MB_ICONQUESTION, "TransferQuest_Title");
    if (librarySounds == IDCANCEL)
        return;
    const int recordHere = ShowMessage(this, "TransferRecPath_Body",
                                       MB_YESNOCANCEL | MB_ICONQUESTION, "TransferRecPath_Title");
    if (recordHere == IDCANCEL)
        return;
    const std::string projectName =
        RemoveExtensionFromFile(ExtractFileName(m_project.GetProjectFilePath()));
    const std::string wanted = folder + (projectName.empty() ? "Project" : projectName) + ".lt4";
    const std::string copy = UniqueFileName(wanted);
    if (copy.empty()) {
        LogFmt("LoomtoneMainWindow::DoProjectTransfer() Could not create a unique file name '%s'!",
               wanted.c_str());
        ShowFormattedMessage("Err_SaveFailedTitle", "Err_SaveFailedBody",
                             MB_OK | MB_ICONEXCLAMATION, wanted);
        return;
    }
    if (!SaveTransferCopy(copy, librarySounds == IDYES, recordHere == IDYES))
        return;
    ShowMessage(this, "TransferFiles_Body", MB_OK | MB_ICONASTERISK, "TransferFiles_Title");
    if (ShowMessage(this, "TransferLoad_Body", MB_YESNO | MB_ICONQUESTION, "TransferLoad_Title") ==
        IDYES)
        OpenProjectFile(copy);
}

std::string LoomtoneMainWindow::ChooseTransferFolder() {
    FileDialogRequest request;
    request.mode = FileDialogRequest::Mode::kFolder;
    request.owner = this;
    request.title = MyLoadString("TXP_BrowseFolder");
    request.folder = m_prefs.DefTransferDir;
    std::string folder;
    if (!ChooseFile(request, folder) || folder.empty())
        return {};
    return folder.back() == '/' ? folder : folder + '/';
}

bool LoomtoneMainWindow::SaveTransferCopy(const std::string& path, bool librarySounds,
                                          bool recordHere) {
    // The copy is written from memory, but the open project stays the one
    // the user had: its file, its unsaved changes, its place in the recent list.
    const std::string originalPath = m_project.GetProjectFilePath();
    const std::string originalRecordingFolder = m_project.GetRecordingFolder();
    const bool wasChanged = m_undo.IsDirty();
    if (recordHere)
        m_project.SetRecordingFolder(ExtractDirectory(path));
    m_project.SetRecentFiles(nullptr);
    const bool saved = WithFileActivity([this, &path, librarySounds] {
        return m_project.SaveProject(path, false, true, librarySounds);
    });
    m_project.SetRecentFiles(&m_recent);
    m_project.SetRecordingFolder(originalRecordingFolder);
    m_project.SetProjectFilePath(originalPath);
    m_undo.SetDirty(wasChanged);
    UpdateTitle();
    return saved;
}

bool LoomtoneMainWindow::RequestClose() {
    if (!AskToSave())
        return false;
    StorePlacement();
    if (IGuiHost* host = GetHWND())
        host->PostQuit();
    return true;
}

void LoomtoneMainWindow::MixDown(const MixDownType& type) {
    if (m_undo.IsDirty() &&
        ShowMessage(this, "WantSaveQuestion3", MB_YESNO | MB_ICONQUESTION,
                    "WantSaveQuestionTitle3") == IDYES &&
        !Save())
        return;
    RenderMixDownOf(type);
}

void LoomtoneMainWindow::RenderMixDown(const std::string& extension) {
    const std::string bare =
        extension.empty() || extension[0] != '.' ? extension : extension.substr(1);
    for (const MixDownType& type : kMixDownTypes)
        if (HasFileExtension(std::string("x.") + bare, type.extension)) {
            RenderMixDownOf(type);
            return;
        }
    LogFmt("LoomtoneMainWindow: no mix-down of type '%s'", extension.c_str());
}

void LoomtoneMainWindow::ShowDetailsArea() {
    if (!m_prefs.bDetailsShowingState)
        ToggleDetails();
}

void LoomtoneMainWindow::RefreshState() {
    UpdateTitle();
    m_toolbar.Refresh();
    m_masterBar.RefreshState();
}

void LoomtoneMainWindow::RenderMixDownOf(const MixDownType& type) {
    FileDialogRequest request;
    request.mode = FileDialogRequest::Mode::kSave;
    request.owner = this;
    request.title = MenuItemText(type.menuKey);
    request.folder = m_prefs.DefRenderDir;
    const std::string projectName =
        RemoveExtensionFromFile(ExtractFileName(m_project.GetProjectFilePath()));
    request.fileName =
        (projectName.empty() ? std::string("Mix") : projectName) + "." + type.extension;
    request.filter = type.filter;
    std::string path;
    if (!ChooseFile(request, path))
        return;
    if (!HasFileExtension(path, type.extension))
        path += std::string(".") + type.extension;
    RunMixDown(path);
}

void LoomtoneMainWindow::RunMixDown(const std::string& path) {
    CProjectMixdown mixdown(m_mixer, m_project.Authoring(),
                            std::string(CPrefs::kCurrentKeyPath) + "\\Render");
    mixdown.SetFilesInUse(ProjectFilesInUse(m_project));
    mixdown.SetWriteTags(m_prefs.bRenderTags);
    mixdown.SetNormalize(m_prefs.bNormalizeMixDown, m_prefs.fMixDownLoudness,
                         m_prefs.fMixDownTruePeak);
    if (m_prefs.bCreateFilesForEachMarker)
        mixdown.SetCdTrackStarts(
            CProjectMixdown::CdTrackStartsOf(m_project.Markers(), m_mixer.GetTempoMap()),
            m_prefs.bUseMarkerTitlesForTrackNames);
    const bool rendered = WithFileActivity([this, &mixdown, &path] {
        CRenderProgress progress(this);
        return mixdown.Render(path, progress.Callback());
    });
    if (rendered) {
        if (m_prefs.bPlayRenderedFiles && !m_fileOpener(path))
            LogFmt("LoomtoneMainWindow::MixDown could not open '%s'", path.c_str());
        return;
    }
    if (mixdown.WasCancelled()) {
        LogFmt("Render Project '%s' cancelled!", path.c_str());
        return;
    }
    LogFmt("LoomtoneMainWindow::MixDown failed: %s", mixdown.Error().c_str());
    if (mixdown.RefusedFileInUse())
        ShowFormattedMessage("Err_FileInUse_Title", "Err_FileInUse_Body",
                             MB_OK | MB_ICONEXCLAMATION, path);
    else
        ShowFormattedMessage("Err_RenderFailedTitle", "Err_RenderFailedBody",
                             MB_OK | MB_ICONEXCLAMATION, path);
}

// ---- Edit, mix and track commands -------------------------------------------------------

void LoomtoneMainWindow::Undo(bool redo) {
    Log(redo ? "Redo start" : "Undo start");
    if (redo)
        m_undo.Redo();
    else
        m_undo.Undo();
    Log(redo ? "Redo finish" : "Undo finish");
    m_project.Invalidate(nullptr);
}

void LoomtoneMainWindow::AddTrack(bool midi, bool atSelection) {
    const int index = atSelection ? m_project.GetLastSelectedTrack() : -1;
    m_undo.NextUndoSet();
    if (midi)
        m_project.AddMIDITrack(index, true);
    else
        m_project.AddAudioTrack(index, true);
}

void LoomtoneMainWindow::ToggleTrackState(int32_t command) {
    CTrack* track = SelectedTrack();
    m_undo.NextUndoSet();
    track->BeginSettingsChange();
    if (command == kCmdMuteTrack)
        track->ToggleMute();
    else if (command == kCmdSoloTrack)
        track->ToggleSolo();
    else
        track->ToggleArm();
    track->EndSettingsChange();
}

void LoomtoneMainWindow::SetMasterVolume(double volume) {
    m_undo.NextUndoSet();
    m_project.SetMasterVolume(volume, true);
}

void LoomtoneMainWindow::AskMasterVolume() {
    CValueEntryDialog dialog(MenuItemText("MixMenu:Volume"), MyLoadString("MW_VolumePercent"));
    dialog.SetNumeric(0, 200);
    dialog.SetText(std::to_string(std::lround(m_mixer.GetMasterVolume() * 100.0)));
    if (dialog.DoModal(this) == IDOK)
        SetMasterVolume(dialog.GetValue() / 100.0);
}

void LoomtoneMainWindow::AskTrackVolume() {
    CTrack* track = SelectedTrack();
    CValueEntryDialog dialog(MenuItemText("TrackMenu:Volume"), MyLoadString("MW_VolumePercent"));
    dialog.SetNumeric(0, 200);
    dialog.SetText(std::to_string(std::lround(track->GetVolume() * 100.0)));
    if (dialog.DoModal(this) != IDOK)
        return;
    m_undo.NextUndoSet();
    track->SetVolume(dialog.GetValue() / 100.0, true);
}

void LoomtoneMainWindow::AskTrackPan() {
    CTrack* track = SelectedTrack();
    CValueEntryDialog dialog(MenuItemText("TrackMenu:Pan"), MyLoadString("MW_PanPercent"));
    dialog.SetNumeric(-100, 100);
    dialog.SetText(std::to_string(std::lround(track->GetPan() * 100.0)));
    if (dialog.DoModal(this) != IDOK)
        return;
    m_undo.NextUndoSet();
    track->SetPan(dialog.GetValue() / 100.0, true);
}

void LoomtoneMainWindow::ToggleDetails() {
    m_prefs.bDetailsShowingState = !m_prefs.bDetailsShowingState;
    LogFmt("LoomtoneMainWindow::ResizeDetailsArea  newDetailHeight = %d", DetailsHeight());
    LayOut();
}

// ---- Menus ------------------------------------------------------------------------------

void LoomtoneMainWindow::PrepareMenu(GuiMenu& menu) {
    FillRecentProjects();
    FillMarkerList(*m_lists.playFromMarker, kCmdPlayFromMarkerFirst);
    FillMarkerList(*m_lists.editMarker, kCmdEditMarkerFirst);
    SwapStateLabels(menu);
    UpdateFlags(menu);
}

void LoomtoneMainWindow::SwapStateLabels(GuiMenu& menu) {
    const CTrack* track = SelectedTrack();
    SetLocalizedItem(menu, kCmdPlay, m_mixer.Playing() ? "MixMenu:Stop" : "MixMenu:Play");
    SetLocalizedItem(menu, kCmdFreezeTrack,
                     track && track->IsFrozen() ? "TrackMenu:Unfreeze" : "TrackMenu:freeze");
    SetLocalizedItem(menu, kCmdToggleDetails,
                     m_prefs.bDetailsShowingState ? "ViewMenu:HideDetails"
                                                  : "ViewMenu:ShowDetails");
}

void LoomtoneMainWindow::FillRecentProjects() {
    GuiMenu& menu = *m_lists.recentProjects;
    menu.Clear();
    std::vector<std::string> paths;
    for (size_t index = 0; index < m_recent.NumMRUFiles(); ++index)
        paths.push_back(m_recent.GetFileWithPath(index));
    const std::vector<std::string> names = DistinctFileLabels(paths);
    for (size_t index = 0; index < names.size(); ++index) {
        char label[64];
        std::snprintf(label, sizeof(label), "&%u ", static_cast<unsigned>(index + 1));
        menu.AddItem(kCmdRecentFirst + static_cast<int32_t>(index), label + MenuSafe(names[index]));
    }
}

void LoomtoneMainWindow::FillMarkerList(GuiMenu& menu, int32_t firstCommand) {
    menu.Clear();
    const CProjectMarkers& markers = m_project.Markers();
    const int count = std::min(markers.Count(), static_cast<int>(kCmdMarkerRange));
    for (int index = 0; index < count; ++index) {
        const std::string& name = markers.At(index).name;
        char number[32];
        std::snprintf(number, sizeof(number), "&%d ", index + 1);
        menu.AddItem(firstCommand + index,
                     number + MenuSafe(name.empty() ? MyLoadString("unnamed marker") : name));
    }
}

void LoomtoneMainWindow::UpdateFlags(GuiMenu& menu) {
    const CTrack* track = SelectedTrack();
    const int masterPercent = static_cast<int>(std::lround(m_mixer.GetMasterVolume() * 100.0));
    // The selected track's values, as the commands that would set them.
    const int32_t trackVolume =
        track ? kCmdTrackVolumeFirst + static_cast<int>(std::lround(track->GetVolume() * 100.0))
              : 0;
    const int32_t trackPan =
        track ? kCmdTrackPanFirst + 100 + static_cast<int>(std::lround(track->GetPan() * 100.0))
              : 0;
    for (int index = 0; index < menu.ItemCount(); ++index) {
        GuiMenu::Item& item = menu.ItemAt(index);
        if (item.subMenu) {
            UpdateFlags(*item.subMenu);
            item.enabled = item.subMenu->ItemCount() > 0;
            continue;
        }
        if (item.separator)
            continue;
        item.enabled = IsCommandEnabled(item.id);
        switch (item.id) {
        case kCmdTimelineBeats:
            item.checked = m_project.GetTimeLineMode() == 0;
            break;
        case kCmdZoomIn:
            item.enabled = item.enabled && m_project.GetZoomLevel() > 0;
            break;
        case kCmdZoomOut:
            item.enabled =
                item.enabled && m_project.GetZoomLevel() < CTimeGrid::kZoomLevelCount - 1;
            break;
        case kCmdTimelineTime:
            item.checked = m_project.GetTimeLineMode() == 1;
            break;
        case kCmdAutoBeatMatch:
            item.checked = m_project.GetAutoBeatMatch();
            break;
        case kCmdLoopPlay:
        case kCmdMetronome:
            item.checked = m_transportCommands.IsChecked(item.id);
            break;
        case kCmdMuteTrack:
            item.checked = track && track->IsMute();
            break;
        case kCmdSoloTrack:
            item.checked = track && track->IsSolo();
            break;
        case kCmdArmTrack:
            item.checked = track && track->IsArmed();
            break;
        case kCmdTrackHeightSmall:
        case kCmdTrackHeightNormal:
        case kCmdTrackHeightLarge:
            item.checked =
                track && track->GetHeight() == TrackHeightFor(item.id - kCmdTrackHeightSmall);
            break;
        default:
            item.checked = item.id == kCmdMasterVolumeFirst + masterPercent ||
                           (track && (item.id == trackVolume || item.id == trackPan));
            if (InRange(item.id, kCmdSnapFirst, kCmdSnapLast - kCmdSnapFirst + 1))
                item.checked = item.id - kCmdSnapFirst == m_project.GetSnapLevel();
            break;
        }
    }
}

// ---- After creation and closing ---------------------------------------------------------

void LoomtoneMainWindow::RunAfterCreationSequence() {
    RestorePlacement();
    if (!OpenRecoveredProject()) {
        const std::string file = StartupFile();
        const bool opened = !file.empty() && OpenFileOrNewProject(file);
        if (file.empty())
            m_project.NewProject(false);
        // A first run greets the user with the example playing; the play
        // command decides whether playback is available.
        if (IsExampleStart(file) && opened)
            ExecuteCommand(kCmdPlay);
    }
    m_prefs.bFirstRun = false;
    if (IGuiHost* host = GetHWND())
        host->SetFocus();
    UpdateTitle();
}

bool LoomtoneMainWindow::OpenRecoveredProject() {
    const std::string path = m_setup.userDataFolder + kRecoveryFileName;
    if (!DoesFileExist(path))
        return false;
    bool recovered = false;
    if (ShowMessage(this, "CRASH_RecoverProject", MB_YESNO | MB_ICONQUESTION,
                    "CRASH_RecoverProjectTitle") == IDYES) {
        recovered = WithFileActivity([this, &path] {
            bool cancelled = false;
            return m_project.LoadProject(path, cancelled);
        });
    }
    if (std::remove(path.c_str()) != 0)
        LogFmt("LoomtoneMainWindow: could not delete '%s'", path.c_str());
    if (recovered) {
        // The recovery file is gone: the project has no file until the user names one.
        m_project.SetProjectFilePath("");
        m_undo.SetDirty(true);
    }
    return recovered;
}

std::string LoomtoneMainWindow::StartupFile() const {
    if (!m_setup.commandLineFile.empty() || !m_prefs.bFirstRun)
        return m_setup.commandLineFile;
    const std::string example = m_setup.programFolder + MyLoadString("LoomExampleProject");
    return DoesFileExist(example) ? example : std::string();
}

bool LoomtoneMainWindow::IsExampleStart(const std::string& file) const {
    return m_prefs.bFirstRun && m_setup.commandLineFile.empty() && !file.empty();
}

bool LoomtoneMainWindow::OpenFileOrNewProject(const std::string& path) {
    if (path.empty()) {
        m_project.NewProject(true);
        return false;
    }
    if (!IsProjectFile(path)) {
        m_project.NewProject(true);
        m_project.AddAudioClip(path);
        return false;
    }
    if (OpenProjectFile(path))
        return true;
    m_project.NewProject(true);
    return false;
}

void LoomtoneMainWindow::RestorePlacement() {
    const CPrefs::Rect& rect = m_prefs.lastMainWinRect;
    IGuiHost* host = GetHWND();
    if (!host)
        return;
    // The rectangle first, so that leaving the maximized state returns to it.
    if (rect.right > rect.left && rect.bottom > rect.top) {
        host->Move(rect.left, rect.top);
        SetSize(rect.right - rect.left, std::max(rect.bottom - rect.top, MinimumHeight()));
    }
    if (m_prefs.bMainWindowMaximized)
        host->Maximize();
}

void LoomtoneMainWindow::StorePlacement() {
    IGuiHost* host = GetHWND();
    if (!host)
        return;
    m_prefs.bMainWindowMaximized = host->IsMaximized();
    // A maximized window keeps the rectangle it will return to.
    if (m_prefs.bMainWindowMaximized)
        return;
    const GuiPoint at = host->WindowPosition();
    m_prefs.lastMainWinRect = {at.x, at.y, at.x + GetWidth(), at.y + GetHeight()};
}
