#include "ProjectOnWindowTest.h"
#include "SmfBytes.h"
#include "engine/CEffectChain.h"
#include "engine/CGMInstrument.h"
#include "engine/CMidiSound.h"
#include "engine/TempoMap.h"
#include "project/CMIDIClip.h"
#include "project/CMIDITrack.h"
#include "project/CProject.h"
#include "project/CTrackBody.h"
#include "project/SoundFontNotice.h"
#include "support/CUndoMgr.h"
#include "support/LocalizedStrings.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

SmfTrack& Note(SmfTrack& track, uint32_t delta, int channel, int pitch, uint32_t length = 480) {
    return track.Event(delta, {uint8_t(0x90 | channel), uint8_t(pitch), 100})
        .Event(length, {uint8_t(0x80 | channel), uint8_t(pitch), 0});
}

class MidiFileImportTest : public ProjectOnWindowTest {
protected:
    void SetUp() override {
        ProjectOnWindowTest::SetUp();
        CGMInstrument::Register();
    }

    bool Open(const std::vector<uint8_t>& bytes) {
        WriteBytes(m_dir + "Song.mid", bytes);
        bool cancelled = false;
        return m_project->LoadProject(m_dir + "Song.mid", cancelled);
    }
    CMIDITrack* MidiTrack(int index) const {
        return dynamic_cast<CMIDITrack*>(m_project->GetTrack(index));
    }
    CMIDIClip* OnlyClip(int index) const {
        CTrack* track = m_project->GetTrack(index);
        return track && track->Clips().size() == 1 ? dynamic_cast<CMIDIClip*>(track->Clips()[0])
                                                   : nullptr;
    }
    const MarkerRecord* MarkerAt(double ms) const {
        const int index = m_project->Markers().IndexAt(ms);
        return index < 0 ? nullptr : &m_project->Markers().At(index);
    }
};

TEST_F(MidiFileImportTest, FormatZeroDrumsGetTheirOwnClipOnThePercussionBank) {
    SmfTrack track;
    Note(track, 0, 0, 60);
    Note(track, 0, 9, 36).End(0);
    ASSERT_TRUE(Open(SmfFile(0, 480, {track})));
    ASSERT_EQ(m_project->GetNumTracks(), 2);
    CMIDIClip* melody = OnlyClip(0);
    CMIDIClip* drums = OnlyClip(1);
    ASSERT_TRUE(melody && drums);
    EXPECT_EQ(melody->GetAtom()->GetNote(0)->GetChannel(), 0);
    EXPECT_TRUE(melody->GetAtom()->GetObeyKeyMap());
    EXPECT_EQ(drums->GetAtom()->GetNote(0)->GetPitch(), 36);
    EXPECT_FALSE(drums->GetAtom()->GetObeyKeyMap());
    CEffectChain* chain = MidiTrack(1)->GetInstrumentChain();
    ASSERT_EQ(chain->NumEffects(), 1);
    EXPECT_EQ(chain->GetEffect(0)->GetCurrentPresetName(), "128:0");
    EXPECT_FLOAT_EQ(chain->GetEffect(0)->GetParameter(CGMInstrument::kBankParameter), 128.0f);
    EXPECT_EQ(melody->GetName(), "Song");
    EXPECT_TRUE(m_project->GetProjectFilePath().empty());
}

TEST_F(MidiFileImportTest, FormatOneTracksKeepNamesProgramsAndTheProjectEvents) {
    SmfTrack conductor;
    conductor.Tempo(0, 400000).Meta(0, 0x58, {6, 3, 24, 8}).Text(0, 0x01, "Liner notes");
    conductor.Text(0, 0x02, "(c) Someone").Text(480, 0x06, "Verse").Tempo(480, 500000).End(0);
    std::vector<SmfTrack> tracks{conductor, {}, {}};
    tracks[1].Text(0, 0x03, "Bass").Event(0, {0xC1, 33});
    Note(tracks[1], 0, 1, 40).End(0);
    tracks[2].Text(0, 0x03, "Keys");
    Note(tracks[2], 0, 2, 64, 960).End(0);
    ASSERT_TRUE(Open(SmfFile(1, 480, tracks)));

    ASSERT_EQ(m_project->GetNumTracks(), 2);
    EXPECT_EQ(m_project->GetTrack(0)->GetName(), "Bass");
    EXPECT_EQ(m_project->GetTrack(1)->GetName(), "Keys");
    EXPECT_EQ(MidiTrack(0)->GetInstrumentChain()->GetEffect(0)->GetCurrentPresetName(), "0:33");
    EXPECT_EQ(
        OnlyClip(0)->GetAtom()->GetMidiControllerList(CMidiControllerList::kProgramChange)->Count(),
        0);

    const TempoMap& map = m_project->GetTempoMap();
    EXPECT_DOUBLE_EQ(map.GetTempoAtTime(0.0), 150.0);
    int numerator = 0, denominator = 0;
    map.GetTimeSignatureAtTime(0.0, &numerator, &denominator);
    EXPECT_EQ(numerator, 6);
    EXPECT_EQ(denominator, 8);
    ASSERT_NE(MarkerAt(500.0), nullptr);
    EXPECT_EQ(MarkerAt(500.0)->name, "Verse");
    ASSERT_NE(MarkerAt(1000.0), nullptr);
    EXPECT_EQ(MarkerAt(1000.0)->name, MyLoadString("MIDI_TempoChange"));
    EXPECT_DOUBLE_EQ(map.GetTempoAtTime(1000.0), 120.0);
    EXPECT_EQ(m_project->Authoring().comments, "Liner notes");
    EXPECT_EQ(m_project->Authoring().copyright, "(c) Someone");
    EXPECT_DOUBLE_EQ(OnlyClip(1)->GetAtom()->GetNote(0)->GetEnd(), 1000.0);
    EXPECT_DOUBLE_EQ(OnlyClip(0)->GetAtom()->GetSoundTempo(), 150.0);
}

