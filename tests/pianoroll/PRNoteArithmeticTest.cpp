#include "pianoroll/PRDragRules.h"
#include "pianoroll/PRNoteGeometry.h"
#include "pianoroll/PRNoteTiming.h"
#include "pianoroll/PROverlapRule.h"
#include "pianoroll/PRQuantizeRule.h"

#include "engine/CMidiSound.h"

#include <gtest/gtest.h>

namespace {

constexpr PRLengthChoice kPlain(int type) {
    return {type, false, false};
}
constexpr PRLengthChoice kTriplet(int type) {
    return {type, true, false};
}
constexpr PRLengthChoice kDotted(int type) {
    return {type, false, true};
}
constexpr int kWhole = 0, kHalf = 1, kQuarter = 2, kEighth = 3, kSixteenth = 4;
constexpr int kLevelBar = 1, kLevelEighth = 4, kLevelSixteenth = 5;

// --- Note lengths ----------------------------------------------------------------------

TEST(PRNoteTimingTest, LengthsAt120In44) {
    const PRNoteTiming timing(120, 4, 4);
    EXPECT_EQ(timing.NoteLengthMs(kPlain(kEighth)), 250);
    EXPECT_EQ(timing.NoteLengthMs(kDotted(kEighth)), 375);
    EXPECT_EQ(timing.NoteLengthMs(kTriplet(kQuarter)), 166);
    EXPECT_EQ(timing.NoteLengthMs(kPlain(kWhole)), 2000);
    EXPECT_EQ(timing.NoteLengthMs(kPlain(5)), 62);
    EXPECT_EQ(timing.NoteLengthMs(kPlain(PRNoteTiming::kCustomLength)), 0);
    EXPECT_EQ(timing.NoteLengthMs(kPlain(-1)), 0);
}

TEST(PRNoteTimingTest, LengthsAt90In44) {
    const PRNoteTiming timing(90, 4, 4);
    EXPECT_EQ(timing.NoteLengthMs(kPlain(kEighth)), 333);
    EXPECT_EQ(timing.NoteLengthMs(kDotted(kEighth)), 500);
    EXPECT_EQ(timing.NoteLengthMs(kTriplet(kQuarter)), 222);
    EXPECT_EQ(timing.NoteLengthMs(kPlain(kWhole)), 2666);
}

TEST(PRNoteTimingTest, LengthsIn68CountEighthBeats) {
    // The tempo counts eighths in 6/8: an eighth lasts a beat of 500 ms.
    const PRNoteTiming timing(120, 6, 8);
    EXPECT_EQ(timing.NoteLengthMs(kPlain(kEighth)), 500);
    EXPECT_EQ(timing.NoteLengthMs(kDotted(kEighth)), 750);
    EXPECT_EQ(timing.NoteLengthMs(kTriplet(kQuarter)), 333);
    EXPECT_EQ(timing.NoteLengthMs(kPlain(kWhole)), 4000);
}

TEST(PRNoteTimingTest, DurationMatchesLengthType) {
    const PRNoteTiming timing(120, 4, 4);
    EXPECT_EQ(timing.LengthChoiceOf(166), kTriplet(kQuarter));
    EXPECT_EQ(timing.LengthChoiceOf(375), kDotted(kEighth));
    EXPECT_EQ(timing.LengthChoiceOf(2000), kPlain(kWhole));
    EXPECT_EQ(timing.LengthChoiceOf(1000), kPlain(kHalf));
    EXPECT_EQ(timing.LengthChoiceOf(125), kPlain(kSixteenth));
    EXPECT_EQ(timing.LengthChoiceOf(300), kPlain(PRNoteTiming::kCustomLength));
    EXPECT_EQ(PRNoteTiming(90, 4, 4).LengthChoiceOf(333), kPlain(kEighth));
    EXPECT_EQ(PRNoteTiming(120, 6, 8).LengthChoiceOf(750), kDotted(kEighth));
}

TEST(PRNoteTimingTest, BadTimingFallsBackTo120In44) {
    const PRNoteTiming timing(0, 0, -2);
    EXPECT_EQ(timing.Tempo(), 120);
    EXPECT_EQ(timing.BeatsPerMeasure(), 4);
    EXPECT_EQ(timing.BeatUnit(), 4);
    EXPECT_EQ(timing.NoteLengthMs(kPlain(kEighth)), 250);
}

TEST(PRNoteTimingTest, SoundTimingFollowsTempoMapOrOwnTempo) {
    CMidiSound* sound = new CMidiSound();
    ASSERT_TRUE(sound->ForceSoundTempo(90));
    ASSERT_TRUE(sound->SetTimeSignature(6, 8));
    sound->ObeyTempoMap(false);
    EXPECT_EQ(PRNoteTiming::ForSound(sound).Tempo(), 90);
    EXPECT_EQ(PRNoteTiming::ForSound(sound).BeatUnit(), 8);
    sound->ObeyTempoMap(true);
    EXPECT_EQ(PRNoteTiming::ForSound(sound).Tempo(), 120);
    EXPECT_EQ(PRNoteTiming::ForSound(nullptr).Tempo(), 120);
    CAudioAtom::DeleteAtom(sound);
}

// --- Snapping -----------------------------------------------------------------------------

TEST(PRNoteTimingTest, SnapEighthsAt120In44) {
    const PRNoteTiming timing(120, 4, 4);
    EXPECT_EQ(timing.Snap(374, kLevelEighth), 250);
    EXPECT_EQ(timing.Snap(375, kLevelEighth), 250); // half a step goes down
    EXPECT_EQ(timing.Snap(376, kLevelEighth), 500);
    EXPECT_EQ(timing.Snap(1120, kLevelEighth), 1000);
    EXPECT_EQ(timing.Snap(1130, kLevelEighth), 1250);
    EXPECT_EQ(timing.Snap(-300, kLevelEighth), 0);
    EXPECT_EQ(timing.Snap(374.5, PRNoteTiming::kSnapOff), 374.5);
}

TEST(PRNoteTimingTest, SnapBarsAt120In44) {
    const PRNoteTiming timing(120, 4, 4);
    EXPECT_EQ(timing.Snap(400, kLevelBar), 0);
    EXPECT_EQ(timing.Snap(500, kLevelBar), 0); // beat 2 + 0 is not past 2
    EXPECT_EQ(timing.Snap(600, kLevelBar), 2000);
    EXPECT_EQ(timing.Snap(2000, kLevelBar), 2000);
    EXPECT_EQ(timing.Snap(2400, kLevelBar), 2000);
    EXPECT_EQ(timing.Snap(0, kLevelBar), 0);
}

TEST(PRNoteTimingTest, SnapAt90In44) {
    const PRNoteTiming timing(90, 4, 4);
    // Step 333.33 ms: half a step is 166.67.
    EXPECT_NEAR(timing.Snap(499, kLevelEighth), 333.333, 0.001);
    EXPECT_NEAR(timing.Snap(500, kLevelEighth), 333.333, 0.001);
    EXPECT_NEAR(timing.Snap(501, kLevelEighth), 666.667, 0.001);
    EXPECT_EQ(timing.Snap(600, kLevelBar), 0);
    EXPECT_EQ(timing.Snap(700, kLevelBar), 2666);
}

TEST(PRNoteTimingTest, SnapIn68) {
    const PRNoteTiming timing(120, 6, 8);
    EXPECT_EQ(timing.Snap(749, kLevelEighth), 500);
    EXPECT_EQ(timing.Snap(750, kLevelEighth), 500);
    EXPECT_EQ(timing.Snap(751, kLevelEighth), 1000);
    // A bar is six beats (3000 ms); past beat 3 goes to the next bar.
    EXPECT_EQ(timing.Snap(900, kLevelBar), 0);
    EXPECT_EQ(timing.Snap(1000, kLevelBar), 0);
    EXPECT_EQ(timing.Snap(1400, kLevelBar), 3000);
    EXPECT_EQ(timing.Snap(3000, kLevelBar), 3000);
}

TEST(PRNoteTimingTest, GridStepsMatchSnapSteps) {
    const PRNoteTiming timing(120, 4, 4);
    const int expected[] = {0, 2000, 1000, 500, 250, 125, 62, 31, 166, 83, 41};
    for (int level = 0; level <= PRNoteTiming::kMaxSnapLevel; ++level)
        EXPECT_EQ(timing.GridStepMs(level), expected[level]) << "level " << level;
    EXPECT_EQ(PRNoteTiming(90, 4, 4).GridStepMs(kLevelSixteenth), 166);
    // In 6/8 the step is the one snapping uses, not a share of the bar.
    EXPECT_EQ(PRNoteTiming(120, 6, 8).GridStepMs(kLevelSixteenth), 250);
    EXPECT_EQ(PRNoteTiming(120, 6, 8).GridStepMs(kLevelBar), 3000);
}

// --- Geometry and hit zones --------------------------------------------------------------

TEST(PRNoteGeometryTest, RowsOfPitches) {
    EXPECT_EQ(PRNoteGeometry::RowTop(127), 5);
    EXPECT_EQ(PRNoteGeometry::RowTop(0), 1275);
    EXPECT_EQ(PRNoteGeometry::PitchOfRowTop(5), 127);
    EXPECT_EQ(PRNoteGeometry::PitchOfRowTop(1275), 0);
    // Every pixel of a row, its first one included, names its pitch.
    for (int pitch : {0, 60, 126, 127}) {
        const int top = PRNoteGeometry::RowTop(pitch);
        EXPECT_EQ(PRNoteGeometry::PitchAtY(top), pitch);
        EXPECT_EQ(PRNoteGeometry::PitchAtY(top + 9), pitch);
    }
    EXPECT_EQ(PRNoteGeometry::PitchAtY(0), 127);
    EXPECT_EQ(PRNoteGeometry::PitchAtY(1299), 0);
    EXPECT_EQ(PRNoteGeometry::RowBoundaryAt(23), 25);
}

TEST(PRNoteGeometryTest, NoteRectangle) {
    const PRNoteGeometry geometry(10);
    EXPECT_EQ(geometry.NoteRect(1000, 1255, 60), (PRNoteRect{100, 675, 125, 685}));
    EXPECT_EQ(PRNoteGeometry(3).XOfTime(30), 10);
}

TEST(PRNoteGeometryTest, EdgeZonesByNoteWidth) {
    using Z = PRHitZone;
    const PRNoteRect six{100, 0, 106, 10};
    for (int x = 100; x < 106; ++x)
        EXPECT_EQ(PRNoteGeometry::ZoneAt(six, x, PRTool::kArrow), Z::kBody);

    const PRNoteRect ten{100, 0, 110, 10};
    EXPECT_EQ(PRNoteGeometry::ZoneAt(ten, 100, PRTool::kArrow), Z::kStartEdge);
    EXPECT_EQ(PRNoteGeometry::ZoneAt(ten, 101, PRTool::kArrow), Z::kStartEdge);
    EXPECT_EQ(PRNoteGeometry::ZoneAt(ten, 102, PRTool::kArrow), Z::kBody);
    EXPECT_EQ(PRNoteGeometry::ZoneAt(ten, 108, PRTool::kArrow), Z::kBody);
    EXPECT_EQ(PRNoteGeometry::ZoneAt(ten, 109, PRTool::kPencil), Z::kEndEdge);

    const PRNoteRect thirty{100, 0, 130, 10};
    EXPECT_EQ(PRNoteGeometry::ZoneAt(thirty, 107, PRTool::kArrow), Z::kStartEdge);
    EXPECT_EQ(PRNoteGeometry::ZoneAt(thirty, 108, PRTool::kArrow), Z::kBody);
    EXPECT_EQ(PRNoteGeometry::ZoneAt(thirty, 122, PRTool::kArrow), Z::kBody);
    EXPECT_EQ(PRNoteGeometry::ZoneAt(thirty, 123, PRTool::kArrow), Z::kEndEdge);
    EXPECT_EQ(PRNoteGeometry::ZoneAt(thirty, 100, PRTool::kEraser), Z::kBody);
}

TEST(PRNoteGeometryTest, EraserFootprintReachesAboveThePointer) {
    const PRNoteRect footprint = PRNoteGeometry::EraserFootprint(50, 100);
    EXPECT_EQ(footprint, (PRNoteRect{50, 90, 65, 102}));
    EXPECT_TRUE(footprint.Intersects({60, 95, 80, 105}));
    EXPECT_FALSE(footprint.Intersects({65, 90, 80, 100}));
}

// --- Drags -------------------------------------------------------------------------------

struct DragCase {
    double tempo;
    int beats;
    int unit;
};

class PRDragRulesTest : public ::testing::TestWithParam<DragCase> {
protected:
    PRNoteTiming Timing() const { return {GetParam().tempo, GetParam().beats, GetParam().unit}; }
};

TEST_P(PRDragRulesTest, StartEdgePastTheEndLeavesTenMsWithoutSnap) {
    const PRNoteTiming timing = Timing();
    const PRNoteGeometry geometry(10);
    const PRDragRules rules(timing, geometry, PRNoteTiming::kSnapOff);
    EXPECT_EQ(rules.DraggedStartMs(100, 80, 1500), 1490);
    EXPECT_EQ(rules.DraggedStartMs(100, 20, 1500), 1200);
    EXPECT_EQ(rules.DraggedStartMs(100, -500, 1500), 0);
    EXPECT_EQ(rules.DraggedEndMs(150, -90, 1000), 1010);
}

TEST_P(PRDragRulesTest, EdgePastTheOtherLeavesOneSnapStep) {
    const PRNoteTiming timing = Timing();
    const PRNoteGeometry geometry(10);
    const PRDragRules rules(timing, geometry, kLevelSixteenth);
    const int32_t step = timing.GridStepMs(kLevelSixteenth);
    const double end = 8 * timing.Snap(2000, kLevelSixteenth);
    // The fallback start is itself snapped, so where a sixteenth is not a whole
    // number of milliseconds (90 bpm) the note keeps one snapped sixteenth, not
    // the truncated grid step.
    const int32_t dragged = rules.DraggedStartMs(geometry.XOfTime(end - 3 * step), 400, end);
    EXPECT_EQ(dragged, int32_t(timing.Snap(end - step, kLevelSixteenth)));
    EXPECT_NEAR(end - dragged, step, 1.0);
    const double start = 4 * timing.Snap(1000, kLevelSixteenth);
    EXPECT_EQ(rules.DraggedEndMs(geometry.XOfTime(start + 2 * step), -300, start),
              int32_t(timing.Snap(start + step, kLevelSixteenth)));
}

TEST_P(PRDragRulesTest, StartEdgeNearZeroStaysAtZero) {
    const PRNoteTiming timing = Timing();
    const PRNoteGeometry geometry(10);
    const PRDragRules rules(timing, geometry, kLevelSixteenth);
    EXPECT_EQ(rules.DraggedStartMs(0, 5, 5), 0);
}

TEST_P(PRDragRulesTest, MoveStopsAtTimeZeroAndTheTopRow) {
    const PRNoteTiming timing = Timing();
    const PRNoteGeometry geometry(10);
    const PRDragRules rules(timing, geometry, kLevelEighth);
    // Led by a note at 500 with the earliest selected at 100: never below 0.
    EXPECT_EQ(rules.MoveDeltaMs(500, 100, -100, true), -100);
    EXPECT_EQ(rules.MoveDeltaMs(500, 100, -1000, true), -100);
    const double eighth = timing.Snap(timing.NoteLengthMs(kPlain(kEighth)), kLevelEighth);
    EXPECT_DOUBLE_EQ(rules.MoveDeltaMs(0, 0, geometry.XOfTime(eighth) + 1, true), eighth);
    EXPECT_EQ(rules.MoveDeltaMs(0, 0, 3, false), 30);
    EXPECT_EQ(PRDragRules::MoveRowsPx(5, -30), 0);
    EXPECT_EQ(PRDragRules::MoveRowsPx(25, -30), -20);
    EXPECT_EQ(PRDragRules::MoveRowsPx(25, 19), 10);
}

INSTANTIATE_TEST_SUITE_P(Signatures, PRDragRulesTest,
                         ::testing::Values(DragCase{120, 4, 4}, DragCase{90, 4, 4},
                                           DragCase{120, 6, 8}));

// --- Overlaps ----------------------------------------------------------------------------

TEST(PROverlapRuleTest, SamePitchNotesMakeRoom) {
    using A = PROverlapAction;
    // The new note covers another's start: that one starts where it ends.
    EXPECT_EQ(PROverlapRule::Resolve(0, 600, 500, 1000), (A{A::kSetStart, 600}));
    // The new note lies inside a longer one: the longer one ends at its start.
    EXPECT_EQ(PROverlapRule::Resolve(200, 300, 0, 1000), (A{A::kSetEnd, 200}));
    // The new note covers another's end.
    EXPECT_EQ(PROverlapRule::Resolve(500, 1500, 0, 1000), (A{A::kSetEnd, 500}));
    // Wholly covered, or the very same span: deleted.
    EXPECT_EQ(PROverlapRule::Resolve(0, 1000, 200, 300), (A{A::kDelete, 0}));
    EXPECT_EQ(PROverlapRule::Resolve(0, 1000, 0, 1000), (A{A::kDelete, 0}));
    // Inside a longer note from the same start: nothing of it is left.
    EXPECT_EQ(PROverlapRule::Resolve(0, 500, 0, 1000), (A{A::kDelete, 0}));
    // Touching notes are left alone.
    EXPECT_EQ(PROverlapRule::Resolve(0, 500, 500, 1000), (A{A::kKeep, 0}));
    EXPECT_EQ(PROverlapRule::Resolve(500, 1000, 0, 500), (A{A::kKeep, 0}));
}

} // namespace

