#include "app/PianoRollToolPrefs.h"
#include "MainWindowFixture.h"
#include "app/CPianoRollDock.h"
#include "app/MainCommands.h"
#include "pianoroll/PRToolbar.h"
#include "pianoroll/PianoRollControl.h"
#include "project/CMIDITrack.h"

#include <gtest/gtest.h>

namespace {

class PianoRollToolPrefsTest : public MainWindowFixture {
protected:
    PianoRollToolPrefsTest() : MainWindowFixture("piano-roll-tool-prefs") {}

    void SetUp() override {
        Open();
        project.NewProject(true);
        window->SetSize(1200, 900);
        host.Advance(VRGuiWindow::kRefreshPeriodMs);
    }
    // A new empty MIDI clip, opened in the docked piano roll.
    PianoRollControl* OpenNewClip() {
        CMIDITrack* track = project.AddMIDITrack(0, false);
        if (!track)
            return nullptr;
        project.SelectTrack(track->GetIndex(), false);
        window->ExecuteCommand(kCmdAddInstrumentClip);
        host.Advance(VRGuiWindow::kRefreshPeriodMs);
        return window->PianoRollDock().Control();
    }
    void Click(PianoRollControl& control, int32_t id) {
        const GuiRect r = control.Toolbar().GetButton(id)->GetAbsRect();
        const int32_t x = (r.left + r.right) / 2;
        const int32_t y = (r.top + r.bottom) / 2;
        host.MouseMove(x, y);
        host.LeftDown(x, y);
        host.LeftUp(x, y);
        host.Advance(1000);
    }
};

TEST_F(PianoRollToolPrefsTest, ThePianoRollOpensWithThePreferencesAndKeepsItsChangesThere) {
    prefs.toolMode = 2;
    prefs.defaultNoteLength = 1;
    prefs.bDottedModifierOn = true;
    prefs.defaultVelocity = 90;
    prefs.snapLevel = 6;
    PianoRollControl* control = OpenNewClip();
    ASSERT_NE(control, nullptr);
    const PRToolSettings& s = control->Body().Gestures().Settings();
    EXPECT_EQ(s.tool, PRTool::kEraser);
    EXPECT_EQ(s.length, (PRLengthChoice{1, false, true}));
    EXPECT_EQ(s.velocity, 90);
    EXPECT_EQ(s.snapLevel, 6);

    Click(*control, PRToolbar::kArrow);
    Click(*control, PRToolbar::kNote16);
    Click(*control, PRToolbar::kTriplet);
    Click(*control, PRToolbar::kVelocityUp);
    EXPECT_EQ(prefs.toolMode, 0);
    EXPECT_EQ(prefs.defaultNoteLength, 4);
    EXPECT_TRUE(prefs.bTripletModifierOn);
    EXPECT_FALSE(prefs.bDottedModifierOn);
    EXPECT_EQ(prefs.defaultVelocity, 91);
}

TEST_F(PianoRollToolPrefsTest, ACustomLengthLeavesTheRememberedLengthType) {
    CPrefs& p = prefs;
    p.defaultNoteLength = 2;
    PRToolSettings settings = PianoRollToolPrefs::Read(p);
    settings.length.type = 6;
    settings.customLengthMs = 300;
    PianoRollToolPrefs::Write(settings, p);
    EXPECT_EQ(p.defaultNoteLength, 2);
    p.toolMode = 9; // out of range in a hand-edited store
    EXPECT_EQ(PianoRollToolPrefs::Read(p).tool, PRTool::kEraser);
}

} // namespace
