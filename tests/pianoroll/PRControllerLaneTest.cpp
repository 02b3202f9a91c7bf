#include "pianoroll/PRControllerLane.h"
#include "pianoroll/CControllerUndo.h"
#include "pianoroll/PRControllerEdits.h"
#include "pianoroll/PRControllerStroke.h"

#include "engine/CGMInstrument.h"
#include "engine/CMidiScheduler.h"
#include "engine/CMidiSound.h"
#include "pianoroll/PRNoteEdits.h"
#include "pianoroll/PRNotifications.h"
#include "project/CMIDIClip.h"
#include "project/FakeClipDocument.h"
#include "support/Observer.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <vector>

namespace {

constexpr int kLaneHeight = 104; // drawing area of 100 rows
constexpr int kRows = 100;
constexpr double kMsPerPixel = 10.0;

using Events = std::vector<MidiControllerEvent>;

PRControllerLane Controller(int number) {
    return PRControllerLane(PRLaneType::kController, number);
}

PRControllerStroke Stroke(std::vector<std::pair<int, int>> path) {
    PRControllerStroke stroke;
    stroke.Begin(path.front().first, path.front().second, kRows);
    for (size_t i = 1; i < path.size(); ++i)
        stroke.DrawTo(path[i].first, path[i].second);
    return stroke;
}

TEST(PRControllerLaneTest, VelocityRunsFrom127AtTheTopTo1AtTheBottom) {
    const PRControllerLane velocity(PRLaneType::kVelocity);
    const int h = PRControllerLane::DrawingHeight(kLaneHeight);
    ASSERT_EQ(h, kRows);
    EXPECT_EQ(velocity.ValueAtY(0, h), 127);
    EXPECT_EQ(velocity.ValueAtY(h - 1, h), 1);
    EXPECT_EQ(velocity.ValueAtY(-40, h), 127); // above the area: clamped
    EXPECT_EQ(velocity.ValueAtY(h + 40, h), 1);
    EXPECT_EQ(PRControllerLane(PRLaneType::kReleaseVelocity).ValueAtY(h - 1, h), 1);
}

TEST(PRControllerLaneTest, ControllersSpanTheirWholeRangeAndTheBendShowsItsOffset) {
    const int h = kRows;
    for (int number : {PRControllerLane::kModulation, PRControllerLane::kVolume,
                       PRControllerLane::kPan, PRControllerLane::kSustain, 130}) {
        EXPECT_EQ(Controller(number).ValueAtY(0, h), 127) << number;
        EXPECT_EQ(Controller(number).ValueAtY(h - 1, h), 0) << number;
    }
    const PRControllerLane bend = Controller(CMidiControllerList::kPitchBend);
    EXPECT_TRUE(bend.IsPitchBend());
    EXPECT_EQ(bend.ValueAtY(0, h), 16383);
    EXPECT_EQ(bend.ValueAtY(h - 1, h), 0);
    EXPECT_EQ(bend.Base(), 8192);
    EXPECT_EQ(bend.ShownValue(8192), 0);
    EXPECT_EQ(bend.ShownValue(0), -8192);
    // Rows and values agree both ways (the centre takes two rows).
    for (int y = 0; y < h; ++y) {
        EXPECT_EQ(Controller(7).YOfValue(Controller(7).ValueAtY(y, h), h), y);
        if (bend.ValueAtY(y, h) != 8192) {
            EXPECT_EQ(bend.YOfValue(bend.ValueAtY(y, h), h), y);
        }
    }
    EXPECT_EQ(bend.ValueAtY(bend.YOfValue(8192, h), h), 8192);
    // An unknown controller number falls back to the volume.
    EXPECT_EQ(Controller(128).Controller(), PRControllerLane::kVolume);
}

TEST(PRControllerLaneTest, AFastStrokeFillsEveryColumnAndLaterPointsWin) {
    PRControllerStroke stroke = Stroke({{10, 0}, {20, 50}});
    EXPECT_EQ(stroke.Points().size(), 11u);
    EXPECT_EQ(stroke.YAt(10), 0);
    EXPECT_EQ(stroke.YAt(15), 25);
    EXPECT_EQ(stroke.YAt(20), 50);
    stroke.DrawTo(14, 99); // back over the same columns, leftwards
    EXPECT_EQ(stroke.YAt(14), 99);
    EXPECT_EQ(stroke.YAt(20), 50);
    stroke.DrawTo(-30, 500); // clamped to column 0 and the bottom row
    EXPECT_EQ(stroke.Least(), 0);
    EXPECT_EQ(stroke.Greatest(), 20);
    EXPECT_EQ(stroke.YAt(0), kRows - 1);
    stroke.DrawTo(0, 3); // a vertical move sets the column where the pointer is
    EXPECT_EQ(stroke.YAt(0), 3);
}

TEST(PRControllerLaneTest, AFlatLineAddsOneEventAndARampOnePerChange) {
    const PRControllerLane volume = Controller(PRControllerLane::kVolume);
    const PRControllerChange flat =
        PRControllerEdits::Plan({}, volume, Stroke({{5, 40}, {50, 40}}), kMsPerPixel, false, 0);
    ASSERT_EQ(flat.added.size(), 1u);
    EXPECT_EQ(flat.added[0], (MidiControllerEvent{50.0, volume.ValueAtY(40, kRows), 0}));

    const PRControllerChange ramp =
        PRControllerEdits::Plan({}, volume, Stroke({{0, 0}, {99, 99}}), kMsPerPixel, false, 2);
    std::vector<int> values;
    for (const MidiControllerEvent& event : ramp.added) {
        values.push_back(event.value);
        EXPECT_EQ(event.channel, 2);
    }
    for (size_t i = 1; i < values.size(); ++i)
        EXPECT_NE(values[i], values[i - 1]);
    EXPECT_EQ(values.front(), 127);
    EXPECT_EQ(values.back(), 0);
    EXPECT_EQ(ramp.added.size(), 100u); // 128 values over 100 rows: every row differs
}

TEST(PRControllerLaneTest, APitchBendStrokeReturnsToTheCentreOneMsAfterItsLastPoint) {
    const PRControllerLane bend = Controller(CMidiControllerList::kPitchBend);
    const PRControllerChange up =
        PRControllerEdits::Plan({}, bend, Stroke({{10, 30}, {12, 10}}), kMsPerPixel, false, 0);
    ASSERT_EQ(up.added.size(), 4u); // three columns of three values, then the centre
    EXPECT_EQ(up.added.back(), (MidiControllerEvent{121.0, 8192, 0}));
    for (size_t i = 0; i + 1 < up.added.size(); ++i)
        EXPECT_GT(up.added[i].value, 8192);

    // A stroke that ends on the centre needs no return.
    const int centreRow = bend.YOfValue(8192, kRows);
    ASSERT_EQ(bend.ValueAtY(centreRow, kRows), 8192);
    const PRControllerChange home = PRControllerEdits::Plan(
        {}, bend, Stroke({{10, 90}, {12, centreRow}}), kMsPerPixel, false, 0);
    EXPECT_EQ(home.added.back().value, 8192);
    EXPECT_EQ(home.added.back().time, 120.0);
}

TEST(PRControllerLaneTest, TheEraserRemovesTheEventsUnderItsColumnsAndAddsNone) {
    const Events existing = {{95.0, 1, 0}, {100.0, 2, 0}, {209.9, 3, 0}, {210.0, 4, 0}};
    const PRControllerChange erased =
        PRControllerEdits::Plan(existing, Controller(PRControllerLane::kVolume),
                                Stroke({{10, 5}, {20, 60}}), kMsPerPixel, true, 0);
    EXPECT_TRUE(erased.added.empty());
    EXPECT_EQ(erased.removed, (Events{{100.0, 2, 0}, {209.9, 3, 0}}));
}

struct RestoreCounter : Observer {
    int restored = 0;
    void OnNotification(int message, void*) override {
        if (message == kNotifyControllersRestored)
            ++restored;
    }
};

class PRControllerEditsTest : public ::testing::Test {
protected:
    void SetUp() override {
        sound = new CMidiSound;
        sound->SetMediaLength(2000.0);
        sound->SetVirtualLength(2000.0);
        clip = new CMIDIClip(doc, sound);
    }
    void TearDown() override { clip->DeleteRefObject(); }

