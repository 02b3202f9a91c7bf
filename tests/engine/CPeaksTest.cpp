#include "engine/CPeaks.h"
#include "engine/SoundFixtures.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <vector>

namespace {

// A stereo ramp-and-noise signal whose peaks are easy to compute by hand.
std::shared_ptr<const CSoundData> TestData(int64_t frames) {
    std::vector<float> samples(static_cast<size_t>(frames * 2));
    uint32_t seed = 12345;
    for (int64_t i = 0; i < frames; ++i) {
        seed = seed * 1664525u + 1013904223u;
        samples[i * 2] = static_cast<float>(seed >> 8) / static_cast<float>(1u << 24) * 2.0f - 1.0f;
        samples[i * 2 + 1] = static_cast<float>(i) / static_cast<float>(frames);
    }
    return CSoundData::FromSamples(std::move(samples), 2, 44100);
}

PeakRange BruteForce(const CSoundData& data, int channel, int64_t from, int64_t to) {
    from = std::max<int64_t>(from, 0);
    to = std::min(to, data.Frames());
    if (from >= to)
        return {};
    PeakRange range{data.Samples()[from * 2 + channel], data.Samples()[from * 2 + channel]};
    for (int64_t i = from; i < to; ++i) {
        range.min = std::min(range.min, data.Samples()[i * 2 + channel]);
        range.max = std::max(range.max, data.Samples()[i * 2 + channel]);
    }
    return range;
}

void ExpectQueryExact(const CPeaks& peaks, const CSoundData& data, int channel, int64_t start,
                      int64_t end, size_t pixelCount) {
    std::vector<PeakRange> pixels(pixelCount);
    ASSERT_TRUE(peaks.Query(channel, start, end, pixels));
    const __int128 span = end - start;
    for (size_t i = 0; i < pixelCount; ++i) {
        const int64_t from = start + static_cast<int64_t>(span * i / pixelCount);
        const int64_t to =
            std::max(start + static_cast<int64_t>(span * (i + 1) / pixelCount), from + 1);
        const PeakRange expected = BruteForce(data, channel, from, to);
        ASSERT_EQ(pixels[i].min, expected.min) << "pixel " << i << " of " << start << ".." << end;
        ASSERT_EQ(pixels[i].max, expected.max) << "pixel " << i << " of " << start << ".." << end;
    }
}

TEST(CPeaks, HoldsTheMinAndMaxOfEveryBlock) {
    const auto data = TestData(1000); // three whole blocks and a partial one
    const auto peaks = CPeaks::Build(data);
    ASSERT_NE(peaks, nullptr);
    EXPECT_EQ(peaks->Blocks(), 4);
    EXPECT_EQ(peaks->Channels(), 2);
    for (int64_t block = 0; block < 4; ++block) {
        const PeakRange expected = BruteForce(*data, 0, block * 256, block * 256 + 256);
        EXPECT_EQ(peaks->Block(0, block).min, expected.min);
        EXPECT_EQ(peaks->Block(0, block).max, expected.max);
    }
    EXPECT_FLOAT_EQ(peaks->Block(1, 3).max, 999.0f / 1000.0f);
    EXPECT_EQ(peaks->Block(2, 0).max, 0.0f) << "no such channel";
    EXPECT_EQ(peaks->Block(0, 4).max, 0.0f) << "no such block";
    EXPECT_EQ(CPeaks::Build(nullptr), nullptr);
}

TEST(CPeaks, QueriesAreExactAtEveryZoom) {
    const auto data = TestData(20000);
    for (const auto& peaks : {CPeaks::Build(data), CPeaks::OnDemand(data)}) {
        ExpectQueryExact(*peaks, *data, 0, 0, 20000, 10);    // 2000 frames a pixel
        ExpectQueryExact(*peaks, *data, 0, 100, 19950, 37);  // ragged block edges
        ExpectQueryExact(*peaks, *data, 1, 300, 1000, 700);  // one frame a pixel
        ExpectQueryExact(*peaks, *data, 0, 5000, 5100, 50);  // inside one block
        ExpectQueryExact(*peaks, *data, 0, 5000, 5010, 100); // several pixels a frame
        ExpectQueryExact(*peaks, *data, 0, -500, 25000, 33); // beyond both ends
    }
}

TEST(CPeaks, QueryOutsideTheSoundIsSilentAndBadArgumentsFail) {
    const auto peaks = CPeaks::Build(TestData(1000));
    std::vector<PeakRange> pixels(4, PeakRange{1.0f, 1.0f});
    ASSERT_TRUE(peaks->Query(0, 2000, 3000, pixels));
    for (const PeakRange& pixel : pixels)
        EXPECT_EQ(pixel.min == 0.0f && pixel.max == 0.0f, true);
    EXPECT_FALSE(peaks->Query(2, 0, 100, pixels));
    EXPECT_FALSE(peaks->Query(-1, 0, 100, pixels));
    EXPECT_FALSE(peaks->Query(0, 100, 100, pixels));
    EXPECT_FALSE(peaks->Query(0, 0, 100, std::span<PeakRange>()));
}

class CPeaksFile : public ::testing::Test {
protected:
    void SetUp() override {
        dir = SoundFixtures::FreshDir("peaks");
        audioPath = dir + "/sound.f32";
        peakPath = dir + "/sound.ipk";
        SoundFixtures::WriteBytes(audioPath, "audio");
    }
    static std::filesystem::file_time_type Time(const std::string& path) {
        return std::filesystem::last_write_time(path);
    }

