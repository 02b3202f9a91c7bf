// The example project the first run opens, as it is kept in data/: it must
// load whole from wherever its folder lies, without asking anything.

#include "engine/CEffectChain.h"
#include "engine/CEqualizerEffect.h"
#include "engine/CMidiSound.h"
#include "engine/CPCMMixer.h"
#include "engine/CReverbEffect.h"
#include "engine/TempoMap.h"
#include "gui/MessageBoxes.h"
#include "project/CAudioClip.h"
#include "project/CMIDIClip.h"
#include "project/CMissingSoundDialog.h"
#include "project/CProject.h"
#include "project/CTrack.h"
#include "support/CUndoMgr.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace fs = std::filesystem;

namespace {

const std::string kFolder = std::string(LOOMTONE_SOURCE_DIR) + "/data/Example Projects/";
const std::string kProjectFile = kFolder + "Example Song.lt4";
constexpr double kLengthMs = 16000.0;

class ExampleProjectTest : public ::testing::Test {
protected:
    void SetUp() override {
        SetMessageBoxHook([](const MessageBoxRequest& request, bool&) {
            ADD_FAILURE() << "message box: " << request.title << " / " << request.text;
            return CDeluxeMessageBox::CloseAnswerFor(request.flags);
        });
        SetMissingSoundHook([](const MissingSoundRequest& request) {
            ADD_FAILURE() << "missing sound: " << request.missingPath;
            return MissingSoundAnswer{};
        });
        project = std::make_unique<CProject>(mixer, undo, prefs);
        project->NewProject(true);
        bool cancelled = false;
        loaded = project->LoadProject(kProjectFile, cancelled);
    }
    void TearDown() override {
        project.reset();
        SetMissingSoundHook(nullptr);
        SetMessageBoxHook(nullptr);
    }

    CPCMMixer mixer;
    CUndoMgr undo{400};
    ProjectPreferences prefs;
    std::unique_ptr<CProject> project;
    bool loaded = false;
};

TEST_F(ExampleProjectTest, LoadsItsTracksWithEverySoundFoundTheMelodyAndItsTempo) {
    ASSERT_TRUE(loaded);
    ASSERT_EQ(project->GetNumTracks(), 4);
    const char* const names[] = {"Drums", "Bass", "Pad", "Melody"};
    for (int index = 0; index < 4; ++index) {
        const CTrack* track = project->GetTrack(index);
        SCOPED_TRACE(names[index]);
        EXPECT_EQ(track->GetName(), names[index]);
        EXPECT_EQ(track->GetKind(), index < 3 ? CTrack::kAudio : CTrack::kMidi);
        EXPECT_GT(track->GetVolume(), 0.1);
        EXPECT_LE(track->GetVolume(), 1.0);
        ASSERT_EQ(track->Clips().size(), 1u);
        const CClip* clip = track->Clips().front();
        EXPECT_EQ(clip->GetStartMs(), 0.0);
        EXPECT_NEAR(clip->GetLengthMs(), kLengthMs, 1.0);
        if (const auto* audio = dynamic_cast<const CAudioClip*>(clip)) {
            EXPECT_EQ(fs::path(audio->GetFilePath()).filename(),
                      std::string(names[index]) + ".ogg");
            EXPECT_TRUE(fs::is_regular_file(audio->GetFilePath()));
            EXPECT_LT(fs::file_size(audio->GetFilePath()), 1u << 20);
        }
    }

    // The melody fits the eight bars; the start marker sets tempo and key.
    const auto* clip = dynamic_cast<const CMIDIClip*>(project->GetTrack(3)->Clips().front());
    ASSERT_NE(clip, nullptr);
    const CMidiSound& notes = *clip->GetAtom();
    ASSERT_GT(notes.NumNotes(), 16);
    for (int index = 0; index < notes.NumNotes(); ++index) {
        const TMidiSndNoteData note = notes.GetNote(index)->GetNoteData();
        EXPECT_GE(note.start, 0.0);
        EXPECT_LT(note.start, note.end);
        EXPECT_LE(note.end, kLengthMs);
    }
    const TempoMap& tempo = project->GetTempoMap();
    EXPECT_EQ(tempo.GetTempoAtTime(0.0), 120.0);
    EXPECT_STREQ(TempoMap::GetKeyStr(tempo.GetKeyAtTime(0.0)), "Am");
    int numerator = 0, denominator = 0;
    tempo.GetTimeSignatureAtTime(0.0, &numerator, &denominator);
    EXPECT_EQ(numerator, 4);
    EXPECT_EQ(denominator, 4);
}

TEST_F(ExampleProjectTest, TheBassIsWarmedByTheEqualizerAndThePadPlaysInAHall) {
    ASSERT_TRUE(loaded);
    ASSERT_EQ(project->GetNumTracks(), 4);
    EXPECT_EQ(project->GetTrack(0)->GetEffectChain()->NumEffects(), 0);
    const struct {
        int track;
        EffectID id;
        const char* preset;
    } expected[] = {{1, CEqualizerEffect::kID, "Warm"}, {2, CReverbEffect::kID, "Hall"}};
    for (const auto& effect : expected) {
        SCOPED_TRACE(effect.preset);
        const CEffectChain* chain = project->GetTrack(effect.track)->GetEffectChain();
        ASSERT_EQ(chain->NumEffects(), 1);
        EXPECT_EQ(chain->GetEffect(0)->GetIdentifier(), effect.id);
        EXPECT_EQ(chain->GetEffect(0)->GetCurrentPresetName(), effect.preset);
        EXPECT_TRUE(chain->GetEffect(0)->isActive());
    }
}

// Each clip keeps its sound's path relative to the project as well: a bare
// file name, which finds the sound next to the project wherever the
// folder is copied or installed.
TEST(ExampleProjectFile, NamesEverySoundRelativeToItself) {
    std::ifstream in(kProjectFile, std::ios::binary);
    const std::string bytes(std::istreambuf_iterator<char>(in), {});
    ASSERT_FALSE(bytes.empty());
    for (const char* sound : {"Drums.ogg", "Bass.ogg", "Pad.ogg"})
        EXPECT_NE(bytes.find('\0' + std::string(sound) + '\0'), std::string::npos) << sound;
}

// Beside the relative paths, the file keeps the absolute ones of the folder
// it was made in, which a load takes first while they exist: they must name
// nothing, or a copy of the example would use another folder's sounds.
TEST(ExampleProjectFile, ItsAbsoluteSoundPathsNameNothing) {
    std::ifstream in(kProjectFile, std::ios::binary);
    const std::string bytes(std::istreambuf_iterator<char>(in), {});
    int absolute = 0;
    for (const char* sound : {"/Drums.ogg", "/Bass.ogg", "/Pad.ogg"}) {
        for (size_t at = bytes.find(sound); at != std::string::npos;
             at = bytes.find(sound, at + 1)) {
            size_t start = at;
            while (start > 0 && bytes[start - 1] >= 0x20 && bytes[start - 1] < 0x7F)
                --start;
            // The text is led by its length, which may read as a character.
            const size_t root = bytes.find('/', start);
            if (root >= at)
                continue;
            const std::string path = bytes.substr(root, at - root + std::strlen(sound));
            ++absolute;
            EXPECT_FALSE(fs::exists(path)) << path;
        }
    }
    EXPECT_EQ(absolute, 3);
}

} // namespace
