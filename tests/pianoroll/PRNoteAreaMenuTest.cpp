#include "pianoroll/PRNoteAreaMenu.h"

#include "PRNoteTestSupport.h"
#include "engine/CMidiSound.h"
#include "gui/CDialogButton.h"
#include "gui/CDialogTextField.h"
#include "gui/COffscreenGuiHost.h"
#include "gui/GuiInput.h"
#include "gui/VRGuiWindow.h"
#include "pianoroll/CEditNotesDlg.h"
#include "pianoroll/PianoRollControl.h"
#include "project/CMIDIClip.h"
#include "project/FakeClipDocument.h"
#include "timeline/TimelineTestHelpers.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

// A piano roll over two notes, C5 and E5 from 500 to 1000 ms, with the view
// scrolled so that both rows show.
class PRNoteAreaMenuTest : public ::testing::Test {
protected:
    void SetUp() override {
        clip = NewEmptyMidiClip(doc, 8000.0);
        for (int pitch : {60, 64}) {
            TMidiSndNoteData data;
            data.start = 500;
            data.end = 1000;
            data.pitch = pitch;
            data.velocity = 100;
            data.releaseVelocity = 100;
            clip->GetAtom()->AddMidiNote(data, nullptr);
        }
        control = std::make_unique<PianoRollControl>(*clip);
        ASSERT_TRUE(window.Initialize(&host, 1000, 600));
        window.AddChild(control.get(), 0, 0);
        control->SetSize(1000, 600);
        control->ScrollTo(0, Row(64) - 100);
        Gestures().Settings().tool = PRTool::kArrow;
        host.Advance(window.GetRefreshPeriod());
    }
    void TearDown() override {
        host.SetModalDriver(nullptr);
        window.RemoveChild(control.get());
        control.reset();
        clip->DeleteRefObject();
    }
    PRNoteGestures& Gestures() { return control->Body().Gestures(); }
    // The window point of a time and pitch of the note area.
    GuiPoint At(double ms, int pitch) {
        return control->Body().LocalToAbsPoint({Gestures().Geometry().XOfTime(ms), Row(pitch)});
    }
    void RightClick(GuiPoint p) {
        host.MouseMove(p.x, p.y);
        host.RightDown(p.x, p.y);
        host.RightUp(p.x, p.y);
        host.Advance(1000);
    }
    void LeftClick(GuiPoint p) {
        host.MouseMove(p.x, p.y);
        host.LeftDown(p.x, p.y);
        host.LeftUp(p.x, p.y);
    }
    // Chooses a menu item by its number.
    void Choose(int item) {
        DriveMenu(host, {[this, item] { ClickMenuItem(host, window, item - 1); }});
    }

    FakeClipDocument doc;
    COffscreenGuiHost host;
    VRGuiWindow window;
    CMIDIClip* clip = nullptr;
    std::unique_ptr<PianoRollControl> control;
};

TEST_F(PRNoteAreaMenuTest, ItemsAreEnabledOnlyWhenTheyWouldAct) {
    PRNoteAreaMenu menu(control->Body());
    GuiMenu built = menu.Build();
    ASSERT_EQ(built.ItemCount(), PRNoteAreaMenu::kItemCount);
    for (int separator : {2, 5, 10})
        EXPECT_TRUE(built.ItemAt(separator - 1).separator);
    EXPECT_EQ(built.ItemAt(0).label, "Edit Notes...");
    for (int item : {PRNoteAreaMenu::kEditNotes, PRNoteAreaMenu::kUndo, PRNoteAreaMenu::kRedo,
                     PRNoteAreaMenu::kCut, PRNoteAreaMenu::kCopy, PRNoteAreaMenu::kPaste,
                     PRNoteAreaMenu::kDelete})
        EXPECT_FALSE(built.FindItem(item)->enabled) << item;
    EXPECT_TRUE(built.FindItem(PRNoteAreaMenu::kSelectAll)->enabled);

    Gestures().SelectAll();
    control->Body().Clipboard().Copy();
    built = menu.Build();
    for (int item : {PRNoteAreaMenu::kEditNotes, PRNoteAreaMenu::kCut, PRNoteAreaMenu::kCopy,
                     PRNoteAreaMenu::kPaste, PRNoteAreaMenu::kDelete})
        EXPECT_TRUE(built.FindItem(item)->enabled) << item;
    // A disabled item chosen anyway does nothing.
    menu.Perform(PRNoteAreaMenu::kUndo);
    EXPECT_EQ(SortedNotes(control->Body().Edits()).size(), 2u);
}