    std::string dir, audioPath, peakPath;
};

TEST_F(CPeaksFile, IsWrittenOnceAndReadBack) {
    const auto data = TestData(5000);
    const auto built = CPeaks::LoadOrBuild(data, audioPath, peakPath);
    ASSERT_TRUE(std::filesystem::exists(peakPath));
    const auto written = Time(peakPath);
    const auto again = CPeaks::LoadOrBuild(data, audioPath, peakPath);
    EXPECT_EQ(Time(peakPath), written) << "a current peak file is not rewritten";
    for (int64_t block = 0; block < built->Blocks(); ++block)
        ASSERT_EQ(again->Block(0, block).max, built->Block(0, block).max);
    for (const auto& entry : std::filesystem::directory_iterator(dir))
        EXPECT_EQ(entry.path().string().find(".tmp"), std::string::npos) << entry.path();
}

TEST_F(CPeaksFile, IsRebuiltWhenShorterOlderOrDamaged) {
    CPeaks::LoadOrBuild(TestData(3000), audioPath, peakPath);
    const auto longer = TestData(6000);
    const auto peaks = CPeaks::LoadOrBuild(longer, audioPath, peakPath);
    EXPECT_EQ(peaks->Blocks(), 24);
    EXPECT_EQ(peaks->Block(1, 23).max, BruteForce(*longer, 1, 23 * 256, 6000).max);
    EXPECT_EQ(std::filesystem::file_size(peakPath), 24u + 24u * 2u * sizeof(PeakRange));

    // A peak file older than its audio is out of date even with the right length.
    std::filesystem::last_write_time(peakPath, Time(audioPath) - std::chrono::seconds(10));
    CPeaks::LoadOrBuild(longer, audioPath, peakPath);
    EXPECT_GE(Time(peakPath), Time(audioPath));

    SoundFixtures::WriteBytes(peakPath, "LTPK garbage");
    const auto rebuilt = CPeaks::LoadOrBuild(longer, audioPath, peakPath);
    EXPECT_EQ(rebuilt->Block(1, 23).max, peaks->Block(1, 23).max);
    EXPECT_EQ(std::filesystem::file_size(peakPath), 24u + 24u * 2u * sizeof(PeakRange));
}

TEST_F(CPeaksFile, WithoutPathsOnlyBuilds) {
    const auto peaks = CPeaks::LoadOrBuild(TestData(600), "", "");
    ASSERT_NE(peaks, nullptr);
    EXPECT_EQ(peaks->Blocks(), 3);
    EXPECT_EQ(CPeaks::LoadOrBuild(nullptr, audioPath, peakPath), nullptr);
}

// Peaks made on demand read the sound only when first asked: a cache file
// rewritten in place before that shows its new samples.
TEST_F(CPeaksFile, OnDemandReadsTheSoundAtTheFirstQuestion) {
    const auto write = [this](float value) {
        const std::vector<float> samples(2 * 600, value);
        SoundFixtures::WriteBytes(audioPath,
                                  std::string(reinterpret_cast<const char*>(samples.data()),
                                              samples.size() * sizeof(float)));
    };
    write(0.25f);
    const auto data = CSoundData::MapFile(audioPath, 2, 44100);
    ASSERT_NE(data, nullptr);
    const auto early = CPeaks::Build(data);
    const auto late = CPeaks::OnDemand(data);
    write(0.5f);
    EXPECT_EQ(early->Block(0, 2).max, 0.25f);
    EXPECT_EQ(late->Blocks(), 3);
    EXPECT_EQ(late->Block(0, 2).max, 0.5f);
    EXPECT_EQ(late->Block(1, 0).min, 0.5f);
    std::vector<PeakRange> pixels(1);
    ASSERT_TRUE(late->Query(1, 0, 600, pixels));
    EXPECT_EQ(pixels[0].max, 0.5f);
    EXPECT_EQ(CPeaks::OnDemand(nullptr), nullptr);
}

} // namespace
