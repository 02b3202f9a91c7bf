#include "ProgramUnderTest.h"
#include "ToneWav.h"
#include "app/JsonWriter.h"
#include "engine/CMidiSound.h"
#include "engine/CPCMMixer.h"
#include "project/CMIDIClip.h"
#include "project/CMIDITrack.h"
#include "project/CProject.h"
#include "support/CUndoMgr.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

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

// What the program says of the project, passed through Python's JSON parser so that only
// valid JSON comes back; empty when either fails.
std::string InfoAsJson(const std::string& dir, const std::string& project) {
    const std::string out = dir + "info.json";
    const std::string command = LeakCheckEnv(dir) + kProgram + " --info '" + project +
                                "' | python3 -m json.tool > '" + out + "'";
    return RunShell(command) == 0 ? FileContents(out) : std::string();
}

TEST(ProjectInfoTest, ProgramWritesANewProjectAndDescribesItAsJson) {
    if (!ProgramBuilt())
        GTEST_SKIP() << "loomtone is not built";
    const std::string dir = FreshTestFolder();
    const std::string project = dir + "new \"one\".lt4";
    ASSERT_EQ(RunShell(kProgram + " --new '" + project + "'"), 0);
    EXPECT_GT(InfoAsJson(dir, project).size(), 100u);
    EXPECT_NE(RunShell(kProgram + " --info " + dir + "missing.lt4 2>" + dir + "err.txt"), 0);
    EXPECT_GT(fs::file_size(dir + "err.txt"), 0u);
}

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
    ASSERT_TRUE(project.SaveProject(dir + "clips.lt4"));
}

TEST(ProjectInfoTest, EveryClipIsListedWithItsSoundOrItsNotes) {
    if (!ProgramBuilt())
        GTEST_SKIP() << "loomtone is not built";
    const std::string dir = FreshTestFolder();
    WriteProjectWithClips(dir);
    const std::string info = InfoAsJson(dir, dir + "clips.lt4");
    EXPECT_NE(info.find("\"soundFile\": \"" + dir + "Quiet.wav\""), std::string::npos);
    EXPECT_NE(info.find("\"kind\": \"midi\""), std::string::npos);
    EXPECT_NE(info.find("\"noteCount\": 2"), std::string::npos);
    EXPECT_NE(info.find("\"pitch\": 64"), std::string::npos);
    EXPECT_NE(info.find("\"position\": 1000,"), std::string::npos);
}

// The example project kept in data/ has its four tracks and every sound found.
TEST(ProjectInfoTest, ProgramDescribesTheExampleProjectAsJson) {
    if (!ProgramBuilt())
        GTEST_SKIP() << "loomtone is not built";
    const std::string info =
        InfoAsJson(FreshTestFolder(),
                   std::string(LOOMTONE_SOURCE_DIR) + "/data/Example Projects/Example Song.lt4");
    for (const char* name : {"Drums", "Bass", "Pad", "Melody"})
        EXPECT_NE(info.find("\"name\": \"" + std::string(name) + "\""), std::string::npos) << name;
    for (const char* sound : {"/Drums.ogg\"", "/Bass.ogg\"", "/Pad.ogg\""})
        EXPECT_NE(info.find(sound), std::string::npos) << sound;
    EXPECT_NE(info.find("\"key\": \"Am\""), std::string::npos);
    EXPECT_NE(info.find("\"kind\": \"midi\""), std::string::npos);
}

} // namespace
