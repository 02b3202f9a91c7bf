#include "pianoroll/PRNoteGestures.h"

#include "PRNoteTestSupport.h"
#include "engine/CMidiSound.h"
#include "pianoroll/PRNoteEdits.h"
#include "project/CMIDIClip.h"
#include "project/FakeClipDocument.h"

#include <gtest/gtest.h>

#include <algorithm>

#include <tuple>
#include <vector>

namespace {

struct PreviewLog : PRNoteAreaListener {
    std::vector<int> on;
    std::vector<int> off;
    int settingsChanged = 0;
    void PreviewNoteOn(int pitch, int, int) override { on.push_back(pitch); }
    void PreviewNoteOff(int pitch, int) override { off.push_back(pitch); }
    void ToolSettingsChanged() override { ++settingsChanged; }
};

class PRNoteGesturesTest : public ::testing::Test {
protected:
    void SetUp() override {
        clip = NewEmptyMidiClip(doc, 4000.0);
        edits = std::make_unique<PRNoteEdits>(*clip, doc.undo);
        gestures = std::make_unique<PRNoteGestures>(*edits, listener);
        gestures->SetMsPerPixel(10); // an eighth (250 ms) is 25 pixels
    }
    void TearDown() override {
        gestures.reset();
        edits.reset();
        clip->DeleteRefObject();
    }

    Notes AllNotes() const { return SortedNotes(*edits); }
    void Click(int x, int y, unsigned modifiers = 0) {
        gestures->Hover(x, y);
        gestures->Press(x, y, modifiers);
        gestures->Release(x, y, modifiers);
    }
    void DragFromTo(int x0, int y0, int x1, int y1, unsigned modifiers = 0) {
        gestures->Hover(x0, y0);
        gestures->Press(x0, y0, modifiers);
        gestures->Drag((x0 + x1) / 2, (y0 + y1) / 2);
        gestures->Drag(x1, y1);
        gestures->Release(x1, y1, modifiers);
    }

