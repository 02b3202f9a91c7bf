#include "engine/CSoundStretcher.h"
#include "engine/SoundFixtures.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <numbers>
#include <vector>

namespace {

constexpr int kRate = 44100;

std::shared_ptr<const CSoundData> Tone(double seconds, double hz, int channels) {
    const auto frames = static_cast<size_t>(seconds * kRate);
    std::vector<float> samples(frames * channels);
    for (size_t i = 0; i < frames; ++i)
        for (int c = 0; c < channels; ++c)
            samples[i * channels + c] =
                static_cast<float>(0.5 * std::sin(2.0 * std::numbers::pi * hz * i / kRate));
    return CSoundData::FromSamples(std::move(samples), channels, kRate);
}

// The tone's frequency measured over the middle half, away from the edges.
double MiddleFrequency(const CSoundData& data) {
    const int64_t quarter = data.Frames() / 4;
    return SoundFixtures::ToneFrequency(data.Samples() + quarter * data.Channels(), 2 * quarter,
                                        data.Channels(), data.Rate());
}

TEST(CSoundStretcher, DoubleRateHalvesTheLengthAndKeepsThePitch) {
    const auto input = Tone(2.0, 440.0, 1);
    const auto output = CSoundStretcher::Process(input, 2.0, 0.0);
    ASSERT_NE(output, nullptr);
    EXPECT_EQ(output->Frames(), input->Frames() / 2);
    EXPECT_EQ(output->Rate(), kRate);
    EXPECT_NEAR(MiddleFrequency(*output), 440.0, 440.0 * 0.01);
}

TEST(CSoundStretcher, HalfRateDoublesTheLengthOfEveryChannel) {
    const auto input = Tone(1.0, 330.0, 2);
    const auto output = CSoundStretcher::Process(input, 0.5, 0.0);
    ASSERT_NE(output, nullptr);
    EXPECT_EQ(output->Frames(), input->Frames() * 2);
    EXPECT_EQ(output->Channels(), 2);
    EXPECT_NEAR(MiddleFrequency(*output), 330.0, 330.0 * 0.01);
    EXPECT_GT(SoundFixtures::Rms(output->Samples(), output->Frames(), 2, 1), 0.2);
}

TEST(CSoundStretcher, AnOctaveUpDoublesTheFrequencyAtTheSameLength) {
    const auto input = Tone(2.0, 440.0, 1);
    const auto up = CSoundStretcher::Process(input, 1.0, 12.0);
    ASSERT_NE(up, nullptr);
    EXPECT_EQ(up->Frames(), input->Frames());
    EXPECT_NEAR(MiddleFrequency(*up), 880.0, 880.0 * 0.01);

    const auto down = CSoundStretcher::Process(input, 1.0, -12.0);
    ASSERT_NE(down, nullptr);
    EXPECT_NEAR(MiddleFrequency(*down), 220.0, 220.0 * 0.01);
}

TEST(CSoundStretcher, RateAndPitchTogether) {
    const auto input = Tone(2.0, 440.0, 1);
    const auto output = CSoundStretcher::Process(input, 1.25, 7.0);
    ASSERT_NE(output, nullptr);
    EXPECT_EQ(output->Frames(), std::llround(input->Frames() / 1.25));
    EXPECT_NEAR(MiddleFrequency(*output), 440.0 * std::pow(2.0, 7.0 / 12.0), 6.0);
}

TEST(CSoundStretcher, NoChangeReturnsTheInputItself) {
    const auto input = Tone(0.1, 440.0, 1);
    EXPECT_EQ(CSoundStretcher::Process(input, 1.0, 0.0), input);
}

TEST(CSoundStretcher, RefusesOutOfRangeParameters) {
    const auto input = Tone(0.1, 440.0, 1);
    const double nan = std::numeric_limits<double>::quiet_NaN();
    EXPECT_EQ(CSoundStretcher::Process(input, 0.0, 0.0), nullptr);
    EXPECT_EQ(CSoundStretcher::Process(input, -1.0, 0.0), nullptr);
    EXPECT_EQ(CSoundStretcher::Process(input, 16.5, 0.0), nullptr);
    EXPECT_EQ(CSoundStretcher::Process(input, 1.0 / 17.0, 0.0), nullptr);
    EXPECT_EQ(CSoundStretcher::Process(input, nan, 0.0), nullptr);
    EXPECT_EQ(CSoundStretcher::Process(input, 1.0, 48.5), nullptr);
    EXPECT_EQ(CSoundStretcher::Process(input, 1.0, -49.0), nullptr);
    EXPECT_EQ(CSoundStretcher::Process(input, 1.0, nan), nullptr);
    EXPECT_EQ(CSoundStretcher::Process(nullptr, 2.0, 0.0), nullptr);
    EXPECT_EQ(CSoundStretcher::Process(CSoundData::FromSamples({}, 1, kRate), 2.0, 0.0), nullptr);
    EXPECT_EQ(CSoundStretcher::Process(CSoundData::FromSamples({0.5f}, 1, kRate), 16.0, 0.0),
              nullptr)
        << "nothing would be left";
}

} // namespace
