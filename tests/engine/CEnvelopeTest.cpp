#include "engine/CEnvelope.h"
#include "engine/CBiquadFilter.h"
#include "engine/CClipAudioBuffer.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <numbers>
#include <vector>

namespace {

TEST(CEnvelope, HoldsItsDefaultWithoutPointsAndEdgeValuesOutsideThem) {
    CEnvelope envelope(0.0, 2.0, 1.0);
    EXPECT_EQ(envelope.GetNumPoints(), 0);
    EXPECT_DOUBLE_EQ(envelope.ValueAt(-5.0), 1.0);
    EXPECT_DOUBLE_EQ(envelope.ValueAt(1e9), 1.0);

    envelope.Insert(100.0, 0.5);
    envelope.Insert(300.0, 1.5);
    EXPECT_DOUBLE_EQ(envelope.ValueAt(0.0), 0.5);
    EXPECT_DOUBLE_EQ(envelope.ValueAt(100.0), 0.5);
    EXPECT_DOUBLE_EQ(envelope.ValueAt(200.0), 1.0);
    EXPECT_DOUBLE_EQ(envelope.ValueAt(250.0), 1.25);
    EXPECT_DOUBLE_EQ(envelope.ValueAt(300.0), 1.5);
    EXPECT_DOUBLE_EQ(envelope.ValueAt(5000.0), 1.5);
}

TEST(CEnvelope, KeepsPointsInTimeOrderAndClampsValues) {
    CEnvelope envelope(-1.0, 1.0, 0.0);
    EXPECT_EQ(envelope.Insert(200.0, 0.2), 0);
    EXPECT_EQ(envelope.Insert(100.0, 0.1), 0);
    EXPECT_EQ(envelope.Insert(300.0, 9.0), 2);
    // A second point at the same time goes after the first: a step.
    EXPECT_EQ(envelope.Insert(200.0, -9.0), 2);
    EXPECT_EQ(envelope.GetNumPoints(), 4);

    EnvelopePoint point;
    ASSERT_TRUE(envelope.GetPointAtIndex(2, point));
    EXPECT_DOUBLE_EQ(point.timeMs, 200.0);
    EXPECT_DOUBLE_EQ(point.value, -1.0);
    ASSERT_TRUE(envelope.GetPointAtIndex(3, point));
    EXPECT_DOUBLE_EQ(point.value, 1.0);
    EXPECT_FALSE(envelope.GetPointAtIndex(4, point));
    EXPECT_FALSE(envelope.GetPointAtIndex(-1, point));

    EXPECT_EQ(envelope.Insert(std::numeric_limits<double>::quiet_NaN(), 0.0), -1);
    EXPECT_EQ(envelope.Insert(0.0, std::numeric_limits<double>::quiet_NaN()), -1);
    EXPECT_EQ(envelope.GetNumPoints(), 4);
}

TEST(CEnvelope, RemovesShiftsAndScales) {
    CEnvelope envelope(0.0, 2.0, 1.0);
    envelope.Insert(0.0, 0.0);
    envelope.Insert(100.0, 1.0);
    envelope.Insert(200.0, 2.0);
    EXPECT_FALSE(envelope.RemoveByIndex(3));
    EXPECT_FALSE(envelope.RemoveByIndex(-1));
    EXPECT_TRUE(envelope.RemoveByIndex(1));
    EXPECT_DOUBLE_EQ(envelope.ValueAt(100.0), 1.0); // now on the line from 0 to 200

    envelope.Shift(-50.0);
    EnvelopePoint point;
    ASSERT_TRUE(envelope.GetPointAtIndex(0, point));
    EXPECT_DOUBLE_EQ(point.timeMs, -50.0);
    EXPECT_DOUBLE_EQ(envelope.ValueAt(50.0), 1.0);

    envelope.SetEnvelopeLengthMs(150.0);
    envelope.Scale(2.0);
    ASSERT_TRUE(envelope.GetPointAtIndex(1, point));
    EXPECT_DOUBLE_EQ(point.timeMs, 300.0);
    EXPECT_DOUBLE_EQ(envelope.GetEnvelopeLengthMs(), 300.0);
    envelope.Scale(0.0); // ignored
    envelope.Scale(-1.0);
    ASSERT_TRUE(envelope.GetPointAtIndex(1, point));
    EXPECT_DOUBLE_EQ(point.timeMs, 300.0);

    envelope.RemoveAll();
    EXPECT_EQ(envelope.GetNumPoints(), 0);
}

TEST(CClipAudioBuffer, EnvelopesMoveScaleAndCopyTogether) {
    CClipAudioBuffer buffer;
    EXPECT_EQ(buffer.GetEnvelope(6), nullptr);
    EXPECT_EQ(buffer.GetEnvelope(-1), nullptr);
    EXPECT_DOUBLE_EQ(buffer.GetVolumeEnvelope().GetDefaultValue(), 1.0); // neutral: unchanged

    buffer.GetVolumeEnvelope().Insert(10.0, 0.5);
    buffer.GetPanEnvelope().Insert(20.0, 0.5);
    buffer.OffsetEnvelopes(5.0);
    EnvelopePoint point;
    ASSERT_TRUE(buffer.GetPanEnvelope().GetPointAtIndex(0, point));
    EXPECT_DOUBLE_EQ(point.timeMs, 25.0);
    buffer.Scale(2.0);
    ASSERT_TRUE(buffer.GetVolumeEnvelope().GetPointAtIndex(0, point));
    EXPECT_DOUBLE_EQ(point.timeMs, 30.0);

    CClipAudioBuffer copy(buffer);
    copy.GetVolumeEnvelope().RemoveAll();
    EXPECT_EQ(buffer.GetVolumeEnvelope().GetNumPoints(), 1);
}

TEST(CClipAudioBuffer, FadesRampInAndOut) {
    CClipAudioBuffer buffer;
    EXPECT_DOUBLE_EQ(buffer.FadeGain(0.0, 1000.0), 1.0);
    buffer.SetFadeInMs(100.0);
    buffer.SetFadeOutMs(200.0);
    EXPECT_DOUBLE_EQ(buffer.FadeGain(0.0, 1000.0), 0.0);
    EXPECT_DOUBLE_EQ(buffer.FadeGain(50.0, 1000.0), 0.5);
    EXPECT_DOUBLE_EQ(buffer.FadeGain(500.0, 1000.0), 1.0);
    EXPECT_DOUBLE_EQ(buffer.FadeGain(900.0, 1000.0), 0.5);
    EXPECT_DOUBLE_EQ(buffer.FadeGain(1000.0, 1000.0), 0.0);
    buffer.SetFadeInMs(-3.0);
    EXPECT_DOUBLE_EQ(buffer.GetFadeInMs(), 0.0);
    EXPECT_DOUBLE_EQ(CClipAudioBuffer::ResonanceToQ(0.0), 0.7071);
    EXPECT_DOUBLE_EQ(CClipAudioBuffer::ResonanceToQ(1000.0), 12.0);
}

double FilteredRms(CBiquadFilter::Kind kind, double cutoff, double toneHz) {
    const int rate = 44100;
    std::vector<float> samples(rate * 2);
    for (int frame = 0; frame < rate; ++frame) {
        const float value =
            static_cast<float>(std::sin(2.0 * std::numbers::pi * toneHz * frame / rate));
        samples[frame * 2] = value;
        samples[frame * 2 + 1] = value;
    }
    CBiquadFilter filter;
    filter.SetCoefficients(kind, cutoff, 0.7071, rate);
    filter.Process(samples.data(), rate, 2);
    double sum = 0.0;
    for (int frame = rate / 2; frame < rate; ++frame) // past the settling
        sum += samples[frame * 2 + 1] * samples[frame * 2 + 1];
    return std::sqrt(sum / (rate / 2));
}

TEST(CBiquadFilter, PassesBelowAndCutsAboveItsCutoff) {
    const double full = std::sqrt(0.5);
    EXPECT_GT(FilteredRms(CBiquadFilter::Kind::LowPass, 1000.0, 100.0), 0.95 * full);
    EXPECT_LT(FilteredRms(CBiquadFilter::Kind::LowPass, 1000.0, 10000.0), 0.02 * full);
    EXPECT_GT(FilteredRms(CBiquadFilter::Kind::HighPass, 1000.0, 10000.0), 0.95 * full);
    EXPECT_LT(FilteredRms(CBiquadFilter::Kind::HighPass, 1000.0, 100.0), 0.02 * full);
    // Near the cut-off the usual -3 dB.
    EXPECT_NEAR(FilteredRms(CBiquadFilter::Kind::LowPass, 1000.0, 1000.0), 0.5, 0.02);
}

} // namespace
