#pragma once

#include "ToneWav.h"
#include "engine/CPCMMixer.h"
#include "gui/CBaseDialog.h"
#include "gui/CDialogButton.h"
#include "gui/COffscreenGuiHost.h"
#include "gui/MessageBoxes.h"
#include "gui/VRGuiWindow.h"
#include "project/CProject.h"
#include "support/CUndoMgr.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

// The project as the track area inside a window on the offscreen host, with
// a one-second tone to make clips of. Snap is off; every question gets
// m_answer and its title is kept.
class ProjectOnWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_dir = std::string(LOOMTONE_TEST_TMP) + "/onwindow-" +
                ::testing::UnitTest::GetInstance()->current_test_info()->test_suite_name() + "-" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name() + "/";
        std::filesystem::remove_all(m_dir);
        std::filesystem::create_directories(m_dir);
        m_prefs.DefRecDir = m_dir;
        m_prefs.bSwitchKeyTempoOnFirstSound = false;
        m_prefs.bShowNewProjectDialog = false;
        m_prefs.lastSnapSetting = 0;
        WriteToneWav(m_dir + "Tone.wav", 44100, 8000);
        SetMessageBoxHook([this](const MessageBoxRequest& request, bool& checkBox) {
            m_titles.push_back(request.title);
            checkBox = m_tickCheckBox;
            return m_answer;
        });
        ASSERT_TRUE(m_window.Initialize(&m_host, 1200, 800));
        m_project = std::make_unique<CProject>(m_mixer, m_undo, m_prefs);
        ASSERT_TRUE(m_project->Initialize(&m_window, 0, 0, 1200, 800));
        m_project->NewProject(true);
        m_titles.clear();
    }
    void TearDown() override {
        m_host.SetModalDriver(nullptr);
        m_project.reset();
        SetMessageBoxHook(nullptr);
    }

    // Runs the steps, one per step of a modal loop.
    void Drive(std::vector<std::function<void()>> steps) {
        auto next = std::make_shared<size_t>(0);
        m_host.SetModalDriver([steps, next](COffscreenGuiHost& host, int) {
            host.Advance(40);
            if (*next < steps.size())
                steps[(*next)++]();
        });
    }
    // A press and release in the middle of the object.
    void Click(const VRGuiObject* object) {
        const GuiRect r = object->GetAbsRect();
        const int32_t x = (r.left + r.right) / 2;
        const int32_t y = (r.top + r.bottom) / 2;
        m_host.MouseMove(x, y);
        m_host.LeftDown(x, y);
        m_host.LeftUp(x, y);
    }
    void ClickDialogButton(int id) {
        auto* dialog = dynamic_cast<CBaseDialog*>(m_window.TopLayer());
        ASSERT_NE(dialog, nullptr);
        Click(dialog->GetButton(id));
    }

    // The sound, the tone unless named, as a clip on the track at the time.
    CClip* AddClipAt(int track, double ms, const std::string& sound = {}) {
        m_project->SelectTrack(track, false);
        m_project->MoveCaretAndPlayback(ms);
        return m_project->AddAudioClip(sound.empty() ? m_dir + "Tone.wav" : sound);
    }

    std::string m_dir;
    COffscreenGuiHost m_host;
    VRGuiWindow m_window;
    CPCMMixer m_mixer;
    CUndoMgr m_undo{400};
    ProjectPreferences m_prefs;
    std::vector<std::string> m_titles;
    int m_answer = IDOK;
    bool m_tickCheckBox = false;
    std::unique_ptr<CProject> m_project;
};
