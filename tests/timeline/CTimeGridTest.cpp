#include "TimelineTestHelpers.h"

#include "engine/TempoMap.h"
#include "gui/CSkin.h"
#include "timeline/CTimeGrid.h"
#include "timeline/CTrackMarker.h"
#include "timeline/TimeGridHost.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace {

TempoEvent StartEvent(double tempo = 120.0) {
    return {.tempo = tempo, .tempoChange = true, .keyChange = true, .timeSigChange = true};
}

struct FakeGridHost : TimeGridHost {
    TempoMap map;
    int32_t msPerPixel = 10;
    bool recording = false;
    bool playing = false;
    std::optional<double> playbackMarker, relocated, newMarkerAt;
    int undoSets = 0, selectionClears = 0, wizards = 0;
    std::optional<int32_t> modeAsked;
    std::optional<int> editedMarker, removedMarker;
    std::optional<std::pair<int, double>> movedMarker;
    std::vector<TrackMarkerLook> looks;

    FakeGridHost() { map.AddEvent(StartEvent()); }
    int32_t CurrentMsPerPixel() const override { return msPerPixel; }
    const TempoMap& GetTempoMap() const override { return map; }
    bool IsRecording() const override { return recording; }
    bool IsPlaying() const override { return playing; }
    void MovePlaybackMarker(double ms) override { playbackMarker = ms; }
    void RelocatePlayback(double ms) override { relocated = ms; }
    void ClearTimeSelection() override { ++selectionClears; }
    void BeginUndoSet() override { ++undoSets; }
    void OpenNewMarkerDialog(double realMs) override { newMarkerAt = realMs; }
    void OpenMarkerDialog(int index) override { editedMarker = index; }
    void OpenMarkerWizard() override { ++wizards; }
    void MoveMarker(int index, double realMs) override { movedMarker = {index, realMs}; }
    void RemoveMarker(int index) override { removedMarker = index; }
    void SetTimeLineMode(int32_t mode) override { modeAsked = mode; }
    void InvalidateTrackBodies() override {}
    bool GetMarkerLook(int index, TrackMarkerLook& look) const override {
        if (index < 1 || size_t(index) > looks.size())
            return false;
        look = looks[size_t(index - 1)];
        return true;
    }
};

// Draws the ruler's grid lines as a track body does.
class GridLinesTarget : public VRGuiObject {
public:
    GridLinesTarget(CTimeGrid& grid, int32_t width, int32_t height)
        : VRGuiObject(width, height), m_grid(grid) {}
    void OnDraw(const GuiRect& r) override { m_grid.DrawGridLines(*this, r); }

private:
    CTimeGrid& m_grid;
};

uint32_t ScreenColor(uint32_t bgr) {
    return 0xFF000000u | ((bgr & 0xFF) << 16) | (bgr & 0xFF00) | ((bgr >> 16) & 0xFF);
}

// A 600 x 120 window with the ruler on top and a track body below, at 10 ms per pixel.
class TimeGrid : public ::testing::Test {
protected:
    void SetUp() override {
        grid = std::make_unique<CTimeGrid>(host);
        body = std::make_unique<GridLinesTarget>(*grid, 600, 60);
        ASSERT_TRUE(window.Initialize(&screen, 600, 120));
        window.AddChild(grid.get(), 0, 0);
        window.AddChild(body.get(), 0, 50);
        screen.Advance(40);
    }
    void TearDown() override {
        window.RemoveChild(body.get());
        window.RemoveChild(grid.get());
    }
    void Repaint() {
        window.Invalidate(nullptr);
        screen.Advance(40);
    }
    std::vector<int32_t> TickXs() {
        std::vector<int32_t> xs;
        for (const RulerTick& tick : grid->GetTicks())
            xs.push_back(tick.x);
        return xs;
    }

    FakeGridHost host;
    COffscreenGuiHost screen;
    VRGuiWindow window;
    std::unique_ptr<CTimeGrid> grid;
    std::unique_ptr<GridLinesTarget> body;
};

} // namespace

