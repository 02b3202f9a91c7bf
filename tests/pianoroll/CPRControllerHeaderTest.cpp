#include "pianoroll/CPRControllerHeader.h"

#include "PRNoteTestSupport.h"
#include "engine/CMidiSound.h"
#include "gui/COffscreenGuiHost.h"
#include "gui/CSkin.h"
#include "gui/GuiInput.h"
#include "gui/VRGuiWindow.h"
#include "pianoroll/PRControllerChoices.h"
#include "pianoroll/PianoRollControl.h"
#include "project/CMIDIClip.h"
#include "project/FakeClipDocument.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

constexpr int kHeight = 600;

class CPRControllerHeaderTest : public ::testing::Test {
protected:
    void SetUp() override {
        clip = NewEmptyMidiClip(doc, 8000.0);
        control = std::make_unique<PianoRollControl>(*clip);
        ASSERT_TRUE(window.Initialize(&host, 1000, kHeight));
        window.AddChild(control.get(), 0, 0);
        control->SetSize(1000, kHeight);
        host.Advance(window.GetRefreshPeriod());
    }
    void TearDown() override {
        host.SetModalDriver(nullptr);
        window.RemoveChild(control.get());
        control.reset();
        clip->DeleteRefObject();
    }
    CPRControllerHeader& Header() { return control->ControllerHeader(); }
    const PRControllerLane& Lane() { return control->ControllerLane().Body().Lane(); }
    // Drags the lane's top edge up by `up` pixels.
    void DragEdge(int up) {
        const CPRControllerBody& body = control->ControllerLane().Body();
        const int x = body.GetAbsX() + 300;
        const int y = control->ControllerLane().GetAbsY() + 1;
        host.MouseMove(x, y);
        host.LeftDown(x, y);
        host.MouseMove(x, y - up);
        host.LeftUp(x, y - up);
        host.Advance(1000);
    }

    FakeClipDocument doc;
    COffscreenGuiHost host;
    VRGuiWindow window;
    CMIDIClip* clip = nullptr;
    std::unique_ptr<PianoRollControl> control;
};

TEST_F(CPRControllerHeaderTest, TheHeaderStandsLeftOfTheLaneAndNamesItsChoice) {
    EXPECT_EQ(Header().GetAbsX(), 0);
    EXPECT_EQ(Header().GetAbsY(), control->ControllerLane().GetAbsY());
    EXPECT_EQ(Header().GetHeight(), control->ControllerLane().GetHeight());
    EXPECT_EQ(Header().Drop().GetText(), "Velocity");
}

TEST_F(CPRControllerHeaderTest, ChoosingByNameByNumberAndUnknownText) {
    EXPECT_TRUE(Header().Choose("Pitch Bend"));
    EXPECT_EQ(Lane(), PRControllerLane(PRLaneType::kController, 131));
    EXPECT_TRUE(Header().Choose("7"));
    EXPECT_EQ(Lane(), PRControllerLane(PRLaneType::kController, 7));
    EXPECT_EQ(Header().Drop().GetText(), "(7) Volume");
    EXPECT_TRUE(Header().Choose("Release Velocity"));
    EXPECT_EQ(Lane().Type(), PRLaneType::kReleaseVelocity);
    EXPECT_FALSE(Header().Choose("no such lane"));
    EXPECT_EQ(Lane().Type(), PRLaneType::kReleaseVelocity);
    EXPECT_EQ(Header().Drop().GetText(), "Release Velocity");
}

TEST_F(CPRControllerHeaderTest, TheListOpensWithTheSoundsControllersAndChoosesTheLane) {
    clip->GetAtom()->AddController(74, 64, 100.0, 0);
    host.SetModalDriver([](COffscreenGuiHost& h, int) {
        h.KeyDown(VK_DOWN); // from Velocity to Release Velocity
        h.KeyDown(VK_RETURN);
    });
    const GuiRect button = Header().Drop().ButtonRect();
    const int x = Header().Drop().GetAbsX() + (button.left + button.right) / 2;
    const int y = Header().Drop().GetAbsY() + (button.top + button.bottom) / 2;
    host.MouseMove(x, y);
    host.LeftDown(x, y);
    host.LeftUp(x, y);
    EXPECT_EQ(Lane().Type(), PRLaneType::kReleaseVelocity);
    EXPECT_EQ(Header().Drop().GetText(), "Release Velocity");
    const PRControllerChoices choices(clip->GetAtom());
    EXPECT_EQ(Header().Drop().EntryCount(), static_cast<int>(choices.Entries().size()));
}

TEST_F(CPRControllerHeaderTest, DraggingTheLanesEdgeResizesItWithinItsLimits) {
    const int before = control->ControllerLane().GetHeight();
    DragEdge(50);
    EXPECT_EQ(control->ControllerLane().GetHeight(), before + 50);
    EXPECT_EQ(Header().GetHeight(), before + 50);
    // The note area above gives way, and ends where the lane begins; the
    // horizontal scroll bar stays under the lane.
    EXPECT_EQ(control->ControllerLane().GetAbsY(),
              kHeight - PianoRollControl::kScrollBarSize - before - 50);
    DragEdge(1000);
    EXPECT_EQ(control->ControllerLane().GetHeight(),
              kHeight - static_cast<int>(kHeight * PianoRollControl::kMinNotesShare));
    DragEdge(-1000);
    EXPECT_EQ(control->ControllerLane().GetHeight(), PianoRollControl::kMinLaneHeight);
    // Resizing is no edit of the document.
    EXPECT_FALSE(doc.undo.CanUndo());
}

TEST_F(CPRControllerHeaderTest, TheLaneIsDrawnInTheSkinsColours) {
    host.Advance(window.GetRefreshPeriod());
    const CPRControllerBody& body = control->ControllerLane().Body();
    const uint32_t back = CSkin::ColorOf("piano-roll-controller-back");
    const uint32_t strip = CSkin::ColorOf("piano-roll-controller-resize-strip");
    const auto rgb = [](uint32_t bgr) {
        return ((bgr & 0xFF) << 16) | (bgr & 0xFF00) | ((bgr >> 16) & 0xFF);
    };
    // Left of the first beat line, below the strip.
    const int x = control->ControllerLane().GetAbsX() + 3;
    const int y = control->ControllerLane().GetAbsY();
    EXPECT_EQ(host.ScreenPixel(x, y + 1) & 0xFFFFFF, rgb(strip));
    EXPECT_EQ(host.ScreenPixel(x, y + body.GetHeight() / 2) & 0xFFFFFF, rgb(back));
    EXPECT_NE(rgb(back), 0xFFFFFFu);
}

} // namespace
