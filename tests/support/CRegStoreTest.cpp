#include "support/CRegStore.h"
#include "support/LogCapture.h"

#include "ScopedEnv.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

using Value = CRegStore::Value;
using ValueType = CRegStore::ValueType;
using KeyPath = CRegStore::KeyPath;

std::string FreshFolder(const std::string& name) {
    const fs::path folder =
        fs::path(LOOMTONE_TEST_TMP) / ("regstore-" + name + "-" + std::to_string(getpid()));
    fs::remove_all(folder);
    fs::create_directories(folder);
    return folder.string() + "/";
}

Value Number(int32_t n) {
    return Value{ValueType::Number, n, ""};
}
Value Text(std::string s) {
    return Value{ValueType::String, 0, std::move(s)};
}
Value Blob(std::string s) {
    return Value{ValueType::Blob, 0, std::move(s)};
}

std::string AllBytes() {
    std::string bytes;
    for (int i = 0; i < 256; ++i)
        bytes.push_back(static_cast<char>(i));
    return bytes;
}

struct Entry {
    KeyPath key;
    std::string name;
    Value value;
};

// A store's worth of values of every kind, with awkward names and contents.
std::vector<Entry> SampleEntries() {
    const KeyPath current = {"SOFTWARE", "Veranth", "Loomtone4"};
    const KeyPath old = {"SOFTWARE", "Veranth", "Loomtone3"};
    return {
        {current, "mixDeviceType", Number(2)},
        {current, "lastCDBurnerIndex", Number(-1)},
        {current, "lowest", Number(INT32_MIN)},
        {current, "highest", Number(INT32_MAX)},
        {current, "TempDirM", Text("/tmp/loom4/")},
        {current, "escapes", Text("a\"b\\c\nd\te\rf\x01g\x7fh")},
        {current, "utf8",
         Text("Gr\xc3\xbc\xc3\x9f"
              "e \xe2\x99\xaa")},
        {current, "empty text", Text("")},
        {current, "lastMainWinRect", Blob(std::string(16, '\0'))},
        {current, "every byte", Blob(AllBytes())},
        {current, "empty blob", Blob("")},
        {current, "", Number(7)},
        {current, "name \"with\" = and \\ and\nnewline", Text("x")},
        {old, "bReadSettingsForLoom4", Number(1)},
        {{"odd ] [ key", "sub"}, "v", Number(3)},
        {{}, "at the root", Text("root value")},
    };
}

void Fill(CRegStore& store, const std::vector<Entry>& entries) {
    for (const Entry& entry : entries) {
        ASSERT_TRUE(store.CreateKey(entry.key));
        ASSERT_TRUE(store.SetValue(entry.key, entry.name, entry.value));
    }
}

void ExpectHolds(const CRegStore& store, const std::vector<Entry>& entries) {
    for (const Entry& entry : entries) {
        Value value;
        ASSERT_TRUE(store.GetValue(entry.key, entry.name, &value)) << entry.name;
        EXPECT_EQ(value, entry.value) << entry.name;
    }
}

void WriteText(const std::string& path, const std::string& text) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << text;
}

std::vector<std::string> FolderNames(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    return names;
}

TEST(CRegStore, EveryKindOfValueRoundTripsThroughText) {
    CRegStore store("");
    const auto entries = SampleEntries();
    Fill(store, entries);
    const std::string text = store.Serialize();

    CRegStore again("");
    EXPECT_EQ(again.ParseText(text), 0u);
    ExpectHolds(again, entries);
    EXPECT_EQ(again.Serialize(), text);
    EXPECT_TRUE(again.KeyExists({"SOFTWARE", "Veranth"}));
}

