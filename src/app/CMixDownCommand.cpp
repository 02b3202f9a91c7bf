#include "app/CMixDownCommand.h"

#include "app/CPrefs.h"
#include "app/MainCommands.h"
#include "app/MainMenuBuilder.h"
#include "app/MixDownSettings.h"
#include "engine/CPCMMixer.h"
#include "gui/CFileDialog.h"
#include "gui/MessageBoxes.h"
#include "gui/VRGuiWindow.h"
#include "project/CProject.h"
#include "project/CProjectMixdown.h"
#include "project/CRenderProgress.h"
#include "project/ProjectFilesInUse.h"
#include "support/CUndoMgr.h"
#include "support/Log.h"
#include "support/Paths.h"

#include <array>

namespace {

constexpr std::array<MixDownType, 4> kMixDownTypes = {{
    {kCmdMixDownMp3, "FileMenu:MixDown:MP3", "mp3", "MP3 Files|*.mp3"},
    {kCmdMixDownOgg, "FileMenu:MixDown:OGG", "ogg", "OGG Files|*.ogg"},
    {kCmdMixDownWma, "FileMenu:MixDown:WMA", "wma", "WMA Files|*.wma"},
    {kCmdMixDownWav, "FileMenu:MixDown:WAV", "wav", "WAV Files|*.wav"},
}};

} // namespace

CMixDownCommand::CMixDownCommand(VRGuiWindow& owner, CPrefs& prefs, CProject& project,
                                 CUndoMgr& undo, CPCMMixer& mixer, WindowHooks hooks)
    : m_owner(owner), m_prefs(prefs), m_project(project), m_undo(undo), m_mixer(mixer),
      m_hooks(std::move(hooks)) {}

bool CMixDownCommand::Execute(int32_t command) {
    for (const MixDownType& type : kMixDownTypes) {
        if (type.command == command) {
            MixDown(type);
            return true;
        }
    }
    return false;
}

void CMixDownCommand::MixDown(const MixDownType& type) {
    if (m_undo.IsDirty() &&
        ShowMessage(&m_owner, "WantSaveQuestion3", MB_YESNO | MB_ICONQUESTION,
                    "WantSaveQuestionTitle3") == IDYES &&
        !m_hooks.save())
        return;
    RenderMixDownOf(type);
}

void CMixDownCommand::RenderMixDown(const std::string& extension) {
    const std::string bare =
        extension.empty() || extension[0] != '.' ? extension : extension.substr(1);
    for (const MixDownType& type : kMixDownTypes)
        if (HasFileExtension(std::string("x.") + bare, type.extension)) {
            RenderMixDownOf(type);
            return;
        }
    LogFmt("LoomtoneMainWindow: no mix-down of type '%s'", extension.c_str());
}

std::optional<bool> CMixDownCommand::ChooseSelectionOnly() const {
    if (!m_project.TimeSelection().IsActive())
        return false;
    if (m_prefs.bRenderSelectionIfThereIsOne)
        return true;
    switch (ShowMessage(&m_owner, "MixDownSelection_Body", MB_YESNOCANCEL | MB_ICONQUESTION,
                        "MixDownSelection_Title")) {
    case IDYES:
        return true;
    case IDNO:
        return false;
    default:
        return std::nullopt;
    }
}

void CMixDownCommand::RenderMixDownOf(const MixDownType& type) {
    const std::optional<bool> selectionOnly = ChooseSelectionOnly();
    if (!selectionOnly)
        return;
    FileDialogRequest request;
    request.mode = FileDialogRequest::Mode::kSave;
    request.owner = &m_owner;
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
    RunMixDown(path, *selectionOnly);
}

void CMixDownCommand::RunMixDown(const std::string& path, bool selectionOnly) {
    CProjectMixdown mixdown(m_mixer, m_project.Authoring(),
                            std::string(CPrefs::kCurrentKeyPath) + "\\Render");
    mixdown.SetFilesInUse(ProjectFilesInUse(m_project));
    MixDownSettings settings = MixDownSettings::FromPrefs(m_prefs);
    settings.selectionOnly = selectionOnly;
    settings.ApplyTo(mixdown, m_project, m_mixer);
    const bool rendered = m_hooks.withFileActivity([this, &mixdown, &path] {
        CRenderProgress progress(&m_owner);
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
