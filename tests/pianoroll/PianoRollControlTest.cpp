#include "pianoroll/PianoRollControl.h"

#include "engine/CMidiSound.h"
#include "gui/COffscreenGuiHost.h"
#include "gui/GuiInput.h"
#include "gui/VRGuiWindow.h"
#include "project/CMIDIClip.h"
#include "project/FakeClipDocument.h"

#include <gtest/gtest.h>

namespace {

constexpr int kWindowWidth = 800;
// The note area's view: the window less the keyboard and the vertical bar.
constexpr int kViewWidth =
    kWindowWidth - PRNoteGeometry::kKeyboardWidth - PianoRollControl::kScrollBarSize;
constexpr int kNotesLeft = PRNoteGeometry::kKeyboardWidth;
constexpr int kNotesTop = PianoRollControl::kNotesTop;
// A point of the ruler, below the loop flags.
constexpr int kRulerY = PianoRollControl::kStripHeight + CLoopFlag::kHeight + 8;

class PianoRollControlTest : public ::testing::Test {
protected:
    void Open(double lengthMs) {
        auto* sound = new CMidiSound;
        sound->SetMediaLength(lengthMs);
        sound->SetVirtualLength(lengthMs);
        sound->SetLoopStart(0);
        sound->SetLoopEnd(lengthMs);
        for (int pitch : {60, 64, 67}) {
            TMidiSndNoteData note;
            note.start = 500;
            note.end = 1000;
            note.pitch = pitch;
            sound->AddMidiNote(note, nullptr);
        }
        clip = new CMIDIClip(doc, sound);
        control = std::make_unique<PianoRollControl>(*clip);
        ASSERT_TRUE(window.Initialize(&host, kWindowWidth, 600));
        window.AddChild(control.get(), 0, 0);
        control->SetSize(kWindowWidth, 600);
        // 15 ms a pixel, which the expectations below count in.
        ASSERT_TRUE(control->Zoom(false));
    }
    void TearDown() override {
        if (control)
            window.RemoveChild(control.get());
        control.reset();
        if (clip)
            clip->DeleteRefObject();
    }
    void Tick() {
        host.Advance(window.GetRefreshPeriod());
        host.DeliverPaint();
    }

