#include "support/Paths.h"

#include "ScopedEnv.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>

namespace {

namespace fs = std::filesystem;

// A fresh folder under the test area, ending in '/'.
std::string FreshFolder(const std::string& name) {
    fs::path folder = fs::path(LOOMTONE_TEST_TMP) / ("paths-" + name);
    fs::remove_all(folder);
    fs::create_directories(folder);
    return folder.string() + "/";
}

void Touch(const std::string& path) {
    std::ofstream(path) << "x";
}

TEST(Paths, SeparatorsAndNormalizing) {
    EXPECT_EQ(ToNativeSeparators("Audio\\drum.wav"), "Audio/drum.wav");
    EXPECT_EQ(ToNativeSeparators(""), "");
    EXPECT_EQ(NormalizePath(""), "");
    EXPECT_EQ(NormalizePath("/a//b/./c/"), "/a/b/c/");
    EXPECT_EQ(NormalizePath("/a/b/../c"), "/a/c");
    EXPECT_EQ(NormalizePath("/../../a"), "/a");
    EXPECT_EQ(NormalizePath("/"), "/");
    EXPECT_EQ(NormalizePath("/a/.."), "/");
    EXPECT_EQ(NormalizePath("../a/../../b"), "../../b");
    EXPECT_EQ(NormalizePath("a/.."), ".");
    EXPECT_EQ(NormalizePath("C:\\x\\..\\y.wav"), "C:/y.wav");
    EXPECT_EQ(NormalizePath("/a/.../b"), "/a/.../b");
}

TEST(Paths, AbsolutePathsOfBothSystems) {
    EXPECT_TRUE(IsAbsolutePath("/home/u"));
    EXPECT_TRUE(IsAbsolutePath("\\Rec\\x.wav"));
    EXPECT_TRUE(IsAbsolutePath("D:\\Rec\\x.wav"));
    EXPECT_TRUE(IsAbsolutePath("d:/Rec"));
    EXPECT_FALSE(IsAbsolutePath("D:Rec"));
    EXPECT_FALSE(IsAbsolutePath("Audio/x.wav"));
    EXPECT_FALSE(IsAbsolutePath(""));
}

TEST(Paths, RelativeToAbsolute) {
    EXPECT_EQ(RelativeToAbsolute("Audio\\drum.wav", "/home/u/proj/"),
              "/home/u/proj/Audio/drum.wav");
    EXPECT_EQ(RelativeToAbsolute("Audio/drum.wav", "/home/u/proj\\"),
              "/home/u/proj/Audio/drum.wav");
    EXPECT_EQ(RelativeToAbsolute("..\\Samples\\kick.wav", "/home/u/proj/"),
              "/home/u/Samples/kick.wav");
    EXPECT_EQ(RelativeToAbsolute(".\\kick.wav", "/home/u/proj/"), "/home/u/proj/kick.wav");
    EXPECT_EQ(RelativeToAbsolute("../../../../x.wav", "/a/b/"), "/x.wav");
    // A base that is not an existing folder and has no trailing separator is a file.
    EXPECT_EQ(RelativeToAbsolute("Audio/drum.wav", "/nonexistent-loomtone/proj/song.lt4"),
              "/nonexistent-loomtone/proj/Audio/drum.wav");
    // An absolute path stays itself.
    EXPECT_EQ(RelativeToAbsolute("/snd/x.wav", "/home/u/"), "/snd/x.wav");
    EXPECT_EQ(RelativeToAbsolute("C:\\snd\\x.wav", "/home/u/"), "C:/snd/x.wav");
    EXPECT_EQ(RelativeToAbsolute("", "/home/u/"), "");
    EXPECT_EQ(RelativeToAbsolute("x.wav", ""), "");
    EXPECT_EQ(RelativeToAbsolute("x.wav", "relative/base/"), "");
}

TEST(Paths, RelativeToAbsoluteTakesAnExistingFolderWithoutSeparator) {
    std::string folder = FreshFolder("base");
    folder.pop_back();
    EXPECT_EQ(RelativeToAbsolute("x.wav", folder), folder + "/x.wav");
}

TEST(Paths, MakeAbsolutePathResolvesAgainstTheCurrentFolder) {
    const std::string folder = FreshFolder("cwd");
    const fs::path before = fs::current_path();
    fs::current_path(folder);
    const std::string song = MakeAbsolutePath("song.lt4");
    const std::string up = MakeAbsolutePath("../elsewhere/./mix.wav");
    fs::current_path(before);
    EXPECT_EQ(song, folder + "song.lt4");
    EXPECT_EQ(up, fs::path(folder).parent_path().parent_path().string() + "/elsewhere/mix.wav");
    EXPECT_EQ(MakeAbsolutePath("/a/b/../c.wav"), "/a/b/../c.wav");
    EXPECT_EQ(MakeAbsolutePath(""), "");
}

TEST(Paths, AbsoluteToRelative) {
    EXPECT_EQ(AbsoluteToRelative("/home/u/proj/Audio/drum.wav", "/home/u/proj/"), "Audio/drum.wav");
    EXPECT_EQ(
        AbsoluteToRelative("/home/u/proj/Audio/drum.wav", "/nonexistent-loomtone/u/proj/song.lt4"),
        "../../../home/u/proj/Audio/drum.wav");
    EXPECT_EQ(AbsoluteToRelative("/home/u/Samples/kick.wav", "/home/u/proj/"),
              "../Samples/kick.wav");
    EXPECT_EQ(AbsoluteToRelative("/home/u/proj/", "/home/u/proj/"), ".");
    EXPECT_EQ(AbsoluteToRelative("/home/u/proj/sub/", "/home/u/proj/"), "sub/");
    EXPECT_EQ(AbsoluteToRelative("C:\\a\\b.wav", "c:\\a\\"), "b.wav");
    EXPECT_EQ(AbsoluteToRelative("C:\\a\\b.wav", "D:\\a\\"), "");
    EXPECT_EQ(AbsoluteToRelative("C:\\a\\b.wav", "/a/"), "");
    EXPECT_EQ(AbsoluteToRelative("a/b.wav", "/a/"), "");
    EXPECT_EQ(AbsoluteToRelative("/a/b.wav", ""), "");
    // Prefixes that are not whole folder names do not count as shared.
    EXPECT_EQ(AbsoluteToRelative("/home/user2/x.wav", "/home/user/"), "../user2/x.wav");
}

TEST(Paths, RelativeAndAbsoluteRoundTrip) {
    const std::string base = "/home/u/proj/";
    for (const char* path :
         {"/home/u/proj/a.wav", "/home/u/proj/deep/er/b.wav", "/home/x/c.wav", "/d.wav"}) {
        std::string relative = AbsoluteToRelative(path, base);
        EXPECT_EQ(RelativeToAbsolute(relative, base), path) << relative;
    }
}

TEST(Paths, ExtractDirectoryAndFileName) {
    EXPECT_EQ(ExtractDirectory("/a/b/c.wav"), "/a/b/");
    EXPECT_EQ(ExtractDirectory("C:\\Rec\\c.wav"), "C:/Rec/");
    EXPECT_EQ(ExtractDirectory("c.wav"), "");
    EXPECT_EQ(ExtractDirectory("/a/b/"), "/a/b/");
    EXPECT_EQ(ExtractDirectory(""), "");
    EXPECT_EQ(ExtractFileName("/a/b/c.wav"), "c.wav");
    EXPECT_EQ(ExtractFileName("C:\\Rec\\c.wav"), "c.wav");
    EXPECT_EQ(ExtractFileName("c.wav"), "c.wav");
    EXPECT_EQ(ExtractFileName("/a/b/"), "");
    EXPECT_EQ(ExtractFileName(""), "");
}

TEST(Paths, Extensions) {
    EXPECT_EQ(ExtractExtension("/a/b/c.wav"), "wav");
    EXPECT_EQ(ExtractExtension("song.tar.gz"), "gz");
    EXPECT_EQ(ExtractExtension("noext"), "");
    EXPECT_EQ(ExtractExtension("name."), "");
    EXPECT_EQ(ExtractExtension(".hidden"), "");
    EXPECT_EQ(ExtractExtension("/a/.hidden"), "");
    EXPECT_EQ(ExtractExtension("/a/.hidden.ini"), "ini");
    EXPECT_EQ(ExtractExtension("/dir.d/file"), "");
    EXPECT_EQ(ExtractExtension("C:\\dir.d\\file"), "");
    EXPECT_EQ(ExtractExtension(".."), "");
    EXPECT_EQ(ExtractExtension(""), "");

    EXPECT_TRUE(HasFileExtension("x.WAV", "wav"));
    EXPECT_TRUE(HasFileExtension("x.wav", ".WaV"));
    EXPECT_TRUE(HasFileExtension("x.lt4template", "lt4template"));
    EXPECT_FALSE(HasFileExtension("x.lt4template", "lt4"));
    EXPECT_FALSE(HasFileExtension("x.wav", "wa"));
    EXPECT_FALSE(HasFileExtension(".wav", "wav"));
    EXPECT_TRUE(HasFileExtension("noext", ""));
    EXPECT_FALSE(HasFileExtension("x.wav", ""));
}

TEST(Paths, RemoveExtension) {
    EXPECT_EQ(RemoveExtensionFromFile("/a/b.wav"), "/a/b");
    EXPECT_EQ(RemoveExtensionFromFile("/a/b.wav", false), "/a/b.");
    EXPECT_EQ(RemoveExtensionFromFile("/a.d/b"), "/a.d/b");
    EXPECT_EQ(RemoveExtensionFromFile("/a.d/b", false), "/a.d/b");
    EXPECT_EQ(RemoveExtensionFromFile(".hidden"), ".hidden");
    EXPECT_EQ(RemoveExtensionFromFile("name."), "name.");
    EXPECT_EQ(RemoveExtensionFromFile("x.tar.gz"), "x.tar");
    EXPECT_EQ(RemoveExtensionFromFile(""), "");
    EXPECT_EQ(RemoveExtensionFromFile("C:\\Rec\\take.wav"), "C:/Rec/take");
}

TEST(Paths, UniqueFileName) {
    const std::string folder = FreshFolder("unique");
    EXPECT_EQ(UniqueFileName(folder + "02 Guitar.wav", 1, '-'), folder + "02 Guitar.wav");
    Touch(folder + "02 Guitar.wav");
    EXPECT_EQ(UniqueFileName(folder + "02 Guitar.wav", 1, '-'), folder + "02 Guitar-1.wav");
    Touch(folder + "02 Guitar-1.wav");
    EXPECT_EQ(UniqueFileName(folder + "02 Guitar.wav", 1, '-'), folder + "02 Guitar-2.wav");
    // No extension, and a folder taking the name.
    fs::create_directory(folder + "take");
    EXPECT_EQ(UniqueFileName(folder + "take", 5, '_'), folder + "take_5");
    // Dot files keep their whole name as the stem.
    Touch(folder + ".cfg");
    EXPECT_EQ(UniqueFileName(folder + ".cfg"), folder + ".cfg-1");
    // Backslashes in a stored path still find the existing file.
    std::string stored = folder + "02 Guitar.wav";
    std::replace(stored.begin(), stored.end(), '/', '\\');
    EXPECT_EQ(UniqueFileName(stored), folder + "02 Guitar-2.wav");
    EXPECT_EQ(UniqueFileName(""), "");
    EXPECT_EQ(UniqueFileName(folder), "");
    // Counting from the largest int does not overflow.
    EXPECT_EQ(UniqueFileName(folder + "02 Guitar.wav", 2147483647, '-'),
              folder + "02 Guitar-2147483647.wav");
}

TEST(Paths, ValidateFileName) {
    EXPECT_EQ(ValidateFileName("Lead: Vox/Take *2?"), "Lead  Vox Take  2 ");
    EXPECT_EQ(ValidateFileName("a<b>c|d\"e\\f", '_'), "a_b_c_d_e_f");
    EXPECT_EQ(ValidateFileName("tab\there", '-'), "tab-here");
    EXPECT_EQ(ValidateFileName("x", '/'), "x");
    EXPECT_EQ(ValidateFileName("a/b", '/'), "a_b");
    EXPECT_EQ(ValidateFileName(""), "_");
    EXPECT_EQ(ValidateFileName("."), "_");
    EXPECT_EQ(ValidateFileName(".."), "_");
    EXPECT_EQ(ValidateFileName("..."), "_");
    EXPECT_EQ(ValidateFileName(".hidden"), ".hidden");
    EXPECT_EQ(ValidateFileName("Gitarre \xC3\xA4"), "Gitarre \xC3\xA4");
    // Too long: cut to 255 bytes without splitting the two-byte character at the edge.
    std::string longName = std::string(254, 'a') + "\xC3\xA4" + "bc";
    std::string cut = ValidateFileName(longName);
    EXPECT_EQ(cut, std::string(254, 'a'));
}

TEST(Paths, FoldersAndFiles) {
    const std::string folder = FreshFolder("fs");
    EXPECT_TRUE(IsValidDirectory(folder));
    EXPECT_TRUE(IsValidDirectory(folder.substr(0, folder.size() - 1)));
    EXPECT_FALSE(DoesFileExist(folder));
    Touch(folder + "f.txt");
    EXPECT_TRUE(DoesFileExist(folder + "f.txt"));
    EXPECT_FALSE(IsValidDirectory(folder + "f.txt"));
    EXPECT_FALSE(DoesFileExist(folder + "missing.txt"));
    EXPECT_FALSE(DoesFileExist(""));
    EXPECT_FALSE(IsValidDirectory(""));

    EXPECT_TRUE(CreateMultiLevelDir(folder + "a/b\\c/"));
    EXPECT_TRUE(IsValidDirectory(folder + "a/b/c"));
    EXPECT_TRUE(CreateMultiLevelDir(folder + "a/b/c"));
    EXPECT_TRUE(CreateMultiLevelDir(folder + "a//d"));
    EXPECT_TRUE(IsValidDirectory(folder + "a/d"));
    EXPECT_FALSE(CreateMultiLevelDir(folder + "f.txt/sub"));
    EXPECT_FALSE(CreateMultiLevelDir(folder + "f.txt"));
    EXPECT_FALSE(CreateMultiLevelDir(""));
}

TEST(Paths, FreeSpace) {
    const std::string folder = FreshFolder("space");
    int64_t free = GetKBFree(folder);
    EXPECT_GE(free, 0);
    // A path that does not exist yet asks its nearest existing parent.
    EXPECT_GE(GetKBFree(folder + "not/yet/here.wav"), 0);
    EXPECT_GE(GetKBFree("relative-not-here/x.wav"), 0);
    EXPECT_EQ(GetKBFree(""), -1);
}

TEST(Paths, WellKnownFolders) {
    const std::string exe = GetExeDirectory();
    ASSERT_FALSE(exe.empty());
    EXPECT_EQ(exe.back(), '/');
    EXPECT_TRUE(IsValidDirectory(exe));
    EXPECT_EQ(GetCommonAppDataPath(), "/usr/local/share/");

    const std::string home = FreshFolder("home");
    ScopedEnv homeEnv("HOME", home.c_str());
    {
        ScopedEnv data("XDG_DATA_HOME", nullptr);
        EXPECT_EQ(GetCurrentUserAppDataPath(), home + ".local/share/");
    }
    {
        ScopedEnv data("XDG_DATA_HOME", "/srv/data");
        EXPECT_EQ(GetCurrentUserAppDataPath(), "/srv/data/");
    }
    {
        ScopedEnv data("XDG_DATA_HOME", "relative/ignored");
        EXPECT_EQ(GetCurrentUserAppDataPath(), home + ".local/share/");
    }
}

TEST(Paths, DocumentsFolder) {
    const std::string home = FreshFolder("docs");
    ScopedEnv homeEnv("HOME", home.c_str());
    ScopedEnv config("XDG_CONFIG_HOME", nullptr);
    EXPECT_EQ(GetMyDocumentsPath(), home);
    fs::create_directories(home + "Documents");
    EXPECT_EQ(GetMyDocumentsPath(), home + "Documents/");

    fs::create_directories(home + ".config");
    fs::create_directories(home + "Dokumente");
    std::ofstream(home + ".config/user-dirs.dirs")
        << "# written by xdg-user-dirs-update\nXDG_DESKTOP_DIR=\"$HOME/Desktop\"\n"
        << "XDG_DOCUMENTS_DIR=\"$HOME/Dokumente\"\n";
    EXPECT_EQ(GetMyDocumentsPath(), home + "Dokumente/");

    // A configured folder that does not exist falls back to ~/Documents.
    std::ofstream(home + ".config/user-dirs.dirs") << "XDG_DOCUMENTS_DIR=\"$HOME/Gone\"\n";
    EXPECT_EQ(GetMyDocumentsPath(), home + "Documents/");
}

TEST(Paths, Utf8Conversion) {
    const std::wstring wide = L"Gitarre \u00E4 \u266B \U0001F3B8";
    const std::string utf8 = "Gitarre \xC3\xA4 \xE2\x99\xAB \xF0\x9F\x8E\xB8";
    EXPECT_EQ(ConvertUnicodeToSingleByte(wide), utf8);
    EXPECT_EQ(ConvertSingleByteToUnicode(utf8), wide);
    EXPECT_EQ(ConvertSingleByteToUnicode(""), L"");
    EXPECT_EQ(ConvertUnicodeToSingleByte(L""), "");

    // Invalid input: stray continuation bytes, truncated sequences, overlong forms, surrogates.
    EXPECT_EQ(ConvertSingleByteToUnicode("a\x80z"), L"a\uFFFDz");
    EXPECT_EQ(ConvertSingleByteToUnicode("a\xE2\x99"), L"a\uFFFD\uFFFD");
    EXPECT_EQ(ConvertSingleByteToUnicode("\xC0\xAF"), L"\uFFFD\uFFFD");
    EXPECT_EQ(ConvertSingleByteToUnicode("\xED\xA0\x80"), L"\uFFFD\uFFFD\uFFFD");
    EXPECT_EQ(ConvertSingleByteToUnicode("\xF4\x90\x80\x80"), L"\uFFFD\uFFFD\uFFFD\uFFFD");
    EXPECT_EQ(ConvertSingleByteToUnicode("\xFF"), L"\uFFFD");
    EXPECT_EQ(ConvertSingleByteToUnicode(std::string("a\0b", 3)), std::wstring(L"a\0b", 3));

    std::wstring badWide;
    badWide += static_cast<wchar_t>(0xD800);
    badWide += static_cast<wchar_t>(0x110000);
    EXPECT_EQ(ConvertUnicodeToSingleByte(badWide), "\xEF\xBF\xBD\xEF\xBF\xBD");
}

} // namespace
