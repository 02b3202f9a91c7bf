#include "support/CFileObj.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>

namespace {

struct Releaser {
    void operator()(CRefObj* object) const { object->DeleteRefObject(); }
};
using FilePtr = std::unique_ptr<CFileObj, Releaser>;

std::string TempPath(const std::string& name) {
    std::filesystem::create_directories(LOOMTONE_TEST_TMP);
    return std::string(LOOMTONE_TEST_TMP) + "/fileobj-" + name;
}

// Counts its own destruction, to see when the last reference goes.
class Counted : public CRefObj {
public:
    explicit Counted(int& deaths) : m_deaths(deaths) {}

protected:
    ~Counted() override { ++m_deaths; }

private:
    int& m_deaths;
};

} // namespace

TEST(CRefObjTest, LastReleaseDeletes) {
    int deaths = 0;
    auto* object = new Counted(deaths);
    EXPECT_EQ(object->RefCount(), 1u);
    EXPECT_EQ(object->AddRef(), 2u);
    EXPECT_EQ(object->DeleteRefObject(), 1u);
    EXPECT_EQ(deaths, 0);
    EXPECT_EQ(object->DeleteRefObject(), 0u);
    EXPECT_EQ(deaths, 1);
}

TEST(CFileObjTest, WritesSeeksAndReadsBack) {
    const std::string path = TempPath("rw.bin");
    FilePtr file(new CFileObj);
    ASSERT_TRUE(file->Create(path));
    EXPECT_TRUE(file->IsOpen());
    EXPECT_TRUE(file->IsWritable());
    EXPECT_EQ(file->Path(), path);
    EXPECT_FALSE(file->Create(path)); // already open
    ASSERT_TRUE(file->Write("hello world", 11));
    EXPECT_EQ(file->Tell(), 11);
    EXPECT_EQ(file->Size(), 11);
    ASSERT_TRUE(file->Seek(6));
    ASSERT_TRUE(file->Write("WORLD", 5));
    ASSERT_TRUE(file->Seek(0));
    char buffer[32] = {};
    EXPECT_EQ(file->Read(buffer, sizeof buffer), 11u); // short at the end
    EXPECT_EQ(std::string(buffer), "hello WORLD");
    EXPECT_FALSE(file->Seek(-1));
    ASSERT_TRUE(file->Seek(100)); // past the end: reads nothing
    EXPECT_EQ(file->Read(buffer, 4), 0u);
    EXPECT_TRUE(file->Close());
    EXPECT_FALSE(file->IsOpen());
    EXPECT_EQ(file->Tell(), -1);
    EXPECT_EQ(file->Size(), -1);
    EXPECT_EQ(file->Read(buffer, 4), 0u);
    EXPECT_FALSE(file->Write("x", 1));

    ASSERT_TRUE(file->Open(path));
    EXPECT_FALSE(file->IsWritable());
    EXPECT_FALSE(file->Write("x", 1));
    EXPECT_EQ(file->Read(buffer, 5), 5u);
    EXPECT_EQ(std::string(buffer, 5), "hello");
    EXPECT_EQ(file->Size(), 11);
}

TEST(CFileObjTest, CreateTruncatesAnOldFile) {
    const std::string path = TempPath("truncate.bin");
    FilePtr first(new CFileObj);
    ASSERT_TRUE(first->Create(path));
    ASSERT_TRUE(first->Write("0123456789", 10));
    first->Close();
    FilePtr second(new CFileObj);
    ASSERT_TRUE(second->Create(path));
    EXPECT_EQ(second->Size(), 0);
}

TEST(CFileObjTest, OpenFailsOnMissingFilesAndFolders) {
    FilePtr file(new CFileObj);
    EXPECT_FALSE(file->Open(TempPath("does-not-exist.bin")));
    EXPECT_FALSE(file->Open(LOOMTONE_TEST_TMP));
    EXPECT_FALSE(file->Create(std::string(LOOMTONE_TEST_TMP) + "/no/such/folder/file.bin"));
    EXPECT_FALSE(file->IsOpen());
}

TEST(CFileObjTest, OffsetsBeyondFourGigabytes) {
    const std::string path = TempPath("large.bin");
    const int64_t far = (int64_t{5} << 30) + 3; // a sparse file: only one byte is stored
    FilePtr file(new CFileObj);
    ASSERT_TRUE(file->Create(path));
    ASSERT_TRUE(file->Seek(far));
    ASSERT_TRUE(file->Write("z", 1));
    EXPECT_EQ(file->Tell(), far + 1);
    EXPECT_EQ(file->Size(), far + 1);
    ASSERT_TRUE(file->Seek(far));
    char byte = 0;
    EXPECT_EQ(file->Read(&byte, 1), 1u);
    EXPECT_EQ(byte, 'z');
    file->Close();
    std::filesystem::remove(path);
}

TEST(CFileObjTest, MemoryImageReadsLikeAFile) {
    const char text[] = "abcdef";
    FilePtr file(new CFileObj);
    ASSERT_TRUE(file->OpenMemory(text, 6));
    EXPECT_TRUE(file->IsOpen());
    EXPECT_FALSE(file->IsWritable());
    EXPECT_FALSE(file->Write("x", 1));
    EXPECT_FALSE(file->OpenMemory(text, 6)); // already open
    EXPECT_EQ(file->Size(), 6);
    char buffer[8] = {};
    ASSERT_TRUE(file->Seek(4));
    EXPECT_EQ(file->Read(buffer, sizeof buffer), 2u);
    EXPECT_EQ(std::string(buffer, 2), "ef");
    EXPECT_EQ(file->Tell(), 6);
    ASSERT_TRUE(file->Seek(1000));
    EXPECT_EQ(file->Read(buffer, sizeof buffer), 0u);
    EXPECT_TRUE(file->Close());

    EXPECT_FALSE(file->OpenMemory(nullptr, 3));
    ASSERT_TRUE(file->OpenMemory(nullptr, 0));
    EXPECT_EQ(file->Size(), 0);
    EXPECT_EQ(file->Read(buffer, 1), 0u);
}
