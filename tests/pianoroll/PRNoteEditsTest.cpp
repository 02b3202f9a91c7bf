#include "pianoroll/PRNoteEdits.h"

#include "engine/CMidiSound.h"
#include "pianoroll/PRNotifications.h"
#include "project/CMIDIClip.h"
#include "project/FakeClipDocument.h"
#include "support/Observer.h"

#include <gtest/gtest.h>

#include <utility>
#include <vector>

namespace {

using Span = std::pair<double, double>;

TMidiSndNoteData Note(double start, double end, int pitch = 60, int velocity = 100) {
    TMidiSndNoteData data;
    data.start = start;
    data.end = end;
    data.pitch = pitch;
    data.velocity = velocity;
    data.releaseVelocity = velocity;
    return data;
}

struct RestoreCounter : Observer {
    int restored = 0;
    void OnNotification(int message, void*) override {
        if (message == kNotifyNotesRestored)
            ++restored;
    }
};

class PRNoteEditsTest : public ::testing::Test {
protected:
    void SetUp() override {
        auto* sound = new CMidiSound;
        sound->SetMediaLength(4000.0);
        sound->SetVirtualLength(4000.0);
        clip = new CMIDIClip(doc, sound);
    }
    void TearDown() override { clip->DeleteRefObject(); }

    std::vector<Span> Spans(int pitch = 60) {
        std::vector<Span> spans;
        for (const MidiNotePtr& note : PRNoteEdits(*clip, doc.undo).Notes())
            if (note->GetPitch() == pitch)
                spans.emplace_back(note->GetStart(), note->GetEnd());
        return spans;
    }
    std::vector<Span> CopySpans() const {
        std::vector<Span> spans;
        const CMidiSound* copy = clip->GetEditCopy();
        for (int i = 0; i < copy->NumNotes(); ++i)
            spans.emplace_back(copy->GetNote(i)->GetStart(), copy->GetNote(i)->GetEnd());
        return spans;
    }
    // One user step: its own undo set, then the edit.
    template <typename F> void Step(F edit) {
        doc.undo.NextUndoSet();
        edit();
    }

    FakeClipDocument doc;
    CMIDIClip* clip = nullptr;
};

TEST_F(PRNoteEditsTest, EachStepUndoesAndRedoesWithTheWorkingCopyInStep) {
    clip->BeginEditCopy();
    PRNoteEdits edits(*clip, doc.undo);
    MidiNotePtr a, b;
    Step([&] { a = edits.AddNote(Note(0, 250)); });
    Step([&] { b = edits.AddNote(Note(1000, 1250)); });
    ASSERT_TRUE(a && b);
    Step([&] {
        TMidiSndNoteData moved = b->GetNoteData();
        moved.start = 500;
        moved.end = 750;
        EXPECT_TRUE(edits.ChangeNote(b, moved));
    });
    Step([&] { EXPECT_TRUE(edits.DeleteNote(a)); });
    EXPECT_EQ(Spans(), (std::vector<Span>{{500, 750}}));
    EXPECT_EQ(CopySpans(), Spans());

    const std::vector<std::vector<Span>> history = {
        {{0, 250}, {500, 750}}, {{0, 250}, {1000, 1250}}, {{0, 250}}, {}};
    for (const auto& expected : history) {
        ASSERT_TRUE(doc.undo.Undo());
        EXPECT_EQ(Spans(), expected);
        EXPECT_EQ(CopySpans(), expected);
    }
    EXPECT_FALSE(doc.undo.CanUndo());
    for (int i = 2; i >= 0; --i) {
        ASSERT_TRUE(doc.undo.Redo());
        EXPECT_EQ(Spans(), history[static_cast<size_t>(i)]);
    }
    ASSERT_TRUE(doc.undo.Redo());
    EXPECT_EQ(Spans(), (std::vector<Span>{{500, 750}}));
    EXPECT_EQ(CopySpans(), Spans());
}

TEST_F(PRNoteEditsTest, UndoTellsTheClipsObservers) {
    RestoreCounter counter;
    clip->AddObserver(&counter);
    PRNoteEdits edits(*clip, doc.undo);
    Step([&] { edits.AddNote(Note(0, 250)); });
    doc.undo.Undo();
    EXPECT_EQ(counter.restored, 1);
    clip->RemoveObserver(&counter);
}

TEST_F(PRNoteEditsTest, OverlapsMakeRoomAsOneStep) {
    PRNoteEdits edits(*clip, doc.undo);
    Step([&] {
        edits.AddNote(Note(500, 1000));
        edits.AddNote(Note(1200, 1300));
        edits.AddNote(Note(2000, 3000));
        edits.AddNote(Note(0, 1000, 61));
    });
    // Covers the start of the first, all of the second, and lies inside the third.
    Step([&] {
        MidiNotePtr n = edits.AddNote(Note(0, 600));
        edits.ResolveOverlaps(n);
        MidiNotePtr m = edits.AddNote(Note(1100, 1400));
        edits.ResolveOverlaps(m);
        MidiNotePtr k = edits.AddNote(Note(2200, 2300));
        edits.ResolveOverlaps(k);
    });
    EXPECT_EQ(Spans(),
              (std::vector<Span>{{0, 600}, {600, 1000}, {1100, 1400}, {2000, 2200}, {2200, 2300}}));
    EXPECT_EQ(Spans(61), (std::vector<Span>{{0, 1000}})); // other pitches untouched
    doc.undo.Undo();
    EXPECT_EQ(Spans(), (std::vector<Span>{{500, 1000}, {1200, 1300}, {2000, 3000}}));
    doc.undo.Redo();
    EXPECT_EQ(Spans().size(), 5u);
}

TEST_F(PRNoteEditsTest, SelectedNotesNeverTrimEachOther) {
    PRNoteEdits edits(*clip, doc.undo);
    MidiNotePtr a = edits.AddNote(Note(0, 500));
    MidiNotePtr b = edits.AddNote(Note(500, 1000));
    // Both moved left by 250 together: a now overlaps nothing selected.
    TMidiSndNoteData db = b->GetNoteData();
    db.start = 250;
    db.end = 750;
    edits.ChangeNote(b, db);
    edits.ResolveOverlaps(b, {a, b});
    edits.ResolveOverlaps(a, {a, b});
    EXPECT_EQ(Spans(), (std::vector<Span>{{0, 500}, {250, 750}}));
    // Unselected, the same overlap is resolved.
    edits.ResolveOverlaps(b);
    EXPECT_EQ(Spans(), (std::vector<Span>{{0, 250}, {250, 750}}));
}

TEST_F(PRNoteEditsTest, RefusedDataChangesNothingAndRecordsNothing) {
    PRNoteEdits edits(*clip, doc.undo);
    EXPECT_EQ(edits.AddNote(Note(500, 100)), nullptr);
    MidiNotePtr a = edits.AddNote(Note(0, 500));
    doc.undo.ClearUndoHistory();
    EXPECT_FALSE(edits.ChangeNote(a, Note(-5, 100)));
    EXPECT_FALSE(doc.undo.CanUndo());
    EXPECT_TRUE(edits.DeleteNote(a));
    EXPECT_FALSE(edits.DeleteNote(a)); // already gone
    EXPECT_FALSE(edits.ChangeNote(a, Note(0, 100)));
}

} // namespace
