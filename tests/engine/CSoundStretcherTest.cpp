#include "engine/CSoundStretcher.h"
#include "engine/SoundFixtures.h"
#include "engine/WaveFormat.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

namespace {

using SoundFixtures::SineData;

// The tone's frequency measured over the middle half, away from the edges.
double MiddleFrequency(const CSoundData& data) {
    const int64_t quarter = data.Frames() / 4;
    return SoundFixtures::ToneFrequency(data.Samples() + quarter * data.Channels(), 2 * quarter,
                                        data.Channels(), data.Rate());
}

TEST(CSoundStretcher, RateSetsTheLengthAndPitchTheFrequencyOfEveryChannel) {
    struct Case {
        double rate, semitones;
        int channels;
        double expectedHz;
    };
    const Case cases[] = {
        {2.0, 0.0, 1, 440.0},
        {0.5, 0.0, 2, 440.0},
        {1.0, 12.0, 1, 880.0},
        {1.0, -12.0, 1, 220.0},
        {1.25, 7.0, 1, 440.0 * std::pow(2.0, 7.0 / 12.0)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << "rate " << c.rate << ", " << c.semitones << " st");
        const auto input = SineData(2.0, 440.0, c.channels);
        const auto output = CSoundStretcher::Process(input, c.rate, c.semitones);
        ASSERT_NE(output, nullptr);
        EXPECT_EQ(output->Frames(), std::llround(input->Frames() / c.rate));
        EXPECT_EQ(output->Channels(), c.channels);
        EXPECT_EQ(output->Rate(), input->Rate());
        EXPECT_NEAR(MiddleFrequency(*output), c.expectedHz, c.expectedHz * 0.01);
        EXPECT_GT(
            SoundFixtures::Rms(output->Samples(), output->Frames(), c.channels, c.channels - 1),
            0.2);
    }
}

TEST(CSoundStretcher, NoChangeReturnsTheInputItself) {
    const auto input = SineData(0.1, 440.0);
    EXPECT_EQ(CSoundStretcher::Process(input, 1.0, 0.0), input);
}

TEST(CSoundStretcher, RefusesOutOfRangeParameters) {
    const auto input = SineData(0.1, 440.0);
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
    const int rate = kMixerSampleRate;
    EXPECT_EQ(CSoundStretcher::Process(CSoundData::FromSamples({}, 1, rate), 2.0, 0.0), nullptr);
    EXPECT_EQ(CSoundStretcher::Process(CSoundData::FromSamples({0.5f}, 1, rate), 16.0, 0.0),
              nullptr)
        << "nothing would be left";
}

} // namespace
