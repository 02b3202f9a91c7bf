#include "project/CMIDIClip.h"
#include "FakeClipDocument.h"
#include "TestFiles.h"
#include "engine/CMidiSound.h"
#include "project/CMIDIClipUndo.h"
#include "support/LogCapture.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

namespace {

CMidiSound* SampleSound() {
    auto* sound = new CMidiSound;
    TMidiSndNoteData note;
    note.start = 0.0;
    note.end = 500.0;
    note.pitch = 64;
    sound->AddMidiNote(note, nullptr);
    note.start = 500.0;
    note.end = 900.0;
    note.pitch = 67;
    sound->AddMidiNote(note, nullptr);
    sound->SetMediaLength(1000.0);
    sound->SetLoopStart(0.0);
    sound->SetLoopEnd(1000.0);
    sound->SetVirtualLength(1000.0);
    sound->SetAbsoluteOffset(2000.0);
    return sound;
}

bool SaveClip(CMIDIClip& clip, const std::string& path) {
    return WriteChunks(path, [&](CRIFF& riff) { return clip.Save(riff); });
}

bool LoadClip(CMIDIClip& clip, const std::string& path) {
    return ReadChunks(path, [&](CRIFF& riff) { return clip.Load(riff); });
}

class MidiClip : public ::testing::Test {
protected:
    void SetUp() override {
        std::filesystem::create_directories(LOOMTONE_TEST_TMP);
        doc.projectPath = Tmp("clips.lt4");
        clip = new CMIDIClip(doc, SampleSound());
        clip->SetName("Bass", false);
    }
    void TearDown() override {
        doc.undo.ClearUndoHistory();
        if (clip)
            clip->DeleteRefObject();
    }
    std::string Tmp(const char* name) const { return std::string(LOOMTONE_TEST_TMP) + "/" + name; }

    FakeClipDocument doc;
    CMIDIClip* clip = nullptr;
};

} // namespace

TEST_F(MidiClip, SaveLoadSaveIsByteIdentical) {
    clip->SetMuted(true, false);
    clip->Envelopes().GetVolumeEnvelope().Insert(100, 0.5);
    ASSERT_TRUE(SaveClip(*clip, Tmp("midi-a.riff")));
    auto* loaded = new CMIDIClip(doc);
    ASSERT_TRUE(LoadClip(*loaded, Tmp("midi-a.riff")));
    EXPECT_EQ(loaded->GetName(), "Bass");
    EXPECT_TRUE(loaded->IsMuted());
    EXPECT_FALSE(loaded->IsSelected());
    EXPECT_EQ(loaded->GetAtom()->NumNotes(), 2);
    EXPECT_EQ(loaded->GetStartMs(), 2000.0);
    EXPECT_EQ(loaded->Envelopes().GetVolumeEnvelope().GetNumPoints(), 1);
    ASSERT_TRUE(SaveClip(*loaded, Tmp("midi-b.riff")));
    EXPECT_EQ(ReadAll(Tmp("midi-a.riff")), ReadAll(Tmp("midi-b.riff")));
    loaded->DeleteRefObject();
}

TEST_F(MidiClip, NoteDataThatCannotBeWrittenFailsTheSave) {
    clip->GetAtom()->SetAbsoluteOffset(-10);
    LogCapture log;
    EXPECT_FALSE(SaveClip(*clip, Tmp("midi-bad.riff")));
    EXPECT_TRUE(log.Contains("CMIDIClip::Save failed snd->Save(riff) - returning false!"));
}

TEST_F(MidiClip, RecordsOfWrongSizeAreRefused) {
    for (uint32_t size : {343u, 345u}) {
        const std::vector<char> record(size, 0);
        CMidiSound* sound = SampleSound();
        ASSERT_TRUE(WriteChunks(Tmp("midi-size.riff"), [&](CRIFF& riff) {
            return riff.WriteListChunkHeader(MakeFourCC("ClpM")) &&
                   riff.WriteSubChunk(MakeFourCC("CpMD"), record.data(), size) &&
                   sound->Save(riff) && riff.Ascend();
        }));
        CAudioAtom::DeleteAtom(sound);
        auto* loaded = new CMIDIClip(doc);
        LogCapture log;
        EXPECT_FALSE(LoadClip(*loaded, Tmp("midi-size.riff"))) << size;
        EXPECT_TRUE(log.Contains("readSize != sizeof(MIDIClipSaveLoad)")) << size;
        loaded->DeleteRefObject();
    }
}

