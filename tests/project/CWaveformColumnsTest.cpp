#include "project/CWaveformColumns.h"
#include "engine/CSoundData.h"
#include "engine/WaveFormat.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

// One second of a ramp from -1 to 1: every column's range is its own.
std::shared_ptr<const CPeaks> RampPeaks() {
    std::vector<float> samples(kMixerSampleRate);
    for (size_t i = 0; i < samples.size(); ++i)
        samples[i] = -1.0f + 2.0f * static_cast<float>(i) / static_cast<float>(samples.size());
    return CPeaks::Build(CSoundData::FromSamples(std::move(samples), 1, kMixerSampleRate));
}

std::vector<PeakRange> Copy(std::span<const PeakRange> columns) {
    return {columns.begin(), columns.end()};
}

bool SameColumns(const std::vector<PeakRange>& a, const std::vector<PeakRange>& b) {
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (a[i].min != b[i].min || a[i].max != b[i].max)
            return false;
    return true;
}

} // namespace

TEST(CWaveformColumns, APartShowsTheColumnsOfTheWholeAndFollowsTheView) {
    const CWaveformColumns::View view{RampPeaks(), 200, 0.0, 1000.0, 1.0};
    CWaveformColumns waveform;
    const std::vector<PeakRange> whole = Copy(waveform.Columns(view, 0, 200));
    ASSERT_EQ(whole.size(), 200u);
    EXPECT_LT(whole.front().min, -0.99f);
    EXPECT_GT(whole.back().max, 0.98f);

    CWaveformColumns fresh;
    const std::vector<PeakRange> part = Copy(fresh.Columns(view, 37, 91));
    EXPECT_TRUE(SameColumns(part, {whole.begin() + 37, whole.begin() + 91}));
    EXPECT_EQ(fresh.Columns(view, -5, 3).size(), 3u) << "clipped to the clip";
    EXPECT_EQ(fresh.Columns(view, 150, 400).size(), 50u);

    // Half the sound from its middle on: the first column starts near 0.
    CWaveformColumns::View later = view;
    later.offsetMs = 500.0;
    later.lengthMs = 500.0;
    const std::vector<PeakRange> moved = Copy(waveform.Columns(later, 0, 1));
    ASSERT_EQ(moved.size(), 1u);
    EXPECT_NEAR(moved[0].min, 0.0f, 0.02f);
}

TEST(CWaveformColumns, PartsPastTheSoundAndVeryWideClipsAreHandled) {
    CWaveformColumns waveform;
    CWaveformColumns::View view{RampPeaks(), 100, 2000.0, 1000.0, 1.0};
    EXPECT_TRUE(waveform.Columns(view, 0, 100).empty()) << "the offset lies past the sound";
    view.peaks = nullptr;
    view.offsetMs = 0.0;
    EXPECT_TRUE(waveform.Columns(view, 0, 100).empty());

    const CWaveformColumns::View wide{RampPeaks(), CWaveformColumns::kMaxColumns * 4, 0.0, 1000.0,
                                      1.0};
    const std::span<const PeakRange> part = waveform.Columns(wide, 1000, 1010);
    EXPECT_EQ(part.size(), 10u);
}