TEST(CRegStore, TextIsReadableLineByLine) {
    CRegStore store("");
    const KeyPath key = {"SOFTWARE", "Veranth", "Loomtone4"};
    ASSERT_TRUE(store.CreateKey(key));
    store.SetValue(key, "mixDeviceType", Number(-3));
    store.SetValue(key, "TempDirM", Text("/tmp/loom4/\t\"x\""));
    store.SetValue(key, "lastMainWinRect", Blob(std::string("\x00\xff\x10", 3)));
    const std::string text = store.Serialize();
    EXPECT_NE(text.find("\n[SOFTWARE\\Veranth\\Loomtone4]\n"), std::string::npos) << text;
    EXPECT_NE(text.find("\n\"mixDeviceType\"=num:-3\n"), std::string::npos) << text;
    EXPECT_NE(text.find("\n\"TempDirM\"=str:\"/tmp/loom4/\\t\\\"x\\\"\"\n"), std::string::npos)
        << text;
    EXPECT_NE(text.find("\n\"lastMainWinRect\"=hex:00ff10\n"), std::string::npos) << text;
    EXPECT_EQ(text.back(), '\n');
}

TEST(CRegStore, AcceptsHandEditedText) {
    CRegStore store("");
    const std::string text = "; a comment\r\n"
                             "  [SOFTWARE\\Veranth]  \r\n"
                             "\t\"big\"=num:4294967295\r\n"
                             "\"upper\"=hex:ABcd\r\n"
                             "\"esc\"=str:\"\\x41\\x4a\"\r\n"
                             "\n"
                             "[]\n"
                             "\"root\"=num:5\n";
    EXPECT_EQ(store.ParseText(text), 0u);
    Value value;
    ASSERT_TRUE(store.GetValue({"SOFTWARE", "Veranth"}, "big", &value));
    EXPECT_EQ(value, Number(-1));
    ASSERT_TRUE(store.GetValue({"SOFTWARE", "Veranth"}, "upper", &value));
    EXPECT_EQ(value, Blob("\xab\xcd"));
    ASSERT_TRUE(store.GetValue({"SOFTWARE", "Veranth"}, "esc", &value));
    EXPECT_EQ(value, Text("AJ"));
    ASSERT_TRUE(store.GetValue({}, "root", &value));
    EXPECT_EQ(value, Number(5));
}

TEST(CRegStore, SkipsDamagedLinesAndKeepsTheRest) {
    const std::vector<std::string> damaged = {
        "\"n\"=num:4294967296",
        "\"n\"=num:-2147483649",
        "\"n\"=num:12a",
        "\"n\"=num:",
        "\"n\"=num:+5",
        "\"n\"=num: 5",
        "\"n\"=hex:abc",
        "\"n\"=hex:zz",
        "\"n\"=str:\"bad \\q escape\"",
        "\"n\"=str:\"short \\x4\"",
        "\"n\"=str:\"\\xZZ\"",
        "\"n\"=str:\"unterminated",
        "\"n\"=str:\"a\" trailing",
        "\"n\"=str:unquoted",
        "\"n\"=dword:1",
        "\"n\"num:1",
        "n=num:1",
        "\"n",
        "\"n\\",
        "garbage",
    };
    std::string text = "[K]\n\"before\"=num:1\n";
    for (const std::string& line : damaged)
        text += line + "\n";
    text += "\"after\"=num:2\n";
    CRegStore store("");
    EXPECT_EQ(store.ParseText(text), damaged.size());
    Value value;
    EXPECT_TRUE(store.GetValue({"K"}, "before", &value));
    EXPECT_TRUE(store.GetValue({"K"}, "after", &value));
    EXPECT_FALSE(store.GetValue({"K"}, "n", &value));
}

TEST(CRegStore, ValuesAfterADamagedKeyLineGoNowhere) {
    CRegStore store("");
    const std::string text = "[Good]\n\"a\"=num:1\n"
                             "[Bad\\\\Double]\n\"b\"=num:2\n"
                             "[Unclosed\n\"c\"=num:3\n"
                             "[Good]\n\"d\"=num:4\n";
    EXPECT_EQ(store.ParseText(text), 4u);
    Value value;
    EXPECT_TRUE(store.GetValue({"Good"}, "a", &value));
    EXPECT_TRUE(store.GetValue({"Good"}, "d", &value));
    EXPECT_FALSE(store.GetValue({"Good"}, "b", &value));
    EXPECT_FALSE(store.GetValue({"Good"}, "c", &value));
    EXPECT_FALSE(store.GetValue({}, "b", &value));
}

