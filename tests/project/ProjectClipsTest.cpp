#include "ProjectOnWindowTest.h"
#include "TestFiles.h"
#include "ThreeNotes.h"
#include "ToneWav.h"
#include "engine/CMidiSound.h"
#include "gui/MessageBoxes.h"
#include "project/CAudioClip.h"
#include "project/CMIDIClip.h"
#include "project/CMIDITrack.h"
#include "project/CMissingSoundDialog.h"
#include "project/CProject.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

// The WAV, and whichever compressed forms a converter on the machine makes.
std::vector<std::string> MakeSounds(const std::string& dir) {
    std::vector<std::string> files{dir + "Tone.wav"};
    WriteToneWav(files.front(), 44100, 8000);
    for (const char* ext : {"ogg", "mp3", "flac"}) {
        const std::string in = "'" + files.front() + "'";
        const std::string out = "'" + dir + "Tone." + ext + "'";
        if (std::system(("sox -q " + in + " " + out + " 2>/dev/null").c_str()) == 0 ||
            std::system(
                ("ffmpeg -loglevel quiet -y -i " + in + " " + out + " 2>/dev/null").c_str()) == 0)
            files.push_back(dir + "Tone." + ext);
    }
    return files;
}

// Where two files first differ; -1 when they are equal.
long FirstDifference(const std::string& a, const std::string& b) {
    const auto [left, right] = std::mismatch(a.begin(), a.end(), b.begin(), b.end());
    return left == a.end() && right == b.end() ? -1 : static_cast<long>(left - a.begin());
}

class ProjectClips : public ProjectOnWindowTest {
protected:
    void AddMidiAt(CTrack* track, double ms, int firstPitch) {
        auto* clip = new CMIDIClip(m_project->Clips(), ThreeNotes(firstPitch));
        ASSERT_TRUE(track->AddClip(clip, ms, false));
        clip->DeleteRefObject();
    }
};

TEST_F(ProjectClips, ClipsOfEveryKindSaveLoadAndSaveAgainByteIdentically) {
    const std::vector<std::string> sounds = MakeSounds(m_dir);
    for (size_t i = 0; i < sounds.size(); ++i)
        ASSERT_NE(AddClipAt(static_cast<int>(i % 2), 1200.0 * i, sounds[i]), nullptr) << sounds[i];
    CMIDITrack* midi = m_project->AddMIDITrack(-1, false);
    ASSERT_NE(midi, nullptr);
    AddMidiAt(midi, 0.0, 60);
    AddMidiAt(midi, 2000.0, 72);
    // Selections are written but not read: a load selects the first track
    // and no clip.
    m_project->SelectTrack(0, false);
    for (int t = 0; t < m_project->GetNumTracks(); ++t)
        for (CClip* clip : m_project->GetTrack(t)->Clips())
            clip->SetSelected(false);
    ASSERT_TRUE(m_project->SaveProject(m_dir + "first.lt4"));

    bool cancelled = false;
    ASSERT_TRUE(m_project->LoadProject(m_dir + "first.lt4", cancelled));
    EXPECT_FALSE(m_undo.IsDirty());
    size_t audioClips = 0;
    int notes = 0;
    for (int t = 0; t < m_project->GetNumTracks(); ++t)
        for (const CClip* clip : m_project->GetTrack(t)->Clips()) {
            if (clip->GetClipKind() == ClipKind::kAudio)
                ++audioClips;
            else
                notes += static_cast<const CMIDIClip*>(clip)->GetAtom()->NumNotes();
        }
    EXPECT_EQ(audioClips, sounds.size());
    EXPECT_EQ(notes, 6);
    const auto& tones = m_project->GetTrack(0)->Clips();
    ASSERT_FALSE(tones.empty());
    EXPECT_NEAR(tones.front()->GetLengthMs(), 1000.0, 1.0);

    ASSERT_TRUE(m_project->SaveProject(m_dir + "second.lt4"));
    const std::string first = ReadAll(m_dir + "first.lt4");
    EXPECT_GT(first.size(), 1000u);
    EXPECT_EQ(FirstDifference(first, ReadAll(m_dir + "second.lt4")), -1);
}

