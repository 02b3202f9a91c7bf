#include "app/CStartupSequence.h"
#include "MainWindowFixture.h"
#include "app/MainCommands.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

// The sequence without a window: what it asks the window to do is written
// down in order.
class CStartupSequenceTest : public MainWindowFixture {
protected:
    CStartupSequenceTest() : MainWindowFixture("startupsequence") {}

    void Run(const std::string& commandLineFile = {}) {
        MainWindowSetup setup{
            prefs, project, undo, mixer, m_root + "program/", m_root + "user/", commandLineFile};
        CStartupSequence::Hooks hooks{[this](const std::function<bool()>& load) {
                                          calls.push_back("load");
                                          return load();
                                      },
                                      [this](const std::string& path) {
                                          calls.push_back("open " + path);
                                          return true;
                                      },
                                      [this](int32_t command) {
                                          calls.push_back("command " + std::to_string(command));
                                          return true;
                                      }};
        CStartupSequence(setup, nullptr, hooks).OpenFirstProject();
    }
    void WriteFile(const std::string& path) {
        fs::create_directories(fs::path(path).parent_path());
        std::ofstream(path) << "not a project";
    }
    std::string Recovery() const {
        return m_root + "user/" + LoomtoneMainWindow::kRecoveryFileName;
    }
    std::string Example() const { return m_root + "program/" + MyLoadString("LoomExampleProject"); }

    std::vector<std::string> calls;
};

TEST_F(CStartupSequenceTest, TheRecoveryQuestionComesBeforeTheCommandLineFile) {
    WriteFile(Recovery());
    answers = {IDNO};
    Run(m_root + "song.lt4");
    EXPECT_EQ(asked, std::vector<std::string>{MyLoadString("CRASH_RecoverProject")});
    EXPECT_EQ(calls, std::vector<std::string>{"open " + m_root + "song.lt4"});
    EXPECT_FALSE(fs::exists(Recovery()));
}

TEST_F(CStartupSequenceTest, ARecoveryThatFailsToLoadFallsBackToTheCommandLineFile) {
    WriteFile(Recovery());
    answers = {IDYES};
    Run(m_root + "song.lt4");
    EXPECT_EQ(calls, (std::vector<std::string>{"load", "open " + m_root + "song.lt4"}));
    EXPECT_FALSE(fs::exists(Recovery()));
}

TEST_F(CStartupSequenceTest, AFirstRunOpensTheExampleThenPlaysItAndEnds) {
    WriteFile(Example());
    prefs.bFirstRun = true;
    Run();
    EXPECT_EQ(calls, (std::vector<std::string>{"open " + Example(),
                                               "command " + std::to_string(kCmdPlay)}));
    EXPECT_FALSE(prefs.bFirstRun);
    EXPECT_TRUE(asked.empty());
}

TEST_F(CStartupSequenceTest, WithoutAnyFileANewProjectStarts) {
    prefs.bFirstRun = true; // and no example installed
    Run();
    EXPECT_TRUE(calls.empty());
    EXPECT_EQ(project.GetNumTracks(), 8);
    EXPECT_FALSE(prefs.bFirstRun);
}

} // namespace