TEST(CRegStore, KeyPathsAreCheckedAndBounded) {
    KeyPath path;
    EXPECT_TRUE(CRegStore::SplitKeyPath("SOFTWARE\\Veranth\\Loomtone4", &path));
    EXPECT_EQ(path, (KeyPath{"SOFTWARE", "Veranth", "Loomtone4"}));
    EXPECT_TRUE(CRegStore::SplitKeyPath("", &path));
    EXPECT_TRUE(path.empty());
    EXPECT_FALSE(CRegStore::SplitKeyPath("a\\", &path));
    EXPECT_FALSE(CRegStore::SplitKeyPath("\\a", &path));
    EXPECT_FALSE(CRegStore::SplitKeyPath("a\nb", &path));
    EXPECT_FALSE(CRegStore::IsValidKeyName(std::string(256, 'k')));
    EXPECT_TRUE(CRegStore::IsValidKeyName(std::string(255, 'k')));

    std::string deepest = "k";
    for (size_t i = 1; i < CRegStore::kMaxKeyDepth; ++i)
        deepest += "\\k";
    CRegStore store("");
    EXPECT_EQ(store.ParseText("[" + deepest + "]\n\"v\"=num:1\n"), 0u);
    EXPECT_EQ(store.ParseText("[" + deepest + "\\k]\n\"v\"=num:1\n"), 2u);
    EXPECT_FALSE(store.CreateKey(KeyPath(CRegStore::kMaxKeyDepth + 1, "k")));
}

// The value lines of a cut-off file either survive whole or are dropped; none is read short.
TEST(CRegStore, FileCutAtEveryLengthKeepsOnlyWholeValues) {
    CRegStore full("");
    const auto entries = SampleEntries();
    Fill(full, entries);
    const std::string text = full.Serialize();
    size_t previousCount = 0;
    for (size_t length = 0; length <= text.size(); ++length) {
        CRegStore cut("");
        cut.ParseText(std::string_view(text).substr(0, length));
        size_t count = 0;
        for (const Entry& entry : entries) {
            Value value;
            if (!cut.GetValue(entry.key, entry.name, &value))
                continue;
            ++count;
            ASSERT_EQ(value, entry.value) << "cut at " << length << ": " << entry.name;
        }
        ASSERT_GE(count, previousCount) << "cut at " << length;
        previousCount = count;
    }
    EXPECT_EQ(previousCount, entries.size());
}

TEST(CRegStore, GarbageAndHugeLinesNeverBreakTheParser) {
    std::mt19937 random(1234);
    CRegStore sample("");
    Fill(sample, SampleEntries());
    const std::string valid = sample.Serialize();
    for (int round = 0; round < 300; ++round) {
        std::string text = valid;
        const int changes = 1 + static_cast<int>(random() % 20);
        for (int i = 0; i < changes; ++i)
            text[random() % text.size()] = static_cast<char>(random() % 256);
        if (round % 3 == 0) {
            text.resize(random() % 4000);
            for (char& c : text)
                c = static_cast<char>(random() % 256);
        }
        CRegStore store("");
        store.ParseText(text);
        const std::string rewritten = store.Serialize();
        CRegStore again("");
        ASSERT_EQ(again.ParseText(rewritten), 0u);
        ASSERT_EQ(again.Serialize(), rewritten);
    }

    const std::string bigText(3 << 20, 'x');
    CRegStore store("");
    EXPECT_EQ(store.ParseText("[K]\n\"big\"=str:\"" + bigText + "\"\n" + std::string(2 << 20, '[') +
                              "\n\"after\"=num:1\n"),
              2u);
    Value value;
    ASSERT_TRUE(store.GetValue({"K"}, "big", &value));
    EXPECT_EQ(value.bytes.size(), bigText.size());
    EXPECT_FALSE(store.GetValue({"K"}, "after", &value));
}

