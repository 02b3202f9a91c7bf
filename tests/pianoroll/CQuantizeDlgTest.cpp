#include "pianoroll/CQuantizeDlg.h"

#include "engine/CMidiSound.h"
#include "gui/CDialogButton.h"
#include "gui/CDialogCheckBox.h"
#include "gui/CDialogChoice.h"
#include "gui/CDialogTextField.h"
#include "gui/COffscreenGuiHost.h"
#include "gui/GuiInput.h"
#include "gui/MessageBoxes.h"
#include "gui/VRGuiWindow.h"
#include "pianoroll/PRNoteEdits.h"
#include "project/CMIDIClip.h"
#include "project/FakeClipDocument.h"
#include "support/LocalizedStrings.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace {

class CQuantizeDlgTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(window.Initialize(&host, 800, 600));
        SetMessageBoxHook([this](const MessageBoxRequest& request, bool&) {
            shownTitles.push_back(request.title);
            return IDOK;
        });
    }
    void TearDown() override {
        SetMessageBoxHook({});
        if (dialog && !dialog->HasEnded())
            dialog->EndDialog(IDCANCEL);
        dialog.reset();
    }
    void Open(const PRQuantizeSettings& settings, bool hasSelection) {
        dialog = std::make_unique<CQuantizeDlg>(settings, hasSelection);
        dialog->ShowModeless(&window);
        Tick();
    }
    void Tick() {
        host.Advance(window.GetRefreshPeriod());
        host.DeliverPaint();
    }
    void Click(VRGuiObject* object) {
        const int x = object->GetAbsX() + 5;
        const int y = object->GetAbsY() + 5;
        host.MouseMove(x, y, 0);
        host.LeftDown(x, y, MK_LBUTTON);
        host.LeftUp(x, y, 0);
        Tick();
    }

    COffscreenGuiHost host;
    VRGuiWindow window;
    std::unique_ptr<CQuantizeDlg> dialog;
    std::vector<std::string> shownTitles;
};

TEST_F(CQuantizeDlgTest, OkWithNothingTickedSaysSoAndStaysOpen) {
    Open(PRQuantizeSettings{}, false);
    EXPECT_FALSE(dialog->StartLevel().IsEnabled());
    EXPECT_FALSE(dialog->Scope().IsEnabled()); // no selection to choose
    EXPECT_EQ(dialog->SwingField().GetText(), "1");
    Click(dialog->GetButton(IDOK));
    ASSERT_EQ(shownTitles.size(), 1u);
    EXPECT_EQ(shownTitles[0], MyLoadString("QTZ_CheckSomethingTitle"));
    EXPECT_FALSE(dialog->HasEnded());
}

TEST_F(CQuantizeDlgTest, TickedChoicesBecomeTheSettingsWithTheSwingClamped) {
    Open(PRQuantizeSettings{}, true);
    Click(&dialog->StartBox());
    EXPECT_TRUE(dialog->StartLevel().IsEnabled());
    dialog->StartLevel().SetSelected(3); // eighths
    Click(&dialog->SwingBox());
    dialog->SwingField().SetText("500");
    Click(&dialog->LengthBox());
    dialog->LengthLevel().SetSelected(2); // quarters
    dialog->Scope().SetSelected(1);
    Click(dialog->GetButton(IDOK));
    ASSERT_TRUE(dialog->HasEnded());
    EXPECT_EQ(dialog->GetResult(), IDOK);
    EXPECT_TRUE(shownTitles.empty());
    PRQuantizeSettings expected;
    expected.startLevel = 4;
    expected.swing = 100;
    expected.swingOn = true;
    expected.lengthLevel = 3;
    expected.selectionOnly = true;
    EXPECT_EQ(dialog->Settings(), expected);
}

TEST_F(CQuantizeDlgTest, ReopensWithTheLastSettingsAndCancelKeepsThem) {
    PRQuantizeSettings last;
    last.startLevel = 5;
    last.swing = 30;
    last.swingOn = true;
    Open(last, false);
    EXPECT_TRUE(dialog->StartBox().IsChecked());
    EXPECT_EQ(dialog->StartLevel().GetSelected(), 4);
    EXPECT_TRUE(dialog->SwingBox().IsChecked());
    EXPECT_EQ(dialog->SwingField().GetText(), "30");
    EXPECT_FALSE(dialog->LengthBox().IsChecked());
    Click(&dialog->StartBox()); // untick, then cancel
    Click(dialog->GetButton(IDCANCEL));
    ASSERT_TRUE(dialog->HasEnded());
    EXPECT_EQ(dialog->Settings(), last);
}

TEST_F(CQuantizeDlgTest, AnUnansweredDialogQuantizesNothing) {
    FakeClipDocument doc;
    auto* sound = new CMidiSound;
    auto* clip = new CMIDIClip(doc, sound);
    PRNoteEdits edits(*clip, doc.undo);
    PRQuantizeSettings last;
    last.startLevel = 4;
    EXPECT_FALSE(CQuantizeDlg::Run(&window, edits, last, {}));
    EXPECT_EQ(last.startLevel, 4);
    EXPECT_FALSE(doc.undo.CanUndo());
    clip->DeleteRefObject();
}

} // namespace