TEST(TimeGridTables, ZoomClampsAndRulerUnits) {
    EXPECT_EQ(CTimeGrid::MsPerPixel(35), 5000);
    EXPECT_EQ(CTimeGrid::MsPerPixel(-1), 1);
    EXPECT_EQ(CTimeGrid::SnapDivisions(11), 0);
    EXPECT_EQ(CRulerTicks::UnitFor(1, 1).unit, CRulerTicks::kHundredths);
    EXPECT_EQ(CRulerTicks::UnitFor(1, 1).stepMs, 10);
    EXPECT_EQ(CRulerTicks::UnitFor(1, 4).unit, CRulerTicks::kSeconds);
    EXPECT_EQ(CRulerTicks::UnitFor(1, 150).unit, CRulerTicks::kSeconds);
    EXPECT_EQ(CRulerTicks::UnitFor(1, 200).stepMs, 10000);
    EXPECT_EQ(CRulerTicks::UnitFor(1, 20000).stepMs, 3600000);
    EXPECT_EQ(CRulerTicks::UnitFor(0, 10).unit, CRulerTicks::kMeasures);
}

TEST_F(TimeGrid, SnapsToEighthsAndMeasures) {
    EXPECT_EQ(grid->GetSnapLevel(), 4);
    EXPECT_EQ(grid->Snap(false, 0, 1120), 1000);
    EXPECT_EQ(grid->Snap(false, 0, 1130), 1250);
    EXPECT_EQ(grid->Snap(false, 0, 1125), 1000); // half an interval snaps down
    EXPECT_EQ(grid->Snap(true, 0, 1234.5), 1234.5);
    // Whole measures in 4/4: beat 2 goes back, anything after it forward.
    EXPECT_EQ(grid->Snap(true, 1, 500), 0);
    EXPECT_EQ(grid->Snap(true, 1, 501), 2000);
    EXPECT_EQ(grid->Snap(true, 1, 2500), 2000);
    EXPECT_EQ(grid->Snap(true, 1, 3000), 4000);
    EXPECT_EQ(grid->Snap(true, 1, 2000), 2000);
    EXPECT_EQ(grid->Snap(true, 1, 0), 0);
    EXPECT_EQ(grid->Snap(true, 1, -300), 0);
    EXPECT_EQ(grid->Snap(true, 4, -300), 0);
}

TEST_F(TimeGrid, SnapAdjustedWorksOnReferenceTimeAndNeedsAnEvent) {
    host.map.ReplaceEvent(0, StartEvent(60.0)); // everything lasts twice as long
    EXPECT_EQ(grid->SnapAdjusted(false, 0, 2240), 2000);
    EXPECT_EQ(grid->SnapAdjusted(false, 0, 2260), 2500);
    host.map.RemoveAllEvents();
    EXPECT_EQ(grid->Snap(false, 0, 1120), 1120);
}

TEST_F(TimeGrid, SnapIntervalFollowsTheLevel) {
    EXPECT_EQ(grid->GetSnapInterval(), 250);
    for (const auto& [level, interval] : {std::pair{0, 1}, {1, 2000}, {8, 166}}) {
        grid->SetSnapLevel(level);
        EXPECT_EQ(grid->GetSnapInterval(), interval) << "level " << level;
    }
    grid->SetSnapLevel(11); // outside the table: ignored
    EXPECT_EQ(grid->GetSnapLevel(), 8);
}

