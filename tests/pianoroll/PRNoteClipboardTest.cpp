#include "pianoroll/PRNoteClipboard.h"

#include "PRNoteTestSupport.h"
#include "engine/CMidiSound.h"
#include "pianoroll/PRNoteEdits.h"
#include "pianoroll/PRNoteGestures.h"
#include "project/CMIDIClip.h"
#include "project/FakeClipDocument.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <tuple>
#include <vector>

namespace {

struct SilentListener : PRNoteAreaListener {
    void PreviewNoteOn(int, int, int) override {}
    void PreviewNoteOff(int, int) override {}
};

class PRNoteClipboardTest : public ::testing::Test {
protected:
    void SetUp() override {
        clip = NewEmptyMidiClip(doc, 8000.0);
        edits = std::make_unique<PRNoteEdits>(*clip, doc.undo);
        gestures = std::make_unique<PRNoteGestures>(*edits, listener);
        gestures->SetMsPerPixel(10); // an eighth (250 ms) is 25 pixels
        clipboard = std::make_unique<PRNoteClipboard>(*edits, *gestures);
    }
    void TearDown() override {
        clipboard.reset();
        gestures.reset();
        edits.reset();
        clip->DeleteRefObject();
    }

    Notes AllNotes() const { return SortedNotes(*edits); }
    void Click(int x, int y) {
        gestures->Hover(x, y);
        gestures->Press(x, y, 0);
        gestures->Release(x, y, 0);
    }
    void DragFromTo(int x0, int y0, int x1, int y1) {
        gestures->Hover(x0, y0);
        gestures->Press(x0, y0, 0);
        gestures->Drag(x1, y1);
        gestures->Release(x1, y1, 0);
    }

    FakeClipDocument doc;
    CMIDIClip* clip = nullptr;
    SilentListener listener;
    std::unique_ptr<PRNoteEdits> edits;
    std::unique_ptr<PRNoteGestures> gestures;
    std::unique_ptr<PRNoteClipboard> clipboard;
};

TEST_F(PRNoteClipboardTest, CopyThenPasteAtTheCaretIsOneUndoStep) {
    Click(3, Row(60));
    Click(53, Row(62));
    gestures->SelectAll();
    clipboard->Copy();
    ASSERT_EQ(clipboard->Notes().size(), 2u);
    EXPECT_EQ(clipboard->ReferenceMs(), 0.0);

    // A click on empty space with the arrow puts the caret on the grid.
    gestures->Settings().tool = PRTool::kArrow;
    Click(203, Row(40));
    EXPECT_EQ(gestures->CaretTimeMs(), 2000.0);
    const Notes before = AllNotes();
    const int setsBefore = doc.undo.NumUndoSets();
    const std::vector<MidiNotePtr> pasted = clipboard->Paste();
    ASSERT_EQ(pasted.size(), 2u);
    EXPECT_EQ(doc.undo.NumUndoSets(), setsBefore + 1);
    EXPECT_EQ(gestures->Selection().size(), 2u);
    const Notes after = AllNotes();
    EXPECT_EQ(after, (Notes{{0, 250, 60}, {500, 750, 62}, {2000, 2250, 60}, {2500, 2750, 62}}));

    doc.undo.Undo();
    EXPECT_EQ(AllNotes(), before);
    doc.undo.Redo();
    EXPECT_EQ(AllNotes(), after);
}

TEST_F(PRNoteClipboardTest, ThePasteReplacesWhatItCoversOfTheSamePitch) {
    Click(3, Row(60));
    gestures->SelectAll();
    clipboard->Copy();
    gestures->Settings().customLengthMs = 1000.0;
    Click(303, Row(60)); // 3000..4000
    gestures->Settings().tool = PRTool::kArrow;
    Click(353, Row(40)); // caret 3500
    clipboard->Paste();
    EXPECT_EQ(AllNotes(), (Notes{{0, 250, 60}, {3000, 3500, 60}, {3500, 3750, 60}}));
}

TEST_F(PRNoteClipboardTest, TheRubberBandClipsCutsAndKeepsThePartsOutside) {
    gestures->Settings().customLengthMs = 1000.0;
    Click(3, Row(60)); // 0..1000
    gestures->Settings().tool = PRTool::kArrow;
    // From empty rows above the note across it: the band spans 500..750.
    DragFromTo(40, Row(63), 70, Row(59));
    ASSERT_TRUE(gestures->RubberBand().has_value());
    ASSERT_EQ(gestures->Selection().size(), 1u);

    const int setsBefore = doc.undo.NumUndoSets();
    clipboard->Cut();
    EXPECT_EQ(doc.undo.NumUndoSets(), setsBefore + 1);
    ASSERT_EQ(clipboard->Notes().size(), 1u);
    EXPECT_EQ(clipboard->Notes()[0].start, 500.0);
    EXPECT_EQ(clipboard->Notes()[0].end, 750.0);
    EXPECT_EQ(AllNotes(), (Notes{{0, 500, 60}, {750, 1000, 60}}));
    EXPECT_FALSE(gestures->RubberBand().has_value());
    EXPECT_TRUE(gestures->Selection().empty());

    doc.undo.Undo();
    EXPECT_EQ(AllNotes(), (Notes{{0, 1000, 60}}));
}

TEST_F(PRNoteClipboardTest, DeleteWithoutBandRemovesTheSelectedNotesOnly) {
    Click(3, Row(60));
    Click(53, Row(62));
    gestures->Settings().tool = PRTool::kArrow;
    Click(55, Row(62));
    ASSERT_EQ(gestures->Selection().size(), 1u);
    clipboard->Delete();
    EXPECT_EQ(AllNotes(), (Notes{{0, 250, 60}}));
    // An empty clipboard pastes nothing and records nothing.
    const int setsBefore = doc.undo.NumUndoSets();
    EXPECT_TRUE(clipboard->Paste().empty());
    EXPECT_EQ(doc.undo.NumUndoSets(), setsBefore);
}

} // namespace
