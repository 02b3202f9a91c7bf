#include "project/CMissingSounds.h"
#include "ScopedEnv.h"
#include "gui/CDialogButton.h"
#include "gui/CFileDialog.h"
#include "gui/COffscreenGuiHost.h"
#include "gui/MessageBoxes.h"
#include "gui/VRGuiWindow.h"
#include "project/CMissingSoundDialog.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>

namespace fs = std::filesystem;
using namespace std::chrono_literals;

namespace {

void Touch(const fs::path& file) {
    fs::create_directories(file.parent_path());
    std::ofstream(file) << "RIFF";
}

// A folder below the root, depth folders deep.
fs::path Nested(const fs::path& root, int depth) {
    fs::path folder = root;
    for (int i = 0; i < depth; ++i)
        folder /= "d";
    return folder;
}

bool FinishesWithin(const CMissingSoundScan& scan, std::chrono::milliseconds limit) {
    const auto end = std::chrono::steady_clock::now() + limit;
    while (!scan.IsFinished() && std::chrono::steady_clock::now() < end)
        std::this_thread::sleep_for(1ms);
    return scan.IsFinished();
}

class MissingSoundsTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_root = fs::path(LOOMTONE_TEST_TMP) /
                 ("missing-" +
                  std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
        fs::remove_all(m_root);
        fs::create_directories(m_root);
        m_folders.AddString(m_root.string());
    }
    void TearDown() override {
        SetMissingSoundHook({});
        SetFileDialogHook({});
        SetMainWindow(nullptr);
        fs::remove_all(m_root);
    }
    // Every question answered the same way, counted.
    void AnswerAlways(MissingSoundAnswer answer) {
        m_asked = 0;
        SetMissingSoundHook([this, answer](const MissingSoundRequest&) {
            ++m_asked;
            return answer;
        });
    }
    std::optional<std::string> Scan(const std::string& fileName) {
        CMissingSoundScan scan;
        scan.Start({m_root.string()}, fileName);
        EXPECT_TRUE(FinishesWithin(scan, 10s));
        scan.Stop();
        return scan.Found() ? std::optional(scan.FoundPath()) : std::nullopt;
    }

    fs::path m_root;
    CStringList m_folders;
    bool m_autoAdd = true;
    CMissingSounds m_search{{m_folders, m_autoAdd}};
    int m_asked = 0;
};

TEST_F(MissingSoundsTest, ScanFindsTheSoundInASubFolderAndAddsThatFolder) {
    Touch(m_root / "a" / "b" / "kick.wav");
    Touch(m_root / ".hidden" / "snare.wav");
    AnswerAlways({MissingSoundChoice::kScanResult, {}});

    EXPECT_EQ(m_search.FindMissingSound("C:\\Old Disk\\kick.wav"),
              (m_root / "a" / "b" / "kick.wav").string());
    EXPECT_TRUE(m_search.FoundReplacement());
    EXPECT_TRUE(m_folders.Contains((m_root / "a" / "b").string()));
    EXPECT_EQ(m_search.FindMissingSound("/gone/snare.wav"), std::nullopt);
}

TEST_F(MissingSoundsTest, TheSameMissingFileIsAskedAboutOnceUntilReset) {
    Touch(m_root / "chosen.wav");
    AnswerAlways({MissingSoundChoice::kBrowsed, (m_root / "chosen.wav").string()});

    EXPECT_EQ(m_search.FindMissingSound("/old/Loop.wav"), (m_root / "chosen.wav").string());
    EXPECT_EQ(m_search.FindMissingSound("/OLD/loop.wav"), (m_root / "chosen.wav").string());
    EXPECT_EQ(m_asked, 1);

    m_search.ResetRememberedAnswers();
    EXPECT_FALSE(m_search.FoundReplacement());
    m_search.FindMissingSound("/old/Loop.wav");
    EXPECT_EQ(m_asked, 2);
}

TEST_F(MissingSoundsTest, SkipAskAgainButSkipAllStopsAskingUntilReset) {
    AnswerAlways({MissingSoundChoice::kSkip, {}});
    EXPECT_EQ(m_search.FindMissingSound("/old/a.wav"), std::nullopt);
    EXPECT_EQ(m_search.FindMissingSound("/old/a.wav"), std::nullopt);
    EXPECT_EQ(m_asked, 2);

    AnswerAlways({MissingSoundChoice::kSkipAll, {}});
    EXPECT_EQ(m_search.FindMissingSound("/old/b.wav"), std::nullopt);
    EXPECT_EQ(m_search.FindMissingSound("/old/c.wav"), std::nullopt);
    EXPECT_EQ(m_asked, 1);
    EXPECT_FALSE(m_search.FoundReplacement());

    m_search.ResetRememberedAnswers();
    EXPECT_FALSE(m_search.IsSkippingAll());
    m_search.FindMissingSound("/old/c.wav");
    EXPECT_EQ(m_asked, 2);
}

TEST_F(MissingSoundsTest, SymbolicLinkLoopsAreEnteredOnce) {
    fs::create_directories(m_root / "loop");
    fs::create_directory_symlink(m_root, m_root / "loop" / "up");
    fs::create_directory_symlink("..", m_root / "loop" / "parent");
    fs::create_directory_symlink(m_root / "loop", m_root / "loop" / "self");
    Touch(m_root / "z" / "found.wav");

    EXPECT_EQ(Scan("absent.wav"), std::nullopt);
    EXPECT_EQ(Scan("found.wav"), (m_root / "z" / "found.wav").string());
}