TEST(RulerTicks, ClockTicksKeepTwentyPixelsApartAndLabelsAHundred) {
    const auto fine = CRulerTicks::Clock({10, 0, 400}, CRulerTicks::UnitFor(1, 10));
    ASSERT_EQ(fine.size(), 4u);
    for (size_t i = 0; i < fine.size(); ++i) {
        EXPECT_EQ(fine[i].x, int32_t(i) * 100);
        EXPECT_EQ(fine[i].height, 10);
    }
    EXPECT_EQ(fine[1].label, "0:01");

    const auto coarse = CRulerTicks::Clock({100, 0, 400}, CRulerTicks::UnitFor(1, 100));
    ASSERT_EQ(coarse.size(), 14u); // 0, 30, ... 390
    for (size_t i = 0; i < coarse.size(); ++i) {
        EXPECT_EQ(coarse[i].x, int32_t(i) * 30);
        EXPECT_EQ(coarse[i].label.empty(), i % 4 != 0) << i;
    }
    EXPECT_EQ(coarse[4].label, "0:12");
    EXPECT_EQ(coarse[5].height, 5);

    // Scrolled: the first tick is the first multiple of the step in view,
    // and labels still count from time 0.
    const auto scrolled = CRulerTicks::Clock({100, 1000, 1100}, CRulerTicks::UnitFor(1, 100));
    ASSERT_EQ(scrolled.size(), 3u);
    EXPECT_EQ(scrolled[0].x, 1020);
    EXPECT_EQ(scrolled[0].label, "");
    EXPECT_EQ(scrolled[2].x, 1080);
    EXPECT_EQ(scrolled[2].label, "1:48");
    EXPECT_TRUE(CRulerTicks::Clock({0, 0, 400}, {2, 1000}).empty());
}

TEST(RulerTicks, MeasureSubdivisionsThinOut) {
    EXPECT_EQ(CRulerTicks::SubdivisionCount(4, 4, 8, 400), 8);
    EXPECT_EQ(CRulerTicks::SubdivisionCount(4, 4, 8, 100), 4);
    EXPECT_EQ(CRulerTicks::SubdivisionCount(4, 4, 4, 400), 4);
    EXPECT_EQ(CRulerTicks::SubdivisionCount(4, 4, 8, 19), 0);  // narrow: none
    EXPECT_EQ(CRulerTicks::SubdivisionCount(7, 8, 8, 100), 1); // 7/8 too narrow: one
    EXPECT_EQ(CRulerTicks::SubdivisionCount(7, 8, 8, 140), 7);
    EXPECT_EQ(CRulerTicks::SubdivisionCount(3, 8, 2, 400), 3); // coarse snap keeps the beats

    TempoMap map;
    map.AddEvent(StartEvent());
    // 4/4 at 10 ms per pixel: 200-pixel measures in eighths.
    const auto ticks = CRulerTicks::Measures({10, 0, 250}, map, 8);
    ASSERT_GE(ticks.size(), 10u);
    EXPECT_EQ(ticks[0].x, 0);
    EXPECT_EQ(ticks[0].label, "1");
    EXPECT_EQ(ticks[1].x, 25);
    EXPECT_EQ(ticks[1].height, 2);
    EXPECT_EQ(ticks[2].x, 50);
    EXPECT_EQ(ticks[2].height, 6);
    EXPECT_EQ(ticks[8].x, 200);
    EXPECT_EQ(ticks[8].label, "2");
    // At 1000 ms per pixel measures are 2 pixels wide: only some are labelled.
    const auto dense = CRulerTicks::Measures({1000, 0, 200}, map, 8);
    ASSERT_GE(dense.size(), 3u);
    EXPECT_EQ(dense[1].x - dense[0].x, 50);
    EXPECT_EQ(dense[1].label, "26");

    // Labels jump across stretches of equal measures; they must land where
    // a walk measure by measure puts them, across tempo and signature changes.
    map.AddEvent({.time = 70000, .tempo = 173.3, .tempoChange = true});
    map.AddEvent({.time = 150500, .numerator = 3, .timeSigChange = true});
    map.AddEvent({.time = 301000, .tempo = 41.7, .tempoChange = true});
    std::vector<std::string> walked;
    double lastPx = -50;
    for (int m = 1; m <= 3000; ++m) {
        const double px = map.GetTempoAdjustedTime(map.GetTimeAtMeasureAndBeat(m, 1, 0)) / 1000;
        if (px - lastPx >= 50) {
            walked.push_back(std::to_string(m));
            lastPx = px;
        }
    }
    std::vector<std::string> labels;
    for (const RulerTick& tick : CRulerTicks::Measures({1000, 0, 9000}, map, 0))
        if (!tick.label.empty())
            labels.push_back(tick.label);
    ASSERT_GT(labels.size(), 150u);
    walked.resize(labels.size());
    EXPECT_EQ(labels, walked);
}

