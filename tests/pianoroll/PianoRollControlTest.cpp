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
// The note area's view: the window less the keyboard.
constexpr int kViewWidth = kWindowWidth - PRNoteGeometry::kKeyboardWidth;

class PianoRollControlTest : public ::testing::Test {
protected:
    void Open(double lengthMs) {
        auto* sound = new CMidiSound;
        sound->SetMediaLength(lengthMs);
        sound->SetVirtualLength(lengthMs);
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
        600 - PianoRollControl::kStripHeight - control->ControllerLane().GetHeight();
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
    const int y = PianoRollControl::kStripHeight + 100 + 5;
    const int x = PRNoteGeometry::kKeyboardWidth + 200;
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

} // namespace
