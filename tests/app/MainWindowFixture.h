#pragma once

#include "ScopedEnv.h"
#include "app/CPrefs.h"
#include "app/LoomtoneMainWindow.h"
#include "engine/CPCMMixer.h"
#include "gui/CFileDialog.h"
#include "gui/COffscreenGuiHost.h"
#include "gui/MessageBoxes.h"
#include "project/CProject.h"
#include "support/CUndoMgr.h"
#include "support/LocalizedStrings.h"

#include <gtest/gtest.h>

#include <deque>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

// A main window on an off-screen host over a project of its own, with the settings store and the
// user folder in a fresh folder of the test. Message boxes take their answers from `answers`
// (Cancel once they run out); file dialogs choose `chosenPath`, or nothing while it is empty;
// files the window would open on the desktop are listed in `opened`.
class MainWindowFixture : public ::testing::Test {
protected:
    explicit MainWindowFixture(const std::string& folder)
        : m_root(std::string(LOOMTONE_TEST_TMP) + "/" + folder + "/"),
          m_config("XDG_CONFIG_HOME", (m_root + "config").c_str()) {
        std::filesystem::remove_all(m_root);
        std::filesystem::create_directories(m_root + "user");
        SetStringFile(std::string(LOOMTONE_SOURCE_DIR) + "/data/loomstrings.ini");
        projectPrefs.DefRecDir = m_root;
        projectPrefs.bShowNewProjectDialog = false;
        projectPrefs.bSwitchKeyTempoOnFirstSound = false;
        prefs.bFirstRun = false;
        SetMessageBoxHook([this](const MessageBoxRequest& request, bool&) {
            asked.push_back(request.text);
            if (answers.empty())
                return static_cast<int>(IDCANCEL);
            const int answer = answers.front();
            answers.pop_front();
            return answer;
        });
        SetFileDialogHook([this](const FileDialogRequest& request, std::string& path) {
            dialogModes.push_back(request.mode);
            dialogFolders.push_back(request.folder);
            path = chosenPath;
            return !path.empty();
        });
    }
    ~MainWindowFixture() override {
        window.reset();
        SetMessageBoxHook(nullptr);
        SetFileDialogHook(nullptr);
    }

    void Open(const std::string& commandLineFile = {}) {
        MainWindowSetup setup{
            prefs, project, undo, mixer, m_root + "program/", m_root + "user/", commandLineFile};
        window = std::make_unique<LoomtoneMainWindow>(setup);
        ASSERT_TRUE(window->Initialize(&host, 800, 600));
        window->SetFileOpener([this](const std::string& path) {
            opened.push_back(path);
            return true;
        });
    }

    const std::string m_root;
    ScopedEnv m_config;
    CPrefs prefs;
    ProjectPreferences projectPrefs;
    CPCMMixer mixer;
    CUndoMgr undo{400};
    CProject project{mixer, undo, projectPrefs};
    COffscreenGuiHost host;
    std::unique_ptr<LoomtoneMainWindow> window;
    std::deque<int> answers;
    std::vector<std::string> asked;
    std::string chosenPath;
    std::vector<FileDialogRequest::Mode> dialogModes;
    std::vector<std::string> dialogFolders;
    // What the window had the desktop open.
    std::vector<std::string> opened;
};
