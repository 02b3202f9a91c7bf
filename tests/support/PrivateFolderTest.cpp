#include "support/PrivateFolder.h"

#include "ScopedEnv.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

namespace {

namespace fs = std::filesystem;

std::string Root(const std::string& name) {
    const std::string root = std::string(LOOMTONE_TEST_TMP) + "/private-" + name + "/";
    fs::remove_all(root);
    fs::create_directories(root);
    return root;
}

TEST(PrivateFolder, TheDefaultLiesInTheUsersCache) {
    const std::string root = Root("default");
    ScopedEnv home("HOME", (root + "home").c_str());
    {
        ScopedEnv cache("XDG_CACHE_HOME", (root + "cache").c_str());
        EXPECT_EQ(PrivateFolder::DefaultSoundFolder(), root + "cache/loomtone/sounds/");
    }
    ScopedEnv cache("XDG_CACHE_HOME", nullptr);
    EXPECT_EQ(PrivateFolder::DefaultSoundFolder(), root + "home/.cache/loomtone/sounds/");
    // A relative cache variable is no place to trust.
    ScopedEnv relative("XDG_CACHE_HOME", "cache");
    EXPECT_EQ(PrivateFolder::DefaultSoundFolder(), root + "home/.cache/loomtone/sounds/");
}

TEST(PrivateFolder, AMissingFolderIsMadeClosedToOthers) {
    const std::string root = Root("made");
    std::string why;
    ASSERT_TRUE(PrivateFolder::Prepare(root + "a/b/sounds/", why)) << why;
    for (const char* level : {"a", "a/b", "a/b/sounds"})
        EXPECT_EQ(fs::status(root + level).permissions() & fs::perms::all, fs::perms::owner_all)
            << level;
}

TEST(PrivateFolder, TheDefaultFolderIsClosedToOthersWhenItWasOpen) {
    const std::string root = Root("opened");
    ScopedEnv cache("XDG_CACHE_HOME", (root + "cache").c_str());
    const std::string folder = PrivateFolder::DefaultSoundFolder();
    fs::create_directories(folder);
    fs::permissions(folder, fs::perms::all);
    std::string why;
    ASSERT_TRUE(PrivateFolder::Prepare(folder, why)) << why;
    EXPECT_EQ(fs::status(folder).permissions() & fs::perms::all, fs::perms::owner_all);
}

TEST(PrivateFolder, AnotherUsersFolderOrAFileIsRefused) {
    const std::string root = Root("refused");
    std::string why;
    std::ofstream(root + "file") << "x";
    EXPECT_FALSE(PrivateFolder::Prepare(root + "file", why));
    EXPECT_FALSE(PrivateFolder::Prepare("relative/sounds/", why));
    std::string foreign = "/";
    if (geteuid() == 0) {
        // As the administrator, a folder handed to another user.
        foreign = root + "foreign/";
        fs::create_directories(foreign);
        ASSERT_EQ(chown(foreign.c_str(), 65534, 65534), 0);
    }
    why.clear();
    EXPECT_FALSE(PrivateFolder::Prepare(foreign, why));
    EXPECT_NE(why.find("another user"), std::string::npos) << why;
}

} // namespace
