#include "engine/TempoMap.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <tuple>
#include <vector>

namespace {

TempoEvent Event(double time) {
    TempoEvent event;
    event.time = time;
    return event;
}

TempoEvent TempoChange(double time, double bpm) {
    TempoEvent event = Event(time);
    event.tempo = bpm;
    event.tempoChange = true;
    return event;
}

TempoEvent SignatureChange(double time, int numerator, int denominator) {
    TempoEvent event = Event(time);
    event.numerator = numerator;
    event.denominator = denominator;
    event.timeSigChange = true;
    return event;
}

// The start marker of a project: everything set at time 0.
TempoEvent Start(double bpm, int numerator, int denominator, int key) {
    TempoEvent event = SignatureChange(0, numerator, denominator);
    event.tempo = bpm;
    event.tempoChange = true;
    event.key = key;
    event.keyChange = true;
    return event;
}

// 120 bpm in 4/4, dropping to 60 bpm at 4000 ms.
TempoMap TwoTempoMap() {
    TempoMap map;
    EXPECT_EQ(map.AddEvent(Start(120, 4, 4, 3)), 0);
    EXPECT_EQ(map.AddEvent(TempoChange(4000, 60)), 1);
    return map;
}

TEST(TempoMap, EmptyMapRunsAtTheReferenceTempoIn44AndC) {
    TempoMap map;
    EXPECT_DOUBLE_EQ(map.GetTempoAdjustedTime(1234.5), 1234.5);
    EXPECT_DOUBLE_EQ(map.GetRealTime(1234.5), 1234.5);
    EXPECT_DOUBLE_EQ(map.GetTempoAtTime(0), 120.0);
    EXPECT_EQ(map.GetKeyAtTime(5000), 3);
    int measure, beat;
    double fraction;
    map.GetMeasureAndBeat(2750, &measure, &beat, &fraction);
    EXPECT_EQ(measure, 2);
    EXPECT_EQ(beat, 2);
    EXPECT_DOUBLE_EQ(fraction, 0.5);
    TempoEvent found;
    EXPECT_FALSE(map.GetTempoEventAtTime(100, TempoMap::kAnyChange, &found));
}

TEST(TempoMap, TempoChangeConvertsBothWays) {
    const TempoMap map = TwoTempoMap();
    // Up to 4000 ms reference time runs as heard; after it, at half the
    // reference tempo, each reference millisecond lasts two.
    EXPECT_DOUBLE_EQ(map.GetTempoAdjustedTime(4000), 4000);
    EXPECT_DOUBLE_EQ(map.GetTempoAdjustedTime(5000), 6000);
    EXPECT_DOUBLE_EQ(map.GetTempoAdjustedTime(-500), -500);
    EXPECT_DOUBLE_EQ(map.GetTempoAtTime(3999.9), 120);
    EXPECT_DOUBLE_EQ(map.GetTempoAtTime(4000), 60);
    for (double t = -1000; t <= 20000; t += 37.25) {
        EXPECT_NEAR(map.GetRealTime(map.GetTempoAdjustedTime(t)), t, 1e-9) << t;
        EXPECT_NEAR(map.GetTempoAdjustedTime(map.GetRealTime(t)), t, 1e-9) << t;
    }
    // Monotonic across the change.
    double previous = map.GetTempoAdjustedTime(0);
    for (double t = 1; t <= 10000; t += 1) {
        const double now = map.GetTempoAdjustedTime(t);
        EXPECT_GT(now, previous);
        previous = now;
    }
}

TEST(TempoMap, MeasuresAndBeatsRoundTrip) {
    TempoMap map = TwoTempoMap();
    // 3/4 from 9000 ms: 4/4 measures 1..4 fill 0..8000, measure 5 is cut short
    // at beat 3, so the 3/4 part starts with measure 6.
    ASSERT_EQ(map.AddEvent(SignatureChange(9000, 3, 4)), 2);
    int measure, beat;
    double fraction;
    map.GetMeasureAndBeat(8999, &measure, &beat, &fraction);
    EXPECT_EQ(measure, 5);
    EXPECT_EQ(beat, 2);
    map.GetMeasureAndBeat(9000, &measure, &beat, &fraction);
    EXPECT_EQ(measure, 6);
    EXPECT_EQ(beat, 1);
    EXPECT_DOUBLE_EQ(fraction, 0.0);
    EXPECT_DOUBLE_EQ(map.GetTimeAtMeasureAndBeat(7, 1, 0), 10500);
    EXPECT_DOUBLE_EQ(map.GetTimeAtMeasureAndBeat(1, 1, 0), 0);
    // The tempo change does not move beats: measures count reference time.
    EXPECT_DOUBLE_EQ(map.GetTimeAtMeasureAndBeat(3, 1, 0), 4000);

    for (double t = 0; t < 30000; t += 12.5) {
        map.GetMeasureAndBeat(t, &measure, &beat, &fraction);
        EXPECT_GE(beat, 1);
        EXPECT_GE(fraction, 0.0);
        EXPECT_LT(fraction, 1.0);
        EXPECT_NEAR(map.GetTimeAtMeasureAndBeat(measure, beat, fraction), t, 1e-9) << t;
    }
    for (int m = 1; m < 40; ++m) {
        const int beats = m < 6 ? 4 : 3;
        for (int b = 1; b <= beats; ++b) {
            if (m == 5 && b > 2)
                continue; // measure 5 ends early
            const double t = map.GetTimeAtMeasureAndBeat(m, b, 0.25);
            map.GetMeasureAndBeat(t, &measure, &beat, &fraction);
            EXPECT_EQ(measure, m);
            EXPECT_EQ(beat, b);
            EXPECT_NEAR(fraction, 0.25, 1e-9);
        }
    }
}

TEST(TempoMap, EveryBeatIsHalfASecondOfReferenceTimeWhateverTheBeatUnit) {
    TempoMap map;
    map.AddEvent(Start(90, 6, 8, 3));
    int measure, beat;
    double fraction;
    map.GetMeasureAndBeat(3500, &measure, &beat, &fraction);
    EXPECT_EQ(measure, 2);
    EXPECT_EQ(beat, 2);
    EXPECT_DOUBLE_EQ(map.GetTimeAtMeasureAndBeat(3, 1, 0), 6000);
    // Before 0 the counting goes on backwards into measure 0.
    map.GetMeasureAndBeat(-250, &measure, &beat, &fraction);
    EXPECT_EQ(measure, 0);
    EXPECT_EQ(beat, 6);
    EXPECT_DOUBLE_EQ(fraction, 0.5);
}

TEST(TempoMap, SetEventsGivesTheMapThatAddingThemOneByOneGives) {
    const std::vector<TempoEvent> events = {TempoChange(4000, 90), Event(0),
                                            SignatureChange(2000, 3, 4), TempoChange(9000, 150)};
    TempoMap added;
    for (const TempoEvent& event : events)
        ASSERT_GE(added.AddEvent(event), 0);
    TempoMap set;
    ASSERT_TRUE(set.SetEvents(events));
    ASSERT_EQ(set.NumEvents(), added.NumEvents());
    for (int i = 0; i < set.NumEvents(); ++i) {
        TempoEvent a, b;
        ASSERT_TRUE(set.GetEvent(i, &a));
        ASSERT_TRUE(added.GetEvent(i, &b));
        EXPECT_EQ(a.time, b.time) << i;
    }
    for (double t : {0.0, 1000.0, 5000.0, 12000.0})
        EXPECT_DOUBLE_EQ(set.GetTempoAdjustedTime(t), added.GetTempoAdjustedTime(t)) << t;
}

TEST(TempoMap, SetEventsRefusesAnInvalidEventOrASharedTimeAndKeepsNone) {
    TempoMap map;
    ASSERT_TRUE(map.SetEvents({Event(0), Event(500)}));
    EXPECT_FALSE(map.SetEvents({Event(0), Event(500), Event(500)}));
    EXPECT_EQ(map.NumEvents(), 0);
    EXPECT_FALSE(map.SetEvents({Event(0), TempoChange(100, 0.0)}));
    EXPECT_EQ(map.NumEvents(), 0);
    EXPECT_DOUBLE_EQ(map.GetTempoAdjustedTime(1000.0), 1000.0);
}

TEST(TempoMap, RefusesInvalidEvents) {
    TempoMap map;
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    EXPECT_EQ(map.AddEvent(Event(-1)), -1);
    EXPECT_EQ(map.AddEvent(Event(nan)), -1);
    EXPECT_EQ(map.AddEvent(Event(inf)), -1);
    EXPECT_EQ(map.AddEvent(Event(TempoMap::kMaxEventTime + 1)), -1);
    for (double bpm : {0.0, 0.5, 999.5, nan, inf, -120.0})
        EXPECT_EQ(map.AddEvent(TempoChange(0, bpm)), -1) << bpm;
    for (int denominator : {0, 3, 6, 128, -4})
        EXPECT_EQ(map.AddEvent(SignatureChange(0, 4, denominator)), -1) << denominator;
    EXPECT_EQ(map.AddEvent(SignatureChange(0, 0, 4)), -1);
    TempoEvent key = Event(0);
    key.keyChange = true;
    key.key = TempoMap::kKeyCount;
    EXPECT_EQ(map.AddEvent(key), -1);
    key.key = -1;
    EXPECT_EQ(map.AddEvent(key), -1);
    TempoEvent setting = Event(0);
    setting.setting = 0;
    EXPECT_EQ(map.AddEvent(setting), -1);
    EXPECT_EQ(map.NumEvents(), 0);

    // Fields whose change flag is clear are not checked: a blank marker is fine.
    TempoEvent blank = Event(500);
    blank.tempo = 0;
    blank.numerator = 0;
    blank.denominator = 0;
    EXPECT_EQ(map.AddEvent(blank), 0);
    for (double bpm : {1.0, 999.0})
        EXPECT_GE(map.AddEvent(TempoChange(bpm, bpm)), 0);
    for (int denominator : {1, 2, 4, 8, 16, 32, 64})
        EXPECT_GE(map.AddEvent(SignatureChange(1000 + denominator, 1, denominator)), 0);
}

TEST(TempoMap, KeepsOneEventPerTimeInTimeOrder) {
    TempoMap map;
    EXPECT_EQ(map.AddEvent(TempoChange(3000, 100)), 0);
    EXPECT_EQ(map.AddEvent(Start(120, 4, 4, 3)), 0);
    EXPECT_EQ(map.AddEvent(TempoChange(1000, 90)), 1);
    EXPECT_EQ(map.AddEvent(TempoChange(1000, 80)), -1);
    EXPECT_EQ(map.FindEventAtTime(3000), 2);
    EXPECT_EQ(map.FindEventAtTime(2000), -1);

    // Moving event 1 past event 2 gives it index 2; onto another's time is refused.
    EXPECT_EQ(map.ReplaceEvent(1, TempoChange(5000, 90)), 2);
    EXPECT_EQ(map.ReplaceEvent(2, TempoChange(3000, 90)), -1);
    EXPECT_EQ(map.ReplaceEvent(2, TempoChange(5000, 95)), 2);
    EXPECT_EQ(map.ReplaceEvent(7, TempoChange(6000, 95)), -1);
    TempoEvent event;
    ASSERT_TRUE(map.GetEvent(2, &event));
    EXPECT_DOUBLE_EQ(event.tempo, 95);
    EXPECT_FALSE(map.GetEvent(3, &event));

    double time;
    EXPECT_TRUE(map.GetPreviousMarkerBeforeTime(3000, &time));
    EXPECT_DOUBLE_EQ(time, 0);
    EXPECT_TRUE(map.GetNextMarkerAfterTime(3000, &time));
    EXPECT_DOUBLE_EQ(time, 5000);
    EXPECT_FALSE(map.GetNextMarkerAfterTime(5000, &time));
    EXPECT_FALSE(map.GetPreviousMarkerBeforeTime(0, &time));

    EXPECT_TRUE(map.RemoveEvent(0));
    EXPECT_FALSE(map.RemoveEvent(2));
    EXPECT_EQ(map.NumEvents(), 2);
    map.RemoveAllEvents();
    EXPECT_EQ(map.NumEvents(), 0);
    EXPECT_DOUBLE_EQ(map.GetTempoAdjustedTime(5000), 5000);
}

TEST(TempoMap, EventInEffectCarriesTheCurrentSettings) {
    TempoMap map;
    map.AddEvent(Start(100, 4, 4, 3));
    map.AddEvent(SignatureChange(2000, 7, 8));
    TempoEvent keyEvent = Event(4000);
    keyEvent.keyChange = true;
    keyEvent.key = 15; // C minor
    keyEvent.setting = 3;
    map.AddEvent(keyEvent);

    TempoEvent found;
    ASSERT_TRUE(map.GetTempoEventAtTime(4500, TempoMap::kAnyChange, &found));
    EXPECT_EQ(std::tie(found.time, found.setting, found.tempo, found.key, found.numerator,
                       found.denominator),
              std::make_tuple(4000.0, 3, 100.0, 15, 7, 8));

    ASSERT_TRUE(map.GetTempoEventAtTime(4500, TempoMap::kTimeSigChange, &found));
    EXPECT_DOUBLE_EQ(found.time, 2000);
    ASSERT_TRUE(map.GetTempoEventAtTime(4500, TempoMap::kTempoChange, &found));
    EXPECT_DOUBLE_EQ(found.time, 0);
    ASSERT_TRUE(map.GetTempoEventAtTime(1999, TempoMap::kAnyChange, &found));
    EXPECT_EQ(found.numerator, 4);
    EXPECT_FALSE(map.GetTempoEventAtTime(3999, TempoMap::kKeyChange, &found) && found.time > 0);

    EXPECT_EQ(map.GetKeyAtTime(3999), 3);
    EXPECT_EQ(map.GetKeyAtTime(4000), 15);
    EXPECT_EQ(map.GetKeyAtTime(-10), 3);
    int numerator, denominator;
    map.GetTimeSignatureAtTime(2500, &numerator, &denominator);
    EXPECT_EQ(numerator, 7);
    EXPECT_EQ(denominator, 8);
}

TEST(TempoMap, KeyTable) {
    EXPECT_STREQ(TempoMap::GetKeyStr(3), "C");
    EXPECT_EQ(TempoMap::GetKeyStr(-1), nullptr);
    EXPECT_EQ(TempoMap::GetKeyStr(TempoMap::kKeyCount), nullptr);
    EXPECT_EQ(TempoMap::GetKeyRoot(14), 11);
    EXPECT_EQ(TempoMap::GetKeyRoot(99), -1);
    for (int key = 0; key < TempoMap::kKeyCount; ++key)
        EXPECT_GT(std::strlen(TempoMap::GetKeyStr(key)), 0u);
}

TEST(TempoMap, HostileQueryTimesStayFinite) {
    const TempoMap map = TwoTempoMap();
    const double nan = std::numeric_limits<double>::quiet_NaN();
    for (double t : {nan, 1e300, -1e300, std::numeric_limits<double>::infinity()}) {
        EXPECT_TRUE(std::isfinite(map.GetTempoAdjustedTime(t)));
        EXPECT_TRUE(std::isfinite(map.GetRealTime(t)));
        int measure, beat;
        double fraction;
        map.GetMeasureAndBeat(t, &measure, &beat, &fraction);
        EXPECT_GE(beat, 1);
    }
    EXPECT_TRUE(std::isfinite(map.GetTimeAtMeasureAndBeat(INT32_MIN, INT32_MIN, 0)));
}

} // namespace