TEST(CRegStore, FlushWritesTheFileWithoutLeftovers) {
    const std::string folder = FreshFolder("flush");
    const std::string path = folder + "deeper/registry";
    CRegStore store(path);
    EXPECT_TRUE(store.Load());
    EXPECT_FALSE(store.IsDirty());
    const auto entries = SampleEntries();
    Fill(store, entries);
    EXPECT_TRUE(store.IsDirty());
    ASSERT_TRUE(store.Flush());
    EXPECT_FALSE(store.IsDirty());
    EXPECT_EQ(FolderNames(folder + "deeper"), std::vector<std::string>{"registry"});

    CRegStore reader(path);
    ASSERT_TRUE(reader.Load());
    ExpectHolds(reader, entries);

    // Setting what is already there changes nothing and writes nothing.
    struct stat before, after;
    ASSERT_EQ(stat(path.c_str(), &before), 0);
    for (const Entry& entry : entries)
        store.SetValue(entry.key, entry.name, entry.value);
    EXPECT_FALSE(store.IsDirty());
    EXPECT_TRUE(store.Flush());
    ASSERT_EQ(stat(path.c_str(), &after), 0);
    EXPECT_EQ(before.st_ino, after.st_ino);
}

TEST(CRegStore, FlushRemovesTemporariesOfWritersThatDied) {
    const std::string folder = FreshFolder("abandoned");
    const std::string path = folder + "registry";
    WriteText(folder + "registry.tmp-OLD123", "half");
    WriteText(folder + "registry.tmp-NEW123", "busy");
    WriteText(folder + "other.tmp-OLD123", "not ours");
    const timespec longAgo[2] = {{1000000000, 0}, {1000000000, 0}};
    ASSERT_EQ(utimensat(AT_FDCWD, (folder + "registry.tmp-OLD123").c_str(), longAgo, 0), 0);
    ASSERT_EQ(utimensat(AT_FDCWD, (folder + "other.tmp-OLD123").c_str(), longAgo, 0), 0);
    CRegStore store(path);
    store.CreateKey({"K"});
    ASSERT_TRUE(store.Flush());
    EXPECT_FALSE(fs::exists(folder + "registry.tmp-OLD123"));
    EXPECT_TRUE(fs::exists(folder + "registry.tmp-NEW123"));
    EXPECT_TRUE(fs::exists(folder + "other.tmp-OLD123"));
}

TEST(CRegStore, UnwritableStoreKeepsItsChanges) {
    const std::string folder = FreshFolder("unwritable");
    WriteText(folder + "file", "a file where a folder should be");
    LogCapture capture;
    CRegStore store(folder + "file/registry");
    store.CreateKey({"K"});
    EXPECT_FALSE(store.Flush());
    EXPECT_TRUE(store.IsDirty());
    EXPECT_TRUE(capture.Contains("CRegStore::Flush()"));
    CRegStore inMemory("");
    inMemory.CreateKey({"K"});
    EXPECT_FALSE(inMemory.Flush());
}

TEST(CRegStore, LoadCopesWithMissingOddAndDamagedFiles) {
    const std::string folder = FreshFolder("load");
    CRegStore missing(folder + "none");
    EXPECT_TRUE(missing.Load());
    EXPECT_FALSE(missing.KeyExists({"K"}));

    CRegStore directory(folder);
    EXPECT_FALSE(directory.Load());

    const std::string fifo = folder + "fifo";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    CRegStore pipe(fifo);
    EXPECT_FALSE(pipe.Load());

    WriteText(folder + "damaged", "[K]\n\"a\"=num:1\n\"b\"=num:zz\n\"c\"=num:3");
    LogCapture capture;
    CRegStore damaged(folder + "damaged");
    EXPECT_TRUE(damaged.Load());
    Value value;
    EXPECT_TRUE(damaged.GetValue({"K"}, "a", &value));
    EXPECT_FALSE(damaged.GetValue({"K"}, "c", &value));
    EXPECT_FALSE(damaged.IsDirty());
    EXPECT_TRUE(capture.Contains("skipped 2 unreadable lines"));
}

