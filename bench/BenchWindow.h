#pragma once

// The main window on the headless host over a new project, for the
// benchmarks that paint or play in the editor. The settings store, the
// recording folder and the sounds a benchmark writes live in a folder of
// their own, so that a benchmark leaves the user's alone.

#include "app/CPrefs.h"
#include "app/LoomtoneMainWindow.h"
#include "engine/CPCMMixer.h"
#include "gui/COffscreenGuiHost.h"
#include "gui/CSkin.h"
#include "project/CProject.h"
#include "project/ProjectPreferences.h"
#include "support/CUndoMgr.h"
#include "support/LocalizedStrings.h"

#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

class BenchWindow {
public:
    // The folder is named `name` and the process number, under the temporary folder.
    BenchWindow(const std::string& name, int32_t width, int32_t height)
        : m_folder(std::filesystem::temp_directory_path() /
                   (name + "-" + std::to_string(getpid()))) {
        std::filesystem::create_directories(m_folder);
        setenv("XDG_CONFIG_HOME", m_folder.c_str(), 1);
        const std::string data = std::string(LOOMTONE_SOURCE_DIR) + "/data/";
        SetStringFile(data + "loomstrings.ini");
        m_skin.Init(data + "loomskin.ini");
        CSkin::SetCurrent(&m_skin);
        m_projectPrefs.DefRecDir = Folder();
        m_projectPrefs.bShowNewProjectDialog = false;
        m_projectPrefs.bSwitchKeyTempoOnFirstSound = false;
        m_projectPrefs.lastSnapSetting = 0;
        m_project = std::make_unique<CProject>(m_mixer, m_undo, m_projectPrefs);
        MainWindowSetup setup{m_prefs, *m_project, m_undo, m_mixer, data, Folder(), ""};
        m_window = std::make_unique<LoomtoneMainWindow>(setup);
        m_window->Initialize(&m_host, width, height);
        m_project->NewProject(true);
    }
    ~BenchWindow() {
        m_mixer.CloseDevice();
        m_window.reset();
        m_project.reset();
        CSkin::SetCurrent(nullptr);
        std::filesystem::remove_all(m_folder);
    }
    BenchWindow(const BenchWindow&) = delete;
    BenchWindow& operator=(const BenchWindow&) = delete;

    // With a slash at the end.
    std::string Folder() const { return m_folder.string() + "/"; }
    CPCMMixer& Mixer() { return m_mixer; }
    CUndoMgr& Undo() { return m_undo; }
    COffscreenGuiHost& Host() { return m_host; }
    const COffscreenGuiHost& Host() const { return m_host; }
    CProject& Project() { return *m_project; }
    LoomtoneMainWindow& Window() { return *m_window; }
    const LoomtoneMainWindow& Window() const { return *m_window; }

private:
    std::filesystem::path m_folder;
    CSkin m_skin;
    CPrefs m_prefs;
    ProjectPreferences m_projectPrefs;
    CPCMMixer m_mixer;
    CUndoMgr m_undo{400};
    COffscreenGuiHost m_host;
    std::unique_ptr<CProject> m_project;
    std::unique_ptr<LoomtoneMainWindow> m_window;
};