    FakeClipDocument doc;
    CMIDIClip* clip = nullptr;
    PreviewLog listener;
    std::unique_ptr<PRNoteEdits> edits;
    std::unique_ptr<PRNoteGestures> gestures;
};

TEST_F(PRNoteGesturesTest, DrawMoveResizeEraseThenUndoAndRedoEachStep) {
    std::vector<Notes> states{AllNotes()};
    // Four notes with the pencil, each heard as it is drawn.
    const int pitches[] = {60, 60, 62, 64};
    for (int i = 0; i < 4; ++i) {
        Click(3 + 50 * i, Row(pitches[i]));
        states.push_back(AllNotes());
    }
    EXPECT_EQ(AllNotes(),
              (Notes{{0, 250, 60}, {500, 750, 60}, {1000, 1250, 62}, {1500, 1750, 64}}));
    EXPECT_EQ(listener.on, (std::vector<int>{60, 60, 62, 64}));
    EXPECT_EQ(listener.off, listener.on);

    // Move the first two together, half a second later and two rows down.
    Click(12, Row(60));
    DragFromTo(62, Row(60), 112, Row(60) + 20, PRNoteGestures::kShift);
    EXPECT_EQ(gestures->Selection().size(), 2u);
    states.push_back(AllNotes());
    EXPECT_EQ(AllNotes(),
              (Notes{{500, 750, 58}, {1000, 1250, 58}, {1000, 1250, 62}, {1500, 1750, 64}}));

    // Stretch the third at its end by a quarter.
    gestures->Settings().tool = PRTool::kArrow;
    DragFromTo(124, Row(62), 174, Row(62));
    states.push_back(AllNotes());
    EXPECT_EQ(std::get<1>(AllNotes()[2]), 1750);

    // Erase the last.
    gestures->Settings().tool = PRTool::kEraser;
    Click(160, Row(64) + 4);
    states.push_back(AllNotes());
    EXPECT_EQ(AllNotes().size(), 3u);

    for (size_t i = states.size() - 1; i > 0; --i) {
        ASSERT_TRUE(doc.undo.Undo()) << "step " << i;
        EXPECT_EQ(AllNotes(), states[i - 1]) << "after undoing step " << i;
    }
    EXPECT_FALSE(doc.undo.CanUndo());
    for (size_t i = 1; i < states.size(); ++i) {
        ASSERT_TRUE(doc.undo.Redo());
        EXPECT_EQ(AllNotes(), states[i]) << "after redoing step " << i;
    }
}

TEST_F(PRNoteGesturesTest, PencilNoteGoesToTheSnappedTimeWithTheSettings) {
    gestures->Settings().length = {2, false, true}; // dotted quarter
    gestures->Settings().velocity = 90;
    Click(40, Row(72)); // 400 ms snaps to 500
    ASSERT_EQ(edits->Notes().size(), 1u);
    const TMidiSndNoteData data = edits->Notes()[0]->GetNoteData();
    EXPECT_EQ(data.start, 500);
    EXPECT_EQ(data.end, 1250);
    EXPECT_EQ(data.pitch, 72);
    EXPECT_EQ(data.velocity, 90);
    EXPECT_EQ(data.releaseVelocity, 90);
    EXPECT_EQ(data.channel, 0);
}

TEST_F(PRNoteGesturesTest, ClickedNoteBecomesTheModelForNewNotes) {
    TMidiSndNoteData data;
    data.start = 0;
    data.end = 166;
    data.pitch = 60;
    data.velocity = 77;
    edits->AddNote(data);
    gestures->Settings().tool = PRTool::kArrow;
    gestures->SetMsPerPixel(1);
    Click(80, Row(60));
    EXPECT_EQ(gestures->Settings().length, (PRLengthChoice{2, true, false}));
    EXPECT_EQ(gestures->Settings().customLengthMs, 0);
    EXPECT_EQ(gestures->Settings().velocity, 77);
    EXPECT_EQ(listener.settingsChanged, 1);
    EXPECT_EQ(listener.on, std::vector<int>{60}); // heard when clicked
}

TEST_F(PRNoteGesturesTest, ShiftClickAddsAndPlainClickLeavesOne) {
    for (int x : {3, 53, 103})
        Click(x, Row(60));
    gestures->Settings().tool = PRTool::kArrow;
    Click(12, Row(60));
    Click(62, Row(60), PRNoteGestures::kShift);
    Click(112, Row(60), PRNoteGestures::kShift);
    EXPECT_EQ(gestures->Selection().size(), 3u);
    Click(62, Row(60));
    ASSERT_EQ(gestures->Selection().size(), 1u);
    EXPECT_EQ(gestures->Selection()[0].note->GetStart(), 500);
}

TEST_F(PRNoteGesturesTest, MoveStopsAtZeroAndTheTopRow) {
    Click(53, Row(126));
    gestures->Settings().tool = PRTool::kArrow;
    DragFromTo(62, Row(126), -500, 0);
    EXPECT_EQ(AllNotes(), (Notes{{0, 250, 127}}));
}

TEST_F(PRNoteGesturesTest, EdgeDraggedPastTheOtherEdgeLeavesOneStep) {
    Click(103, Row(60)); // 1000..1250
    gestures->Settings().tool = PRTool::kArrow;
    gestures->Settings().snapLevel = 5; // sixteenths
    DragFromTo(101, Row(60), 200, Row(60));
    EXPECT_EQ(AllNotes(), (Notes{{1125, 1250, 60}}));
    gestures->Settings().snapLevel = 0;
    DragFromTo(113, Row(60), 200, Row(60));
    EXPECT_EQ(AllNotes(), (Notes{{1240, 1250, 60}}));
}

TEST_F(PRNoteGesturesTest, RubberBandSelectsWhatItTouches) {
    for (int x : {3, 53, 103})
        Click(x, Row(60));
    Click(3, Row(64));
    gestures->Settings().tool = PRTool::kArrow;
    DragFromTo(40, Row(61), 90, Row(59));
    ASSERT_TRUE(gestures->RubberBand().has_value());
    ASSERT_EQ(gestures->Selection().size(), 1u);
    EXPECT_EQ(gestures->Selection()[0].note->GetStart(), 500);
    gestures->DeleteSelection();
    EXPECT_EQ(AllNotes().size(), 3u);
    EXPECT_FALSE(gestures->RubberBand().has_value());
}

TEST_F(PRNoteGesturesTest, AnEraserSweepIsOneStepAndTheEditAfterItAnother) {
    for (int x : {3, 53, 103})
        Click(x, Row(60));
    const Notes drawn = AllNotes();
    gestures->Settings().tool = PRTool::kEraser;
    DragFromTo(10, Row(60) + 4, 60, Row(60) + 4); // over the first two notes
    EXPECT_EQ(AllNotes(), (Notes{{1000, 1250, 60}}));

    TMidiSndNoteData data;
    data.start = 2000;
    data.end = 2250;
    data.pitch = 64;
    data.velocity = data.releaseVelocity = 100;
    ASSERT_TRUE(edits->AddNote(data));
    ASSERT_TRUE(doc.undo.Undo());
    EXPECT_EQ(AllNotes(), (Notes{{1000, 1250, 60}}));
    ASSERT_TRUE(doc.undo.Undo());
    EXPECT_EQ(AllNotes(), drawn);
}

TEST_F(PRNoteGesturesTest, ForcedKeyShiftsDisplayedPitches) {
    CMidiSound* sound = clip->GetAtom();
    ASSERT_TRUE(sound->ForceKey(5));
    sound->ObeyKeyMap(false);
    const int offset = sound->GetForcedKeyOffset();
    Click(3, Row(60));
    EXPECT_EQ(std::get<2>(AllNotes()[0]), 60 - offset);
    EXPECT_EQ(gestures->DisplayedPitch(*edits->Notes()[0]), 60);
}

} // namespace
