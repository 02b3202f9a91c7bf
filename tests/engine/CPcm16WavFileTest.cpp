#include "engine/CPcm16WavFile.h"
#include "engine/CWaveChunks.h"
#include "engine/SoundFixtures.h"

#include <gtest/gtest.h>
#include <sndfile.h>

#include <string>
#include <vector>

namespace {

using SoundFixtures::WriteSineFile;

constexpr int64_t kFrames = 44100;

std::vector<float> ReadWithLibsndfile(const std::string& path, int64_t frame, int64_t count,
                                      int channels) {
    SF_INFO info{};
    SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
    std::vector<float> frames(static_cast<size_t>(count * channels), -2.0f);
    if (!file)
        return frames;
    sf_seek(file, frame, SEEK_SET);
    sf_readf_float(file, frames.data(), count);
    sf_close(file);
    return frames;
}

TEST(CPcm16WavFile, GivesLibsndfilesSamplesForMonoStereoAndExtensibleFiles) {
    const std::string dir = SoundFixtures::FreshDir("pcm16");
    for (const int major : {SF_FORMAT_WAV, SF_FORMAT_WAVEX}) {
        for (const int channels : {1, 2}) {
            const std::string path = WriteSineFile(
                dir + "/tone" + std::to_string(major) + std::to_string(channels) + ".wav",
                major | SF_FORMAT_PCM_16, 44100, channels, 1.0, 441.0, 0.9);
            ASSERT_FALSE(path.empty());
            CPcm16WavFile file;
            ASSERT_TRUE(file.Open(path, channels, kFrames));
            // A read longer than one internal piece, starting mid-file.
            const int64_t count = 40000;
            std::vector<float> read(static_cast<size_t>(count * channels), -3.0f);
            EXPECT_EQ(file.Read(1234, count, read.data()), count);
            EXPECT_EQ(read, ReadWithLibsndfile(path, 1234, count, channels));
            // Reads stop at the end the file was opened with.
            EXPECT_EQ(file.Read(kFrames - 10, 100, read.data()), 10);
            EXPECT_EQ(file.Read(kFrames, 100, read.data()), 0);
            EXPECT_EQ(file.Read(-1, 100, read.data()), 0);
        }
    }
}

// The conversion works on whole vectors in the middle of a read and sample by sample at its
// ends; every placement of the target and every length lands on libsndfile's values, the
// extremes of the 16-bit range included.
TEST(CPcm16WavFile, GivesLibsndfilesSamplesAtAnyTargetPlacementAndLength) {
    const std::string path = SoundFixtures::FreshDir("pcm16-edges") + "/edges.wav";
    std::vector<short> samples;
    for (int index = 0; index < 400; ++index) {
        const short pattern[] = {-32768, 32767, -1, 0, 1, 12345, -12345};
        samples.push_back(pattern[index % 7]);
    }
    SF_INFO info{};
    info.samplerate = 44100;
    info.channels = 2;
    info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
    SNDFILE* out = sf_open(path.c_str(), SFM_WRITE, &info);
    ASSERT_NE(out, nullptr);
    sf_writef_short(out, samples.data(), 200);
    sf_close(out);
    CPcm16WavFile file;
    ASSERT_TRUE(file.Open(path, 2, 200));
    for (const int shift : {0, 1, 2, 3, 5}) {
        for (const int64_t count : {1, 2, 3, 4, 5, 9, 17, 150}) {
            std::vector<float> read(static_cast<size_t>(count * 2 + shift), -3.0f);
            ASSERT_EQ(file.Read(7, count, read.data() + shift), count);
            const std::vector<float> placed(read.begin() + shift, read.end());
            EXPECT_EQ(placed, ReadWithLibsndfile(path, 7, count, 2)) << shift << " " << count;
            for (int before = 0; before < shift; ++before)
                EXPECT_EQ(read[static_cast<size_t>(before)], -3.0f);
        }
    }
}

TEST(CPcm16WavFile, RefusesWhatItDoesNotReadItself) {
    const std::string dir = SoundFixtures::FreshDir("pcm16-refused");
    const std::string pcm24 =
        WriteSineFile(dir + "/deep.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_24, 44100, 2, 0.1, 440, 0.5);
    const std::string floats =
        WriteSineFile(dir + "/float.wav", SF_FORMAT_WAV | SF_FORMAT_FLOAT, 44100, 2, 0.1, 440, 0.5);
    const std::string aiff = WriteSineFile(dir + "/tone.aiff", SF_FORMAT_AIFF | SF_FORMAT_PCM_16,
                                           44100, 2, 0.1, 440, 0.5);
    const std::string wav =
        WriteSineFile(dir + "/tone.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_16, 44100, 2, 0.1, 440, 0.5);
    for (const std::string& path : {pcm24, floats, aiff})
        EXPECT_FALSE(CPcm16WavFile().Open(path, 2, 4410)) << path;
    EXPECT_FALSE(CPcm16WavFile().Open(wav, 1, 4410)) << "wrong channel count";
    EXPECT_FALSE(CPcm16WavFile().Open(wav, 2, 4411)) << "more frames than the data chunk holds";
    EXPECT_FALSE(CPcm16WavFile().Open(dir + "/missing.wav", 2, 10));
    ASSERT_TRUE(SoundFixtures::WriteBytes(dir + "/junk.wav", "RIFF\x04\0\0\0WAVE"));
    EXPECT_FALSE(CPcm16WavFile().Open(dir + "/junk.wav", 2, 1));
}

TEST(CPcm16WavFile, AFileCutShortAfterOpeningGivesOnlyTheFramesItStillHolds) {
    const std::string dir = SoundFixtures::FreshDir("pcm16-cut");
    const std::string path =
        WriteSineFile(dir + "/tone.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_16, 44100, 2, 1.0, 440, 0.5);
    CPcm16WavFile file;
    ASSERT_TRUE(file.Open(path, 2, kFrames));
    const std::vector<float> before = ReadWithLibsndfile(path, 0, 1000, 2);
    CWaveChunks chunks;
    ASSERT_TRUE(chunks.ReadFile(path));
    ASSERT_NE(chunks.Find("data"), nullptr);
    // 1000 whole frames and half of the next.
    ASSERT_TRUE(SoundFixtures::TruncateFile(path, chunks.Find("data")->bodyOffset + 1000 * 4 + 2));
    std::vector<float> read(4000, 7.0f);
    EXPECT_EQ(file.Read(0, 2000, read.data()), 1000);
    EXPECT_TRUE(std::equal(before.begin(), before.end(), read.begin()));
    EXPECT_EQ(read[2000], 7.0f) << "nothing written past what was read";
    EXPECT_EQ(file.Read(1500, 100, read.data()), 0);
}

} // namespace