TEST(RulerTicks, AMeasureBeyondThirtyTwoBitsOfPixelsStaysAtTheEdge) {
    TempoMap map;
    map.AddEvent(StartEvent());
    // One beat a minute in 99/1: a measure of almost 100 minutes, which at
    // 1 ms per pixel ends far beyond what the tick list can hold after a
    // few measures.
    map.AddEvent({.time = 2000,
                  .tempo = 1.0,
                  .numerator = 99,
                  .denominator = 1,
                  .tempoChange = true,
                  .timeSigChange = true});
    const int32_t right = 2147483000;
    for (const RulerTick& tick : CRulerTicks::Measures({1, right - 100, right}, map, 64))
        EXPECT_GE(tick.x, 0);

    // A billion beats to the measure: only the ticks in view are made.
    TempoMap huge;
    ASSERT_GE(huge.AddEvent({.time = 0,
                             .tempo = 120.0,
                             .numerator = 1000000000,
                             .tempoChange = true,
                             .timeSigChange = true}),
              0);
    const auto ticks = CRulerTicks::Measures({1, 5000, 7000}, huge, 8);
    EXPECT_LE(ticks.size(), 2000u / CRulerTicks::kMinTickSpacing + 2);
    for (const RulerTick& tick : ticks) {
        if (!tick.label.empty())
            continue; // the measure's own start, labelled wherever it is
        EXPECT_GE(tick.x, 5000);
        EXPECT_LE(tick.x, 7000);
    }
}

TEST_F(TimeGrid, RulerShowsTicksWhereTheyBelong) {
    EXPECT_EQ(TickXs(), (std::vector<int32_t>{0, 100, 200, 300, 400, 500}));
    const uint32_t major = ScreenColor(CSkin::ColorOf("maj-tick"));
    EXPECT_EQ(screen.ScreenPixel(300, 45), major);
    EXPECT_EQ(screen.ScreenPixel(300, 49), major);
    EXPECT_NE(screen.ScreenPixel(300, 38), major); // above the 10-pixel tick
    EXPECT_NE(screen.ScreenPixel(350, 45), major);
    // The track body below gets the same line over its whole height.
    EXPECT_EQ(screen.ScreenPixel(300, 60), major);
    EXPECT_EQ(screen.ScreenPixel(300, 109), major);
}

TEST_F(TimeGrid, MarkersMirrorTheTempoMapAndFollowTheZoom) {
    ASSERT_EQ(grid->MarkerCount(), 1);
    CTrackMarker* start = grid->GetMarker(0);
    EXPECT_EQ(start->GetLook().colour, 0x80FFFFu);
    EXPECT_TRUE(start->GetLook().cdTrack);
    EXPECT_EQ(start->GetText().rfind("Start\n120.0 4/4 ", 0), 0u);

    host.map.AddEvent({.time = 4000, .tempo = 120.0, .tempoChange = true});
    host.looks.push_back({"Verse", 0x0000FF, false});
    grid->SyncMarkers();
    ASSERT_EQ(grid->MarkerCount(), 2);
    EXPECT_EQ(grid->ChildCount(), 2);
    EXPECT_EQ(grid->GetMarker(1)->GetX(), 400);
    // The text of the start marker ends before the next flag.
    EXPECT_LE(grid->GetMarker(0)->GetWidth(), 400);

    Repaint();
    const uint32_t red = ScreenColor(0x0000FF);
    EXPECT_EQ(screen.ScreenPixel(400, 80), red);
    EXPECT_EQ(screen.ScreenPixel(401, 80), red);
    EXPECT_NE(screen.ScreenPixel(402, 80), red);

    grid->OnNotification(CTimeGrid::kNotifyZoomChanged, reinterpret_cast<void*>(intptr_t(100)));
    EXPECT_EQ(grid->GetMarker(1)->GetX(), 40);
    EXPECT_EQ(grid->GetMsPerPixel(), 100);
    EXPECT_EQ(TickXs()[1], 30);
}

