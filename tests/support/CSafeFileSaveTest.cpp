#include "support/CSafeFileSave.h"
#include "support/CFileObj.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

namespace {

namespace fs = std::filesystem;

class CSafeFileSaveTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_folder = std::string(LOOMTONE_TEST_TMP) + "/safe-save";
        fs::remove_all(m_folder);
        fs::create_directories(m_folder);
        m_target = m_folder + "/song.lt4";
    }

    static void WriteText(const std::string& path, const std::string& text) {
        std::ofstream(path, std::ios::binary) << text;
    }
    static std::string ReadText(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }
    // Only the target and its backup may be left in the folder.
    size_t FilesInFolder() const {
        return static_cast<size_t>(std::distance(fs::directory_iterator(m_folder), {}));
    }

    std::string m_folder;
    std::string m_target;
};

TEST_F(CSafeFileSaveTest, CommitReplacesTargetAndKeepsOldContentsAsBackup) {
    WriteText(m_target, "old");
    WriteText(CSafeFileSave::BackupPathFor(m_target), "older");
    CSafeFileSave save(m_target);
    CFileObj* file = save.Begin();
    ASSERT_NE(file, nullptr);
    EXPECT_EQ(ReadText(m_target), "old"); // untouched while writing
    ASSERT_TRUE(file->Write("new", 3));
    ASSERT_TRUE(save.Commit());
    EXPECT_EQ(ReadText(m_target), "new");
    EXPECT_EQ(ReadText(m_target + ".backup"), "old");
    EXPECT_EQ(FilesInFolder(), 2u);
}

TEST_F(CSafeFileSaveTest, SaveGivenUpMidwayLeavesTargetAndBackupAsTheyWere) {
    WriteText(m_target, "old");
    WriteText(m_target + ".backup", "older");
    {
        CSafeFileSave save(m_target);
        CFileObj* file = save.Begin();
        ASSERT_NE(file, nullptr);
        ASSERT_TRUE(file->Write("half", 4));
        EXPECT_TRUE(fs::exists(save.TempPath()));
        // The writer fails here and returns without committing.
    }
    EXPECT_EQ(ReadText(m_target), "old");
    EXPECT_EQ(ReadText(m_target + ".backup"), "older");
    EXPECT_EQ(FilesInFolder(), 2u);
}

TEST_F(CSafeFileSaveTest, FirstSaveMakesNoBackup) {
    CSafeFileSave save(m_target);
    CFileObj* file = save.Begin();
    ASSERT_NE(file, nullptr);
    ASSERT_TRUE(file->Write("x", 1));
    ASSERT_TRUE(save.Commit());
    EXPECT_EQ(ReadText(m_target), "x");
    EXPECT_FALSE(fs::exists(m_target + ".backup"));
}

TEST_F(CSafeFileSaveTest, FailedRenameLeavesNoTemporaryFile) {
    fs::create_directories(m_target + "/inside"); // a non-empty folder cannot be replaced
    CSafeFileSave save(m_target);
    CFileObj* file = save.Begin();
    ASSERT_NE(file, nullptr);
    ASSERT_TRUE(file->Write("x", 1));
    EXPECT_FALSE(save.Commit());
    EXPECT_TRUE(fs::is_directory(m_target + "/inside"));
    EXPECT_EQ(FilesInFolder(), 1u);
}

TEST_F(CSafeFileSaveTest, MissingFolderRefusesToBegin) {
    CSafeFileSave save(m_folder + "/no/such/folder/song.lt4");
    EXPECT_EQ(save.Begin(), nullptr);
}

} // namespace