std::string FileText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// The names in the folder that start with the prefix.
std::vector<std::string> NamesStartingWith(const std::string& folder, const std::string& prefix) {
    std::vector<std::string> names;
    for (const std::string& name : FolderNames(folder)) {
        if (name.starts_with(prefix))
            names.push_back(name);
    }
    return names;
}

TEST(CRegStore, ADamagedStoreIsKeptAsideBeforeItIsRewritten) {
    const std::string folder = FreshFolder("keep-damaged");
    const std::string damaged = "[K]\n\"a\"=num:1\n\"b\"=num:zz\n";
    WriteText(folder + "registry", damaged);
    LogCapture capture;
    CRegStore store(folder + "registry");
    ASSERT_TRUE(store.Load());
    // Reading alone writes nothing.
    EXPECT_TRUE(NamesStartingWith(folder, "registry.damaged-").empty());
    store.SetValue({"K"}, "b", Number(2));
    ASSERT_TRUE(store.Flush());
    const std::vector<std::string> copies = NamesStartingWith(folder, "registry.damaged-");
    ASSERT_EQ(copies.size(), 1u);
    EXPECT_EQ(FileText(folder + copies[0]), damaged);
    EXPECT_TRUE(capture.Contains("was copied to '" + folder + copies[0] + "'"));
    // The next write has nothing more to keep.
    store.SetValue({"K"}, "c", Number(3));
    ASSERT_TRUE(store.Flush());
    EXPECT_EQ(NamesStartingWith(folder, "registry.damaged-").size(), 1u);
}

TEST(CRegStore, AnOversizedStoreIsRefusedWholeAndKept) {
    const std::string folder = FreshFolder("oversized");
    std::string text = "[K]\n\"a\"=num:1\n";
    text.resize(CRegStore::kMaxFileSize + 1, '\n');
    WriteText(folder + "registry", text);
    LogCapture capture;
    CRegStore store(folder + "registry");
    EXPECT_FALSE(store.Load());
    EXPECT_FALSE(store.KeyExists({"K"}));
    EXPECT_TRUE(capture.Contains("larger than the settings may be"));
    store.CreateKey({"New"});
    ASSERT_TRUE(store.Flush());
    const std::vector<std::string> copies = NamesStartingWith(folder, "registry.damaged-");
    ASSERT_EQ(copies.size(), 1u);
    EXPECT_EQ(fs::file_size(folder + copies[0]), CRegStore::kMaxFileSize + 1);
}

TEST(CRegStore, AStoreThatIsALinkIsWrittenThroughToItsTarget) {
    const std::string folder = FreshFolder("link");
    fs::create_directories(folder + "dotfiles");
    WriteText(folder + "dotfiles/registry", "[K]\n\"a\"=num:1\n");
    fs::create_directories(folder + "config");
    fs::create_symlink("../dotfiles/registry", folder + "config/registry");
    CRegStore store(folder + "config/registry");
    ASSERT_TRUE(store.Load());
    store.SetValue({"K"}, "b", Number(2));
    ASSERT_TRUE(store.Flush());
    EXPECT_TRUE(fs::is_symlink(folder + "config/registry"));
    EXPECT_NE(FileText(folder + "dotfiles/registry").find("\"b\"=num:2"), std::string::npos);
    EXPECT_EQ(FolderNames(folder + "config"), std::vector<std::string>{"registry"});
}

