#include "app/CStartupSequence.h"

#include "app/CPrefs.h"
#include "app/LoomtoneMainWindow.h"
#include "app/MainCommands.h"
#include "gui/MessageBoxes.h"
#include "project/CProject.h"
#include "support/CUndoMgr.h"
#include "support/LocalizedStrings.h"
#include "support/Log.h"
#include "support/Paths.h"

#include <cstdio>

CStartupSequence::CStartupSequence(const MainWindowSetup& setup, VRGuiWindow* dialogOwner,
                                   Hooks hooks)
    : m_setup(setup), m_owner(dialogOwner), m_hooks(std::move(hooks)) {}

void CStartupSequence::OpenFirstProject() {
    if (!OpenRecoveredProject()) {
        const std::string file = StartupFile();
        const bool opened = !file.empty() && m_hooks.openFileOrNewProject(file);
        if (file.empty())
            m_setup.project.NewProject(false);
        // A first run greets the user with the example playing; the play
        // command decides whether playback is available.
        if (IsExampleStart(file) && opened)
            m_hooks.executeCommand(kCmdPlay);
    }
    m_setup.prefs.bFirstRun = false;
}

bool CStartupSequence::OpenRecoveredProject() {
    const std::string path = m_setup.userDataFolder + LoomtoneMainWindow::kRecoveryFileName;
    if (!DoesFileExist(path))
        return false;
    bool recovered = false;
    if (ShowMessage(m_owner, "CRASH_RecoverProject", MB_YESNO | MB_ICONQUESTION,
                    "CRASH_RecoverProjectTitle") == IDYES) {
        recovered = m_hooks.withFileActivity([this, &path] {
            bool cancelled = false;
            return m_setup.project.LoadProject(path, cancelled);
        });
    }
    if (std::remove(path.c_str()) != 0)
        LogFmt("LoomtoneMainWindow: could not delete '%s'", path.c_str());
    if (recovered) {
        // The recovery file is gone: the project has no file until the user names one.
        m_setup.project.SetProjectFilePath("");
        m_setup.undo.SetDirty(true);
    }
    return recovered;
}

std::string CStartupSequence::StartupFile() const {
    if (!m_setup.commandLineFile.empty() || !m_setup.prefs.bFirstRun)
        return m_setup.commandLineFile;
    const std::string example = m_setup.programFolder + MyLoadString("LoomExampleProject");
    return DoesFileExist(example) ? example : std::string();
}

bool CStartupSequence::IsExampleStart(const std::string& file) const {
    return m_setup.prefs.bFirstRun && m_setup.commandLineFile.empty() && !file.empty();
}
