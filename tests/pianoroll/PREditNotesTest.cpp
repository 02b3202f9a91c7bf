#include "pianoroll/PREditNotes.h"

#include "engine/CMidiSound.h"
#include "pianoroll/PRNoteEdits.h"
#include "project/CMIDIClip.h"
#include "project/FakeClipDocument.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

TEST(PREditNotesTest, StartsAndDurationsReadAsMeasuresBeatsAndThousandths) {
    // 120 in 4/4.
    EXPECT_EQ(PREditNotes::MusicalToStart({2, 1, 0}, 120, 4), 2000);
    EXPECT_EQ(PREditNotes::MusicalToStart({1, 3, 500}, 120, 4), 1250);
    EXPECT_EQ(PREditNotes::MusicalToDuration({0, 1, 0}, 120, 4), 500);
    EXPECT_EQ(PREditNotes::StartToMusical(1250, 120, 4), (PRMusicalTime{1, 3, 500}));
    EXPECT_EQ(PREditNotes::StartToMusical(2000, 120, 4), (PRMusicalTime{2, 1, 0}));
    EXPECT_EQ(PREditNotes::DurationToMusical(2500, 120, 4), (PRMusicalTime{1, 1, 0}));
    // Before measure 1 or with an empty field: no start.
    EXPECT_EQ(PREditNotes::MusicalToStart({0, 1, 0}, 120, 4), -1);
    EXPECT_EQ(PREditNotes::MusicalToStart({1, -1, 0}, 120, 4), -1);
    EXPECT_EQ(PREditNotes::MusicalToDuration({0, 0, -1}, 120, 4), -1);
    // 90 bpm: a beat is 666 2/3 ms; 6/8 at 120 counts six eighths of 500 ms.
    EXPECT_EQ(PREditNotes::MusicalToStart({2, 1, 0}, 90, 4), 2666);
    EXPECT_EQ(PREditNotes::StartToMusical(2666, 90, 4), (PRMusicalTime{1, 4, 999}));
    EXPECT_EQ(PREditNotes::MusicalToStart({2, 2, 0}, 120, 6), 3500);
    EXPECT_EQ(PREditNotes::StartToMusical(3500, 120, 6), (PRMusicalTime{2, 2, 0}));
    // A fraction that rounds to a whole beat is carried into the beat.
    EXPECT_EQ(PREditNotes::StartToMusical(1999, 120, 4), (PRMusicalTime{1, 4, 998}));
    EXPECT_EQ(PREditNotes::StartToMusical(2000, 119.9999, 4), (PRMusicalTime{2, 1, 0}));
}

class PREditNotesApplyTest : public ::testing::Test {
protected:
    void SetUp() override {
        sound = new CMidiSound;
        sound->SetMediaLength(8000.0);
        sound->SetVirtualLength(8000.0);
        clip = new CMIDIClip(doc, sound);
        for (int i = 0; i < 3; ++i) {
            TMidiSndNoteData data;
            data.start = 500.0 * i;
            data.end = 500.0 * i + 250;
            data.pitch = 60 + 2 * i;
            data.velocity = 80 + 10 * i;
            data.releaseVelocity = 64;
            notes.push_back(sound->AddMidiNote(data, nullptr));
        }
    }
    void TearDown() override { clip->DeleteRefObject(); }

    FakeClipDocument doc;
    CMidiSound* sound = nullptr;
    CMIDIClip* clip = nullptr;
    std::vector<MidiNotePtr> notes;
};

TEST_F(PREditNotesApplyTest, DifferingValuesShowAsUnknownAndStayWhileOthersApplyToAll) {
    const PREditNoteValues shown = PREditNotes::Gather(notes);
    EXPECT_EQ(shown, (PREditNoteValues{-1, 250, 0, -1, -1, 64}));
    EXPECT_EQ(PREditNotes::Gather({notes[1]}), (PREditNoteValues{500, 250, 0, 62, 90, 64}));

    PREditNoteValues edited = shown;
    edited.channel = 9;
    PRNoteEdits edits(*clip, doc.undo);
    ASSERT_TRUE(PREditNotes::Apply(edits, notes, edited));
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(notes[i]->GetChannel(), 9);
        EXPECT_EQ(notes[i]->GetVelocity(), 80 + 10 * i);
    }
    ASSERT_TRUE(doc.undo.Undo());
    for (const MidiNotePtr& note : notes)
        EXPECT_EQ(note->GetChannel(), 0);
    EXPECT_FALSE(doc.undo.CanUndo());
}

TEST_F(PREditNotesApplyTest, ANewStartMovesKeepingLengthAndOverlapsAreResolved) {
    PREditNoteValues edited;
    edited.start = PREditNotes::MusicalToStart({2, 1, 0}, 120, 4);
    edited.pitch = 60;
    PRNoteEdits edits(*clip, doc.undo);
    ASSERT_TRUE(PREditNotes::Apply(edits, {notes[1], notes[2]}, edited));
    // Both land on 2000-2250 at pitch 60: one of them makes room, the first
    // note stays where it was.
    ASSERT_EQ(sound->NumNotes(), 2);
    EXPECT_EQ(sound->GetNote(0)->GetStart(), 0.0);
    EXPECT_EQ(sound->GetNote(1)->GetStart(), 2000.0);
    EXPECT_EQ(sound->GetNote(1)->GetEnd(), 2250.0);
    ASSERT_TRUE(doc.undo.Undo());
    EXPECT_EQ(sound->NumNotes(), 3);

    // A duration that is not positive is ignored; equal values change nothing.
    PREditNoteValues none;
    none.duration = 0;
    EXPECT_FALSE(PREditNotes::Apply(edits, notes, none));
}

} // namespace