TEST_F(PRNoteAreaMenuTest, RightClickSelectsTheNoteUnderThePointerAndDeleteUndoes) {
    Gestures().Select(control->Body().Edits().Notes()[0]);
    Choose(PRNoteAreaMenu::kDelete);
    RightClick(At(700, 64));
    EXPECT_EQ(SortedNotes(control->Body().Edits()), (Notes{{500, 1000, 60}}));

    Choose(PRNoteAreaMenu::kUndo);
    RightClick(At(3000, 70));
    EXPECT_EQ(SortedNotes(control->Body().Edits()), (Notes{{500, 1000, 60}, {500, 1000, 64}}));
    Choose(PRNoteAreaMenu::kRedo);
    RightClick(At(3000, 70));
    EXPECT_EQ(SortedNotes(control->Body().Edits()), (Notes{{500, 1000, 60}}));
}

TEST_F(PRNoteAreaMenuTest, CopyAndPasteFromTheMenuLandAtTheLastClickedTime) {
    Choose(PRNoteAreaMenu::kCopy);
    RightClick(At(700, 60));
    LeftClick(At(2000, 70)); // the paste time, snapped to the eighths
    host.Advance(1000);
    Choose(PRNoteAreaMenu::kPaste);
    RightClick(At(3000, 70));
    EXPECT_EQ(SortedNotes(control->Body().Edits()),
              (Notes{{500, 1000, 60}, {500, 1000, 64}, {2000, 2500, 60}}));
    Choose(PRNoteAreaMenu::kSelectAll);
    RightClick(At(3000, 70));
    EXPECT_EQ(Gestures().Selection().size(), 3u);
}

TEST_F(PRNoteAreaMenuTest, DismissingTheMenuChangesNothing) {
    DriveMenu(host, {});
    RightClick(At(700, 64));
    EXPECT_EQ(SortedNotes(control->Body().Edits()).size(), 2u);
    EXPECT_FALSE(doc.undo.CanUndo());
}

TEST_F(PRNoteAreaMenuTest, DoubleClickOnANoteOpensTheNoteDialogForTheSelection) {
    bool opened = false;
    host.SetModalDriver([&](COffscreenGuiHost& h, int) {
        auto* dialog = dynamic_cast<CEditNotesDlg*>(window.TopLayer());
        if (!dialog) {
            h.KeyDown(VK_ESCAPE);
            return;
        }
        opened = true;
        dialog->VelocityField().SetText("64");
        const CDialogButton* ok = dialog->GetButton(IDOK);
        h.MouseMove(ok->GetAbsX() + 5, ok->GetAbsY() + 5, 0);
        h.LeftDown(ok->GetAbsX() + 5, ok->GetAbsY() + 5);
        h.LeftUp(ok->GetAbsX() + 5, ok->GetAbsY() + 5, 0);
    });
    const GuiPoint note = At(700, 64);
    LeftClick(note);
    LeftClick(note); // close in time and place: a double click
    EXPECT_TRUE(opened);
    const std::vector<MidiNotePtr> notes = control->Body().Edits().Notes();
    for (const MidiNotePtr& n : notes)
        EXPECT_EQ(n->GetVelocity(), n->GetPitch() == 64 ? 64 : 100);
    doc.undo.Undo();
    for (const MidiNotePtr& n : control->Body().Edits().Notes())
        EXPECT_EQ(n->GetVelocity(), 100);
}

TEST_F(PRNoteAreaMenuTest, DoubleClickOnEmptySpaceOpensNoDialog) {
    bool opened = false;
    host.SetModalDriver([&](COffscreenGuiHost& h, int) {
        opened = true;
        h.KeyDown(VK_ESCAPE);
    });
    const GuiPoint empty = At(3000, 70);
    LeftClick(empty);
    LeftClick(empty);
    EXPECT_FALSE(opened);
}

} // namespace
