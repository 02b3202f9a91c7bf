// Markers moved and removed by hand on the ruler, at several tempos and
// across a tempo change: the flag follows the pointer as heard, the marker
// keeps its reference time, and each edit is one undo step.
#include "TempoCase.h"
#include "engine/TempoMap.h"
#include "gui/CSkin.h"
#include "gui/GuiInput.h"
#include "project/CProject.h"
#include "project/CProjectMarkers.h"
#include "support/CUndoMgr.h"
#include "timeline/CTimeGrid.h"
#include "timeline/CTrackMarker.h"
#include "timeline/TimelineTestHelpers.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <string>

namespace {

constexpr int kTenMsPerPixel = 7;
constexpr int kEighths = 4;
constexpr int32_t kVerseMs = 4000; // bar 3 in 4/4

MarkerRecord Marker(int32_t time, const std::string& name) {
    MarkerRecord marker;
    marker.time = time;
    marker.name = name;
    marker.tempoEvent.time = time;
    marker.tempoEvent.keyChange = true;
    marker.tempoEvent.key = 5;
    return marker;
}

class MarkerDragTest : public SkinnedSawAtTempoTest {
protected:
    void SetUp() override {
        SkinnedSawAtTempoTest::SetUp();
        if (HasFatalFailure())
            return;
        m_project->SetZoomLevel(kTenMsPerPixel);
        m_project->SetSnapLevel(kEighths);
        ASSERT_TRUE(m_project->Markers().Add(Marker(kVerseMs, "Verse")));
        Grid().SyncMarkers();
        // The verse marker a few hundred pixels into the view.
        m_project->SetHorizontalScroll(std::max(0, FlagOf(VerseIndex()).x - 300));
        ASSERT_GT(Grid().GetMarker(VerseIndex())->FlagWidth(), 3);
        m_undo.ClearUndoHistory();
    }

