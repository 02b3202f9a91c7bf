#include "ToneWav.h"
#include "app/JsonWriter.h"
#include "engine/CMidiSound.h"
#include "engine/CPCMMixer.h"
#include "project/CMIDIClip.h"
#include "project/CMIDITrack.h"
#include "project/CProject.h"
#include "support/CUndoMgr.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <sys/wait.h>

namespace fs = std::filesystem;

namespace {

TEST(JsonWriterTest, QuotesEscapeAndReplaceInvalidUtf8) {
    EXPECT_EQ(JsonWriter::Quote("a\"b\\c\n\x01"), "\"a\\\"b\\\\c\\n\\u0001\"");
    EXPECT_EQ(JsonWriter::Quote("caf\xC3\xA9"), "\"caf\xC3\xA9\"");
    // A lone continuation byte, a cut sequence, an overlong form, a surrogate.
    EXPECT_EQ(JsonWriter::Quote("\x80"), "\"\xEF\xBF\xBD\"");
    EXPECT_EQ(JsonWriter::Quote("x\xE2\x82"), "\"x\xEF\xBF\xBD\xEF\xBF\xBD\"");
    EXPECT_EQ(JsonWriter::Quote("\xC0\xAF"), "\"\xEF\xBF\xBD\xEF\xBF\xBD\"");
    EXPECT_EQ(JsonWriter::Quote("\xED\xA0\x80"), "\"\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\"");
}

TEST(JsonWriterTest, PlacesCommasAndNullsForNonFiniteNumbers) {
    JsonWriter json;
    json.BeginObject();
    json.Key("a");
    json.BeginArray();
    json.Integer(1);
    json.Number(1.0 / 0.0);
    json.Bool(true);
    json.EndArray();
    json.Key("b");
    json.String("x");
    json.EndObject();
    EXPECT_EQ(json.Text(), "{\"a\":[1,null,true],\"b\":\"x\"}");
}

int RunShell(const std::string& command) {
    return WEXITSTATUS(std::system(command.c_str()));
}

TEST(ProjectInfoTest, ProgramWritesANewProjectAndDescribesItAsJson) {
    const std::string program = std::string(LOOMTONE_BINARY_DIR) + "/loomtone";
    if (!fs::exists(program))
        GTEST_SKIP() << "loomtone is not built";
    const std::string dir = std::string(LOOMTONE_TEST_TMP) + "/projectinfo/";
    fs::create_directories(dir);
    const std::string project = dir + "new \"one\".lt4";
    const std::string quoted = "'" + project + "'";
    ASSERT_EQ(RunShell(program + " --new " + quoted), 0);
    EXPECT_EQ(
        RunShell(program + " --info " + quoted + " | python3 -m json.tool > " + dir + "info.json"),
        0);
    EXPECT_GT(fs::file_size(dir + "info.json"), 100u);
    EXPECT_NE(RunShell(program + " --info " + dir + "missing.lt4 2>" + dir + "err.txt"), 0);
    EXPECT_GT(fs::file_size(dir + "err.txt"), 0u);
}

// A quarter second of silence, 16-bit mono at 44.1 kHz.

// A project with an audio clip and a MIDI clip of two notes.
void WriteProjectWithClips(const std::string& dir) {
    WriteToneWav(dir + "Quiet.wav", 11025, 0);
    CPCMMixer mixer;
    CUndoMgr undo(400);
    ProjectPreferences prefs;
    prefs.DefRecDir = dir;
    prefs.bSwitchKeyTempoOnFirstSound = false;
    CProject project(mixer, undo, prefs);
    project.NewProject(true);
    project.SelectTrack(0, false);
    ASSERT_NE(project.AddAudioClip(dir + "Quiet.wav"), nullptr);
    CMIDITrack* track = project.AddMIDITrack(-1, false);
    ASSERT_NE(track, nullptr);
    auto* sound = new CMidiSound;
    TMidiSndNoteData note;
    note.end = 200.0;
    sound->AddMidiNote(note, nullptr);
    note.start = 300.0;
    note.end = 400.0;
    note.pitch = 64;
    sound->AddMidiNote(note, nullptr);
    sound->SetMediaLength(500.0);
    sound->SetLoopEnd(500.0);
    sound->SetVirtualLength(500.0);
    auto* clip = new CMIDIClip(project.Clips(), sound);
    ASSERT_TRUE(track->AddClip(clip, 1000.0, false));
    clip->DeleteRefObject();
    ASSERT_TRUE(project.SaveProject(dir + "clips.lt4", false, false, false));
}

TEST(ProjectInfoTest, EveryClipIsListedWithItsSoundOrItsNotes) {
    const std::string program = std::string(LOOMTONE_BINARY_DIR) + "/loomtone";
    if (!fs::exists(program))
        GTEST_SKIP() << "loomtone is not built";
    const std::string dir = std::string(LOOMTONE_TEST_TMP) + "/projectinfo-clips/";
    fs::create_directories(dir);
    WriteProjectWithClips(dir);
    // Clip labels lay out text, and the font library keeps its cache until
    // the process ends; the program's leak checker is told so, as the test
    // programs tell theirs.
    std::ofstream(dir + "leaks.supp") << "leak:libfontconfig.so\n";
    const std::string env = "LSAN_OPTIONS=suppressions='" + dir + "leaks.supp' ";
    ASSERT_EQ(RunShell(env + program + " --info '" + dir + "clips.lt4' | python3 -m json.tool > '" +
                       dir + "info.json'"),
              0);
    std::ifstream in(dir + "info.json");
    const std::string info(std::istreambuf_iterator<char>(in), {});
    EXPECT_NE(info.find("\"soundFile\": \"" + dir + "Quiet.wav\""), std::string::npos);
    EXPECT_NE(info.find("\"kind\": \"midi\""), std::string::npos);
    EXPECT_NE(info.find("\"noteCount\": 2"), std::string::npos);
    EXPECT_NE(info.find("\"pitch\": 64"), std::string::npos);
    EXPECT_NE(info.find("\"position\": 1000,"), std::string::npos);
}

} // namespace