    static Events EventsOf(const CMidiSound* of, int controller) {
        const CMidiControllerList* list = of->GetMidiControllerList(controller);
        return list ? list->Events() : Events{};
    }
    MidiNotePtr AddNote(double start, double end, int pitch) {
        TMidiSndNoteData data;
        data.start = start;
        data.end = end;
        data.pitch = pitch;
        data.velocity = 100;
        data.releaseVelocity = 64;
        return sound->AddMidiNote(data, nullptr);
    }

    FakeClipDocument doc;
    CMidiSound* sound = nullptr;
    CMIDIClip* clip = nullptr;
};

TEST_F(PRControllerEditsTest, EachStrokeIsOneUndoStepOnTheSoundAndItsWorkingCopy) {
    sound->AddController(PRControllerLane::kVolume, 90, 150.0, 0);
    sound->AddController(PRControllerLane::kVolume, 70, 900.0, 0);
    clip->BeginEditCopy();
    PRNoteEdits notes(*clip, doc.undo);
    PRControllerEdits edits(notes);
    RestoreCounter counter;
    clip->AddObserver(&counter);
    const PRControllerLane volume = Controller(PRControllerLane::kVolume);
    const Events original = EventsOf(sound, 7);

    ASSERT_TRUE(edits.Commit(volume, Stroke({{10, 0}, {30, 0}}), kMsPerPixel, false));
    const Events drawn = {{100.0, 127, 0}, {900.0, 70, 0}};
    EXPECT_EQ(EventsOf(sound, 7), drawn);
    EXPECT_EQ(EventsOf(clip->GetEditCopy(), 7), drawn);

    ASSERT_TRUE(edits.Commit(volume, Stroke({{80, 50}, {95, 50}}), kMsPerPixel, true));
    EXPECT_EQ(EventsOf(sound, 7), (Events{{100.0, 127, 0}}));

    ASSERT_TRUE(doc.undo.Undo());
    EXPECT_EQ(EventsOf(sound, 7), drawn);
    ASSERT_TRUE(doc.undo.Undo());
    EXPECT_EQ(EventsOf(sound, 7), original);
    EXPECT_EQ(EventsOf(clip->GetEditCopy(), 7), original);
    EXPECT_FALSE(doc.undo.CanUndo());
    ASSERT_TRUE(doc.undo.Redo());
    ASSERT_TRUE(doc.undo.Redo());
    EXPECT_EQ(EventsOf(sound, 7), (Events{{100.0, 127, 0}}));
    EXPECT_EQ(EventsOf(clip->GetEditCopy(), 7), (Events{{100.0, 127, 0}}));
    EXPECT_EQ(counter.restored, 4);
    clip->RemoveObserver(&counter);

    // An eraser stroke over nothing records nothing.
    EXPECT_FALSE(edits.Commit(volume, Stroke({{150, 0}, {160, 0}}), kMsPerPixel, true));
    EXPECT_FALSE(doc.undo.CanRedo());
}

TEST_F(PRControllerEditsTest, DrawnEventsGoToTheChannelTheNotesPlayOn) {
    TMidiSndNoteData data;
    data.start = 0;
    data.end = 500;
    data.pitch = 60;
    data.velocity = 100;
    data.channel = 3;
    ASSERT_TRUE(sound->AddMidiNote(data, nullptr));
    PRNoteEdits notes(*clip, doc.undo);
    ASSERT_TRUE(PRControllerEdits(notes).Commit(Controller(PRControllerLane::kPan),
                                                Stroke({{0, 10}}), kMsPerPixel, false));
    EXPECT_EQ(EventsOf(sound, PRControllerLane::kPan).at(0).channel, 3);
}

TEST_F(PRControllerEditsTest, VelocityStrokesReachExactlyTheNotesWhoseColumnTheyCover) {
    MidiNotePtr a = AddNote(100.0, 300.0, 60);   // start column 10, end column 30
    MidiNotePtr b = AddNote(205.0, 260.0, 62);   // start column 20, end column 26
    MidiNotePtr c = AddNote(1000.0, 1200.0, 64); // start column 100
    PRNoteEdits notes(*clip, doc.undo);
    PRControllerEdits edits(notes);
    // One fast move from column 5 to 25, along the top: a and b, not c.
    ASSERT_TRUE(edits.Commit(PRControllerLane(PRLaneType::kVelocity), Stroke({{5, 0}, {25, 0}}),
                             kMsPerPixel, false));
    EXPECT_EQ(a->GetVelocity(), 127);
    EXPECT_EQ(b->GetVelocity(), 127);
    EXPECT_EQ(c->GetVelocity(), 100);
    // The release lane goes by the end column, here the bottom row.
    ASSERT_TRUE(edits.Commit(PRControllerLane(PRLaneType::kReleaseVelocity),
                             Stroke({{28, 99}, {32, 99}}), kMsPerPixel, false));
    EXPECT_EQ(a->GetNoteData().releaseVelocity, 1);
    EXPECT_EQ(b->GetNoteData().releaseVelocity, 64);
    // The eraser leaves velocities alone.
    EXPECT_FALSE(edits.Commit(PRControllerLane(PRLaneType::kVelocity), Stroke({{0, 99}, {200, 99}}),
                              kMsPerPixel, true));
    ASSERT_TRUE(doc.undo.Undo());
    EXPECT_EQ(a->GetNoteData().releaseVelocity, 64);
    ASSERT_TRUE(doc.undo.Undo());
    EXPECT_EQ(a->GetVelocity(), 100);
    EXPECT_EQ(b->GetVelocity(), 100);
}

// The clip's sound played offline through the General MIDI instrument, as
// the mixer plays it in a render.
double RenderedRms(CMidiSound& sound, double fromMs, double toMs) {
    constexpr double kRate = 44100.0;
    constexpr int kBlock = 512;
    CGMInstrument instrument;
    EXPECT_TRUE(instrument.Prepare(kRate, kBlock));
    CMidiScheduler scheduler;
    const int from = static_cast<int>(fromMs * kRate / 1000.0);
    const int to = static_cast<int>(toMs * kRate / 1000.0);
    std::vector<float> block(2 * kBlock);
    double sum = 0.0;
    for (int start = 0; start < to; start += kBlock) {
        scheduler.ScheduleBlock(sound, start, kBlock, kRate);
        for (int i = 0; i < scheduler.NumEvents(); ++i)
            instrument.HandleMidiEvent(scheduler.Events()[i]);
        instrument.Process(block.data(), kBlock);
        for (int i = 0; i < kBlock; ++i)
            if (start + i >= from && start + i < to)
                sum += block[2 * static_cast<size_t>(i)] * block[2 * static_cast<size_t>(i)];
    }
    return std::sqrt(sum / std::max(1, to - from));
}

TEST_F(PRControllerEditsTest, ADrawnVolumeIsHeardInTheRenderAndItsUndoToo) {
    if (CGMInstrument::FindSoundFont("").empty())
        GTEST_SKIP() << "no General MIDI SoundFont installed";
    AddNote(0.0, 1800.0, 69);
    sound->AddController(CMidiControllerList::kProgramChange, 80, 0.0, 0); // a lead that holds
    const double loud = RenderedRms(*sound, 1000.0, 1500.0);
    ASSERT_GT(loud, 1e-3);
    // Volume pulled to the bottom from the clip's start on.
    PRNoteEdits notes(*clip, doc.undo);
    ASSERT_TRUE(PRControllerEdits(notes).Commit(Controller(PRControllerLane::kVolume),
                                                Stroke({{0, 99}, {60, 99}}), kMsPerPixel, false));
    EXPECT_LT(RenderedRms(*sound, 1000.0, 1500.0), loud * 0.01);
    ASSERT_TRUE(doc.undo.Undo());
    EXPECT_NEAR(RenderedRms(*sound, 1000.0, 1500.0), loud, loud * 0.05);
}

} // namespace
