#include "MainWindowFixture.h"
#include "app/CPianoRollDock.h"
#include "app/MainCommands.h"
#include "engine/CMidiSound.h"
#include "pianoroll/PianoRollControl.h"
#include "project/CMIDIClip.h"
#include "project/CMIDITrack.h"
#include "project/CNewMidiClip.h"
#include "project/CTrack.h"
#include "project/CTrackBody.h"

#include <gtest/gtest.h>

namespace {

class PianoRollDockTest : public MainWindowFixture {
protected:
    PianoRollDockTest() : MainWindowFixture("piano-roll-dock") {}

    void SetUp() override {
        Open();
        project.NewProject(true);
        window->SetSize(1200, 900);
        host.Advance(VRGuiWindow::kRefreshPeriodMs);
    }

    int AddMidiTrack() {
        // At the top, where the details area never covers it.
        CMIDITrack* track = project.AddMIDITrack(0, false);
        EXPECT_NE(track, nullptr);
        return track ? track->GetIndex() : -1;
    }

    CMIDIClip* OnlyMidiClip(int trackIndex) {
        const CTrack* track = project.GetTrack(trackIndex);
        if (!track || track->Clips().size() != 1)
            return nullptr;
        return dynamic_cast<CMIDIClip*>(track->Clips().front());
    }

    CPianoRollDock& Dock() { return window->PianoRollDock(); }

    // A double click at a point of the window, as the host delivers it.
    void DoubleClick(GuiPoint p) {
        host.MouseMove(p.x, p.y);
        host.LeftDown(p.x, p.y);
        host.LeftUp(p.x, p.y);
        host.LeftDown(p.x, p.y);
        host.LeftUp(p.x, p.y);
        host.Advance(VRGuiWindow::kRefreshPeriodMs);
    }

    static GuiPoint Middle(const GuiRect& r) {
        return {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
    }
};

TEST_F(PianoRollDockTest, AddInstrumentClipMakesOneEmptyBarAtTheSnappedCaretAsOneUndoStep) {
    const int midi = AddMidiTrack();
    project.SelectTrack(midi, false);
    project.MoveCaretOnClick(2300.0);
    const double expectedStart = project.CaretClipStart();
    const int undoBefore = undo.NumUndoSets();

    ASSERT_TRUE(window->ExecuteCommand(kCmdAddInstrumentClip));
    CMIDIClip* clip = OnlyMidiClip(midi);
    ASSERT_NE(clip, nullptr);
    EXPECT_DOUBLE_EQ(clip->GetStartMs(), expectedStart);
    EXPECT_DOUBLE_EQ(clip->GetAtom()->Length(), CNewMidiClip::BarMs(4, 4));
    EXPECT_EQ(clip->GetAtom()->NumNotes(), 0);
    EXPECT_TRUE(clip->GetAtom()->GetObeyTempoMap());
    EXPECT_EQ(undo.NumUndoSets(), undoBefore + 1);

    // The editor opens on it, docked in the details area.
    ASSERT_TRUE(Dock().IsOpen());
    EXPECT_EQ(Dock().Clip(), clip);
    EXPECT_TRUE(Dock().IsVisible());
    EXPECT_TRUE(prefs.bDetailsShowingState);
    EXPECT_EQ(Dock().GetY() + Dock().GetHeight(),
              window->GetHeight() - LoomtoneMainWindow::kStatusBarHeight);

    // One undo takes the clip away, and the editor closes with it.
    undo.Undo();
    EXPECT_TRUE(project.GetTrack(midi)->Clips().empty());
    host.Advance(CPianoRollDock::kWatchPeriodMs + 10);
    EXPECT_FALSE(Dock().IsOpen());
    undo.Redo();
    EXPECT_NE(OnlyMidiClip(midi), nullptr);
}

TEST_F(PianoRollDockTest, TheSoundMenuPutsAMidiTrackInPlaceOfTheSelectedAudioTrack) {
    ASSERT_GT(project.GetNumTracks(), 0);
    ASSERT_EQ(project.GetTrack(0)->GetKind(), CTrack::kAudio);
    const int tracksBefore = project.GetNumTracks();
    project.SelectTrack(0, false);
    ASSERT_TRUE(window->ExecuteCommand(kCmdSoundAddInstrumentClip));
    ASSERT_EQ(project.GetNumTracks(), tracksBefore + 1);
    EXPECT_EQ(project.GetTrack(0)->GetKind(), CTrack::kMidi);
    CMIDIClip* clip = OnlyMidiClip(0);
    ASSERT_NE(clip, nullptr);
    EXPECT_EQ(Dock().Clip(), clip);
    // Undone in one step, track and all.
    undo.Undo();
    EXPECT_EQ(project.GetNumTracks(), tracksBefore);
}

TEST_F(PianoRollDockTest, DoubleClickOnAnEmptyMidiLaneMakesAClipThere) {
    const int midi = AddMidiTrack();
    window->SetSize(1200, 900);
    host.Advance(VRGuiWindow::kRefreshPeriodMs);
    const CTrackBody* body = project.GetTrack(midi)->GetBody();
    ASSERT_NE(body, nullptr);
    const GuiRect lane = body->GetAbsRect();
    ASSERT_GT(lane.Width(), 300);
    const GuiPoint at{lane.left + 250, (lane.top + lane.bottom) / 2};
    DoubleClick(at);
    CMIDIClip* clip = OnlyMidiClip(midi);
    ASSERT_NE(clip, nullptr);
    EXPECT_EQ(Dock().Clip(), clip);
    EXPECT_DOUBLE_EQ(clip->GetStartMs(), project.CaretClipStart());
    EXPECT_GT(clip->GetStartMs(), 0.0);
}

TEST_F(PianoRollDockTest, DoubleClickAndTheMenuEntryOpenTheClipAndCloseClosesIt) {
    const int midi = AddMidiTrack();
    project.SelectTrack(midi, false);
    CMIDIClip* clip = CNewMidiClip(project, undo).AddAtCaret();
    ASSERT_NE(clip, nullptr);
    host.Advance(VRGuiWindow::kRefreshPeriodMs);

    // The Close button at the right of the editor's strip.
    ASSERT_TRUE(Dock().IsOpen());
    const GuiRect dock = Dock().GetAbsRect();
    const GuiPoint close{dock.right - CDialogButton::kWidth / 2, dock.top + 10};
    host.MouseMove(close.x, close.y);
    host.LeftDown(close.x, close.y);
    host.LeftUp(close.x, close.y);
    EXPECT_FALSE(Dock().IsOpen());
    EXPECT_FALSE(Dock().IsVisible());

    DoubleClick(Middle(clip->GetAbsRect()));
    ASSERT_TRUE(Dock().IsOpen());
    EXPECT_EQ(Dock().Clip(), clip);
    Dock().Close();

    ASSERT_TRUE(clip->IsMenuItemAvailable(CMIDIClip::kMenuDetails));
    clip->DoMenuCommand(CMIDIClip::kMenuDetails);
    EXPECT_EQ(Dock().Clip(), clip);

    // A folded details area hides the editor; unfolding shows it again.
    ASSERT_TRUE(window->ExecuteCommand(kCmdToggleDetails));
    EXPECT_FALSE(Dock().IsVisible());
    ASSERT_TRUE(window->ExecuteCommand(kCmdToggleDetails));
    EXPECT_TRUE(Dock().IsVisible());
}

} // namespace
