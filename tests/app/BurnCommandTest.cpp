#include "app/BurnCommand.h"
#include "app/CPrefs.h"
#include "engine/CPCMMixer.h"
#include "project/CProject.h"
#include "project/CTimeSelection.h"
#include "project/ProjectPreferences.h"
#include "support/CUndoMgr.h"

#include <gtest/gtest.h>

namespace {

class BurnCommandTest : public ::testing::Test {
protected:
    BurnCommandTest() : project(mixer, undo, projectPrefs) {
        projectPrefs.bSwitchKeyTempoOnFirstSound = false;
        prefs.TempDirM = std::string(LOOMTONE_TEST_TMP) + "/burn-command/";
        project.NewProject(true);
    }

    CPCMMixer mixer;
    CUndoMgr undo{400};
    ProjectPreferences projectPrefs;
    CPrefs prefs;
    CProject project;
};

TEST_F(BurnCommandTest, TheSelectionIsOfferedOnlyWhenTheProjectHasOne) {
    EXPECT_FALSE(BurnSourceOf(project, mixer, prefs).hasSelection);

    project.TimeSelection().Set(4000.0, 8000.0, 0, 1);
    const CBurnDialog::Source source = BurnSourceOf(project, mixer, prefs);
    ASSERT_TRUE(source.hasSelection);
    EXPECT_DOUBLE_EQ(source.request.selectionStartMs, 4000.0);
    EXPECT_DOUBLE_EQ(source.request.selectionEndMs, 8000.0);
    EXPECT_EQ(source.tempFolder, prefs.TempDirM);

    project.TimeSelection().Clear();
    EXPECT_FALSE(BurnSourceOf(project, mixer, prefs).hasSelection);
}

} // namespace
