#include "ProjectOnWindowTest.h"
#include "SmfBytes.h"
#include "engine/CGMInstrument.h"
#include "engine/CMidiSound.h"
#include "project/CMIDIClip.h"
#include "project/CMIDITrack.h"
#include "project/CMidiFileExport.h"
#include "project/CMidiFileReader.h"
#include "project/CMidiFileWriter.h"
#include "project/CProject.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

namespace {

constexpr double kTickMs = CMidiFileWriter::kMsPerTick;

MidiFileContent ReadBack(const std::vector<uint8_t>& bytes) {
    MidiFileContent content;
    EXPECT_EQ(CMidiFileReader::Read(bytes.data(), bytes.size(), content),
              CMidiFileReader::Error::None);
    return content;
}

TEST(CMidiFileWriter, WhatItWritesReadsBackWithinOneTick) {
    MidiFileContent content;
    content.initialTempo = 150.0;
    content.initialNumerator = 7;
    content.initialDenominator = 8;
    MidiFileContent::Meta marker;
    marker.kind = MidiFileContent::Meta::kMarker;
    marker.timeMs = 1234.0;
    marker.text = "Bridge";
    content.metas.push_back(marker);
    MidiFileContent::Track track;
    track.name = "Lead";
    track.messages = {{0x7F3C90, 0.3}, {0x2040B1, 10.0}, {0x4020E1, 250.0}, {0x3C80, 999.7}};
    content.tracks.push_back(track);
    // A pause longer than a delta time holds.
    track.messages = {{0x7F3C90, 0.0}, {0x3C80, 200000000.0}};
    content.tracks.push_back(track);

    const MidiFileContent back = ReadBack(CMidiFileWriter::Write(content));
    EXPECT_EQ(back.format, 1);
    ASSERT_EQ(back.tracks.size(), 3u); // the project events come first
    EXPECT_TRUE(back.tracks[0].messages.empty());
    EXPECT_DOUBLE_EQ(back.initialTempo, 150.0);
    EXPECT_EQ(back.initialNumerator, 7);
    EXPECT_EQ(back.initialDenominator, 8);
    const MidiFileContent::Track& lead = back.tracks[1];
    EXPECT_EQ(lead.name, "Lead");
    ASSERT_EQ(lead.messages.size(), 4u);
    for (size_t index = 0; index < 4; ++index) {
        EXPECT_EQ(lead.messages[index].message, content.tracks[0].messages[index].message);
        EXPECT_NEAR(lead.messages[index].timeMs, content.tracks[0].messages[index].timeMs, kTickMs);
    }
    EXPECT_NEAR(back.tracks[2].messages[1].timeMs, 200000000.0, kTickMs);
    bool markerFound = false;
    for (const MidiFileContent::Meta& meta : back.metas)
        markerFound |= meta.kind == MidiFileContent::Meta::kMarker && meta.text == "Bridge" &&
                       std::abs(meta.timeMs - 1234.0) <= kTickMs;
    EXPECT_TRUE(markerFound);
}

class MidiFileExportTest : public ProjectOnWindowTest {
protected:
    void SetUp() override {
        ProjectOnWindowTest::SetUp();
        CGMInstrument::Register();
    }
    bool Open(const std::string& path) {
        bool cancelled = false;
        return m_project->LoadProject(path, cancelled);
    }
    // channel, pitch, velocity, start, end of every note, clips placed.
    std::vector<std::tuple<int, int, int, double, double>> Notes() const {
        std::vector<std::tuple<int, int, int, double, double>> notes;
        for (int track = 0; track < m_project->GetNumTracks(); ++track) {
            for (CClip* clip : m_project->GetTrack(track)->Clips()) {
                const CMidiSound* sound = static_cast<CMIDIClip*>(clip)->GetAtom();
                for (int index = 0; index < sound->NumNotes(); ++index) {
                    const MidiNotePtr note = sound->GetNote(index);
                    notes.emplace_back(note->GetChannel(), note->GetPitch(), note->GetVelocity(),
                                       clip->GetStartMs() + note->GetStart(),
                                       clip->GetStartMs() + note->GetEnd());
                }
            }
        }
        std::sort(notes.begin(), notes.end());
        return notes;
    }
};

TEST_F(MidiFileExportTest, ImportOfAnExportGivesTheSameNotesAndMarkers) {
    SmfTrack conductor;
    conductor.Tempo(0, 400000).Meta(0, 0x58, {3, 2, 24, 8}).Text(700, 0x06, "Chorus");
    conductor.Tempo(500, 600000).Text(0, 0x02, "(c) Us").End(0);
    SmfTrack bass, drums;
    bass.Text(0, 0x03, "Bass").Event(0, {0xC0, 33});
    for (int i = 0; i < 8; ++i)
        bass.Event(i ? 113 : 7, {0x90, uint8_t(40 + i), uint8_t(60 + i)})
            .Event(367, {0x80, uint8_t(40 + i), 0});
    bass.End(0);
    drums.Text(0, 0x03, "Drums");
    for (int i = 0; i < 8; ++i)
        drums.Event(i ? 240 : 0, {0x99, 36, 100}).Event(240, {0x89, 36, 0});
    drums.End(0);
    WriteBytes(m_dir + "In.mid", SmfFile(1, 960, {conductor, bass, drums}));
    ASSERT_TRUE(Open(m_dir + "In.mid"));
    const auto notes = Notes();
    const std::vector<MarkerRecord> markers = m_project->Markers().All();
    std::vector<std::string> names;
    for (int track = 0; track < m_project->GetNumTracks(); ++track)
        names.push_back(m_project->GetTrack(track)->GetName());

    std::string error;
    ASSERT_TRUE(CMidiFileExport::WriteFile(*m_project, m_dir + "Out.mid", error)) << error;
    ASSERT_TRUE(Open(m_dir + "Out.mid"));

    const auto again = Notes();
    ASSERT_EQ(again.size(), notes.size());
    for (size_t index = 0; index < notes.size(); ++index) {
        EXPECT_EQ(std::get<0>(again[index]), std::get<0>(notes[index]));
        EXPECT_EQ(std::get<1>(again[index]), std::get<1>(notes[index]));
        EXPECT_EQ(std::get<2>(again[index]), std::get<2>(notes[index]));
        EXPECT_NEAR(std::get<3>(again[index]), std::get<3>(notes[index]), kTickMs);
        EXPECT_NEAR(std::get<4>(again[index]), std::get<4>(notes[index]), kTickMs);
    }
    ASSERT_EQ(m_project->Markers().Count(), static_cast<int>(markers.size()));
    for (size_t index = 1; index < markers.size(); ++index) {
        const MarkerRecord& marker = m_project->Markers().At(static_cast<int>(index));
        EXPECT_EQ(marker.time, markers[index].time);
        EXPECT_EQ(marker.name, markers[index].name);
        EXPECT_EQ(marker.tempoEvent, markers[index].tempoEvent);
    }
    EXPECT_EQ(m_project->Markers().At(0).tempoEvent, markers[0].tempoEvent);
    for (int track = 0; track < m_project->GetNumTracks(); ++track)
        EXPECT_EQ(m_project->GetTrack(track)->GetName(), names[static_cast<size_t>(track)]);
    EXPECT_EQ(static_cast<CMIDITrack*>(m_project->GetTrack(0))
                  ->GetInstrumentChain()
                  ->GetEffect(0)
                  ->GetCurrentPresetName(),
              "0:33");
    EXPECT_EQ(m_project->Authoring().copyright, "(c) Us");
}

TEST_F(MidiFileExportTest, LoopedAndMovedClipsExportWhatTheyPlay) {
    CMIDITrack* track = m_project->AddMIDITrack(-1, false);
    auto* sound = new CMidiSound;
    TMidiSndNoteData note;
    note.start = 0.0;
    note.end = 500.0;
    note.pitch = 60;
    note.velocity = 100;
    sound->AddMidiNote(note, nullptr);
    sound->SetMediaLength(1000.0);
    sound->SetLoopStart(0.0);
    sound->SetLoopEnd(1000.0);
    sound->SetVirtualLength(3000.0);
    auto* clip = new CMIDIClip(m_project->Clips(), sound);
    ASSERT_TRUE(track->AddClip(clip, 2000.0, false));
    clip->DeleteRefObject();
    const MidiFileContent content = CMidiFileExport::Gather(*m_project);
    ASSERT_EQ(content.tracks.size(), 1u);
    std::vector<double> onsets;
    for (const MidiFileContent::Message& message : content.tracks[0].messages)
        if ((message.message & 0xF0) == 0x90)
            onsets.push_back(message.timeMs);
    EXPECT_EQ(onsets, (std::vector<double>{2000.0, 3000.0, 4000.0}));
}

} // namespace
