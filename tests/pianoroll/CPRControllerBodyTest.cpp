#include "pianoroll/CPRControllerBody.h"

#include "engine/CMidiSound.h"
#include "gui/COffscreenGuiHost.h"
#include "gui/GuiInput.h"
#include "gui/GuiSkinColor.h"
#include "gui/VRGuiWindow.h"
#include "pianoroll/PianoRollBody.h"
#include "project/CMIDIClip.h"
#include "project/FakeClipDocument.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace {

using Events = std::vector<MidiControllerEvent>;

// The lane alone in a window, at 10 ms a pixel, 100 rows high under its strip.
class CPRControllerBodyTest : public ::testing::Test {
protected:
    void SetUp() override {
        sound = new CMidiSound;
        sound->SetMediaLength(4000.0);
        sound->SetVirtualLength(4000.0);
        clip = new CMIDIClip(doc, sound);
        notes = std::make_unique<PianoRollBody>(*clip, doc.undo, nullptr);
        notes->SetMsPerPixel(10);
        lane = std::make_unique<CPRControllerBody>(notes->Edits(), notes->Gestures());
        lane->SetSize(800, CPRControllerBody::kDefaultHeight);
        ASSERT_TRUE(window.Initialize(&host, 800, CPRControllerBody::kDefaultHeight));
        window.AddChild(lane.get(), 0, 0);
        Tick();
    }
    void TearDown() override {
        window.RemoveChild(lane.get());
        lane.reset();
        notes.reset();
        clip->DeleteRefObject();
    }
    void Tick() {
        host.Advance(window.GetRefreshPeriod());
        host.DeliverPaint();
    }
    // A press, one fast move and a release; rows count from the drawing area.
    void Stroke(int x0, int row0, int x1, int row1) {
        host.MouseMove(x0, row0 + 4, 0);
        host.LeftDown(x0, row0 + 4, MK_LBUTTON);
        host.MouseMove(x1, row1 + 4, MK_LBUTTON);
        Tick();
        host.LeftUp(x1, row1 + 4, 0);
        Tick();
    }
    Events EventsOf(int controller) const {
        const CMidiControllerList* list = sound->GetMidiControllerList(controller);
        return list ? list->Events() : Events{};
    }
    uint32_t Pixel(int x, int row) { return host.ScreenPixel(x, row + 4); }

    FakeClipDocument doc;
    COffscreenGuiHost host;
    VRGuiWindow window;
    CMidiSound* sound = nullptr;
    CMIDIClip* clip = nullptr;
    std::unique_ptr<PianoRollBody> notes;
    std::unique_ptr<CPRControllerBody> lane;
};

TEST_F(CPRControllerBodyTest, PencilDrawsAModulationRampEraserWipesItAndUndoBringsItBack) {
    lane->SetLane(PRControllerLane(PRLaneType::kController, PRControllerLane::kModulation));
    const uint32_t white = Pixel(130, 50);
    EXPECT_EQ(host.ScreenPixel(101, 3), host.ScreenPixel(300, 2)); // the strip

    Stroke(100, 0, 199, 99);
    const Events ramp = EventsOf(PRControllerLane::kModulation);
    ASSERT_EQ(ramp.size(), 100u);
    EXPECT_EQ(ramp.front(), (MidiControllerEvent{1000.0, 127, 0}));
    EXPECT_EQ(ramp.back().value, 0);
    EXPECT_TRUE(lane->Stroke().Empty());
    // The first value reaches the top of the lane, nothing lies left of it.
    EXPECT_NE(Pixel(101, 3), white);
    EXPECT_EQ(Pixel(99, 50), white);

    notes->Gestures().Settings().tool = PRTool::kEraser;
    Stroke(150, 50, 160, 50);
    EXPECT_EQ(EventsOf(PRControllerLane::kModulation).size(), 89u);
    EXPECT_EQ(Pixel(155, 98), white);

    ASSERT_TRUE(doc.undo.Undo());
    EXPECT_EQ(EventsOf(PRControllerLane::kModulation), ramp);
    Tick();
    EXPECT_NE(Pixel(155, 98), white);
    ASSERT_TRUE(doc.undo.Undo());
    EXPECT_TRUE(EventsOf(PRControllerLane::kModulation).empty());
    Tick();
    EXPECT_EQ(Pixel(101, 3), white);
}

TEST_F(CPRControllerBodyTest, PitchBendStrokeEndsWithTheCentreAndTheToolTipShowsTheOffset) {
    lane->SetLane(PRControllerLane(PRLaneType::kController, CMidiControllerList::kPitchBend));
    Stroke(10, 0, 12, 0);
    const Events bend = EventsOf(CMidiControllerList::kPitchBend);
    ASSERT_EQ(bend.size(), 2u);
    EXPECT_EQ(bend[0], (MidiControllerEvent{100.0, 16383, 0}));
    EXPECT_EQ(bend[1], (MidiControllerEvent{121.0, 8192, 0}));
    std::string text;
    ASSERT_TRUE(lane->GetToolTip({10, 4}, text));
    EXPECT_EQ(text, "8191");
    ASSERT_TRUE(lane->GetToolTip({10, 2}, text)); // the strip
    EXPECT_EQ(text, "Drag to resize the lane");
}

TEST_F(CPRControllerBodyTest, VelocityDrawnAtTheTopAndBottomGives127And1) {
    TMidiSndNoteData data;
    data.start = 200;
    data.end = 400;
    data.pitch = 60;
    data.velocity = 90;
    MidiNotePtr low = sound->AddMidiNote(data, nullptr);
    data.start = 500;
    data.end = 700;
    MidiNotePtr high = sound->AddMidiNote(data, nullptr);
    lane->SetLane(PRControllerLane(PRLaneType::kVelocity));
    Tick();
    EXPECT_NE(Pixel(20, 99), Pixel(21, 99)); // a note's velocity is drawn at its start
    Stroke(15, 99, 25, 150);                 // on to below the lane: clamped to the bottom row
    Stroke(45, 0, 55, -30);                  // on to above it: the top row
    EXPECT_EQ(low->GetVelocity(), 1);
    EXPECT_EQ(high->GetVelocity(), 127);
    ASSERT_TRUE(doc.undo.Undo());
    ASSERT_TRUE(doc.undo.Undo());
    EXPECT_EQ(low->GetVelocity(), 90);
    EXPECT_EQ(high->GetVelocity(), 90);
}

} // namespace