TEST_F(MidiClip, ChangesUndoAndRedoAndChangingBackRecordsNothing) {
    clip->SetMuted(true, true);
    doc.undo.NextUndoSet();
    clip->SetTranspose(5, true);
    EXPECT_EQ(doc.undo.NumUndoSets(), 2);
    ASSERT_TRUE(doc.undo.Undo());
    EXPECT_EQ(clip->GetTranspose(), 0);
    EXPECT_TRUE(clip->IsMuted());
    ASSERT_TRUE(doc.undo.Undo());
    EXPECT_FALSE(clip->IsMuted());
    ASSERT_TRUE(doc.undo.Redo());
    EXPECT_TRUE(clip->IsMuted());

    doc.undo.ClearUndoHistory();
    clip->BeginChange();
    clip->SetRate(2.0, false);
    clip->SetRate(1.0, false);
    clip->EndChange();
    clip->SetLocked(false, true); // already unlocked
    EXPECT_EQ(doc.undo.NumUndoSets(), 0);
}

TEST_F(MidiClip, UndoMarksTheWorkingCopyStale) {
    clip->BeginEditCopy();
    ASSERT_NE(clip->GetEditCopy(), nullptr);
    EXPECT_EQ(clip->GetEditCopy()->NumNotes(), 2);
    clip->SetName("Lead", true);
    EXPECT_FALSE(clip->IsEditCopyStale());
    ASSERT_TRUE(doc.undo.Undo());
    EXPECT_EQ(clip->GetName(), "Bass");
    EXPECT_TRUE(clip->IsEditCopyStale());
    clip->EndEditCopy();
    EXPECT_EQ(clip->GetEditCopy(), nullptr);
    EXPECT_FALSE(clip->IsEditCopyStale());
}

TEST_F(MidiClip, RemovedClipLivesWhileARecordNamesIt) {
    MidiClipUndoStruct before;
    ASSERT_TRUE(clip->FillUndoStruct(&before));
    before.trackIndex = 2;
    doc.undo.AddUndoNode(
        CMIDIClipUndo(doc, CMIDIClipUndo::kRemoved, before, MidiClipUndoStruct{}, clip, 0));
    clip->DeleteRefObject(); // the project lets go
    CMIDIClip* kept = clip;
    clip = nullptr;
    ASSERT_TRUE(doc.undo.Undo());
    EXPECT_EQ(doc.lastTrack, 2);
    EXPECT_EQ(kept->GetAtom()->GetTrackNumber(), 12);
    ASSERT_TRUE(doc.undo.Redo());
    EXPECT_EQ(doc.removed, 1);
    LogCapture log;
    doc.undo.ClearUndoHistory();
    EXPECT_TRUE(log.Contains("~CClip"));
}

TEST_F(MidiClip, EdgeEditsAndEnvelopeFunctionsUndoExactly) {
    clip->Envelopes().GetVolumeEnvelope().Insert(600.0, 0.5);
    const auto snapshot = [&] {
        MidiClipUndoStruct state;
        clip->FillUndoStruct(&state);
        return state;
    };
    const MidiClipUndoStruct before = snapshot();
    clip->SetRate(2.0, false); // material runs twice as fast
    doc.undo.NextUndoSet();
    clip->BeginChange();
    clip->ResizeLeft(200.0, false);
    clip->ResizeRight(10.0, false); // never below the shortest clip
    clip->EndChange();
    EXPECT_EQ(clip->GetStartMs(), 2200.0);
    EXPECT_EQ(clip->GetOffsetMs(), 400.0);
    EXPECT_EQ(clip->GetLengthMs(), CClip::kMinimumLengthMs);
    clip->StretchTo(2200.0, 80.0, 1.0);
    EnvelopePoint point;
    ASSERT_TRUE(clip->Envelopes().GetVolumeEnvelope().GetPointAtIndex(0, point));
    EXPECT_EQ(point.timeMs, 200.0); // halved by the rate, moved with the edge, doubled
    ASSERT_TRUE(doc.undo.Undo());
    clip->SetRate(1.0, false);
    EXPECT_EQ(snapshot(), before);
    ASSERT_TRUE(clip->Envelopes().GetVolumeEnvelope().GetPointAtIndex(0, point));
    EXPECT_EQ(point.timeMs, 600.0);

    doc.undo.NextUndoSet();
    const int sets = doc.undo.NumUndoSets();
    clip->DoMenuCommand(23); // reset: the one point becomes the default
    ASSERT_EQ(doc.undo.NumUndoSets(), sets + 1);
    ASSERT_TRUE(clip->Envelopes().GetVolumeEnvelope().GetPointAtIndex(0, point));
    EXPECT_EQ(point.value, 1.0);
    ASSERT_TRUE(doc.undo.Undo());
    ASSERT_TRUE(clip->Envelopes().GetVolumeEnvelope().GetPointAtIndex(0, point));
    EXPECT_EQ(point.value, 0.5);
    // MIDI material has no sound to trim or normalize.
    EXPECT_FALSE(clip->IsMenuItemAvailable(CClip::kMenuNormalize));
    EXPECT_TRUE(clip->IsMenuItemAvailable(27));
}