TEST(CRegStore, AReadOnlyProcessKeepsChangesInMemory) {
    const std::string folder = FreshFolder("read-only");
    WriteText(folder + "registry", "[K]\n\"a\"=num:1\n");
    CRegStore store(folder + "registry");
    ASSERT_TRUE(store.Load());
    store.SetValue({"K"}, "a", Number(2));
    CRegStore::SetReadOnlyProcess(true);
    const bool flushed = store.Flush();
    CRegStore::SetReadOnlyProcess(false);
    EXPECT_TRUE(flushed);
    EXPECT_EQ(FileText(folder + "registry"), "[K]\n\"a\"=num:1\n");
    Value value;
    ASSERT_TRUE(store.GetValue({"K"}, "a", &value));
    EXPECT_EQ(value, Number(2));
}

TEST(CRegStore, KeysAndValuesCanBeDeleted) {
    CRegStore store("");
    Fill(store, SampleEntries());
    EXPECT_TRUE(store.DeleteValue({"SOFTWARE", "Veranth", "Loomtone4"}, "TempDirM"));
    EXPECT_FALSE(store.DeleteValue({"SOFTWARE", "Veranth", "Loomtone4"}, "TempDirM"));
    Value value;
    EXPECT_FALSE(store.GetValue({"SOFTWARE", "Veranth", "Loomtone4"}, "TempDirM", &value));
    EXPECT_TRUE(store.DeleteKey({"SOFTWARE", "Veranth"}));
    EXPECT_FALSE(store.KeyExists({"SOFTWARE", "Veranth", "Loomtone4"}));
    EXPECT_TRUE(store.KeyExists({"SOFTWARE"}));
    EXPECT_FALSE(store.DeleteKey({}));
    EXPECT_FALSE(store.SetValue({"SOFTWARE", "Veranth"}, "v", Number(1)));
}

// Puts back the settings store's folder after a test that moves it.
class ConfigHome : public ::testing::Test {
    ScopedEnv m_config{"XDG_CONFIG_HOME", std::getenv("XDG_CONFIG_HOME")};
};

TEST_F(ConfigHome, CurrentUserStoreFollowsXdgConfigHome) {
    const std::string first = FreshFolder("home-a");
    const std::string second = FreshFolder("home-b");
    setenv("XDG_CONFIG_HOME", first.c_str(), 1);
    EXPECT_EQ(CRegStore::CurrentUserPath(), first + "loomtone/registry");
    const auto storeA = CRegStore::ForCurrentUser();
    EXPECT_EQ(storeA, CRegStore::ForCurrentUser());
    storeA->CreateKey({"A"});
    ASSERT_TRUE(storeA->Flush());

    setenv("XDG_CONFIG_HOME", (second + "no-slash").c_str(), 1);
    EXPECT_EQ(CRegStore::CurrentUserPath(), second + "no-slash/loomtone/registry");
    const auto storeB = CRegStore::ForCurrentUser();
    EXPECT_FALSE(storeB->KeyExists({"A"}));

    setenv("XDG_CONFIG_HOME", "relative/ignored", 1);
    EXPECT_EQ(CRegStore::CurrentUserPath().find("relative"), std::string::npos);
    EXPECT_TRUE(CRegStore::CurrentUserPath().ends_with("/.config/loomtone/registry"));

    setenv("XDG_CONFIG_HOME", first.c_str(), 1);
    EXPECT_TRUE(CRegStore::ForCurrentUser()->KeyExists({"A"}));
}

TEST_F(ConfigHome, CurrentUserStoreRereadsAReplacedFileUnlessItHasChanges) {
    const std::string home = FreshFolder("reread");
    setenv("XDG_CONFIG_HOME", home.c_str(), 1);
    const auto shared = CRegStore::ForCurrentUser();
    EXPECT_FALSE(shared->KeyExists({"Other"}));

    CRegStore otherProcess(CRegStore::CurrentUserPath());
    otherProcess.CreateKey({"Other"});
    ASSERT_TRUE(otherProcess.Flush());
    EXPECT_TRUE(CRegStore::ForCurrentUser()->KeyExists({"Other"}));

    shared->CreateKey({"Mine"});
    otherProcess.CreateKey({"Later"});
    ASSERT_TRUE(otherProcess.Flush());
    const auto again = CRegStore::ForCurrentUser();
    EXPECT_TRUE(again->KeyExists({"Mine"}));
    EXPECT_FALSE(again->KeyExists({"Later"}));
}

