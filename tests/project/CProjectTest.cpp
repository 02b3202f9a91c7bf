#include "ProjectOnWindowTest.h"
#include "TestFiles.h"
#include "engine/CDelayEffect.h"
#include "engine/CEffectChain.h"
#include "engine/EffectsFactory.h"
#include "project/CAudioTrack.h"
#include "project/CMIDITrack.h"
#include "support/LogCapture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace fs = std::filesystem;

namespace {

using Bytes = std::vector<uint8_t>;

struct Chunk {
    std::string code;
    uint32_t size;
    size_t bodyAt;
};

// The chunks directly inside the RIFF form, after checking the form type.
std::vector<Chunk> TopChunks(const Bytes& file, const std::string& form) {
    std::vector<Chunk> chunks;
    if (file.size() < 12 || std::string(file.begin() + 8, file.begin() + 12) != form)
        return chunks;
    for (size_t at = 12; at + 8 <= file.size();) {
        uint32_t size;
        std::memcpy(&size, &file[at + 4], 4);
        chunks.push_back({std::string(file.begin() + at, file.begin() + at + 4), size, at + 8});
        at += 8 + size + (size & 1);
    }
    return chunks;
}

class CProjectTest : public ProjectOnWindowTest {
protected:
    std::string Path(const std::string& name) const { return m_dir + name; }
    bool Load(const std::string& path) {
        bool cancelled = false;
        return m_project->LoadProject(path, cancelled);
    }
    Bytes SaveAndRead(const std::string& name) {
        EXPECT_TRUE(m_project->SaveProject(Path(name)));
        return ReadAll<Bytes>(Path(name));
    }
};

TEST_F(CProjectTest, NewProjectFileHoldsEightAudioTracksInOrder) {
    const Bytes file = SaveAndRead("new.lt4");
    const std::vector<Chunk> chunks = TopChunks(file, "LTC3");
    ASSERT_EQ(chunks.size(), 3u + 8 * 2);
    EXPECT_EQ(chunks[0].code, "PROJ");
    EXPECT_EQ(chunks[0].size, 2656u);
    double version;
    std::memcpy(&version, &file[chunks[0].bodyAt], 8);
    EXPECT_EQ(version, 1.3);
    EXPECT_EQ(chunks[1].code, "EfxL");
    EXPECT_EQ(chunks[2].code, "Mark");
    EXPECT_EQ(chunks[2].size, 80u + 328u);
    for (size_t track = 0; track < 8; ++track) {
        EXPECT_EQ(chunks[3 + 2 * track].code, "TrkA");
        EXPECT_EQ(chunks[3 + 2 * track].size, 920u);
        EXPECT_EQ(chunks[4 + 2 * track].code, "EfxL");
    }
    EXPECT_EQ(m_project->GetProjectFilePath(), Path("new.lt4"));
    EXPECT_FALSE(m_undo.IsDirty());
}

// Changes every setting of every kind of track, markers and project fields.
void MakeEverythingDifferent(CProject& project) {
    project.SetRecordingInput({0, 2, [](int) { return 2; }, {}, {}}, 1);
    project.AddMIDITrack(1, false);
    project.AddMIDITrack(-1, false);
    for (int index = 0; index < project.GetNumTracks(); ++index) {
        auto* track = static_cast<CPCMAudTrack*>(project.GetTrack(index));
        track->SetName("Track \"" + std::to_string(index) + "\"", false);
        track->SetImage("picture" + std::to_string(index), false);
        track->SetVolume(0.25 * index, false);
        track->SetPan(index % 2 ? -0.5 : 0.75, false);
        track->SetColour(0x123400u + static_cast<uint32_t>(index), false);
        project.Tracks().SetHeight(index, 31 + index * 7, false);
        track->GetEffectChain()->Insert(
            EffectsFactory::GetInstance()->LoadEffect(CDelayEffect::kID), 0);
        if (index % 3 == 1)
            track->ToggleMute();
        if (index == 2) {
            track->ToggleSolo();
            track->Arm(0, 1);
        }
        if (auto* midi = dynamic_cast<CMIDITrack*>(track))
            midi->SetMidiInputChannel(index % 16, false);
    }
    MarkerRecord change;
    change.time = 5000;
    change.name = "Chorus";
    change.colour = 0xFF;
    change.isrc = "USABC0000001";
    change.tempoEvent = {5000.0, 96.5, 14, 6, 8, true, true, true, 3};
    ASSERT_TRUE(project.Markers().Add(change));
    ProjectAuthoring authoring;
    authoring.author = "Ann";
    authoring.title = "Song";
    authoring.year = 2024;
    project.SetAuthoring(authoring);
    project.SelectTrack(0, false);
}

TEST_F(CProjectTest, SaveLoadSaveIsByteIdentical) {
    MakeEverythingDifferent(*m_project);
    const Bytes first = SaveAndRead("first.lt4");
    ASSERT_TRUE(Load(Path("first.lt4")));
    EXPECT_TRUE(m_titles.empty());
    EXPECT_EQ(m_project->GetNumTracks(), 10);
    EXPECT_EQ(m_project->GetTrack(1)->GetKind(), CTrack::kMidi);
    EXPECT_TRUE(m_project->GetTrack(2)->IsSolo());
    EXPECT_TRUE(m_project->GetTrack(0)->IsSilencedBySolo());
    EXPECT_TRUE(m_project->GetTrack(2)->IsArmed());
    EXPECT_EQ(m_project->Markers().Count(), 2);
    const Bytes second = SaveAndRead("second.lt4");
    EXPECT_EQ(first, second);
}

TEST_F(CProjectTest, TrackListChangesUndoAndRedo) {
    m_undo.NextUndoSet();
    CTrack* added = m_project->AddAudioTrack(2, true);
    ASSERT_EQ(m_project->GetTrack(2), added);
    const std::string defaultName = added->GetName();
    m_undo.NextUndoSet();
    ASSERT_TRUE(m_project->Tracks().Move(2, 5, true));
    m_undo.NextUndoSet();
    ASSERT_TRUE(m_project->Tracks().SetHeight(5, 10, true));
    EXPECT_EQ(added->GetHeight(), CTrack::kMinHeight);
    m_undo.NextUndoSet();
    added->SetVolume(0.5, true);
    added->SetName("Lead", true);
    ASSERT_TRUE(m_project->DeleteTrack(5, true));
    EXPECT_EQ(m_project->GetNumTracks(), 8);

    ASSERT_TRUE(m_undo.Undo()); // delete
    ASSERT_EQ(m_project->GetTrack(5), added);
    EXPECT_EQ(added->GetName(), "Lead");
    EXPECT_EQ(added->GetVolume(), 0.5);
    ASSERT_TRUE(m_undo.Undo()); // settings
    EXPECT_EQ(added->GetName(), defaultName);
    EXPECT_EQ(added->GetVolume(), 1.0);
    ASSERT_TRUE(m_undo.Undo()); // height
    EXPECT_EQ(added->GetHeight(), CTrack::kNormalHeight);
    ASSERT_TRUE(m_undo.Undo()); // move
    EXPECT_EQ(m_project->GetTrack(2), added);
    ASSERT_TRUE(m_undo.Undo()); // insert
    EXPECT_EQ(m_project->GetNumTracks(), 8);
    EXPECT_EQ(m_mixer.GetNumTracks(), 8);

    for (int step = 0; step < 4; ++step)
        ASSERT_TRUE(m_undo.Redo());
    EXPECT_EQ(m_project->GetTrack(5), added);
    EXPECT_EQ(added->GetName(), "Lead");
    EXPECT_EQ(added->GetHeight(), CTrack::kMinHeight);
    ASSERT_TRUE(m_undo.Redo());
    EXPECT_EQ(m_project->GetNumTracks(), 8);
    EXPECT_EQ(m_mixer.GetNumTracks(), 8);
    EXPECT_TRUE(m_undo.IsDirty());
}

TEST_F(CProjectTest, RemovingTracksRenumbersTheEngineTracksAndNeverLeavesNone) {
    auto* third = static_cast<CPCMAudTrack*>(m_project->GetTrack(2));
    ASSERT_TRUE(m_project->DeleteTrack(1, false));
    EXPECT_EQ(third->GetTrackNumber(), 1);
    EXPECT_EQ(third->GetIndex(), 1);
    EXPECT_EQ(m_mixer.GetNumTracks(), 7);

    // Deleting the only track leaves a new audio track.
    while (m_project->GetNumTracks() > 1)
        m_project->DeleteTrack(0, false);
    m_project->SelectTrack(0, false);
    CTrack* last = m_project->GetTrack(0);
    EXPECT_TRUE(m_project->DeleteSelectedTrack());
    ASSERT_EQ(m_project->GetNumTracks(), 1);
    EXPECT_NE(m_project->GetTrack(0), last);
    EXPECT_EQ(m_project->GetTrack(0)->GetKind(), CTrack::kAudio);
}

TEST_F(CProjectTest, LoadEdgeCases) {
    m_project->AddMIDITrack(-1, false);
    m_project->SetProjectFilePath(Path("kept.lt4"));
    EXPECT_FALSE(Load(Path("missing.lt4")));
    EXPECT_EQ(m_project->GetNumTracks(), 9);
    EXPECT_EQ(m_project->GetProjectFilePath(), Path("kept.lt4"));
    EXPECT_TRUE(m_titles.empty());

    fs::create_directories(m_dir + "sub");
    WriteAll(Path("sub/empty.lt4"), Bytes{});
    EXPECT_TRUE(Load(Path("sub/empty.lt4")));
    EXPECT_EQ(m_project->GetNumTracks(), 8);
    EXPECT_EQ(m_project->GetProjectFilePath(), Path("sub/empty.lt4"));
    EXPECT_EQ(m_project->GetRecordingFolder(), m_dir + "sub/");

    WriteAll(Path("text.lt4"), Bytes{'h', 'e', 'l', 'l', 'o'});
    EXPECT_FALSE(Load(Path("text.lt4")));
    EXPECT_EQ(m_titles, std::vector<std::string>{"Err_LoadFailedTitle"});
    EXPECT_EQ(m_project->GetProjectFilePath(), "");
    EXPECT_EQ(m_project->GetNumTracks(), 8);

    m_project->AddMIDITrack(-1, false);
    SaveOptions asTemplate;
    asTemplate.asTemplate = true;
    ASSERT_TRUE(m_project->SaveProject(Path("t.lt4template"), asTemplate));
    EXPECT_EQ(m_project->GetProjectFilePath(), "");
    EXPECT_TRUE(Load(Path("t.lt4template")));
    EXPECT_EQ(m_project->GetNumTracks(), 9);
    EXPECT_EQ(m_project->GetProjectFilePath(), "");
}

TEST_F(CProjectTest, MarkersWithoutStartGetOneAndTheWarning) {
    Bytes file = SaveAndRead("p.lt4");
    const Chunk mark = TopChunks(file, "LTC3")[2];
    const uint32_t zero = 0;
    std::memcpy(&file[mark.bodyAt + 8], &zero, 4);
    WriteAll(Path("nomarks.lt4"), file);
    LogCapture log;
    ASSERT_TRUE(Load(Path("nomarks.lt4")));
    ASSERT_EQ(m_project->Markers().Count(), 1);
    EXPECT_EQ(m_project->Markers().At(0).time, 0);
    EXPECT_TRUE(m_project->Markers().At(0).tempoEvent.tempoChange);
    const auto lines = log.Lines();
    EXPECT_NE(std::find(lines.begin(), lines.end(),
                        "Warning!  This project has no markers to load and is probably corrupt."),
              lines.end());
}

TEST_F(CProjectTest, DamagedTracksAreSkippedWithOneMessage) {
    Bytes file = SaveAndRead("p.lt4");
    const std::vector<Chunk> chunks = TopChunks(file, "LTC3");
    const double badVersion = 7.0;
    std::memcpy(&file[chunks[3].bodyAt], &badVersion, 8);
    std::memcpy(&file[chunks[7].bodyAt], &badVersion, 8);
    WriteAll(Path("damaged.lt4"), file);
    ASSERT_TRUE(Load(Path("damaged.lt4")));
    EXPECT_EQ(m_project->GetNumTracks(), 6);
    EXPECT_EQ(m_titles, std::vector<std::string>{"PL_PartialLoad_Title"});
}

TEST_F(CProjectTest, FailedSaveAsKeepsPathAndStaysChanged) {
    SaveAndRead("saved.lt4");
    EXPECT_FALSE(m_project->SaveProject(m_dir + "no/such/folder/x.lt4"));
    EXPECT_EQ(m_project->GetProjectFilePath(), Path("saved.lt4"));
    EXPECT_TRUE(m_undo.IsDirty());
    EXPECT_EQ(m_titles, std::vector<std::string>{"Err_SaveFailedTitle"});
}

} // namespace