    CTimeGrid& Grid() { return m_project->TimeGrid(); }
    const CProjectMarkers& Markers() { return m_project->Markers(); }
    int IndexNamed(const std::string& name) {
        for (int i = 0; i < Markers().Count(); ++i)
            if (Markers().At(i).name == name)
                return i;
        return -1;
    }
    int VerseIndex() { return IndexNamed("Verse"); }
    int32_t VerseTime() { return Markers().At(VerseIndex()).time; }
    // A point on marker i's flag, in window coordinates.
    GuiPoint FlagOf(int index) {
        const CTrackMarker* marker = Grid().GetMarker(index);
        return {marker->GetAbsX() + 2, marker->GetAbsY() + 5};
    }
    void Drag(GuiPoint from, int32_t dx) {
        m_host.MouseMove(from.x, from.y);
        m_host.LeftDown(from.x, from.y);
        m_host.MouseMove(from.x + dx / 2, from.y, MK_LBUTTON);
        m_host.MouseMove(from.x + dx, from.y, MK_LBUTTON);
        m_host.LeftUp(from.x + dx, from.y);
        m_host.Advance(1000); // the next press is no double click
    }
    // Where a marker whose flag's left edge was dragged to ruler x lands:
    // the heard time there, snapped as reference time.
    int32_t LandingAt(int32_t x) {
        const double heard = double(x) * m_project->MsPerPixel();
        return int32_t(
            std::lround(Grid().Snap(false, 0, m_project->GetTempoMap().GetRealTime(heard))));
    }
};

TEST_P(MarkerDragTest, TheDraggedMarkerKeepsItsReferenceTimeWhereItWasDropped) {
    const int32_t left = Grid().GetMarker(VerseIndex())->GetX();
    const int count = Markers().Count();
    Drag(FlagOf(VerseIndex()), 500);
    const int32_t expected = LandingAt(left + 500);
    ASSERT_NE(expected, kVerseMs);
    ASSERT_EQ(Markers().Count(), count);
    EXPECT_EQ(VerseTime(), expected);
    EXPECT_EQ(Markers().At(VerseIndex()).tempoEvent.time, expected);
    // The key it sets starts there, and the ruler shows it there.
    EXPECT_EQ(m_project->GetTempoMap().GetKeyAtTime(expected), 5);
    EXPECT_NE(m_project->GetTempoMap().GetKeyAtTime(expected - 1), 5);
    const double heard = m_project->GetTempoMap().GetTempoAdjustedTime(expected);
    EXPECT_EQ(Grid().GetMarker(VerseIndex())->GetX(),
              int32_t(std::trunc(std::trunc(heard) / m_project->MsPerPixel())));

    ASSERT_TRUE(m_undo.Undo());
    EXPECT_FALSE(m_undo.CanUndo());
    EXPECT_EQ(VerseTime(), kVerseMs);
    EXPECT_EQ(Grid().GetMarker(VerseIndex())->GetX(), left);
    ASSERT_TRUE(m_undo.Redo());
    EXPECT_EQ(VerseTime(), expected);
}

TEST_P(MarkerDragTest, AMarkerDroppedOnAnotherGoesBack) {
    ASSERT_TRUE(m_project->Markers().Add(Marker(6000, "Chorus")));
    Grid().SyncMarkers();
    const int32_t left = Grid().GetMarker(VerseIndex())->GetX();
    const double chorusHeard = m_project->GetTempoMap().GetTempoAdjustedTime(6000.0);
    const auto chorusX = int32_t(std::lround(chorusHeard / m_project->MsPerPixel()));
    ASSERT_EQ(LandingAt(chorusX), 6000);
    Drag(FlagOf(VerseIndex()), chorusX - left);
    EXPECT_EQ(VerseTime(), kVerseMs);
    EXPECT_EQ(Markers().At(IndexNamed("Chorus")).time, 6000);
    EXPECT_EQ(Grid().GetMarker(VerseIndex())->GetX(), left);
    EXPECT_FALSE(m_undo.CanUndo());
}

TEST_P(MarkerDragTest, TheStartMarkerCannotBeDraggedNorRemoved) {
    Drag(FlagOf(0), 200);
    EXPECT_EQ(Markers().At(0).time, 0);
    EXPECT_EQ(Markers().At(0).name, m_project->Markers().At(0).name);
    m_project->Ruler().RemoveMarker(0);
    m_project->Ruler().MoveMarker(0, 4500.0);
    EXPECT_EQ(Markers().At(0).time, 0);
    EXPECT_FALSE(m_undo.CanUndo());
}

TEST_P(MarkerDragTest, TheMarkerMenuRemovesItAsOneStep) {
    const int count = Markers().Count();
    const GuiPoint flag = FlagOf(VerseIndex());
    DriveMenu(m_host, {[&] { ClickMenuItem(m_host, m_window, 3); }});
    m_host.MouseMove(flag.x, flag.y);
    m_host.RightDown(flag.x, flag.y);
    m_host.RightUp(flag.x, flag.y);
    EXPECT_EQ(Markers().Count(), count - 1);
    EXPECT_EQ(VerseIndex(), -1);
    EXPECT_EQ(Grid().MarkerCount(), count - 1);
    ASSERT_TRUE(m_undo.Undo());
    EXPECT_FALSE(m_undo.CanUndo());
    EXPECT_EQ(VerseTime(), kVerseMs);
    EXPECT_EQ(Grid().MarkerCount(), count);
}

INSTANTIATE_TEST_SUITE_P(Tempos, MarkerDragTest,
                         ::testing::Values(TempoCase{60.0, 0.0}, TempoCase{90.0, 0.0},
                                           TempoCase{120.0, 0.0}, TempoCase{173.0, 0.0},
                                           TempoCase{120.0, 90.0}),
                         CaseName);

// Bar lines in reference time depend only on the time signatures.
class SignatureMarkerTest : public ProjectOnWindowTest {
protected:
    static MarkerRecord Signature(int32_t time, int numerator) {
        MarkerRecord marker;
        marker.time = time;
        marker.name = std::to_string(numerator) + "/4";
        marker.tempoEvent.time = time;
        marker.tempoEvent.timeSigChange = true;
        marker.tempoEvent.numerator = numerator;
        marker.tempoEvent.denominator = 4;
        return marker;
    }
    int32_t TimeOf(const std::string& name) {
        for (const MarkerRecord& marker : m_project->Markers().All())
            if (marker.name == name)
                return marker.time;
        return -1;
    }
};

TEST_F(SignatureMarkerTest, AMovedSignatureLandsOnTheNearestBarLineOfTheMeasuresBefore) {
    // 4/4 from the start: bars every 2000 ms.
    ASSERT_TRUE(m_project->Markers().Add(Signature(4000, 3)));
    m_project->TimeGrid().SyncMarkers();
    m_undo.ClearUndoHistory();
    m_project->Ruler().MoveMarker(1, 5300.0); // beat 3.6 of bar 3: the next bar
    EXPECT_EQ(TimeOf("3/4"), 6000);
    m_project->Ruler().MoveMarker(1, 8900.0); // beat 2.8 of bar 5: the next bar
    EXPECT_EQ(TimeOf("3/4"), 10000);
    m_project->Ruler().MoveMarker(1, 8400.0); // beat 1.8 of bar 5: its own bar
    EXPECT_EQ(TimeOf("3/4"), 8000);
    m_project->Ruler().MoveMarker(1, 8300.0); // lands where it is: nothing
    EXPECT_EQ(TimeOf("3/4"), 8000);
    ASSERT_TRUE(m_undo.Undo());
    ASSERT_TRUE(m_undo.Undo());
    ASSERT_TRUE(m_undo.Undo());
    EXPECT_FALSE(m_undo.CanUndo());
    EXPECT_EQ(TimeOf("3/4"), 4000);
}

TEST_F(SignatureMarkerTest, TheSignaturesAfterAMovedOneFollowToTheirBarLinesInTheSameStep) {
    // Three bars of 3/4 (1500 ms each) from 4000, then 4/4 again at 8500.
    ASSERT_TRUE(m_project->Markers().Add(Signature(4000, 3)));
    ASSERT_TRUE(m_project->Markers().Add(Signature(8500, 4)));
    m_project->TimeGrid().SyncMarkers();
    m_undo.ClearUndoHistory();
    // The 3/4 moves a bar later; 4/4 bars until 6000, then 3/4 bars at
    // 7500 and 9000: the 4/4 at 8500 is on beat 3 and goes to 9000.
    m_project->Ruler().MoveMarker(1, 6000.0);
    EXPECT_EQ(TimeOf("3/4"), 6000);
    EXPECT_EQ(TimeOf("4/4"), 9000);
    int measure = 0, beat = 0;
    double fraction = 1.0;
    m_project->GetTempoMap().GetMeasureAndBeat(9000.0, &measure, &beat, &fraction);
    EXPECT_EQ(beat, 1);
    EXPECT_EQ(fraction, 0.0);
    ASSERT_TRUE(m_undo.Undo());
    EXPECT_FALSE(m_undo.CanUndo());
    EXPECT_EQ(TimeOf("3/4"), 4000);
    EXPECT_EQ(TimeOf("4/4"), 8500);
    ASSERT_TRUE(m_undo.Redo());
    EXPECT_EQ(TimeOf("4/4"), 9000);

    // Removing the 3/4 puts the 4/4 on a 4/4 bar line again, in one step.
    m_project->Ruler().RemoveMarker(1);
    EXPECT_EQ(TimeOf("3/4"), -1);
    EXPECT_EQ(TimeOf("4/4") % 2000, 0);
    ASSERT_TRUE(m_undo.Undo());
    EXPECT_EQ(TimeOf("3/4"), 6000);
    EXPECT_EQ(TimeOf("4/4"), 9000);
}

} // namespace