// --- Quantize ----------------------------------------------------------------------------

namespace {

TEST(PRQuantizeRuleTest, EighthsWithSwingFifty) {
    const PRNoteTiming timing(120, 4, 4);
    const PRQuantizeRule rule(timing, kLevelEighth, 50, PRNoteTiming::kSnapOff);
    EXPECT_EQ(rule.Apply({240, 340}), (PRNoteSpan{375, 475})); // odd line: delayed
    EXPECT_EQ(rule.Apply({490, 600}), (PRNoteSpan{500, 610})); // even line: kept
}

TEST(PRQuantizeRuleTest, LengthToQuarters) {
    const PRNoteTiming timing(120, 4, 4);
    const PRQuantizeRule rule(timing, PRNoteTiming::kSnapOff, 0, 3);
    EXPECT_EQ(rule.Apply({100, 480}), (PRNoteSpan{100, 500}));
    // An end that snaps onto the start gets one more step.
    EXPECT_EQ(rule.Apply({100, 200}), (PRNoteSpan{100, 500}));
}

TEST(PRQuantizeRuleTest, SwingIsClampedAndNoteLengthKept) {
    const PRNoteTiming timing(90, 4, 4);
    const PRQuantizeRule rule(timing, kLevelEighth, 500, PRNoteTiming::kSnapOff);
    const PRNoteSpan out = rule.Apply({340, 440});
    // Line 1 of 333.33 ms steps, delayed by a whole step (swing capped at 100).
    EXPECT_NEAR(out.startMs, 333.333 + 333, 0.01);
    EXPECT_NEAR(out.endMs - out.startMs, 100, 1e-9);
}

} // namespace
