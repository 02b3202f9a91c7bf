#include "details/CUserPresetStore.h"
#include "engine/CDelayEffect.h"
#include "engine/CGainEffect.h"
#include "support/LogCapture.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <limits>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

class CUserPresetStoreTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_dir = std::string(LOOMTONE_TEST_TMP) + "/presets-" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name() + "/";
        fs::remove_all(m_dir);
        m_path = m_dir + "store/effect-presets.txt";
    }
    void WriteFile(const std::string& text) {
        fs::create_directories(m_dir + "store");
        std::ofstream(m_path, std::ios::binary) << text;
    }
    std::string ReadFile() const {
        std::ifstream in(m_path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }
    static std::string GainLine(const std::string& rest) {
        // "LGai" and twelve zero bytes.
        return "4c476169000000000000000000000000 " + rest + "\n";
    }

    std::string m_dir;
    std::string m_path;
};

TEST_F(CUserPresetStoreTest, SavedPresetsComeBackInANewStore) {
    CUserPresetStore store(m_path);
    ASSERT_TRUE(store.Load()); // no file yet: empty, and fine
    EXPECT_TRUE(store.PresetsOf(CGainEffect::kID).empty());
    const std::vector<float> quiet{-12.5f};
    const std::vector<float> odd{0.1f, 1e-7f, 123456.789f};
    ASSERT_TRUE(store.Save(CGainEffect::kID, "Quiet", quiet));
    ASSERT_TRUE(store.Save(CDelayEffect::kID, "Odd values, and spaces", odd));
    ASSERT_TRUE(store.Save(CGainEffect::kID, "Loud", {6.0f}));

    CUserPresetStore reloaded(m_path);
    ASSERT_TRUE(reloaded.Load());
    const std::vector<CUserPresetStore::Preset> gains = reloaded.PresetsOf(CGainEffect::kID);
    ASSERT_EQ(gains.size(), 2u);
    EXPECT_EQ(gains[0], (CUserPresetStore::Preset{"Quiet", quiet}));
    EXPECT_EQ(gains[1], (CUserPresetStore::Preset{"Loud", {6.0f}}));
    // Every float comes back bit for bit.
    ASSERT_NE(reloaded.Find(CDelayEffect::kID, "Odd values, and spaces"), nullptr);
    EXPECT_EQ(reloaded.Find(CDelayEffect::kID, "Odd values, and spaces")->values, odd);
    EXPECT_EQ(reloaded.Find(CDelayEffect::kID, "Quiet"), nullptr);
    EXPECT_EQ(ReadFile().rfind(CUserPresetStore::kHeading, 0), 0u);
}

TEST_F(CUserPresetStoreTest, SavingAnExistingNameOverwritesItInPlace) {
    CUserPresetStore store(m_path);
    ASSERT_TRUE(store.Save(CGainEffect::kID, "A", {1.0f}));
    ASSERT_TRUE(store.Save(CGainEffect::kID, "B", {2.0f}));
    ASSERT_TRUE(store.Save(CGainEffect::kID, "A", {3.0f}));
    CUserPresetStore reloaded(m_path);
    ASSERT_TRUE(reloaded.Load());
    const std::vector<CUserPresetStore::Preset> gains = reloaded.PresetsOf(CGainEffect::kID);
    ASSERT_EQ(gains.size(), 2u);
    EXPECT_EQ(gains[0], (CUserPresetStore::Preset{"A", {3.0f}}));
    EXPECT_EQ(gains[1].name, "B");
}

TEST_F(CUserPresetStoreTest, DeletingRemovesOnlyThatPresetAndOnlyOfThatEffect) {
    CUserPresetStore store(m_path);
    ASSERT_TRUE(store.Save(CGainEffect::kID, "A", {1.0f}));
    ASSERT_TRUE(store.Save(CDelayEffect::kID, "A", {250.0f, 30.0f, 40.0f}));
    ASSERT_TRUE(store.Remove(CGainEffect::kID, "A"));
    EXPECT_FALSE(store.Remove(CGainEffect::kID, "A"));
    CUserPresetStore reloaded(m_path);
    ASSERT_TRUE(reloaded.Load());
    EXPECT_TRUE(reloaded.PresetsOf(CGainEffect::kID).empty());
    EXPECT_NE(reloaded.Find(CDelayEffect::kID, "A"), nullptr);
}

