#include "pianoroll/PRToolbar.h"

#include "PRNoteTestSupport.h"
#include "engine/CMidiSound.h"
#include "gui/CDialogButton.h"
#include "gui/COffscreenGuiHost.h"
#include "gui/GuiInput.h"
#include "gui/VRGuiWindow.h"
#include "pianoroll/CQuantizeDlg.h"
#include "pianoroll/PRLatchButton.h"
#include "pianoroll/PianoRollControl.h"
#include "project/CMIDIClip.h"
#include "project/FakeClipDocument.h"
#include "timeline/TimelineTestHelpers.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace {

class PRToolbarTest : public ::testing::Test {
protected:
    void SetUp() override {
        clip = NewEmptyMidiClip(doc, 8000.0);
        control = std::make_unique<PianoRollControl>(*clip);
        control->SetToolSettingsStore([this](const PRToolSettings& s) { stored.push_back(s); });
        ASSERT_TRUE(window.Initialize(&host, 1000, 600));
        window.AddChild(control.get(), 0, 0);
        control->SetSize(1000, 600);
        host.Advance(window.GetRefreshPeriod());
    }
    void TearDown() override {
        window.RemoveChild(control.get());
        control.reset();
        clip->DeleteRefObject();
    }
    GuiButton& Button(int32_t id) { return *control->Toolbar().GetButton(id); }
    bool Latched(int32_t id) { return dynamic_cast<PRLatchButton&>(Button(id)).IsLatched(); }
    void Click(int32_t id) {
        const GuiRect r = Button(id).GetAbsRect();
        const int32_t x = (r.left + r.right) / 2;
        const int32_t y = (r.top + r.bottom) / 2;
        host.MouseMove(x, y);
        host.LeftDown(x, y);
        host.LeftUp(x, y);
        host.Advance(1000); // the next click is no double click
    }
    PRToolSettings& Settings() { return control->Body().Gestures().Settings(); }

    FakeClipDocument doc;
    COffscreenGuiHost host;
    VRGuiWindow window;
    CMIDIClip* clip = nullptr;
    std::unique_ptr<PianoRollControl> control;
    std::vector<PRToolSettings> stored;
};

TEST_F(PRToolbarTest, ToolButtonsChooseTheToolAndOnlyTheChosenOneStaysPressed) {
    EXPECT_TRUE(Latched(PRToolbar::kPencil));
    Click(PRToolbar::kArrow);
    EXPECT_EQ(Settings().tool, PRTool::kArrow);
    EXPECT_TRUE(Latched(PRToolbar::kArrow));
    EXPECT_FALSE(Latched(PRToolbar::kPencil));
    EXPECT_FALSE(Latched(PRToolbar::kEraser));
    ASSERT_FALSE(stored.empty());
    EXPECT_EQ(stored.back().tool, PRTool::kArrow);

    // The eraser takes the rubber band away; the arrow would keep it.
    control->Body().Gestures().ShowRubberBand({0.0, 1000.0, Row(64) - 5, Row(60) + 5});
    Click(PRToolbar::kEraser);
    EXPECT_EQ(Settings().tool, PRTool::kEraser);
    EXPECT_FALSE(control->Body().Gestures().RubberBand());
    EXPECT_TRUE(Latched(PRToolbar::kEraser));
    EXPECT_FALSE(Latched(PRToolbar::kArrow));
}

TEST_F(PRToolbarTest, TheChosenToolStaysPressedWhenThePointerLeavesIt) {
    const GuiRect arrow = Button(PRToolbar::kArrow).GetAbsRect();
    const auto picture = [&] {
        host.MouseMove(500, 400); // away from the toolbar
        host.Advance(window.GetRefreshPeriod());
        std::vector<uint32_t> pixels;
        for (int y = arrow.top; y < arrow.bottom; ++y)
            for (int x = arrow.left; x < arrow.right; ++x)
                pixels.push_back(host.ScreenPixel(x, y));
        return pixels;
    };
    Click(PRToolbar::kArrow);
    const std::vector<uint32_t> chosen = picture();
    Click(PRToolbar::kPencil);
    const std::vector<uint32_t> notChosen = picture();
    EXPECT_NE(chosen, notChosen);
    Click(PRToolbar::kArrow);
    EXPECT_EQ(picture(), chosen);
}

