#include "pianoroll/PRSoundMeter.h"

#include "pianoroll/PRNoteTiming.h"

#include <gtest/gtest.h>

#include <map>

namespace {

// Ticks by column: the line's height and the label.
std::map<int32_t, RulerTick> ByColumn(const std::vector<RulerTick>& ticks) {
    std::map<int32_t, RulerTick> columns;
    for (const RulerTick& tick : ticks)
        columns[tick.x] = tick;
    return columns;
}

TEST(PRSoundMeterTest, FourFourAtTheReferenceTempoShowsEighthsAtSnapLevelFour) {
    const PRSoundMeter meter(PRNoteTiming(120, 4, 4));
    // 10 ms a pixel: a 2000 ms bar is 200 pixels, room for eight eighths.
    const auto ticks = ByColumn(meter.Ticks(10, 0, 450, 4));
    ASSERT_TRUE(ticks.count(0));
    EXPECT_EQ(ticks.at(0).label, "1");
    EXPECT_EQ(ticks.at(0).height, CRulerTicks::kLabelled);
    EXPECT_EQ(ticks.at(25).height, CRulerTicks::kSubBeat);
    EXPECT_EQ(ticks.at(50).height, CRulerTicks::kBeat);
    EXPECT_EQ(ticks.at(175).height, CRulerTicks::kSubBeat);
    EXPECT_EQ(ticks.at(200).label, "2");
    EXPECT_EQ(ticks.at(400).label, "3");
    EXPECT_EQ(ticks.size(), 19u); // two bars of eight eighths, and bar 3 up to 450
}

TEST(PRSoundMeterTest, SixEightCountsSixBeatsOfHalfASecond) {
    const PRSoundMeter meter(PRNoteTiming(120, 6, 8));
    const auto ticks = ByColumn(meter.Ticks(10, 0, 650, 4));
    EXPECT_EQ(ticks.at(0).label, "1");
    for (int beat = 1; beat < 6; ++beat)
        EXPECT_EQ(ticks.at(beat * 50).height, CRulerTicks::kBeat) << beat;
    EXPECT_EQ(ticks.at(300).label, "2");
    EXPECT_EQ(ticks.at(600).label, "3");
    EXPECT_EQ(meter.MeasureText(3250), "02:01.500");
    EXPECT_EQ(meter.MeasureText(2750), "01:06.500");
}

TEST(PRSoundMeterTest, ASoundAtItsOwnTempoCountsItsOwnBeats) {
    // 90 bpm: a beat of 666.7 ms, a bar of 2666.7 ms.
    const PRSoundMeter meter(PRNoteTiming(90, 4, 4));
    const auto ticks = ByColumn(meter.Ticks(10, 0, 600, 2));
    EXPECT_EQ(ticks.at(266).label, "2");
    EXPECT_EQ(ticks.at(533).label, "3");
    EXPECT_EQ(meter.MeasureText(3000), "02:01.500");
    EXPECT_EQ(meter.MeasureText(0), "01:01.000");
}

TEST(PRSoundMeterTest, TheReadOutAgreesWithTheRulerAtTheReferenceTempo) {
    const PRSoundMeter meter(PRNoteTiming(120, 4, 4));
    EXPECT_EQ(meter.MeasureText(3250), "02:03.500");
    EXPECT_EQ(meter.MeasureText(4000), "03:01.000");
}

TEST(PRSoundMeterTest, LabelsKeepTheirMeasuresWhateverTheScroll) {
    // 100 ms a pixel: bars 20 pixels apart, so only every third is labelled.
    const PRSoundMeter meter(PRNoteTiming(120, 4, 4));
    auto labels = [&](int32_t left) {
        std::map<int32_t, std::string> out;
        for (const RulerTick& tick : meter.Ticks(100, left, 3000, 0))
            if (!tick.label.empty() && tick.x >= 1000)
                out[tick.x] = tick.label;
        return out;
    };
    const auto fromStart = labels(0);
    EXPECT_FALSE(fromStart.empty());
    EXPECT_EQ(labels(1000), fromStart);
    EXPECT_EQ(labels(1010), fromStart);
}

TEST(PRSoundMeterTest, TimingsTheMapCannotHoldStillCount) {
    // A beat unit of 3 and a tempo beyond 999 from a hostile file.
    const PRSoundMeter odd(PRNoteTiming(120, 7, 3));
    EXPECT_EQ(odd.MeasureText(3500), "02:01.000");
    const PRSoundMeter fast(PRNoteTiming(5000, 4, 4));
    EXPECT_FALSE(fast.Ticks(1, 0, 100, 4).empty());
}

} // namespace
