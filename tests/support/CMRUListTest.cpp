#include "support/CMRUList.h"
#include "support/CRegKey.h"

#include "ScopedEnv.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;

namespace {

const char* const kKeyPath = "SOFTWARE\\Veranth\\Loomtone4\\Recent Projects";

class CMRUListTest : public ::testing::Test {
protected:
    CMRUListTest()
        : m_home(fs::path(LOOMTONE_TEST_TMP) /
                 ("mru-" +
                  std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()))) {
        fs::remove_all(m_home);
        fs::create_directories(m_home);
    }
    void WriteStore(const std::string& text) {
        fs::create_directories(m_home / "loomtone");
        std::ofstream(m_home / "loomtone/registry") << text;
    }

    const fs::path m_home;

private:
    ScopedEnv m_config{"XDG_CONFIG_HOME", m_home.c_str()};
};

std::vector<std::string> Files(const CMRUList& list) {
    std::vector<std::string> files;
    for (size_t i = 0; i < list.NumMRUFiles(); ++i)
        files.push_back(list.GetFileWithPath(i));
    return files;
}

TEST_F(CMRUListTest, NewestFirstWithoutRepeatsUpToTheMaximum) {
    CMRUList list;
    ASSERT_TRUE(list.Init(kKeyPath));
    EXPECT_EQ(list.NumMRUFiles(), 0u);
    for (int i = 0; i < 10; ++i)
        EXPECT_TRUE(list.AddFile("/songs/song" + std::to_string(i) + ".lt4"));
    ASSERT_EQ(list.NumMRUFiles(), CMRUList::kDefaultMaxFiles);
    EXPECT_EQ(list.GetFileWithPath(0), "/songs/song9.lt4");
    EXPECT_EQ(list.GetFileWithPath(7), "/songs/song2.lt4");

    EXPECT_TRUE(list.AddFile("/songs/song5.lt4"));
    EXPECT_EQ(Files(list),
              (std::vector<std::string>{"/songs/song5.lt4", "/songs/song9.lt4", "/songs/song8.lt4",
                                        "/songs/song7.lt4", "/songs/song6.lt4", "/songs/song4.lt4",
                                        "/songs/song3.lt4", "/songs/song2.lt4"}));
    EXPECT_TRUE(list.AddFile("\\songs\\song9.lt4"));
    EXPECT_EQ(list.GetFileWithPath(0), "/songs/song9.lt4");
    EXPECT_EQ(list.GetFileWithPath(1), "/songs/song5.lt4");
    EXPECT_EQ(list.NumMRUFiles(), CMRUList::kDefaultMaxFiles);

    EXPECT_FALSE(list.AddFile(""));
    EXPECT_FALSE(list.AddFile("/" + std::string(CMRUList::kMaxPathLength, 'x')));
}

TEST_F(CMRUListTest, NamesAndOutOfRangeIndexes) {
    CMRUList list;
    ASSERT_TRUE(list.Init(kKeyPath));
    list.AddFile("/home/u/My Songs/First Take.lt4");
    EXPECT_EQ(list.GetFileNameOnly(0), "First Take.lt4");
    EXPECT_EQ(list.GetFileWithPath(1), "");
    EXPECT_EQ(list.GetFileNameOnly(1), "");
}

TEST_F(CMRUListTest, ChangesReachTheStoreAtOnce) {
    CMRUList list;
    ASSERT_TRUE(list.Init(kKeyPath));
    list.AddFile("/a.lt4");
    list.AddFile("/b.lt4");
    list.AddFile("/c.lt4");
    EXPECT_TRUE(list.RemoveFile("/b.lt4"));
    EXPECT_FALSE(list.RemoveFile("/b.lt4"));

    CRegStore disk(CRegStore::CurrentUserPath());
    ASSERT_TRUE(disk.Load());
    CRegStore::Value value;
    const CRegStore::KeyPath key = {"SOFTWARE", "Veranth", "Loomtone4", "Recent Projects"};
    ASSERT_TRUE(disk.GetValue(key, "RecentFile-0", &value));
    EXPECT_EQ(value.bytes, "/c.lt4");
    ASSERT_TRUE(disk.GetValue(key, "RecentFile-1", &value));
    EXPECT_EQ(value.bytes, "/a.lt4");
    EXPECT_FALSE(disk.GetValue(key, "RecentFile-2", &value));

    CMRUList again;
    ASSERT_TRUE(again.Init(kKeyPath));
    EXPECT_EQ(Files(again), (std::vector<std::string>{"/c.lt4", "/a.lt4"}));
}

TEST_F(CMRUListTest, StoredListIsCleanedOnReading) {
    WriteStore("[SOFTWARE\\Veranth\\Loomtone4\\Recent Projects]\n"
               "\"RecentFile-0\"=str:\"C:\\\\Songs\\\\x.lt4\"\n"
               "\"RecentFile-1\"=str:\"\"\n"
               "\"RecentFile-2\"=str:\"C:/Songs/x.lt4\"\n"
               "\"RecentFile-3\"=num:7\n"
               "\"RecentFile-4\"=str:\"/" +
               std::string(CMRUList::kMaxPathLength, 'y') +
               "\"\n"
               "\"RecentFile-6\"=str:\"/y.lt4\"\n"
               "\"RecentFile-31\"=str:\"/z.lt4\"\n");
    CMRUList list;
    ASSERT_TRUE(list.Init(kKeyPath));
    EXPECT_EQ(Files(list), (std::vector<std::string>{"C:/Songs/x.lt4", "/y.lt4", "/z.lt4"}));

    CMRUList small;
    ASSERT_TRUE(small.Init(kKeyPath, 2));
    EXPECT_EQ(small.NumMRUFiles(), 2u);
    small.AddFile("/new.lt4");
    CMRUList reread;
    ASSERT_TRUE(reread.Init(kKeyPath));
    EXPECT_EQ(Files(reread), (std::vector<std::string>{"/new.lt4", "C:/Songs/x.lt4"}));
}

TEST_F(CMRUListTest, BadKeyPathIsRefused) {
    CMRUList list;
    EXPECT_FALSE(list.Init(""));
    EXPECT_FALSE(list.Init("a\\\\b"));
    EXPECT_FALSE(list.AddFile("/a.lt4"));
}

} // namespace