TEST_F(ProjectClips, AddingARemovingAClipAreUndoneAndRedone) {
    CClip* clip = AddClipAt(2, 500.0);
    ASSERT_NE(clip, nullptr);
    CTrack* track = m_project->GetTrack(2);
    ASSERT_EQ(track->Clips().size(), 1u);
    EXPECT_DOUBLE_EQ(clip->GetStartMs(), 500.0);
    EXPECT_TRUE(m_undo.IsDirty());
    ASSERT_TRUE(m_undo.Undo());
    EXPECT_TRUE(track->Clips().empty());
    ASSERT_TRUE(m_undo.Redo());
    ASSERT_EQ(track->Clips().size(), 1u);

    m_project->RemoveClip(track->Clips().front());
    EXPECT_TRUE(track->Clips().empty());
    ASSERT_TRUE(m_undo.Undo());
    ASSERT_EQ(track->Clips().size(), 1u);
    EXPECT_DOUBLE_EQ(track->Clips().front()->GetStartMs(), 500.0);
}

TEST_F(ProjectClips, ASoundOnAMidiTrackGetsAnAudioTrackAndABadFileNoClip) {
    CMIDITrack* midi = m_project->AddMIDITrack(0, false);
    ASSERT_NE(midi, nullptr);
    const int before = m_project->GetNumTracks();
    ASSERT_NE(AddClipAt(0, 0.0), nullptr);
    EXPECT_EQ(m_project->GetNumTracks(), before + 1);
    EXPECT_EQ(m_project->GetTrack(0)->GetKind(), CTrack::kAudio);
    EXPECT_TRUE(midi->Clips().empty());

    std::ofstream(m_dir + "bad.wav") << "not a sound";
    EXPECT_EQ(AddClipAt(3, 0.0, m_dir + "bad.wav"), nullptr);
    EXPECT_TRUE(m_project->GetTrack(3)->Clips().empty());
    ASSERT_EQ(m_titles.size(), 1u);
    EXPECT_EQ(m_titles.front(), "Err_LoadSoundFailed_Title");
}

TEST_F(ProjectClips, MovedSoundsAreAskedForOncePerLoadAndMarkTheProjectChanged) {
    fs::create_directories(m_dir + "moved");
    ASSERT_NE(AddClipAt(0, 0.0), nullptr);
    ASSERT_NE(AddClipAt(1, 0.0), nullptr);
    ASSERT_TRUE(m_project->SaveProject(m_dir + "song.lt4"));
    fs::rename(m_dir + "Tone.wav", m_dir + "moved/Tone.wav");
    int asked = 0;
    SetMissingSoundHook([&](const MissingSoundRequest&) {
        ++asked;
        return MissingSoundAnswer{MissingSoundChoice::kBrowsed, m_dir + "moved/Tone.wav"};
    });
    for (int load = 1; load <= 2; ++load) {
        bool cancelled = false;
        ASSERT_TRUE(m_project->LoadProject(m_dir + "song.lt4", cancelled));
        // Both clips name the same file: one question per load.
        EXPECT_EQ(asked, load);
        EXPECT_TRUE(m_undo.IsDirty());
        EXPECT_EQ(m_project->GetTrack(1)->Clips().size(), 1u);
    }
    SetMissingSoundHook(nullptr);
    ASSERT_TRUE(m_project->SaveProject(m_dir + "song.lt4"));
    asked = 0;
    bool cancelled = false;
    ASSERT_TRUE(m_project->LoadProject(m_dir + "song.lt4", cancelled));
    EXPECT_FALSE(m_undo.IsDirty());
}

} // namespace
