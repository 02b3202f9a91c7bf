#include "project/CRecordTake.h"
#include "engine/CPCMMixer.h"
#include "project/CAudioTrack.h"
#include "project/CClip.h"
#include "project/CProject.h"
#include "support/CUndoMgr.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

namespace {

TEST(RecordTakeNames, NumberTheAudioTrackAndKeepItsNameSafe) {
    EXPECT_EQ(CRecordTake::FileNameFor("/r/", 1, "Guitar"), "/r/02 Guitar.wav");
    EXPECT_EQ(CRecordTake::FileNameFor("/r/", 4, ""), "/r/05.wav");
    EXPECT_EQ(CRecordTake::FileNameFor("/r/", 11, "a/b:c"), "/r/12 a b c.wav");
}

// A project of five audio tracks whose recording folder is the test's own,
// on a machine with one stereo input.
struct TakeProject {
    explicit TakeProject(const std::string& folder) {
        prefs.DefRecDir = folder;
        project.SetRecordingInput({0, 1, [](int) { return 2; }, {}, {}}, 0);
        project.NewProject(true);
        while (project.GetNumTracks() < 5)
            project.AddAudioTrack(-1, false);
        for (int index = 0; index < project.GetNumTracks(); ++index)
            project.GetTrack(index)->SetName("", false);
        project.GetTrack(1)->SetName("Guitar", false);
    }
    CAudioTrack& Track(int index) { return *static_cast<CAudioTrack*>(project.GetTrack(index)); }

    // Half a second of input arriving while the play position stands at atMs.
    void RecordInput(CRecordTake& take, double atMs) {
        mixer.SetPositionMs(atMs);
        std::string reason;
        ASSERT_TRUE(take.Start(reason)) << reason;
        const std::vector<float> input(2 * 441, 0.25f);
        for (int block = 0; block < 50; ++block)
            mixer.CaptureInput(input.data(), 441, 2);
    }

    CPCMMixer mixer;
    CUndoMgr undo{400};
    ProjectPreferences prefs;
    CProject project{mixer, undo, prefs};
};

std::string FreshFolder(const std::string& name) {
    const std::string dir = std::string(LOOMTONE_TEST_TMP) + "/" + name + "/";
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    return dir;
}

TEST(RecordTake, ArmedTracksRecordToNumberedFilesPlacedAtTheStartAndUndoneAsOne) {
    const std::string dir = FreshFolder("RecordTakeTwoTracks");
    TakeProject fixture(dir);
    ASSERT_EQ(fixture.project.GetRecordingFolder(), dir);
    // One input channel each: a track gives up an input another arms.
    ASSERT_TRUE(fixture.Track(1).Arm(0, 1));
    ASSERT_TRUE(fixture.Track(4).Arm(0, 0));
    ASSERT_TRUE(fixture.Track(1).IsArmed());
    CRecordTake take(fixture.project, fixture.mixer, fixture.undo);
    fixture.RecordInput(take, 1500.0);
    EXPECT_EQ(take.Stop(), 2);
    EXPECT_EQ(take.Files(), (std::vector<std::string>{dir + "02 Guitar.wav", dir + "05.wav"}));
    for (int index : {1, 4}) {
        ASSERT_EQ(fixture.Track(index).Clips().size(), size_t{1}) << index;
        EXPECT_DOUBLE_EQ(fixture.Track(index).Clips()[0]->GetStartMs(), 1500.0);
        EXPECT_NEAR(fixture.Track(index).Clips()[0]->GetLengthMs(), 500.0, 0.1);
    }
    EXPECT_TRUE(fixture.Track(0).Clips().empty());

    ASSERT_TRUE(fixture.undo.Undo());
    EXPECT_TRUE(fixture.Track(1).Clips().empty());
    EXPECT_TRUE(fixture.Track(4).Clips().empty());
    EXPECT_TRUE(std::filesystem::exists(dir + "02 Guitar.wav"));
    EXPECT_TRUE(std::filesystem::exists(dir + "05.wav"));

    CRecordTake second(fixture.project, fixture.mixer, fixture.undo);
    fixture.RecordInput(second, 0.0);
    EXPECT_EQ(second.Stop(), 2);
    EXPECT_EQ(second.Files(),
              (std::vector<std::string>{dir + "02 Guitar-1.wav", dir + "05-1.wav"}));
}

TEST(RecordTake, WithNothingArmedTheSelectedTrackRecords) {
    const std::string dir = FreshFolder("RecordTakeSelected");
    TakeProject fixture(dir);
    fixture.project.SelectTrack(2, false);
    CRecordTake take(fixture.project, fixture.mixer, fixture.undo);
    fixture.RecordInput(take, 0.0);
    EXPECT_TRUE(fixture.Track(2).IsArmed());
    EXPECT_EQ(take.Stop(), 1);
    EXPECT_EQ(take.Files(), std::vector<std::string>{dir + "03.wav"});
}

TEST(RecordTake, AStopBeforeAnyInputPlacesNothing) {
    const std::string dir = FreshFolder("RecordTakeEmpty");
    TakeProject fixture(dir);
    ASSERT_TRUE(fixture.Track(0).Arm(0, 2));
    CRecordTake take(fixture.project, fixture.mixer, fixture.undo);
    std::string reason;
    ASSERT_TRUE(take.Start(reason)) << reason;
    EXPECT_EQ(take.Stop(), 0);
    EXPECT_TRUE(fixture.Track(0).Clips().empty());
    EXPECT_FALSE(fixture.undo.CanUndo());
}

} // namespace