TEST_F(MidiFileImportTest, LengthsRoundToWholeBeatsButCoverTheNotes) {
    // 1900 ms of track with a short note: two seconds of material.
    SmfTrack shortTrack;
    Note(shortTrack, 0, 0, 60, 96).End(1728);
    ASSERT_TRUE(Open(SmfFile(1, 480, {shortTrack})));
    EXPECT_DOUBLE_EQ(OnlyClip(0)->GetAtom()->GetMediaLength(), 2000.0);
    SmfTrack longer;
    Note(longer, 0, 0, 60, 96).End(2016);
    ASSERT_TRUE(Open(SmfFile(1, 480, {longer})));
    EXPECT_DOUBLE_EQ(OnlyClip(0)->GetAtom()->GetMediaLength(), 2000.0);
    EXPECT_DOUBLE_EQ(OnlyClip(0)->GetAtom()->Length(), 2000.0);
    // A tiny file still gives a clip of a second.
    SmfTrack tiny;
    Note(tiny, 0, 0, 60, 48).End(0);
    ASSERT_TRUE(Open(SmfFile(1, 480, {tiny})));
    EXPECT_DOUBLE_EQ(OnlyClip(0)->GetAtom()->Length(), 1000.0);
}

TEST_F(MidiFileImportTest, BrokenFilesLeaveANewProjectAndPartialOnesKeepWhatRead) {
    ASSERT_FALSE(Open(SmfFile(2, 480, {SmfTrack().End(0)})));
    EXPECT_EQ(m_project->GetNumTracks(), 8);
    SmfTrack good;
    Note(good, 0, 0, 60).End(0);
    std::vector<uint8_t> file = SmfFile(1, 480, {good, good});
    file.erase(file.end() - 2, file.end());
    ASSERT_TRUE(Open(file));
    EXPECT_EQ(m_project->GetNumTracks(), 1);
}

TEST_F(MidiFileImportTest, AddingAMidiFilePlacesItsClipsAtTheCaretAsOneUndoStep) {
    SmfTrack one, two;
    Note(one, 0, 0, 60).End(0);
    Note(two, 0, 1, 62).End(0);
    WriteBytes(m_dir + "Add.mid", SmfFile(1, 480, {one, two}));
    m_project->SelectTrack(2, false);
    m_project->MoveCaretAndPlayback(4000.0);
    const int tracksBefore = m_project->GetNumTracks();
    CClip* added = m_project->AddClip(m_dir + "Add.mid");
    ASSERT_NE(added, nullptr);
    ASSERT_EQ(m_project->GetNumTracks(), tracksBefore + 2);
    for (int index : {2, 3}) {
        ASSERT_NE(MidiTrack(index), nullptr);
        ASSERT_NE(OnlyClip(index), nullptr);
        EXPECT_DOUBLE_EQ(OnlyClip(index)->GetStartMs(), 4000.0);
        EXPECT_FALSE(OnlyClip(index)->GetAtom()->GetObeyKeyMap());
    }
    m_undo.Undo();
    EXPECT_EQ(m_project->GetNumTracks(), tracksBefore);
    EXPECT_TRUE(m_project->GetTrack(2)->Clips().empty());
}

TEST_F(MidiFileImportTest, ADroppedMidiFileLandsWhereItWasDropped) {
    SmfTrack one;
    Note(one, 0, 0, 60).End(0);
    WriteBytes(m_dir + "Drop.mid", SmfFile(1, 480, {one}));
    const CTrackBody* body = m_project->GetTrack(1)->GetBody();
    m_project->DropFiles({m_dir + "Drop.mid"}, {body->GetAbsX() + 100, body->GetAbsY() + 5});
    ASSERT_NE(MidiTrack(1), nullptr);
    ASSERT_NE(OnlyClip(1), nullptr);
    EXPECT_DOUBLE_EQ(OnlyClip(1)->GetStartMs(), 100.0 * m_project->MsPerPixel());
}

TEST_F(MidiFileImportTest, AudioOnlyAddRefusesAMidiFile) {
    SmfTrack one;
    Note(one, 0, 0, 60).End(0);
    WriteBytes(m_dir + "Add.mid", SmfFile(1, 480, {one}));
    EXPECT_EQ(m_project->AddAudioClip(m_dir + "Add.mid"), nullptr);
}

} // namespace

namespace {

TEST(SoundFontNoticeTest, ToldOnceAndOnlyWhenNoSoundFontIsFound) {
    std::vector<std::string> bodies;
    SetMessageBoxHook([&bodies](const MessageBoxRequest& request, bool&) {
        bodies.push_back(request.text);
        return IDOK;
    });
    EXPECT_FALSE(WarnOnceWithoutSoundFont("/usr/share/sounds/sf2/TimGM6mb.sf2"));
    EXPECT_TRUE(WarnOnceWithoutSoundFont(""));
    EXPECT_FALSE(WarnOnceWithoutSoundFont(""));
    SetMessageBoxHook(nullptr);
    ASSERT_EQ(bodies.size(), 1u);
    EXPECT_EQ(bodies[0], MyLoadString("Err_NoSoundFont_Body"));
}

} // namespace
