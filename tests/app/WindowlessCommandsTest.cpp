// The commands without a window on damaged, relative, full and shared ground: they never
// lose a file, never report a failure as success, and never touch the user's settings.

#include "ProgramUnderTest.h"
#include "SoundProject.h"
#include "ToneWav.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

namespace fs = std::filesystem;

namespace {

// "song.lt4": two audio tracks, each with a clip of two seconds of tone at half scale
// ("Tone.wav" and "Other.wav" beside it).
void WriteSong(const std::string& dir) {
    WriteToneWav(dir + "Tone.wav", 2 * 44100, 16384);
    WriteToneWav(dir + "Other.wav", 2 * 44100, 16384, 660.0);
    WriteProjectOfSounds(dir + "song.lt4", {dir + "Tone.wav", dir + "Other.wav"});
}

void WriteFile(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

std::string BinaryContents(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// The loudest sample of a sound file, 0..1, from sox.
double PeakOf(const std::string& path) {
    const std::string stat = CommandOutput("sox '" + path + "' -n stat 2>&1");
    const size_t at = stat.find("Maximum amplitude:");
    return at == std::string::npos ? -1.0 : std::atof(stat.c_str() + at + 18);
}

// Runs the program in the test's folder with settings, data, cache and temporary files of its
// own there; standard output and error go to out.txt and err.txt.
class WindowlessCommands : public ::testing::Test {
protected:
    void SetUp() override {
        if (!ProgramBuilt())
            GTEST_SKIP() << "loomtone is not built";
        dir = FreshTestFolder();
        WriteSong(dir);
        for (const char* folder : {"home", "config", "data", "cache", "tmp"})
            fs::create_directories(dir + folder);
        env = "cd '" + dir + "' && " + LeakCheckEnv(dir) + "HOME='" + dir +
              "home' XDG_CONFIG_HOME='" + dir + "config' XDG_DATA_HOME='" + dir +
              "data' XDG_CACHE_HOME='" + dir + "cache' TMPDIR='" + dir + "tmp' ";
    }

    std::string Command(const std::string& arguments) const {
        return env + kProgram + " " + arguments + " > '" + dir + "out.txt' 2> '" + dir + "err.txt'";
    }
    int Run(const std::string& arguments) { return RunShell(Command(arguments)); }
    int RunOnFullDisk(const std::string& arguments, rlim_t bytes) {
        return RunShellOnFullDisk(Command(arguments), bytes);
    }
    std::string Out() const { return FileContents(dir + "out.txt"); }
    std::string Err() const { return FileContents(dir + "err.txt"); }
    bool HasLeftovers() const {
        for (const auto& entry : fs::directory_iterator(dir)) {
            if (entry.path().filename().string().find(".part-") != std::string::npos)
                return true;
        }
        return false;
    }

    std::string dir;
    std::string env;
};

TEST_F(WindowlessCommands, AMixDownOnAFullDiskFailsAndKeepsThePreviousFile) {
    // Decoding the sounds once fills the sound cache, which the full disk would refuse.
    ASSERT_EQ(Run("--render song.lt4 first.wav"), 0) << Err();
    for (const char* extension : {"mp3", "ogg", "wav", "wma"}) {
        const std::string out = dir + "mix." + extension;
        WriteFile(out, "the previous mix-down");
        EXPECT_EQ(RunOnFullDisk("--render song.lt4 mix." + std::string(extension), 8192), 1)
            << extension;
        EXPECT_EQ(BinaryContents(out), "the previous mix-down") << extension;
        EXPECT_EQ(Out(), "") << extension;
        // The message names the file and the cause.
        const std::string error = Err();
        EXPECT_NE(error.find("loomtone: " + out + ": "), std::string::npos) << error;
        EXPECT_NE(error.find(std::strerror(EFBIG)), std::string::npos) << error;
        EXPECT_FALSE(HasLeftovers()) << extension;
    }
}

TEST_F(WindowlessCommands, RelativePathsFindTheProjectsSounds) {
    ASSERT_EQ(Run("--render song.lt4 mix.wav"), 0) << Err();
    // Both tones, not silence: the clips were found next to the project.
    EXPECT_GT(PeakOf(dir + "mix.wav"), 0.4);
    ASSERT_EQ(Run("--info ./song.lt4"), 0) << Err();
    EXPECT_NE(Out().find("\"soundFile\":\"" + dir + "Other.wav\""), std::string::npos) << Out();
}

TEST_F(WindowlessCommands, NewRefusesAnExistingFileUnlessForced) {
    const std::string song = BinaryContents(dir + "song.lt4");
    EXPECT_EQ(Run("--new song.lt4"), 1);
    EXPECT_EQ(BinaryContents(dir + "song.lt4"), song);
    EXPECT_NE(Err().find("--force"), std::string::npos) << Err();
    EXPECT_FALSE(fs::exists(dir + "song.lt4.backup"));

    EXPECT_EQ(Run("--new song.lt4 --force"), 0) << Err();
    EXPECT_NE(BinaryContents(dir + "song.lt4"), song);
    EXPECT_EQ(Run("--new --force fresh.lt4"), 0) << Err();
    EXPECT_TRUE(fs::exists(dir + "fresh.lt4"));
    EXPECT_EQ(Run("--new fresh.lt4 other.lt4"), 2);
}

TEST_F(WindowlessCommands, NewOnAFullDiskKeepsTheOldProject) {
    const std::string song = BinaryContents(dir + "song.lt4");
    EXPECT_EQ(RunOnFullDisk("--new --force song.lt4", 512), 1);
    EXPECT_EQ(BinaryContents(dir + "song.lt4"), song);
    EXPECT_NE(Err().find("song.lt4"), std::string::npos) << Err();
}

TEST_F(WindowlessCommands, RenderingOntoAFileTheProjectUsesIsRefused) {
    // A project may carry any extension, even that of a mix-down.
    fs::copy_file(dir + "song.lt4", dir + "project.wav");
    const std::string project = BinaryContents(dir + "project.wav");
    const std::string tone = BinaryContents(dir + "Tone.wav");
    for (const std::string& target :
         {std::string("project.wav"), std::string("Tone.wav"), "'" + dir + "home/../Tone.wav'"}) {
        EXPECT_EQ(Run("--render project.wav " + target), 1) << target;
        EXPECT_NE(Err().find("the project uses this file"), std::string::npos) << Err();
    }
    EXPECT_EQ(RunOnFullDisk("--render project.wav project.wav", 8192), 1);
    EXPECT_NE(Err().find("the project uses this file"), std::string::npos) << Err();
    EXPECT_EQ(BinaryContents(dir + "project.wav"), project);
    EXPECT_EQ(BinaryContents(dir + "Tone.wav"), tone);
}

// The last track's chunk renamed, so that the project announces a track it does not hold.
void WritePartialProject(const std::string& from, const std::string& to) {
    std::string bytes = BinaryContents(from);
    const size_t track = bytes.rfind("TrkA");
    ASSERT_NE(track, std::string::npos);
    bytes.replace(track, 4, "JunK");
    WriteFile(to, bytes);
}

TEST_F(WindowlessCommands, APartialLoadIsReportedWithItsOwnExitStatus) {
    WritePartialProject(dir + "song.lt4", dir + "partial.lt4");
    EXPECT_EQ(Run("--info partial.lt4"), 3);
    EXPECT_NE(Out().find("Tone.wav"), std::string::npos) << Out();
    EXPECT_NE(Err().find("loomtone: " + dir + "partial.lt4: "), std::string::npos) << Err();
    EXPECT_NE(Err().find("could not be read"), std::string::npos) << Err();

    EXPECT_EQ(Run("--render partial.lt4 mix.wav"), 3);
    EXPECT_TRUE(fs::exists(dir + "mix.wav"));
    EXPECT_EQ(Run("--info song.lt4"), 0);

    ASSERT_EQ(Run("--help"), 0);
    EXPECT_NE(Out().find("3 done, but parts of the project could not be read"), std::string::npos);
}

TEST_F(WindowlessCommands, ALoadFailureGivesItsRealReason) {
    WriteFile(dir + "damaged.lt4", std::string("RIFF\x20\0\0\0LT4 junkjunkjunkjunkjunkjunk", 36));
    EXPECT_EQ(Run("--info damaged.lt4"), 1);
    EXPECT_NE(Err().find("could not be opened"), std::string::npos) << Err();
    EXPECT_EQ(Err().find("no such file"), std::string::npos) << Err();
    EXPECT_EQ(Run("--info missing.lt4"), 1);
    EXPECT_NE(Err().find("missing.lt4: no such file"), std::string::npos) << Err();
}

TEST_F(WindowlessCommands, CommandsThatOnlyReadLeaveTheSettingsAlone) {
    const std::string store = dir + "config/loomtone/registry";
    const std::string commands[] = {"--prefs", "--info song.lt4", "--render song.lt4 mix.wav",
                                    "--screenshot shot.png song.lt4"};
    // On a fresh machine, reading the settings used to write them.
    for (const std::string& command : {commands[0], commands[1]}) {
        EXPECT_EQ(Run(command), 0) << command << ": " << Err();
        EXPECT_FALSE(fs::exists(store)) << command;
    }
    // Settings of an older version and of this one, with the migration not marked.
    const std::string settings = "[SOFTWARE\\Veranth\\Loomtone3]\n\"defaultAuthor\"=str:\"Old\"\n"
                                 "\n[SOFTWARE\\Veranth\\Loomtone4]\n\"bFirstRun\"=num:0\n";
    fs::create_directories(dir + "config/loomtone");
    WriteFile(store, settings);
    for (const std::string& command : commands) {
        EXPECT_EQ(Run(command), 0) << command << ": " << Err();
        EXPECT_EQ(BinaryContents(store), settings) << command;
    }
}

} // namespace

namespace {

// FFmpeg and the hundred libraries it brings are opened only when a sound needs them: loading
// them took most of every command's start.
TEST(WindowlessStart, TheProgramIsNotLinkedToFFmpeg) {
    if (!ProgramBuilt())
        GTEST_SKIP() << "loomtone is not built";
    const std::string linked = CommandOutput("ldd '" + std::string(kProgram) + "' 2>&1");
    ASSERT_NE(linked.find("libsndfile"), std::string::npos) << linked;
    for (const char* library : {"libavcodec", "libavformat", "libavutil", "libswresample"})
        EXPECT_EQ(linked.find(library), std::string::npos) << library;
}

} // namespace
