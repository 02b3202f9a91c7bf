#include "MainWindowFixture.h"
#include "ToneWav.h"
#include "app/MainCommands.h"
#include "project/CAudioClip.h"
#include "project/CTrack.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

// A saved project in "original/" whose two sounds live in "sounds/", with one
// unsaved change on top, open in a main window.
class ProjectTransfer : public MainWindowFixture {
protected:
    ProjectTransfer() : MainWindowFixture("transfer") {
        for (const char* folder : {"sounds", "original", "copy"})
            fs::create_directories(m_root + folder);
    }

    void SetUp() override {
        ASSERT_NO_FATAL_FAILURE(Open());
        project.NewProject(true);
        WriteToneWav(m_root + "sounds/Kick.wav", 44100, 16384);
        WriteToneWav(m_root + "sounds/Bass.wav", 44100, 8192, 110.0);
        project.SelectTrack(0, false);
        ASSERT_NE(project.AddAudioClip(m_root + "sounds/Kick.wav"), nullptr);
        project.SelectTrack(1, false);
        ASSERT_NE(project.AddAudioClip(m_root + "sounds/Bass.wav"), nullptr);
        ASSERT_TRUE(project.SaveProject(original));
        ASSERT_TRUE(window->ExecuteCommand(kCmdAddAudioTrack));
        ASSERT_TRUE(undo.IsDirty());
        chosenPath = m_root + "copy";
    }
    // The command asks for folders only.
    void TearDown() override {
        for (const FileDialogRequest::Mode mode : dialogModes)
            EXPECT_EQ(mode, FileDialogRequest::Mode::kFolder);
    }

    std::set<std::string> CopyFolder() const {
        std::set<std::string> names;
        for (const auto& entry : fs::directory_iterator(m_root + "copy"))
            names.insert(entry.path().filename().string());
        return names;
    }

    std::vector<std::string> SoundPaths() const {
        std::vector<std::string> paths;
        for (int index = 0; index < project.GetNumTracks(); ++index)
            for (const CClip* clip : project.GetTrack(index)->Clips())
                if (const auto* audio = dynamic_cast<const CAudioClip*>(clip))
                    paths.push_back(audio->GetFilePath());
        return paths;
    }

    // The original project as it was before the command: file, changes, recent list.
    void ExpectOriginalUntouched() {
        EXPECT_EQ(project.GetProjectFilePath(), original);
        EXPECT_TRUE(undo.IsDirty());
        EXPECT_EQ(project.GetRecordingFolder(), m_root);
        EXPECT_TRUE(window->IsCommandEnabled(kCmdRecentFirst));
        EXPECT_FALSE(window->IsCommandEnabled(kCmdRecentFirst + 1));
    }

    const std::string original = m_root + "original/Song.lt4";
};

} // namespace

TEST_F(ProjectTransfer, CopiesTheProjectAndItsSoundsAndLeavesTheOriginalOpen) {
    // Not saving first, own sounds only, record into the new folder, notice, do not open.
    answers = {IDNO, IDNO, IDYES, IDOK, IDNO};
    ASSERT_TRUE(window->ExecuteCommand(kCmdTransferProject));
    EXPECT_EQ(asked, (std::vector<std::string>{
                         MyLoadString("WantSaveQuestion"), MyLoadString("TransferQuest_Body"),
                         MyLoadString("TransferRecPath_Body"), MyLoadString("TransferFiles_Body"),
                         MyLoadString("TransferLoad_Body")}));
    EXPECT_EQ(CopyFolder(), (std::set<std::string>{"Song.lt4", "Kick.wav", "Bass.wav"}));
    ExpectOriginalUntouched();
    EXPECT_EQ(SoundPaths(),
              (std::vector<std::string>{m_root + "sounds/Kick.wav", m_root + "sounds/Bass.wav"}));

    // A second copy into the same folder takes free names beside the first.
    answers = {IDNO, IDNO, IDNO, IDOK, IDNO};
    ASSERT_TRUE(window->ExecuteCommand(kCmdTransferProject));
    EXPECT_EQ(CopyFolder(), (std::set<std::string>{"Song.lt4", "Kick.wav", "Bass.wav", "Song-1.lt4",
                                                   "Kick-1.wav", "Bass-1.wav"}));
    ExpectOriginalUntouched();
}

TEST_F(ProjectTransfer, TheCopyOpensWithItsSoundsFromTheNewFolder) {
    answers = {IDNO, IDNO, IDYES, IDOK, IDYES};
    ASSERT_TRUE(window->ExecuteCommand(kCmdTransferProject));
    // Only the copies are left to be found.
    fs::remove_all(m_root + "sounds");
    const std::string copy = m_root + "copy/Song.lt4";
    ASSERT_EQ(project.GetProjectFilePath(), copy);
    bool cancelled = false;
    ASSERT_TRUE(project.LoadProject(copy, cancelled));
    EXPECT_EQ(SoundPaths(),
              (std::vector<std::string>{m_root + "copy/Kick.wav", m_root + "copy/Bass.wav"}));
    EXPECT_EQ(project.GetNumTracks(), 9);
    EXPECT_EQ(project.GetRecordingFolder(), m_root + "copy/");
    EXPECT_FALSE(undo.IsDirty());
}

TEST_F(ProjectTransfer, DecliningAnyQuestionWritesNothing) {
    const std::vector<std::deque<int>> declines = {
        {IDCANCEL},             // the save question
        {IDNO},                 // then no folder is chosen
        {IDNO, IDCANCEL},       // the sound question
        {IDNO, IDNO, IDCANCEL}, // the recording folder question
    };
    for (size_t step = 0; step < declines.size(); ++step) {
        SCOPED_TRACE(step);
        answers = declines[step];
        chosenPath = step == 1 ? "" : m_root + "copy";
        asked.clear();
        ASSERT_TRUE(window->ExecuteCommand(kCmdTransferProject));
        EXPECT_EQ(asked.size(), std::max<size_t>(1, declines[step].size()));
        EXPECT_TRUE(CopyFolder().empty());
        ExpectOriginalUntouched();
    }
}

TEST_F(ProjectTransfer, AFolderThatCannotBeWrittenLeavesNoHalfCopy) {
    chosenPath = m_root + "missing/folder";
    answers = {IDNO, IDNO, IDNO, IDOK};
    ASSERT_TRUE(window->ExecuteCommand(kCmdTransferProject));
    ASSERT_EQ(asked.size(), 4u);
    EXPECT_EQ(asked.back().find("The project could not be saved to"), 0u);
    EXPECT_FALSE(fs::exists(m_root + "missing"));
    ExpectOriginalUntouched();
}
