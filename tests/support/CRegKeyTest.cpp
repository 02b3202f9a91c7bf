#include "support/CRegKey.h"

#include "ScopedEnv.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <thread>

namespace fs = std::filesystem;

namespace {

std::shared_ptr<CRegStore> MemoryStore() {
    return std::make_shared<CRegStore>("");
}

TEST(CRegKey, SubKeysAreOpenedOnlyWhenTheyExist) {
    CRegKey root(MemoryStore());
    EXPECT_EQ(root.GetSubKey("SOFTWARE"), nullptr);
    const auto created = root.CreateSubKey("SOFTWARE\\Veranth\\Loomtone4");
    ASSERT_NE(created, nullptr);
    EXPECT_EQ(created->KeyPathText(), "SOFTWARE\\Veranth\\Loomtone4");

    const auto software = root.GetSubKey("SOFTWARE");
    ASSERT_NE(software, nullptr);
    const auto veranth = software->GetSubKey("Veranth");
    ASSERT_NE(veranth, nullptr);
    const auto current = veranth->GetSubKey("Loomtone4");
    ASSERT_NE(current, nullptr);
    EXPECT_EQ(veranth->GetSubKey("Loomtone3"), nullptr);

    EXPECT_EQ(root.CreateSubKey(""), nullptr);
    EXPECT_EQ(root.CreateSubKey("a\\\\b"), nullptr);
    EXPECT_EQ(root.CreateSubKey("tab\there"), nullptr);
    EXPECT_EQ(root.GetSubKey("SOFTWARE\\"), nullptr);
    const std::string tooDeep(CRegStore::kMaxKeyDepth - 3, 'k');
    std::string path = "k";
    for (size_t i = 0; i < tooDeep.size(); ++i)
        path += "\\k";
    EXPECT_EQ(current->CreateSubKey(path), nullptr);
}

TEST(CRegKey, ValuesAreTypedAndSubKeyExistsMeansAValue) {
    CRegKey root(MemoryStore());
    const auto key = root.CreateSubKey("K");
    ASSERT_NE(key, nullptr);
    ASSERT_NE(key->CreateSubKey("child"), nullptr);
    EXPECT_FALSE(key->SubKeyExists("child"));

    EXPECT_TRUE(key->SetKeyNum("number", -1));
    EXPECT_TRUE(key->SetKeyString("text", "/home/u/song.lt4"));
    const uint8_t bytes[3] = {1, 0, 255};
    EXPECT_TRUE(key->SetKeyData("blob", bytes, sizeof bytes));
    EXPECT_TRUE(key->SetKeyData("empty", nullptr, 0));
    EXPECT_FALSE(key->SetKeyData("bad", nullptr, 4));
    EXPECT_TRUE(key->SubKeyExists("number"));
    EXPECT_TRUE(key->SubKeyExists("empty"));
    EXPECT_FALSE(key->SubKeyExists("missing"));

    int32_t number = 0;
    std::string text;
    std::vector<uint8_t> data;
    EXPECT_TRUE(key->GetKeyNum("number", &number));
    EXPECT_EQ(number, -1);
    EXPECT_TRUE(key->GetKeyString("text", &text));
    EXPECT_EQ(text, "/home/u/song.lt4");
    EXPECT_TRUE(key->GetKeyData("blob", &data));
    EXPECT_EQ(data, (std::vector<uint8_t>{1, 0, 255}));
    EXPECT_TRUE(key->GetKeyData("empty", &data));
    EXPECT_TRUE(data.empty());

    EXPECT_FALSE(key->GetKeyNum("text", &number));
    EXPECT_FALSE(key->GetKeyString("number", &text));
    EXPECT_FALSE(key->GetKeyData("text", &data));
    EXPECT_FALSE(key->GetKeyNum("missing", &number));
    EXPECT_EQ(number, -1);

    // A write replaces a value of another type.
    EXPECT_TRUE(key->SetKeyString("number", "now text"));
    EXPECT_FALSE(key->GetKeyNum("number", &number));
    EXPECT_TRUE(key->GetKeyString("number", &text));
}

TEST(CRegKey, WideTextIsStoredAsUtf8) {
    CRegKey root(MemoryStore());
    const auto key = root.CreateSubKey("K");
    const std::wstring wide = L"Gr\u00fc\u00dfe \u266a \U0001F3B8";
    EXPECT_TRUE(key->SetKeyStringW("wide", wide));
    std::string utf8;
    EXPECT_TRUE(key->GetKeyString("wide", &utf8));
    EXPECT_EQ(utf8, "Gr\xc3\xbc\xc3\x9f"
                    "e \xe2\x99\xaa \xf0\x9f\x8e\xb8");
    std::wstring back;
    EXPECT_TRUE(key->GetKeyStringW("wide", &back));
    EXPECT_EQ(back, wide);
}

TEST(CRegKey, DeletedKeysAndValuesAreGone) {
    CRegKey root(MemoryStore());
    auto parent = root.CreateSubKey("P");
    auto child = parent->CreateSubKey("C\\D");
    ASSERT_NE(child, nullptr);
    EXPECT_TRUE(child->SetKeyNum("v", 1));
    EXPECT_TRUE(child->DeleteRegValue("v"));
    EXPECT_FALSE(child->DeleteRegValue("v"));
    EXPECT_FALSE(child->SubKeyExists("v"));

    EXPECT_TRUE(child->SetKeyNum("v", 1));
    EXPECT_TRUE(parent->DeleteRegKey("C"));
    EXPECT_FALSE(parent->DeleteRegKey("C"));
    EXPECT_EQ(parent->GetSubKey("C"), nullptr);
    // The handle outlives its key: reads find nothing, writes and subkeys fail.
    int32_t number = 0;
    EXPECT_FALSE(child->GetKeyNum("v", &number));
    EXPECT_FALSE(child->SetKeyNum("v", 2));
    EXPECT_EQ(child->CreateSubKey("E"), nullptr);
}

TEST(CRegKey, CurrentUserRootPersistsUnderXdgConfigHome) {
    const fs::path home = fs::path(LOOMTONE_TEST_TMP) / "regkey-home";
    fs::remove_all(home);
    fs::create_directories(home);
    ScopedEnv config("XDG_CONFIG_HOME", home.c_str());

    CRegKey root(RegRoot::CurrentUser);
    EXPECT_EQ(root.StoreFilePath(), home.string() + "/loomtone/registry");
    const auto key = root.CreateSubKey("SOFTWARE\\Veranth\\Loomtone4");
    ASSERT_NE(key, nullptr);
    EXPECT_TRUE(key->SetKeyNum("bFirstRun", 0));
    EXPECT_FALSE(fs::exists(home / "loomtone/registry"));
    EXPECT_TRUE(key->Flush());

    CRegStore reader(root.StoreFilePath());
    ASSERT_TRUE(reader.Load());
    CRegStore::Value value;
    EXPECT_TRUE(reader.GetValue({"SOFTWARE", "Veranth", "Loomtone4"}, "bFirstRun", &value));
}

TEST(CRegKey, TwoThreadsShareOneKey) {
    CRegKey root(MemoryStore());
    const auto key = root.CreateSubKey("K");
    auto work = [&key](int thread) {
        for (int i = 0; i < 500; ++i) {
            const std::string name = std::to_string(thread) + "-" + std::to_string(i % 20);
            key->SetKeyNum(name, i);
            int32_t value = 0;
            key->GetKeyNum(name, &value);
            if (i % 7 == 0)
                key->DeleteRegValue(name);
        }
    };
    std::thread first(work, 0), second(work, 1);
    first.join();
    second.join();
    int32_t value = 0;
    EXPECT_TRUE(key->GetKeyNum("0-19", &value));
    EXPECT_EQ(value, 499);
}

} // namespace
