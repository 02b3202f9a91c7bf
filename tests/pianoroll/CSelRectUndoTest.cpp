#include "pianoroll/CSelRectUndo.h"

#include "PRNoteTestSupport.h"
#include "engine/CMidiSound.h"
#include "pianoroll/PianoRollBody.h"
#include "project/CMIDIClip.h"
#include "project/FakeClipDocument.h"
#include "support/CUndoMgr.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

// A note area at 10 ms a pixel over C5 from 0 to 2000 ms and E5 from 500 to
// 1000 ms, with the arrow and eighth snap (250 ms at 120 in 4/4).
class CSelRectUndoTest : public ::testing::Test {
protected:
    void SetUp() override {
        clip = NewEmptyMidiClip(doc, 8000.0);
        Add(0, 2000, 60);
        Add(500, 1000, 64);
        body = std::make_unique<PianoRollBody>(*clip, doc.undo, nullptr);
        body->SetMsPerPixel(10.0);
        Gestures().Settings().tool = PRTool::kArrow;
        Gestures().Settings().snapLevel = 4;
    }
    void TearDown() override {
        body.reset();
        clip->DeleteRefObject();
    }
    void Add(double start, double end, int pitch) {
        TMidiSndNoteData data;
        data.start = start;
        data.end = end;
        data.pitch = pitch;
        data.velocity = 100;
        clip->GetAtom()->AddMidiNote(data, nullptr);
    }
    PRNoteGestures& Gestures() { return body->Gestures(); }
    // A rubber band from 250 to 1500 ms over the rows of E5 down to C5.
    void Band() {
        Gestures().Press(25, Row(65), 0);
        Gestures().Drag(150, Row(59));
        Gestures().Release(150, Row(59), 0);
    }

    FakeClipDocument doc;
    CMIDIClip* clip = nullptr;
    std::unique_ptr<PianoRollBody> body;
};

TEST_F(CSelRectUndoTest, UndoOfADeleteShowsTheBandAgainAndRedoTakesItAway) {
    Band();
    const std::optional<PRBandSpan> band = Gestures().RubberBandSpan();
    ASSERT_TRUE(band);
    EXPECT_EQ(band->startMs, 250.0);
    EXPECT_EQ(band->endMs, 1500.0);
    ASSERT_EQ(Gestures().Selection().size(), 2u);

    body->Clipboard().Delete();
    EXPECT_FALSE(Gestures().RubberBand());
    const Notes deleted{{0, 250, 60}, {1500, 2000, 60}};
    EXPECT_EQ(SortedNotes(body->Edits()), deleted);

    doc.undo.Undo();
    EXPECT_EQ(SortedNotes(body->Edits()), (Notes{{0, 2000, 60}, {500, 1000, 64}}));
    EXPECT_EQ(Gestures().RubberBandSpan(), band);

    doc.undo.Redo();
    EXPECT_FALSE(Gestures().RubberBand());
    EXPECT_EQ(SortedNotes(body->Edits()), deleted);
}

TEST_F(CSelRectUndoTest, TheBandComesBackAtTheZoomOfTheUndo) {
    Band();
    const PRNoteRect before = *Gestures().RubberBand();
    body->Clipboard().Cut();
    body->SetMsPerPixel(20.0);
    doc.undo.Undo();
    ASSERT_TRUE(Gestures().RubberBand());
    const PRNoteRect after = *Gestures().RubberBand();
    EXPECT_EQ(after.left, 250 / 20);
    EXPECT_EQ(after.right, 1500 / 20);
    EXPECT_EQ(after.top, before.top);
    EXPECT_EQ(after.bottom, before.bottom);
}

TEST_F(CSelRectUndoTest, ADeleteWithoutABandRecordsNoBand) {
    Gestures().SelectAll();
    body->Clipboard().Delete();
    doc.undo.Undo();
    EXPECT_FALSE(Gestures().RubberBand());
    EXPECT_EQ(SortedNotes(body->Edits()).size(), 2u);
}

TEST_F(CSelRectUndoTest, WithoutAPianoRollTheRecordDoesNothingAndKeepsTheClip) {
    body.reset();
    auto record = std::make_unique<CSelRectUndo>(*clip, PRBandSpan{0, 100, 5, 15});
    std::unique_ptr<CUndoAtom> clone = record->Clone();
    record.reset();
    clone->Restore(false);
    clone->Restore(true);
    std::string description;
    clone->GetDescription(description);
    EXPECT_FALSE(description.empty());
    EXPECT_EQ(SortedNotes(PRNoteEdits(*clip, doc.undo)).size(), 2u);
}

} // namespace
