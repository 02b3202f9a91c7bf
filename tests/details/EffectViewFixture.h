#pragma once

#include "details/CCustomEffectView.h"
#include "engine/CAudioEffect.h"
#include "engine/CEffectChain.h"
#include "engine/CPCMMixer.h"
#include "gui/CDialogChoice.h"
#include "gui/COffscreenGuiHost.h"
#include "gui/GuiInput.h"
#include "gui/MessageBoxes.h"
#include "gui/VRGuiWindow.h"
#include "project/CAudioTrack.h"
#include "project/CProject.h"
#include "project/ProjectPreferences.h"
#include "support/CUndoMgr.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

// A project as the track area of a window on the offscreen host, one audio
// track in it, and the effect chain view in the window's lower part.
class EffectViewFixture : public ::testing::Test {
protected:
    static constexpr int32_t kWidth = 1200;
    static constexpr int32_t kHeight = 800;
    static constexpr int32_t kViewTop = 500;

    void SetUp() override {
        m_dir = std::string(LOOMTONE_TEST_TMP) + "/details-" +
                ::testing::UnitTest::GetInstance()->current_test_info()->test_suite_name() + "-" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name() + "/";
        std::filesystem::remove_all(m_dir);
        std::filesystem::create_directories(m_dir);
        // The user's presets are the test's own.
        setenv("XDG_DATA_HOME", (m_dir + "data").c_str(), 1);
        m_prefs.DefRecDir = m_dir;
        m_prefs.bSwitchKeyTempoOnFirstSound = false;
        m_prefs.bShowNewProjectDialog = false;
        SetMessageBoxHook([](const MessageBoxRequest&, bool&) { return 2; });
        ASSERT_TRUE(m_window.Initialize(&m_host, kWidth, kHeight));
        m_project = std::make_unique<CProject>(m_mixer, m_undo, m_prefs);
        ASSERT_TRUE(m_project->Initialize(&m_window, 0, 0, kWidth, kViewTop));
        m_project->NewProject(true);
        // At the top, where the track area shows its header.
        m_track = m_project->AddAudioTrack(0, false);
        ASSERT_NE(m_track, nullptr);
        m_view = std::make_unique<CCustomEffectView>(*m_project, m_undo, [this] { ++m_shownArea; });
        m_window.AddChild(m_view.get(), 0, kViewTop);
        m_view->Place(0, kViewTop, kWidth, kHeight - kViewTop);
        m_undo.ClearUndoHistory();
    }
    void TearDown() override {
        if (m_view) {
            m_view->Close();
            m_window.RemoveChild(m_view.get());
            m_view.reset();
        }
        m_project.reset();
        SetMessageBoxHook(nullptr);
    }

    CEffectChain& TrackChain() { return *m_track->GetEffectChain(); }
    CEffectChain& MasterChain() { return *m_project->GetMasterEffectChain(); }

    // Chooses the entry with the keyboard, as a user does, from the entry
    // next to it (every entry stepped on is a choice of its own).
    static void ChooseEntry(CDialogChoice& choice, int entry) {
        if (entry > 0) {
            choice.SetSelected(entry - 1);
            choice.OnKey(kKeyDown, VK_DOWN, 0);
        } else {
            choice.SetSelected(1);
            choice.OnKey(kKeyDown, VK_UP, 0);
        }
    }

    // A press and release in the middle of the object.
    void Click(const VRGuiObject& object) {
        const GuiRect r = object.GetAbsRect();
        const int32_t x = (r.left + r.right) / 2;
        const int32_t y = (r.top + r.bottom) / 2;
        m_host.MouseMove(x, y);
        m_host.LeftDown(x, y);
        m_host.LeftUp(x, y);
    }

    // What the chain's settings make of a fixed stereo signal, rendered by a
    // fresh chain built from them, so that renders compare sample for sample.
    static std::vector<float> Render(const CEffectChain& chain) {
        constexpr int kFrames = 4096;
        constexpr int kBlock = 256;
        std::vector<float> samples(static_cast<size_t>(kFrames) * 2);
        for (int frame = 0; frame < kFrames; ++frame) {
            const float t = static_cast<float>(frame) / 44100.0f;
            samples[2 * frame] = 0.5f * std::sin(2.0f * 3.14159265f * 220.0f * t);
            samples[2 * frame + 1] = 0.3f * std::sin(2.0f * 3.14159265f * 1330.0f * t);
        }
        CEffectChain copy;
        const std::vector<uint8_t> body = chain.SaveBody();
        EXPECT_TRUE(copy.LoadBody(body.data(), body.size()));
        for (int frame = 0; frame < kFrames; frame += kBlock)
            copy.Process(samples.data() + 2 * frame, kBlock);
        return samples;
    }

    std::string m_dir;
    ProjectPreferences m_prefs;
    CPCMMixer m_mixer;
    CUndoMgr m_undo{400};
    COffscreenGuiHost m_host;
    VRGuiWindow m_window;
    std::unique_ptr<CProject> m_project;
    CAudioTrack* m_track = nullptr;
    std::unique_ptr<CCustomEffectView> m_view;
    int m_shownArea = 0;
};