TEST_F(PRToolbarTest, ALengthButtonSetsTheTypeAndDropsACustomLength) {
    Settings().customLengthMs = 300.0;
    control->Toolbar().Refresh();
    for (int32_t id = PRToolbar::kNote1; id <= PRToolbar::kNote32; ++id)
        EXPECT_FALSE(Latched(id)) << id;
    Click(PRToolbar::kNote4);
    EXPECT_EQ(Settings().length.type, 2);
    EXPECT_EQ(Settings().customLengthMs, 0.0);
    EXPECT_TRUE(Latched(PRToolbar::kNote4));
    EXPECT_FALSE(Latched(PRToolbar::kNote8));
    // At 120 in 4/4 a quarter lasts 500 ms.
    EXPECT_EQ(control->Body().Gestures().NewNoteLengthMs(), 500.0);
    Click(PRToolbar::kNote32);
    EXPECT_EQ(Settings().length.type, 5);
    EXPECT_EQ(stored.back().length.type, 5);
}

TEST_F(PRToolbarTest, DottedAndTripletExcludeEachOther) {
    Click(PRToolbar::kNote8);
    Click(PRToolbar::kDotted);
    EXPECT_TRUE(Settings().length.dotted);
    EXPECT_EQ(Button(PRToolbar::kDotted).GetSkin(), "prt-note-dotted-on");
    EXPECT_EQ(control->Body().Gestures().NewNoteLengthMs(), 375.0);
    Click(PRToolbar::kTriplet);
    EXPECT_TRUE(Settings().length.triplet);
    EXPECT_FALSE(Settings().length.dotted);
    EXPECT_EQ(Button(PRToolbar::kDotted).GetSkin(), "prt-note-dotted");
    EXPECT_EQ(Button(PRToolbar::kTriplet).GetSkin(), "prt-note-triplet-on");
    Click(PRToolbar::kDotted);
    EXPECT_TRUE(Settings().length.dotted);
    EXPECT_FALSE(Settings().length.triplet);
    Click(PRToolbar::kDotted);
    EXPECT_FALSE(Settings().length.dotted);
    EXPECT_FALSE(Settings().length.triplet);
}

TEST_F(PRToolbarTest, VelocityStopsAt127AndAt1AndReachesTheKeyboard) {
    Settings().velocity = 126;
    Click(PRToolbar::kVelocityUp);
    Click(PRToolbar::kVelocityUp);
    EXPECT_EQ(Settings().velocity, 127);
    EXPECT_EQ(control->Toolbar().VelocityReadOut().GetText(), "Velocity: 127");
    EXPECT_EQ(control->Keyboard().Velocity(), 127);
    Settings().velocity = 2;
    Click(PRToolbar::kVelocityDown);
    Click(PRToolbar::kVelocityDown);
    EXPECT_EQ(Settings().velocity, 1);
    EXPECT_EQ(control->Toolbar().VelocityReadOut().GetText(), "Velocity: 1");
    EXPECT_EQ(stored.back().velocity, 1);
}

TEST_F(PRToolbarTest, SnapMenuChoosesTheLevelAndDismissingKeepsIt) {
    EXPECT_EQ(Button(PRToolbar::kSnap).GetCaption(), "1/8");
    DriveMenu(host, {[&] { ClickMenuItem(host, window, 0); }});
    Click(PRToolbar::kSnap);
    EXPECT_EQ(Settings().snapLevel, 0);
    GuiButton& snap = Button(PRToolbar::kSnap);
    EXPECT_EQ(snap.GetCaption(), "Off");
    EXPECT_EQ(snap.GetSkin(), "midi-snap-off");
    EXPECT_EQ(snap.GetCaptionColor(GuiButton::kNormal), PRToolbar::kSnapOffCaption);
    EXPECT_EQ(stored.back().snapLevel, 0);

    DriveMenu(host, {[&] { ClickMenuItem(host, window, 5); }});
    Click(PRToolbar::kSnap);
    EXPECT_EQ(Settings().snapLevel, 5);
    EXPECT_EQ(snap.GetSkin(), "midi-snap-on");
    EXPECT_EQ(snap.GetCaptionColor(GuiButton::kNormal), PRToolbar::kSnapOnCaption);

    const size_t stores = stored.size();
    DriveMenu(host, {});
    Click(PRToolbar::kSnap);
    EXPECT_EQ(Settings().snapLevel, 5);
    EXPECT_EQ(stored.size(), stores);
}