TEST_F(TimeGrid, ModeSwitchRebuildsTicksInMeasures) {
    grid->SetTimeLineMode(CTimeGrid::kMeasureMode);
    EXPECT_EQ(grid->GetRulerUnit(), CRulerTicks::kMeasures);
    EXPECT_EQ(grid->GetTicks()[0].label, "1");
    EXPECT_EQ(grid->GetTicks()[1].x, 25);
    grid->SetTimeLineMode(CTimeGrid::kClockMode);
    EXPECT_EQ(grid->GetRulerUnit(), CRulerTicks::kSeconds);
    EXPECT_EQ(grid->GetTicks()[1].x, 100);
}

TEST_F(TimeGrid, MouseMovesPlaybackAndOpensTheMarkerDialog) {
    screen.LeftDown(250, 20);
    EXPECT_EQ(host.selectionClears, 1);
    screen.LeftUp(250, 20);
    EXPECT_EQ(host.playbackMarker, 2500.0);
    EXPECT_FALSE(host.relocated);

    screen.Advance(1000); // no double click
    host.playing = true;
    screen.LeftDown(300, 20);
    screen.LeftUp(300, 20);
    EXPECT_EQ(host.relocated, 3000.0);

    screen.Advance(1000);
    host.relocated.reset();
    host.recording = true;
    screen.LeftDown(320, 20);
    screen.LeftUp(320, 20);
    EXPECT_FALSE(host.relocated);

    screen.LeftDown(320, 20); // the second press of a double click
    EXPECT_EQ(host.newMarkerAt, 3200.0);
    EXPECT_EQ(host.undoSets, 1);
}

TEST_F(TimeGrid, DoubleClickOnAMarkerEditsItAndOnTheBareRulerAddsOne) {
    host.map.AddEvent({.time = 4000, .keyChange = true});
    grid->SyncMarkers();
    const CTrackMarker& marker = *grid->GetMarker(1);
    ASSERT_EQ(marker.GetX(), 400);

    screen.LeftDown(402, 5);
    screen.LeftUp(402, 5);
    screen.LeftDown(402, 5); // on the flag
    EXPECT_EQ(host.editedMarker, 1);
    EXPECT_FALSE(host.newMarkerAt);
    EXPECT_EQ(host.undoSets, 1);
    screen.LeftUp(402, 5);

    screen.Advance(1000);
    host.editedMarker.reset();
    const int32_t text = marker.GetX() + marker.GetWidth() - 2; // on its text
    screen.LeftDown(text, 5);
    screen.LeftUp(text, 5);
    screen.LeftDown(text, 5);
    EXPECT_EQ(host.editedMarker, 1);
    screen.LeftUp(text, 5);

    screen.Advance(1000);
    host.editedMarker.reset();
    screen.LeftDown(380, 5); // left of it, on the bare ruler
    screen.LeftUp(380, 5);
    screen.LeftDown(380, 5);
    EXPECT_FALSE(host.editedMarker);
    EXPECT_EQ(host.newMarkerAt, 3800.0);
    EXPECT_EQ(host.undoSets, 3);
}

TEST_F(TimeGrid, ContextMenuCommands) {
    host.map.AddEvent({.time = 4000, .keyChange = true});
    grid->SyncMarkers();

    DriveMenu(screen, {[&] { ClickMenuItem(screen, window, 4); }}); // next marker
    screen.RightDown(250, 20);
    screen.RightUp(250, 20);
    EXPECT_EQ(host.relocated, 4000.0);

    DriveMenu(screen, {[&] { ClickMenuItem(screen, window, 6); }}); // toggle the mode
    screen.RightDown(250, 20);
    screen.RightUp(250, 20);
    EXPECT_EQ(host.modeAsked, CTimeGrid::kMeasureMode);

    // Recording: the relocating entries cannot be chosen.
    host.relocated.reset();
    host.recording = true;
    DriveMenu(screen, {[&] { ClickMenuItem(screen, window, 3); }});
    screen.RightDown(500, 20);
    screen.RightUp(500, 20);
    EXPECT_FALSE(host.relocated);
    EXPECT_EQ(window.LayerCount(), 0);

    DriveMenu(screen, {[&] { ClickMenuItem(screen, window, 0); }}); // add a marker
    screen.RightDown(250, 20);
    screen.RightUp(250, 20);
    EXPECT_EQ(host.newMarkerAt, 2500.0);
    EXPECT_EQ(host.undoSets, 1);
}

