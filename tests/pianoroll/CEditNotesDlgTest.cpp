#include "pianoroll/CEditNotesDlg.h"

#include "engine/CMidiSound.h"
#include "gui/CDialogButton.h"
#include "gui/CDialogChoice.h"
#include "gui/CDialogTextField.h"
#include "gui/COffscreenGuiHost.h"
#include "gui/GuiInput.h"
#include "gui/VRGuiWindow.h"
#include "pianoroll/PRNoteEdits.h"
#include "project/CMIDIClip.h"
#include "project/FakeClipDocument.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace {

class CEditNotesDlgTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(window.Initialize(&host, 800, 600));
        sound = new CMidiSound;
        sound->SetMediaLength(8000.0);
        sound->SetVirtualLength(8000.0);
        clip = new CMIDIClip(doc, sound);
        for (int i = 0; i < 3; ++i) {
            TMidiSndNoteData data;
            data.start = 1250;
            data.end = 1750;
            data.pitch = 60 + 4 * i;
            data.velocity = 70 + 10 * i;
            data.releaseVelocity = 64;
            notes.push_back(sound->AddMidiNote(data, nullptr));
        }
    }
    void TearDown() override {
        if (dialog && !dialog->HasEnded())
            dialog->EndDialog(IDCANCEL);
        dialog.reset();
        clip->DeleteRefObject();
    }
    void Open() {
        dialog = std::make_unique<CEditNotesDlg>(PREditNotes::Gather(notes), 120, 4);
        dialog->ShowModeless(&window);
        host.Advance(window.GetRefreshPeriod());
        host.DeliverPaint();
    }
    void ClickOk() {
        CDialogButton* ok = dialog->GetButton(IDOK);
        const int x = ok->GetAbsX() + 5;
        const int y = ok->GetAbsY() + 5;
        host.MouseMove(x, y, 0);
        host.LeftDown(x, y, MK_LBUTTON);
        host.LeftUp(x, y, 0);
    }

    FakeClipDocument doc;
    COffscreenGuiHost host;
    VRGuiWindow window;
    CMidiSound* sound = nullptr;
    CMIDIClip* clip = nullptr;
    std::vector<MidiNotePtr> notes;
    std::unique_ptr<CEditNotesDlg> dialog;
};

TEST_F(CEditNotesDlgTest, ShowsSharedValuesAndDashesWhereTheNotesDiffer) {
    Open();
    EXPECT_EQ(dialog->StartField(0).GetText(), "1");
    EXPECT_EQ(dialog->StartField(1).GetText(), "3");
    EXPECT_EQ(dialog->StartField(2).GetText(), "500");
    EXPECT_EQ(dialog->DurationField(0).GetText(), "0");
    EXPECT_EQ(dialog->DurationField(1).GetText(), "1");
    EXPECT_EQ(dialog->VelocityField().GetText(), "-");
    EXPECT_EQ(dialog->PitchChoice().GetSelectedText(), "-");
    EXPECT_EQ(dialog->ChannelChoice().GetSelectedText(), "1");
    EXPECT_EQ(dialog->ReleaseChoice().GetSelectedText(), "64");
}

TEST_F(CEditNotesDlgTest, OkWritesWhatWasSetToEveryNoteAsOneStep) {
    Open();
    dialog->ChannelChoice().SetSelected(10);
    dialog->StartField(0).SetText("2");
    dialog->StartField(1).SetText("1");
    dialog->StartField(2).SetText("0");
    ClickOk();
    ASSERT_TRUE(dialog->HasEnded());
    const PREditNoteValues result = dialog->Result();
    EXPECT_EQ(result, (PREditNoteValues{2000, 500, 9, -1, -1, 64}));
    PRNoteEdits edits(*clip, doc.undo);
    ASSERT_TRUE(PREditNotes::Apply(edits, notes, result));
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(notes[i]->GetChannel(), 9);
        EXPECT_EQ(notes[i]->GetVelocity(), 70 + 10 * i); // left at "-"
        EXPECT_EQ(notes[i]->GetStart(), 2000.0);
        EXPECT_EQ(notes[i]->GetEnd(), 2500.0);
    }
    ASSERT_TRUE(doc.undo.Undo());
    EXPECT_EQ(notes[0]->GetStart(), 1250.0);
    EXPECT_EQ(notes[2]->GetChannel(), 0);
}

TEST_F(CEditNotesDlgTest, FieldsOutOfRangeAreClampedAndTextIsIgnored) {
    Open();
    dialog->VelocityField().SetText("300");
    dialog->StartField(1).SetText("9"); // beat beyond the measure
    dialog->DurationField(2).SetText("abc");
    dialog->PitchChoice().SetSelected(1); // the highest pitch
    ClickOk();
    ASSERT_TRUE(dialog->HasEnded());
    EXPECT_EQ(dialog->Result().velocity, 127);
    EXPECT_EQ(dialog->Result().start, 1750); // measure 1, beat 4, 500
    EXPECT_EQ(dialog->Result().duration, -1);
    EXPECT_EQ(dialog->Result().pitch, 127);
}

TEST_F(CEditNotesDlgTest, AnUnansweredDialogChangesNothing) {
    PRNoteEdits edits(*clip, doc.undo);
    EXPECT_FALSE(CEditNotesDlg::Run(&window, edits, notes));
    EXPECT_EQ(notes[0]->GetStart(), 1250.0);
    EXPECT_FALSE(doc.undo.CanUndo());
}

} // namespace