TEST_F(PRToolbarTest, QuantizeOpensTheDialogWithTheLastSettingsAndQuantizes) {
    for (double start : {240.0, 490.0}) {
        TMidiSndNoteData data;
        data.start = start;
        data.end = start + 100;
        data.pitch = 60;
        data.velocity = 100;
        control->Body().Edits().Sound()->AddMidiNote(data, nullptr);
    }
    PRQuantizeSettings& last = PRToolbar::LastQuantizeSettings();
    last = PRQuantizeSettings{};
    last.startLevel = 4;
    last.swing = 50;
    last.swingOn = true;
    host.SetModalDriver([this](COffscreenGuiHost& h, int) {
        auto* dialog = dynamic_cast<CQuantizeDlg*>(window.TopLayer());
        if (!dialog) {
            h.KeyDown(VK_ESCAPE);
            return;
        }
        const CDialogButton* ok = dialog->GetButton(IDOK);
        h.MouseMove(ok->GetAbsX() + 5, ok->GetAbsY() + 5, 0);
        h.LeftDown(ok->GetAbsX() + 5, ok->GetAbsY() + 5);
        h.LeftUp(ok->GetAbsX() + 5, ok->GetAbsY() + 5, 0);
    });
    Click(PRToolbar::kQuantize);
    host.SetModalDriver(nullptr);
    EXPECT_EQ(SortedNotes(control->Body().Edits()),
              (Notes{{375.0, 475.0, 60}, {500.0, 600.0, 60}}));
    EXPECT_EQ(last.startLevel, 4);
    doc.undo.Undo();
    EXPECT_EQ(SortedNotes(control->Body().Edits()),
              (Notes{{240.0, 340.0, 60}, {490.0, 590.0, 60}}));
    last = PRQuantizeSettings{};
}

TEST_F(PRToolbarTest, AClickedNoteBecomesTheModelAndTheToolbarShowsIt) {
    TMidiSndNoteData data;
    data.start = 0;
    data.end = 166;
    data.pitch = 60;
    data.velocity = 90;
    control->Body().Edits().Sound()->AddMidiNote(data, nullptr);
    Click(PRToolbar::kArrow);
    control->ScrollTo(0, Row(60) - 100);
    host.Advance(window.GetRefreshPeriod());
    const GuiPoint at = control->Body().LocalToAbsPoint(
        {control->Body().Gestures().Geometry().XOfTime(80), Row(60)});
    host.MouseMove(at.x, at.y);
    host.LeftDown(at.x, at.y);
    host.LeftUp(at.x, at.y);
    EXPECT_EQ(Settings().length.type, 2);
    EXPECT_TRUE(Settings().length.triplet);
    EXPECT_TRUE(Latched(PRToolbar::kNote4));
    EXPECT_EQ(Button(PRToolbar::kTriplet).GetSkin(), "prt-note-triplet-on");
    EXPECT_EQ(control->Toolbar().VelocityReadOut().GetText(), "Velocity: 90");
    EXPECT_EQ(control->Keyboard().Velocity(), 90);
    EXPECT_EQ(stored.back().velocity, 90);
}

TEST_F(PRToolbarTest, RememberedSettingsAreTakenAndCheckedOnOpening) {
    PRToolSettings remembered;
    remembered.tool = PRTool::kEraser;
    remembered.length = {4, true, true};
    remembered.velocity = 300;
    remembered.snapLevel = 7;
    control->TakeToolSettings(remembered);
    EXPECT_EQ(Settings().tool, PRTool::kEraser);
    EXPECT_TRUE(Settings().length.dotted);
    EXPECT_FALSE(Settings().length.triplet);
    EXPECT_EQ(Settings().velocity, 127);
    EXPECT_TRUE(Latched(PRToolbar::kEraser));
    EXPECT_TRUE(Latched(PRToolbar::kNote16));
    EXPECT_EQ(Button(PRToolbar::kSnap).GetCaption(), "1/64");
}

} // namespace