TEST_F(MissingSoundsTest, DescentStopsAtTheDepthBound) {
    Touch(Nested(m_root / "in", CMissingSoundScan::kMaxDepth - 1) / "deep.wav");
    Touch(Nested(m_root / "out", CMissingSoundScan::kMaxDepth) / "deeper.wav");

    EXPECT_TRUE(Scan("deep.wav").has_value());
    EXPECT_EQ(Scan("deeper.wav"), std::nullopt);
}

TEST_F(MissingSoundsTest, StartFoldersLeaveOutTheSystemTrees) {
    const std::vector<std::string> given = {
        "/", "//", "/proc/", "/sys", "/dev", "/proc/self", "", m_root.string(), m_root.string()};
    EXPECT_EQ(CMissingSoundScan::StartFolders(given), std::vector<std::string>{m_root.string()});

    // Without folders of the user's the home folder is a start, but never as /.
    ScopedEnv home("HOME", "/");
    for (const std::string& folder : CMissingSoundScan::StartFolders({}))
        EXPECT_FALSE(CMissingSoundScan::IsSystemFolder(folder)) << folder;
    // A link is judged by where it leads.
    fs::create_directory_symlink("/proc", m_root / "proc-link");
    EXPECT_TRUE(CMissingSoundScan::IsSystemFolder(m_root / "proc-link"));
}

TEST_F(MissingSoundsTest, StopEndsAWideScanPromptly) {
    for (int i = 0; i < 20; ++i)
        for (int j = 0; j < 20; ++j)
            fs::create_directories(m_root / std::to_string(i) / std::to_string(j));
    CMissingSoundScan scan;
    scan.Start({m_root.string()}, "nowhere.wav");
    const auto before = std::chrono::steady_clock::now();
    scan.Stop();
    EXPECT_LT(std::chrono::steady_clock::now() - before, 1s);
    EXPECT_TRUE(scan.IsFinished());
    EXPECT_FALSE(scan.Found());
}

// The dialog itself, on a headless main window.
class MissingSoundDialogTest : public MissingSoundsTest {
protected:
    void SetUp() override {
        MissingSoundsTest::SetUp();
        ASSERT_TRUE(m_window.Initialize(&m_host, 800, 600));
        SetMainWindow(&m_window);
    }
    // Presses a button of the open dialog, if one is open.
    void Press(int buttonId) {
        if (auto* dialog = dynamic_cast<CMissingSoundDialog*>(m_window.TopLayer())) {
            const GuiRect r = dialog->GetButton(buttonId)->GetAbsRect();
            m_host.LeftDown((r.left + r.right) / 2, (r.top + r.bottom) / 2);
            m_host.LeftUp((r.left + r.right) / 2, (r.top + r.bottom) / 2);
        }
    }
    void PressWhenShown(int buttonId) {
        m_host.SetModalDriver([this, buttonId](COffscreenGuiHost&, int) {
            ++m_steps;
            Press(buttonId);
        });
    }

    COffscreenGuiHost m_host;
    VRGuiWindow m_window;
    int m_steps = 0;
};

TEST_F(MissingSoundDialogTest, TheDialogClosesOnceTheScanHasFound) {
    Touch(m_root / "x" / "hat.wav");
    m_host.SetModalDriver([](COffscreenGuiHost& host, int) {
        std::this_thread::sleep_for(1ms);
        host.Advance(CMissingSoundDialog::kPollPeriodMs);
    });
    EXPECT_EQ(m_search.FindMissingSound("/old/hat.wav"), (m_root / "x" / "hat.wav").string());
    EXPECT_EQ(m_window.TopLayer(), nullptr);
}

TEST_F(MissingSoundDialogTest, SkipAllClosesAndNoDialogFollows) {
    PressWhenShown(CMissingSoundDialog::kSkipAllId);
    EXPECT_EQ(m_search.FindMissingSound("/old/one.wav"), std::nullopt);
    const int steps = m_steps;
    EXPECT_GT(steps, 0);
    EXPECT_EQ(m_search.FindMissingSound("/old/two.wav"), std::nullopt);
    EXPECT_EQ(m_steps, steps);
}

TEST_F(MissingSoundDialogTest, BrowsingRemembersTheChosenFile) {
    SetFileDialogHook([this](const FileDialogRequest& request, std::string& path) {
        EXPECT_NE(request.title.find("'bass.wav'"), std::string::npos);
        path = (m_root / "elsewhere.wav").string();
        return true;
    });
    PressWhenShown(CMissingSoundDialog::kBrowseId);
    EXPECT_EQ(m_search.FindMissingSound("/old/bass.wav"), (m_root / "elsewhere.wav").string());
    EXPECT_EQ(m_search.RememberedCount(), 1);
}

TEST_F(MissingSoundDialogTest, AddingAFolderRestartsTheScanThere) {
    m_folders.RemoveAll();
    fs::create_directories(m_root / "empty");
    m_folders.AddString((m_root / "empty").string());
    Touch(m_root / "extra" / "tom.wav");
    SetFileDialogHook([this](const FileDialogRequest& request, std::string& path) {
        EXPECT_EQ(request.mode, FileDialogRequest::Mode::kFolder);
        path = (m_root / "extra").string();
        return true;
    });
    m_host.SetModalDriver([this](COffscreenGuiHost& host, int) {
        if (m_steps++ == 0)
            Press(CMissingSoundDialog::kEditPathId);
        std::this_thread::sleep_for(1ms);
        host.Advance(CMissingSoundDialog::kPollPeriodMs);
    });
    EXPECT_EQ(m_search.FindMissingSound("/old/tom.wav"), (m_root / "extra" / "tom.wav").string());
    EXPECT_TRUE(m_folders.Contains((m_root / "extra").string()));
}

} // namespace
