#include "app/CFileCommands.h"

#include "app/CPrefs.h"
#include "app/MainMenuBuilder.h"
#include "app/SaveFolders.h"
#include "engine/CPCMMixer.h"
#include "gui/CFileDialog.h"
#include "gui/MessageBoxes.h"
#include "gui/VRGuiWindow.h"
#include "project/CProject.h"
#include "support/CMRUList.h"
#include "support/CUndoMgr.h"
#include "support/LocalizedStrings.h"
#include "support/Log.h"
#include "support/Paths.h"

#include <algorithm>
#include <array>

namespace {

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

} // namespace

CFileCommands::CFileCommands(const Sources& sources, WindowHooks hooks)
    : m_owner(sources.owner), m_prefs(sources.prefs), m_project(sources.project),
      m_undo(sources.undo), m_mixer(sources.mixer), m_recent(sources.recent),
      m_programFolder(sources.programFolder), m_hooks(std::move(hooks)) {}

bool CFileCommands::AskToSave() {
    if (!m_undo.IsDirty())
        return true;
    const int answer =
        ShowMessage(&m_owner, "WantSaveQuestion", MB_YESNOCANCEL | MB_ICONQUESTION, "ProgramName");
    if (answer == IDYES)
        return Save();
    return answer == IDNO;
}

void CFileCommands::NewProject() {
    if (AskToSave())
        m_project.NewProject(false);
}

void CFileCommands::OpenProject() {
    if (!AskToSave())
        return;
    FileDialogRequest request;
    request.mode = FileDialogRequest::Mode::kOpen;
    request.owner = &m_owner;
    request.title = MenuItemText("FileMenu:Open");
    request.folder = m_prefs.DefLoadDir;
    request.filter = kProjectFilter;
    std::string path;
    if (ChooseFile(request, path))
        OpenProjectFile(path);
}

bool CFileCommands::OpenProjectFile(const std::string& path) {
    if (!DoesFileExist(path)) {
        LogFmt("LoomtoneMainWindow: no project file '%s'", path.c_str());
        ShowMessage(&m_owner, "LoadFailed_Body", MB_OK | MB_ICONEXCLAMATION, "LoadFailed_Title");
        return false;
    }
    const bool loaded = m_hooks.withFileActivity([this, &path] {
        bool cancelled = false;
        return m_project.LoadProject(path, cancelled);
    });
    if (!loaded)
        return false;
    m_recent.AddFile(path);
    // What the program brings along (the example) is the user's to change,
    // but saved elsewhere: it opens as an untitled copy, so Save asks where.
    if (IsInsideFolder(path, m_programFolder)) {
        m_project.SetProjectFilePath("");
        m_hooks.updateTitle();
    }
    return true;
}

void CFileCommands::OpenRecentProject(size_t index) {
    const std::string path = m_recent.GetFileWithPath(index);
    if (m_mixer.Playing())
        m_mixer.Stop(0);
    if (!AskToSave())
        return;
    // A project that is gone stays off the list.
    if (!OpenProjectFile(path) && !DoesFileExist(path))
        m_recent.RemoveFile(path);
}

bool CFileCommands::Save() {
    const std::string& path = m_project.GetProjectFilePath();
    if (!HasFileExtension(path, "lt4"))
        return SaveAs();
    if (m_project.LoadWasPartial()) {
        // The file holds what could not be loaded: saving over it loses
        // that, so the user chooses.
        const int answer = ShowMessage(&m_owner, "PL_SaveOver_Body",
                                       MB_YESNOCANCEL | MB_ICONQUESTION, "PL_SaveOver_Title");
        if (answer == IDNO)
            return SaveAs();
        if (answer != IDYES)
            return false;
    }
    return SaveTo(path);
}

bool CFileCommands::SaveAs() {
    FileDialogRequest request;
    request.mode = FileDialogRequest::Mode::kSave;
    request.owner = &m_owner;
    request.title = MenuItemText("FileMenu:SaveAs");
    request.folder = SaveAsStartFolder(m_project.GetProjectFilePath(), m_prefs.DefSaveDir,
                                       m_programFolder, GetMyDocumentsPath());
    request.fileName = RemoveExtensionFromFile(ExtractFileName(m_project.GetProjectFilePath()));
    request.filter = kSaveFilter;
    std::string path;
    if (!ChooseFile(request, path))
        return false;
    if (!HasFileExtension(path, "lt4"))
        path += ".lt4";
    return SaveTo(path);
}

bool CFileCommands::SaveTo(const std::string& path) {
    return m_hooks.withFileActivity([this, &path] { return m_project.SaveProject(path); });
}

void CFileCommands::DoProjectTransfer() {
    if (!AskToSave())
        return;
    const std::string folder = ChooseTransferFolder();
    if (folder.empty())
        return;
    // Yes copies the sound library's sounds too; the library is on every
    // machine, so they are only wanted when the copy goes somewhere without it.
    const int librarySounds = ShowMessage(&m_owner, "TransferQuest_Body",
                                          MB_YESNOCANCEL | MB_ICONQUESTION, "TransferQuest_Title");
    if (librarySounds == IDCANCEL)
        return;
    const int recordHere = ShowMessage(&m_owner, "TransferRecPath_Body",
                                       MB_YESNOCANCEL | MB_ICONQUESTION, "TransferRecPath_Title");
    if (recordHere == IDCANCEL)
        return;
    const std::string projectName =
        RemoveExtensionFromFile(ExtractFileName(m_project.GetProjectFilePath()));
    const std::string wanted = folder + (projectName.empty() ? "Project" : projectName) + ".lt4";
    const std::string copy = UniqueFileName(wanted);
    if (copy.empty()) {
        LogFmt("CFileCommands::DoProjectTransfer() Could not create a unique file name '%s'!",
               wanted.c_str());
        ShowFormattedMessage("Err_SaveFailedTitle", "Err_SaveFailedBody",
                             MB_OK | MB_ICONEXCLAMATION, wanted);
        return;
    }
    if (!SaveTransferCopy(copy, librarySounds == IDYES, recordHere == IDYES))
        return;
    ShowMessage(&m_owner, "TransferFiles_Body", MB_OK | MB_ICONASTERISK, "TransferFiles_Title");
    if (ShowMessage(&m_owner, "TransferLoad_Body", MB_YESNO | MB_ICONQUESTION,
                    "TransferLoad_Title") == IDYES)
        OpenProjectFile(copy);
}

std::string CFileCommands::ChooseTransferFolder() {
    FileDialogRequest request;
    request.mode = FileDialogRequest::Mode::kFolder;
    request.owner = &m_owner;
    request.title = MyLoadString("TXP_BrowseFolder");
    request.folder = m_prefs.DefTransferDir;
    std::string folder;
    if (!ChooseFile(request, folder) || folder.empty())
        return {};
    return folder.back() == '/' ? folder : folder + '/';
}

bool CFileCommands::SaveTransferCopy(const std::string& path, bool librarySounds, bool recordHere) {
    // The copy is written from memory, but the open project stays the one
    // the user had: its file, its unsaved changes, its place in the recent list.
    SaveOptions options;
    options.transferSounds = true;
    options.transferLibrarySounds = librarySounds;
    if (recordHere)
        options.recordingFolder = ExtractDirectory(path);
    return m_hooks.withFileActivity(
        [this, &path, &options] { return m_project.SaveCopy(path, options); });
}

bool CFileCommands::OpenFileOrNewProject(const std::string& path) {
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
