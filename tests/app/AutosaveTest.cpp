#include "ToneWav.h"
#include "app/CAutosave.h"
#include "engine/CPCMMixer.h"
#include "project/CProject.h"
#include "project/CProjectFile.h"
#include "project/CRecoverySave.h"
#include "project/CTrack.h"
#include "project/ProjectPreferences.h"
#include "support/CUndoMgr.h"

#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>

namespace fs = std::filesystem;

namespace {

std::string Bytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

class AutosaveTest : public ::testing::Test {
protected:
    AutosaveTest() : project(mixer, undo, prefs) {
        const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
        dir = std::string(LOOMTONE_TEST_TMP) + "/autosave/" + test->name() + "/";
        fs::remove_all(dir);
        fs::create_directories(dir);
        recovery = dir + "Loomtone-CrashRecovery.lt4";
        prefs.DefRecDir = dir;
        prefs.bSwitchKeyTempoOnFirstSound = false;
        project.NewProject(true);
    }

    // clipsPerTrack clips of one sound on every track, one after the other.
    void AddClips(int clipsPerTrack) {
        WriteToneWav(dir + "tone.wav", 4410, 8000);
        for (int track = 0; track < project.GetNumTracks(); ++track) {
            project.SelectTrack(track, false);
            for (int clip = 0; clip < clipsPerTrack; ++clip) {
                project.MoveCaretAndPlayback(clip * 200.0);
                ASSERT_NE(project.AddAudioClip(dir + "tone.wav"), nullptr);
            }
        }
    }

    // The copy as the next start would read it: tracks and clips per track.
    std::vector<size_t> ClipsInCopy() {
        ProjectFileContents contents;
        CProjectFile file(contents);
        if (!file.LoadFromFile(recovery))
            return {};
        std::vector<size_t> clips;
        for (const TrackFileContents& track : contents.tracks)
            clips.push_back(track.CountClips());
        return clips;
    }

    CPCMMixer mixer;
    CUndoMgr undo{400};
    ProjectPreferences prefs;
    CProject project;
    std::string dir;
    std::string recovery;
};

} // namespace

TEST_F(AutosaveTest, CopiesOnlyAChangedProjectAndLeavesItsStateAlone) {
    CAutosave autosave(project, mixer, undo, recovery);
    undo.SetDirty(false);
    EXPECT_FALSE(autosave.SaveIfChanged());
    EXPECT_FALSE(fs::exists(recovery));

    undo.NextUndoSet();
    project.AddAudioTrack(-1, true);
    ASSERT_TRUE(autosave.SaveIfChanged());
    EXPECT_TRUE(autosave.WaitForWrite());
    EXPECT_EQ(ClipsInCopy().size(), 9u);
    // Nothing changed since: no second copy.
    EXPECT_FALSE(autosave.SaveIfChanged());

    // The project keeps its own file name, history and changed state.
    EXPECT_EQ(project.GetProjectFilePath(), "");
    EXPECT_TRUE(undo.CanUndo());
    EXPECT_TRUE(undo.IsDirty());

    // An undo is a change too.
    undo.Undo();
    ASSERT_TRUE(autosave.SaveIfChanged());
    autosave.WaitForWrite();
    EXPECT_EQ(ClipsInCopy().size(), 8u);

    autosave.Finish();
    EXPECT_FALSE(fs::exists(recovery));
}

TEST_F(AutosaveTest, NeverCopiesWhileTheProjectIsLoadedOrSaved) {
    CAutosave autosave(project, mixer, undo, recovery);
    undo.SetDirty(true);
    project.SetFileActivity(true);
    EXPECT_FALSE(autosave.SaveIfChanged());
    project.SetFileActivity(false);
    EXPECT_TRUE(autosave.SaveIfChanged());
    autosave.WaitForWrite();
    EXPECT_TRUE(fs::exists(recovery));
}

TEST_F(AutosaveTest, ARecoveryFileItDidNotWriteIsLeftAlone) {
    std::ofstream(recovery) << "another run's copy";
    {
        CAutosave autosave(project, mixer, undo, recovery);
        autosave.Finish();
    }
    EXPECT_EQ(Bytes(recovery), "another run's copy");
}

// A process killed at any moment of writing the copy leaves the previous
// copy whole, and the user's own file untouched.
TEST_F(AutosaveTest, AKillDuringTheWriteNeverDamagesTheCopyOrTheProject) {
    AddClips(25);
    const std::string userFile = dir + "song.lt4";
    ASSERT_TRUE(project.SaveProject(userFile));
    const std::string userBytes = Bytes(userFile);
    ProjectFileContents contents = CRecoverySave::Snapshot(project, mixer, recovery);
    ASSERT_TRUE(CRecoverySave::Write(contents, recovery));
    const std::vector<size_t> expected = ClipsInCopy();
    ASSERT_EQ(expected, std::vector<size_t>(8, 25));

    for (int round = 0; round < 12; ++round) {
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            for (;;)
                CRecoverySave::Write(contents, recovery);
        }
        std::this_thread::sleep_for(std::chrono::microseconds(500 + round * 1700));
        kill(child, SIGKILL);
        int status = 0;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFSIGNALED(status));
        EXPECT_EQ(ClipsInCopy(), expected) << "round " << round;
    }
    EXPECT_EQ(Bytes(userFile), userBytes);
}

// The copy is what a save of the same state next to it would write, byte
// for byte: the next start reads it as it would read the user's own file.
TEST_F(AutosaveTest, TheCopyHoldsTheBytesOfASaveOfTheSameState) {
    AddClips(6);
    project.GetTrack(2)->SetName("Drums", true);
    const std::string saved = dir + "song.lt4";
    ASSERT_TRUE(project.SaveCopy(saved));
    ProjectFileContents contents = CRecoverySave::Snapshot(project, mixer, recovery);
    ASSERT_TRUE(CRecoverySave::Write(contents, recovery));
    const std::string copy = Bytes(recovery);
    EXPECT_GT(copy.size(), 6u * 8u * 968u);
    EXPECT_TRUE(copy == Bytes(saved));
}