TEST_F(CUserPresetStoreTest, NamesAndValuesItCannotKeepAreRefused) {
    CUserPresetStore store(m_path);
    EXPECT_FALSE(store.Save(CGainEffect::kID, "", {1.0f}));
    EXPECT_FALSE(store.Save(CGainEffect::kID, std::string(256, 'x'), {1.0f}));
    EXPECT_FALSE(store.Save(CGainEffect::kID, "two\nlines", {1.0f}));
    EXPECT_FALSE(store.Save(CGainEffect::kID, "nan", {std::nanf("")}));
    EXPECT_FALSE(store.Save(CGainEffect::kID, "inf", {std::numeric_limits<float>::infinity()}));
    EXPECT_TRUE(store.PresetsOf(CGainEffect::kID).empty());
    EXPECT_FALSE(fs::exists(m_path));
    EXPECT_TRUE(store.Save(CGainEffect::kID, std::string(255, 'x'), {1.0f}));
}

TEST_F(CUserPresetStoreTest, DamagedLinesAreLeftOutWithALogLineAndTheRestKept) {
    WriteFile(std::string(CUserPresetStore::kHeading) + "\n" + GainLine("1 -3 Good") +
              GainLine("1 nope Bad number") + GainLine("5 1 2 Too few values") +
              GainLine("99999999999999999999 1 Huge count") + GainLine("1 inf Infinite") +
              GainLine("1 1") + // no name
              "4761 1 1 Short identifier\n" + "zz61696e000000000000000000000000 1 1 Not hex\n" +
              GainLine("1 -3 Good") + // twice
              std::string("\x01\xff\0garbage", 10) + "\n" + GainLine("2 1 2 Also good"));
    LogCapture log;
    CUserPresetStore store(m_path);
    EXPECT_FALSE(store.Load());
    EXPECT_TRUE(log.Contains("line 3 is damaged"));
    const std::vector<CUserPresetStore::Preset> gains = store.PresetsOf(CGainEffect::kID);
    ASSERT_EQ(gains.size(), 2u);
    EXPECT_EQ(gains[0], (CUserPresetStore::Preset{"Good", {-3.0f}}));
    EXPECT_EQ(gains[1], (CUserPresetStore::Preset{"Also good", {1.0f, 2.0f}}));
}

TEST_F(CUserPresetStoreTest, AFileThatIsNoPresetFileGivesAnEmptyStoreAndIsKeptAsTheBackup) {
    const std::string foreign = "this is not\na preset file\n";
    WriteFile(foreign);
    LogCapture log;
    CUserPresetStore store(m_path);
    EXPECT_FALSE(store.Load());
    EXPECT_TRUE(log.Contains("is not an effect preset file"));
    EXPECT_TRUE(store.PresetsOf(CGainEffect::kID).empty());
    ASSERT_TRUE(store.Save(CGainEffect::kID, "A", {1.0f}));
    std::ifstream backup(m_path + ".backup", std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(backup), {}), foreign);
}

TEST_F(CUserPresetStoreTest, AnEmptyOrHugeFileIsRefused) {
    WriteFile("");
    CUserPresetStore empty(m_path);
    EXPECT_FALSE(empty.Load());
    WriteFile(std::string(CUserPresetStore::kHeading) + "\n" +
              std::string(CUserPresetStore::kMaxFileBytes, ' '));
    LogCapture log;
    CUserPresetStore huge(m_path);
    EXPECT_FALSE(huge.Load());
    EXPECT_TRUE(log.Contains("too large"));
}

TEST_F(CUserPresetStoreTest, AFolderThatCannotBeMadeFailsTheSaveAndKeepsTheStore) {
    // A file where the store's folder should be.
    fs::create_directories(m_dir);
    std::ofstream(m_dir + "store") << "in the way";
    CUserPresetStore store(m_path);
    EXPECT_FALSE(store.Save(CGainEffect::kID, "A", {1.0f}));
    EXPECT_TRUE(store.PresetsOf(CGainEffect::kID).empty());
}

TEST(CUserPresetStoreDefault, LivesInTheUsersDataFolder) {
    const char* old = std::getenv("XDG_DATA_HOME");
    const std::string saved = old ? old : "";
    setenv("XDG_DATA_HOME", "/tmp/somewhere", 1);
    EXPECT_EQ(CUserPresetStore::DefaultPath(),
              "/tmp/somewhere/Veranth/Loomtone/effect-presets.txt");
    if (old)
        setenv("XDG_DATA_HOME", saved.c_str(), 1);
    else
        unsetenv("XDG_DATA_HOME");
}

} // namespace