TEST_F(TimeGrid, AMarkerIsDraggedByItsFlagToASnappedTime) {
    host.map.AddEvent({.time = 4000, .keyChange = true});
    grid->SyncMarkers();
    grid->SetSnapLevel(4); // eighths: 250 ms at 120 bpm
    const CTrackMarker* marker = grid->GetMarker(1);
    ASSERT_EQ(marker->GetX(), 400);
    ASSERT_GT(marker->FlagWidth(), 3);

    screen.MouseMove(402, 5);
    screen.LeftDown(402, 5);
    screen.MouseMove(403, 5, MK_LBUTTON); // within the slack: nothing moves
    EXPECT_EQ(marker->GetX(), 400);
    // The flag keeps its place under the pointer: 400 + 151 pixels is
    // 5510 ms, snapped to 5500.
    screen.MouseMove(553, 5, MK_LBUTTON);
    EXPECT_EQ(marker->GetX(), 550);
    EXPECT_FALSE(host.movedMarker);
    screen.LeftUp(553, 5);
    ASSERT_TRUE(host.movedMarker);
    EXPECT_EQ(host.movedMarker->first, 1);
    EXPECT_DOUBLE_EQ(host.movedMarker->second, 5500.0);
    // A drag is not a click on the ruler.
    EXPECT_FALSE(host.playbackMarker);
    EXPECT_EQ(host.selectionClears, 0);
    // The document kept the marker where it was: it is placed from the map.
    EXPECT_EQ(grid->GetMarker(1)->GetX(), 400);
}

TEST_F(TimeGrid, TheStartMarkerStaysAndAClickOnAFlagPutsThePlayPositionOnIt) {
    host.map.AddEvent({.time = 4000, .keyChange = true});
    grid->SyncMarkers();
    screen.MouseMove(2, 5);
    screen.LeftDown(2, 5);
    screen.MouseMove(150, 5, MK_LBUTTON);
    screen.LeftUp(150, 5);
    EXPECT_FALSE(host.movedMarker);
    EXPECT_EQ(grid->GetMarker(0)->GetX(), 0);

    screen.Advance(1000);
    screen.MouseMove(403, 5);
    screen.LeftDown(403, 5);
    screen.LeftUp(403, 5);
    EXPECT_FALSE(host.movedMarker);
    EXPECT_EQ(host.playbackMarker, 4000.0);
}

TEST_F(TimeGrid, TheMarkerMenuPlaysEditsAndRemoves) {
    host.map.AddEvent({.time = 4000, .keyChange = true});
    grid->SyncMarkers();
    const auto rightClick = [&](int32_t x, int item) {
        DriveMenu(screen, {[&, item] { ClickMenuItem(screen, window, item); }});
        screen.RightDown(x, 5);
        screen.RightUp(x, 5);
    };
    rightClick(402, 0);
    EXPECT_EQ(host.playbackMarker, 4000.0);
    rightClick(402, 1);
    EXPECT_EQ(host.editedMarker, 1);
    EXPECT_EQ(host.undoSets, 1);
    rightClick(402, 3);
    EXPECT_EQ(host.removedMarker, 1);

    // The start marker has the menu, but cannot be removed.
    host.removedMarker.reset();
    rightClick(2, 3);
    EXPECT_FALSE(host.removedMarker);
    EXPECT_EQ(window.LayerCount(), 0);
    rightClick(2, 1);
    EXPECT_EQ(host.editedMarker, 0);

    // While recording the play position stays.
    host.playbackMarker.reset();
    host.recording = true;
    rightClick(402, 0);
    EXPECT_FALSE(host.playbackMarker);
    EXPECT_EQ(window.LayerCount(), 0);

    // Off the flags the ruler's own menu opens.
    host.recording = false;
    rightClick(250, 0);
    EXPECT_EQ(host.newMarkerAt, 2500.0);
}
