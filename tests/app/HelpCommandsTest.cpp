#include "MainWindowFixture.h"
#include "app/CHelpCommands.h"
#include "app/MainCommands.h"
#include "gui/CImage.h"
#include "project/CTrack.h"

#include <gtest/gtest.h>

#include <fstream>
#include <string>

namespace {

class HelpCommandsTest : public MainWindowFixture {
protected:
    HelpCommandsTest() : MainWindowFixture("helpcommands") {}
};

} // namespace

TEST_F(HelpCommandsTest, HelpTopicsOpensTheReadmeOnTheDesktop) {
    std::filesystem::create_directories(m_root + "program");
    std::ofstream(m_root + "program/README.md") << "# Loomtone\n";
    Open();
    ASSERT_TRUE(window->IsCommandEnabled(kCmdHelpTopics));
    EXPECT_TRUE(window->ExecuteCommand(kCmdHelpTopics));
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_EQ(opened[0], m_root + "program/README.md");
    EXPECT_TRUE(asked.empty());
}

TEST_F(HelpCommandsTest, AMissingReadmeIsToldNotOpened) {
    Open();
    answers = {IDOK};
    window->ExecuteCommand(kCmdHelpTopics);
    EXPECT_TRUE(opened.empty());
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_NE(asked[0].find("README.md"), std::string::npos);
}

TEST_F(HelpCommandsTest, AboutShowsTheVersionAndTheLogFolder) {
    Open();
    answers = {IDOK};
    ASSERT_TRUE(window->IsCommandEnabled(kCmdAbout));
    window->ExecuteCommand(kCmdAbout);
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_EQ(asked[0], CHelpCommands::AboutText(m_root + "user/"));
    EXPECT_NE(asked[0].find(LOOMTONE_VERSION_TEXT), std::string::npos);
    EXPECT_NE(asked[0].find(m_root + "user/"), std::string::npos);
}

TEST_F(HelpCommandsTest, ChooseTrackImageFromTheMenuSetsTheSelectedTracksPicture) {
    Open();
    CImage picture;
    ASSERT_TRUE(picture.SetSize(16, 16));
    ASSERT_TRUE(picture.SaveAs(m_root + "face.png"));
    chosenPath = m_root + "face.png";
    project.NewProject(true);
    project.SelectTrack(2, false);
    ASSERT_TRUE(window->IsCommandEnabled(kCmdChooseTrackImage));
    EXPECT_TRUE(window->ExecuteCommand(kCmdChooseTrackImage));
    EXPECT_EQ(project.GetTrack(2)->GetImage(), m_root + "face.png");
    EXPECT_TRUE(undo.Undo());
    EXPECT_NE(project.GetTrack(2)->GetImage(), m_root + "face.png");
}