    FakeClipDocument doc;
    COffscreenGuiHost host;
    VRGuiWindow window;
    CMIDIClip* clip = nullptr;
    std::unique_ptr<PianoRollControl> control;
};

TEST_F(PianoRollControlTest, FitPicksTheLevelAfterTheFirstThatHoldsTheClip) {
    Open(23.0 * kViewWidth); // needs 23 ms a pixel
    control->Fit();
    EXPECT_EQ(control->ZoomLevel(), 13);
    // The notes' average pitch (63) sits in the middle of the view.
    const int viewHeight =
        600 - kNotesTop - control->ControllerLane().GetHeight() - PianoRollControl::kScrollBarSize;
    EXPECT_EQ(control->ScrollY(), (128 - 63) * 10 - viewHeight / 2);
}

TEST_F(PianoRollControlTest, ZoomStopsAtBothEnds) {
    Open(4000);
    while (control->Zoom(false)) {
    }
    EXPECT_EQ(control->ZoomLevel(), 0);
    EXPECT_FALSE(control->Zoom(false));
    while (control->Zoom(true)) {
    }
    EXPECT_EQ(control->ZoomLevel(), PianoRollControl::kNumZoomLevels - 1);
    EXPECT_EQ(control->ScrollX(), 0);
}

TEST_F(PianoRollControlTest, MouseInTheNoteAreaDrawsAtTheScrolledPlace) {
    Open(4000);
    control->ScrollTo(0, PRNoteGeometry::RowTop(72) - 100);
    Tick();
    const int y = kNotesTop + 100 + 5;
    const int x = kNotesLeft + 200;
    host.MouseMove(x, y);
    host.LeftDown(x, y);
    host.LeftUp(x, y);
    const std::vector<MidiNotePtr> notes = control->Body().Edits().Notes();
    ASSERT_EQ(notes.size(), 4u);
    bool found = false;
    for (const MidiNotePtr& note : notes)
        found |= note->GetPitch() == 72;
    EXPECT_TRUE(found);
}

TEST_F(PianoRollControlTest, TheScrollBarsMoveWithTheViewAndTheViewWithThem) {
    Open(60000);
    control->ScrollTo(300, 200);
    EXPECT_EQ(control->HorizontalBar().GetPos(), 300);
    EXPECT_EQ(control->VerticalBar().GetPos(), 200);
    Tick();
    // The vertical bar's lower arrow scrolls down by three rows.
    const GuiRect bar = control->VerticalBar().GetAbsRect();
    host.LeftDown(bar.left + 5, bar.bottom - 5);
    host.LeftUp(bar.left + 5, bar.bottom - 5);
    EXPECT_EQ(control->ScrollY(), 230);
    EXPECT_EQ(control->Keyboard().GetParent()->GetScrollY(), 230);
    // The horizontal bar's right arrow takes the ruler and the lane along.
    const GuiRect across = control->HorizontalBar().GetAbsRect();
    host.LeftDown(across.right - 5, across.top + 5);
    host.LeftUp(across.right - 5, across.top + 5);
    EXPECT_EQ(control->ScrollX(), 300 + kViewWidth / 10);
    EXPECT_EQ(control->Ruler().GetParent()->GetScrollX(), control->ScrollX());
    EXPECT_EQ(control->HorizontalBar().GetPos(), control->ScrollX());
}

TEST_F(PianoRollControlTest, TheReadOutShowsTheTimeUnderThePointerInMeasuresAndBeats) {
    Open(8000);
    Tick();
    // Level 10: 15 ms a pixel; 200 pixels are 3000 ms, beat 3 of bar 2 in 4/4.
    host.MouseMove(kNotesLeft + 200, kRulerY);
    EXPECT_EQ(control->ReadOut().Text(), "02:03.000");
    control->Body().Gestures().Settings().tool = PRTool::kArrow;
    host.MouseMove(kNotesLeft + 100, kNotesTop + 40);
    EXPECT_EQ(control->ReadOut().Text(), "01:04.000");
    // In 6/8 the same 3000 ms start bar 2.
    ASSERT_TRUE(clip->GetAtom()->SetTimeSignature(6, 8));
    host.MouseMove(kNotesLeft + 200, kRulerY);
    EXPECT_EQ(control->ReadOut().Text(), "02:01.000");
}

TEST_F(PianoRollControlTest, TheRulerLabelsBarsWhereTheNotesAreAndScrollsWithThem) {
    Open(60000);
    // A 2000 ms bar at 15 ms a pixel.
    auto labelled = [this](int32_t x) {
        for (const RulerTick& tick : control->Ruler().Ticks())
            if (tick.x == x)
                return tick.label;
        return std::string("none");
    };
    EXPECT_EQ(labelled(133), "2");
    EXPECT_EQ(labelled(266), "3");
    control->ScrollTo(1000, 0);
    EXPECT_EQ(labelled(1066), "9");
    EXPECT_EQ(control->Body().Gestures().Geometry().XOfTime(16000), 1066);
}

TEST_F(PianoRollControlTest, ANoteDraggedToTheRightEdgeScrollsTheViewAndKeepsMoving) {
    Open(60000);
    control->StartTimers();
    control->Body().Gestures().Settings().tool = PRTool::kArrow;
    control->ScrollTo(0, PRNoteGeometry::RowTop(64) - 100);
    Tick();
    // The note of pitch 64 spans 500..1000 ms: content columns 33..66.
    const int32_t y = kNotesTop + 105;
    host.MouseMove(kNotesLeft + 50, y);
    host.LeftDown(kNotesLeft + 50, y);
    const int32_t edge = kNotesLeft + kViewWidth - 10;
    host.MouseMove(edge, y);
    for (int tick = 0; tick < 3; ++tick)
        host.Advance(PianoRollControl::kFollowPeriodMs);
    const int32_t scrolled = control->ScrollX();
    EXPECT_GT(scrolled, 60);
    host.LeftUp(edge, y);
    control->StopTimers();
    MidiNotePtr moved;
    for (const MidiNotePtr& note : control->Body().Edits().Notes())
        if (note->GetPitch() == 64)
            moved = note;
    ASSERT_TRUE(moved);
    // Without scrolling it would have gone (edge - 50) columns; the view
    // carried it further by what it scrolled (eighths snap, 15 ms a column).
    const double unscrolled = 500 + (kViewWidth - 10 - 50) * 15.0;
    EXPECT_NEAR(moved->GetStart(), unscrolled + scrolled * 15.0, 250.0);
}

TEST_F(PianoRollControlTest, ALoopFlagDraggedOnTheRulerMovesTheLoopAsOneStep) {
    Open(4000.0);
    CLoopFlag& end = control->LoopFlag(CLoopFlag::kLoopEnd);
    const GuiRect r = end.GetAbsRect();
    const int32_t x = (r.left + r.right) / 2;
    const int32_t y = r.top + CLoopFlag::kHeight / 2;
    host.MouseMove(x, y);
    host.LeftDown(x, y);
    ASSERT_TRUE(end.IsDragging());
    // 40 pixels of 15 ms to the left: the flag follows, snapped.
    host.MouseMove(x - 40, y, MK_LBUTTON);
    const double dragged = end.GetTime();
    EXPECT_GT(dragged, 3000.0);
    EXPECT_LT(dragged, 4000.0);
    EXPECT_EQ(clip->GetAtom()->GetLoopEnd(), 4000.0); // not before the release
    host.LeftUp(x - 40, y);
    EXPECT_FALSE(end.IsDragging());
    EXPECT_EQ(clip->GetAtom()->GetLoopEnd(), dragged);

    // The start flag stops 100 ms before the end, however far it goes.
    CLoopFlag& start = control->LoopFlag(CLoopFlag::kLoopStart);
    const GuiRect s = start.GetAbsRect();
    const int32_t sx = (s.left + s.right) / 2;
    host.MouseMove(sx, y);
    host.LeftDown(sx, y);
    host.MouseMove(sx + 600, y, MK_LBUTTON);
    host.LeftUp(sx + 600, y);
    EXPECT_EQ(clip->GetAtom()->GetLoopStart(), dragged - 100.0);

    ASSERT_TRUE(doc.undo.Undo());
    EXPECT_EQ(clip->GetAtom()->GetLoopStart(), 0.0);
    ASSERT_TRUE(doc.undo.Undo());
    EXPECT_EQ(clip->GetAtom()->GetLoopEnd(), 4000.0);
    EXPECT_FALSE(doc.undo.CanUndo());
    // The flags follow the undone loop within a tick of the control's timer.
    control->StartTimers();
    host.Advance(PianoRollControl::kFollowPeriodMs * 2);
    EXPECT_EQ(end.GetTime(), 4000.0);
    EXPECT_EQ(start.GetTime(), 0.0);
    control->StopTimers();
}

TEST_F(PianoRollControlTest, AClickOnTheRulerPutsTheCaretAndThePlayPositionThere) {
    Open(4000.0);
    clip->GetEngineAtom()->SetAbsoluteOffset(2000.0);
    // Below the loop flags, 100 pixels of 15 ms into the sound.
    const int32_t x = kNotesLeft + 100 - control->ScrollX();
    host.MouseMove(x, kRulerY);
    host.LeftDown(x, kRulerY);
    host.LeftUp(x, kRulerY);
    EXPECT_EQ(control->Body().Gestures().CaretTimeMs(), 1500.0);
    ASSERT_TRUE(doc.caretTime);
    EXPECT_EQ(*doc.caretTime, 3500.0);
}

} // namespace