TEST(CRegStore, ThreadsWritingAtOnceLoseNothing) {
    const std::string path = FreshFolder("threads") + "registry";
    CRegStore store(path);
    store.CreateKey({"K"});
    auto writer = [&store](int thread) {
        for (int i = 0; i < 20; ++i) {
            const std::string name = "t" + std::to_string(thread) + "-" + std::to_string(i);
            store.SetValue({"K"}, name, Number(i));
            store.Flush();
        }
    };
    std::thread first(writer, 0), second(writer, 1);
    first.join();
    second.join();
    ASSERT_TRUE(store.Flush());
    CRegStore reader(path);
    ASSERT_TRUE(reader.Load());
    for (int thread = 0; thread < 2; ++thread) {
        for (int i = 0; i < 20; ++i) {
            Value value;
            const std::string name = "t" + std::to_string(thread) + "-" + std::to_string(i);
            ASSERT_TRUE(reader.GetValue({"K"}, name, &value)) << name;
            EXPECT_EQ(value, Number(i));
        }
    }
}

// A child process saves in a loop and is killed at random moments. After each kill the file
// holds every value that was there before the child started, and one whole generation of the
// values the child was changing.
TEST(CRegStore, KillingAWriterNeverTearsTheFile) {
    const std::string path = FreshFolder("kill") + "registry";
    const KeyPath key = {"SOFTWARE", "Veranth", "Loomtone4"};
    constexpr int kEarlier = 40;
    constexpr int kChanging = 40;
    {
        CRegStore seed(path);
        seed.CreateKey(key);
        for (int i = 0; i < kEarlier; ++i)
            seed.SetValue(key, "earlier-" + std::to_string(i),
                          Text(std::string(2000, 'a' + i % 26)));
        ASSERT_TRUE(seed.Flush());
    }
    // Read once here, so that each child starts writing at once.
    CRegStore store(path);
    ASSERT_TRUE(store.Load());
    std::mt19937 random(42);
    for (int round = 0; round < 50; ++round) {
        int ready[2];
        ASSERT_EQ(pipe(ready), 0);
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            close(ready[0]);
            if (write(ready[1], "r", 1) != 1)
                _exit(1);
            for (int generation = 1;; ++generation) {
                for (int i = 0; i < kChanging; ++i) {
                    store.SetValue(key, "changing-" + std::to_string(i),
                                   Text(std::to_string(generation) + std::string(2000, 'z')));
                }
                store.Flush();
            }
        }
        close(ready[1]);
        char signal;
        ASSERT_EQ(read(ready[0], &signal, 1), 1);
        close(ready[0]);
        // Most kills land inside the child's first or second save.
        usleep(static_cast<useconds_t>(random() % 25000));
        kill(child, SIGKILL);
        int status = 0;
        ASSERT_EQ(waitpid(child, &status, 0), child);

        CRegStore reader(path);
        ASSERT_TRUE(reader.Load());
        for (int i = 0; i < kEarlier; ++i) {
            Value value;
            ASSERT_TRUE(reader.GetValue(key, "earlier-" + std::to_string(i), &value));
            ASSERT_EQ(value, Text(std::string(2000, 'a' + i % 26)));
        }
        Value first;
        if (!reader.GetValue(key, "changing-0", &first))
            continue; // killed before its first save
        for (int i = 1; i < kChanging; ++i) {
            Value value;
            ASSERT_TRUE(reader.GetValue(key, "changing-" + std::to_string(i), &value));
            ASSERT_EQ(value, first) << "round " << round;
        }
    }
}

} // namespace
