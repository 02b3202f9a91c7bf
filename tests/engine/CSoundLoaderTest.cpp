#include "engine/CSoundLoader.h"
#include "engine/SoundFixtures.h"
#include "support/LogCapture.h"

#include <gtest/gtest.h>
#include <sndfile.h>

#include <chrono>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
using SoundFixtures::WriteSineFile;

constexpr int kWav16 = SF_FORMAT_WAV | SF_FORMAT_PCM_16;

class CSoundLoaderTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir = SoundFixtures::FreshDir("loader");
        cacheDir = dir + "/cache";
        CSoundLoader::SetTempSndPath(cacheDir);
    }
    void TearDown() override { CSoundLoader::SetTempSndPath(""); }

    std::string Sine(const std::string& name, int format, int rate, int channels = 2,
                     double seconds = 1.0, double hz = 440.0) {
        const std::string path =
            WriteSineFile(dir + "/" + name, format, rate, channels, seconds, hz, 0.5);
        EXPECT_FALSE(path.empty()) << name;
        return path;
    }

    std::vector<std::string> CacheFiles() const {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(cacheDir))
            names.push_back(entry.path().filename().string());
        return names;
    }

    // A load that must fail: no data, a reason, and a log line naming the file.
    void ExpectCleanFailure(const std::string& path, const std::string& reason,
                            int mixerRate = 44100) {
        LogCapture log;
        const LoadedSound sound = CSoundLoader::Load(path, mixerRate);
        EXPECT_EQ(sound.data, nullptr) << path;
        EXPECT_NE(sound.error.find(reason), std::string::npos) << sound.error;
        EXPECT_TRUE(log.Contains("CSoundLoader::Load failed on '" + path + "'"));
        EXPECT_TRUE(log.Contains("returning false!"));
    }

    std::string dir;
    std::string cacheDir;
};

struct FormatCase {
    const char* name;
    int format;
    int64_t frameTolerance;
};

class CSoundLoaderFormats : public CSoundLoaderTest,
                            public ::testing::WithParamInterface<FormatCase> {};

TEST_P(CSoundLoaderFormats, DecodesTheToneAtItsLength) {
    const FormatCase& format = GetParam();
    const std::string path = Sine(format.name, format.format, 44100);
    const LoadedSound sound = CSoundLoader::Load(path, 44100);
    ASSERT_NE(sound.data, nullptr) << sound.error;
    EXPECT_EQ(sound.sourceRate, 44100);
    EXPECT_EQ(sound.sourceChannels, 2);
    EXPECT_EQ(sound.data->Channels(), 2);
    EXPECT_EQ(sound.data->Rate(), 44100);
    EXPECT_NEAR(static_cast<double>(sound.data->Frames()), 44100.0,
                static_cast<double>(format.frameTolerance));
    const int64_t frames = sound.data->Frames();
    std::vector<float> all(static_cast<size_t>(frames) * 2);
    sound.data->ReadFrames(0, frames, all.data());
    const float* samples = all.data();
    EXPECT_NEAR(SoundFixtures::ToneFrequency(samples, frames, 2, 44100), 440.0, 2.0);
    EXPECT_NEAR(SoundFixtures::Rms(samples + frames / 2 * 2, frames / 4, 2, 1),
                0.5 / std::sqrt(2.0), 0.02);
    EXPECT_EQ(sound.tempo, 0.0);
    EXPECT_EQ(sound.rootNote, 0);
}

INSTANTIATE_TEST_SUITE_P(
    AllFormats, CSoundLoaderFormats,
    ::testing::Values(FormatCase{"tone16.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_16, 0},
                      FormatCase{"tone24.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_24, 0},
                      FormatCase{"tonefloat.wav", SF_FORMAT_WAV | SF_FORMAT_FLOAT, 0},
                      FormatCase{"tone.aif", SF_FORMAT_AIFF | SF_FORMAT_PCM_16, 0},
                      FormatCase{"tone.flac", SF_FORMAT_FLAC | SF_FORMAT_PCM_16, 0},
                      FormatCase{"tone.ogg", SF_FORMAT_OGG | SF_FORMAT_VORBIS, 0},
                      FormatCase{"tone.mp3", SF_FORMAT_MPEG | SF_FORMAT_MPEG_LAYER_III, 0}),
    [](const auto& info) {
        std::string name = info.param.name;
        for (char& c : name)
            if (!std::isalnum(static_cast<unsigned char>(c)))
                c = '_';
        return name;
    });

TEST_F(CSoundLoaderTest, ConvertsToTheMixerRate) {
    const std::string path = Sine("tone48k.wav", kWav16, 48000, 2, 1.5, 1000.0);
    const LoadedSound sound = CSoundLoader::Load(path, 44100);
    ASSERT_NE(sound.data, nullptr) << sound.error;
    EXPECT_EQ(sound.sourceRate, 48000);
    EXPECT_EQ(sound.data->Rate(), 44100);
    EXPECT_NEAR(static_cast<double>(sound.data->Frames()), std::round(72000.0 * 44100 / 48000),
                1.0);
    EXPECT_NEAR(SoundFixtures::ToneFrequency(sound.data->Samples(), sound.data->Frames(), 2, 44100),
                1000.0, 1.0);

    const LoadedSound up = CSoundLoader::Load(Sine("tone22k.wav", kWav16, 22050, 1), 48000);
    ASSERT_NE(up.data, nullptr) << up.error;
    EXPECT_NEAR(static_cast<double>(up.data->Frames()), 48000.0, 1.0);
}

TEST_F(CSoundLoaderTest, KeepsMonoAndFoldsManyChannelsToStereo) {
    const LoadedSound mono = CSoundLoader::Load(Sine("mono.wav", kWav16, 44100, 1), 44100);
    ASSERT_NE(mono.data, nullptr) << mono.error;
    EXPECT_EQ(mono.data->Channels(), 1);

    const LoadedSound quad = CSoundLoader::Load(Sine("quad.wav", kWav16, 44100, 4), 44100);
    ASSERT_NE(quad.data, nullptr) << quad.error;
    EXPECT_EQ(quad.sourceChannels, 4);
    EXPECT_EQ(quad.data->Channels(), 2);
    const int64_t frames = quad.data->Frames();
    EXPECT_NEAR(SoundFixtures::Rms(quad.data->Samples(), frames, 2, 0), 0.5 / std::sqrt(2.0), 0.01);
    EXPECT_NEAR(SoundFixtures::Rms(quad.data->Samples(), frames, 2, 1), 0.5 / std::sqrt(2.0), 0.01);
}

TEST_F(CSoundLoaderTest, DecodesWmaThroughFFmpeg) {
    if (!SoundFixtures::HaveProgram("ffmpeg"))
        GTEST_SKIP() << "the ffmpeg program is needed to make a WMA file";
    const std::string path = dir + "/tone.wma";
    const std::string command = "ffmpeg -nostdin -hide_banner -loglevel error -f lavfi -i "
                                "sine=frequency=440:sample_rate=44100:duration=2 -ac 2 "
                                "-c:a wmav2 -y '" +
                                path + "'";
    ASSERT_EQ(std::system(command.c_str()), 0);
    LogCapture log;
    const LoadedSound sound = CSoundLoader::Load(path, 48000);
    ASSERT_NE(sound.data, nullptr) << sound.error;
    EXPECT_TRUE(log.Contains("with FFmpeg"));
    EXPECT_EQ(sound.sourceRate, 44100);
    EXPECT_EQ(sound.data->Channels(), 2);
    EXPECT_NEAR(sound.data->LengthMs(), 2000.0, 100.0);
    const int64_t frames = sound.data->Frames();
    EXPECT_NEAR(
        SoundFixtures::ToneFrequency(sound.data->Samples() + frames / 2, frames / 4, 2, 48000),
        440.0, 2.0);
    // FFmpeg is opened when a sound first needs it; the program is not linked to it.
    std::ifstream maps("/proc/self/maps");
    const std::string mapped{std::istreambuf_iterator<char>(maps), {}};
    EXPECT_NE(mapped.find("libavcodec.so"), std::string::npos);
}

TEST_F(CSoundLoaderTest, AWavCutShortPlaysWhatItHoldsAndSaysSo) {
    const std::string whole = Sine("whole.wav", kWav16, 44100);
    const LoadedSound full = CSoundLoader::Load(whole, 44100);
    ASSERT_NE(full.data, nullptr) << full.error;
    EXPECT_TRUE(full.damage.empty());

    // A recording stopped by a crash: the header still announces it all.
    const std::string cut = Sine("cut.wav", kWav16, 44100);
    ASSERT_TRUE(SoundFixtures::TruncateFile(cut, fs::file_size(cut) / 2));
    for (int pass = 0; pass < 2; ++pass) {
        LogCapture log;
        const LoadedSound sound = CSoundLoader::Load(cut, 44100);
        ASSERT_NE(sound.data, nullptr) << sound.error;
        EXPECT_NEAR(static_cast<double>(sound.data->Frames()),
                    static_cast<double>(full.data->Frames()) / 2, 100.0);
        EXPECT_NE(sound.damage.find("cut short"), std::string::npos) << sound.damage;
        EXPECT_TRUE(log.Contains("playing what it holds"));
        // Never taken from the cache, where its damage would be forgotten.
        EXPECT_FALSE(sound.fromCache);
    }
}

TEST_F(CSoundLoaderTest, AnOggWithDamagedPagesPlaysWhatCanBeDecoded) {
    if (!SoundFixtures::HaveProgram("ffmpeg"))
        GTEST_SKIP() << "the ffmpeg program is needed to make an OGG file";
    const std::string path = dir + "/damaged.ogg";
    const std::string command = "ffmpeg -nostdin -hide_banner -loglevel error -f lavfi -i "
                                "sine=frequency=440:sample_rate=44100:duration=4 -ac 2 "
                                "-c:a libvorbis -y '" +
                                path + "'";
    if (std::system(command.c_str()) != 0)
        GTEST_SKIP() << "ffmpeg cannot encode Vorbis here";
    // Garbage over a stretch in the middle, as a bad sector leaves.
    std::ifstream in(path, std::ios::binary);
    std::string bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    in.close();
    ASSERT_GT(bytes.size(), 4000u);
    for (size_t i = bytes.size() / 2; i < bytes.size() / 2 + 600; ++i)
        bytes[i] = static_cast<char>(i * 7);
    ASSERT_TRUE(SoundFixtures::WriteBytes(path, bytes));
    const LoadedSound sound = CSoundLoader::Load(path, 44100);
    ASSERT_NE(sound.data, nullptr) << sound.error;
    // At least what comes before the damage plays.
    EXPECT_GT(sound.data->LengthMs(), 1500.0);
}

TEST_F(CSoundLoaderTest, FailsCleanlyOnFilesItCannotDecode) {
    const std::string headerOnly = Sine("header.wav", kWav16, 44100);
    ASSERT_TRUE(SoundFixtures::TruncateFile(headerOnly, 30));
    ExpectCleanFailure(headerOnly, "no decoder accepts it");

    const std::string empty = dir + "/empty.wav";
    ASSERT_TRUE(SoundFixtures::WriteBytes(empty, ""));
    ExpectCleanFailure(empty, "empty file");

    const std::string text = dir + "/notes.mp3";
    ASSERT_TRUE(SoundFixtures::WriteBytes(text, "These are my notes for the session.\n"
                                                "Bass take 3 is the good one.\n"));
    ExpectCleanFailure(text, "no decoder accepts it");

    std::string noise;
    uint32_t seed = 7;
    for (int i = 0; i < 20000; ++i) {
        seed = seed * 1664525u + 1013904223u;
        noise.push_back(static_cast<char>(seed >> 24));
    }
    const std::string random = dir + "/noise.ogg";
    ASSERT_TRUE(SoundFixtures::WriteBytes(random, noise));
    const LoadedSound garbage = CSoundLoader::Load(random, 44100);
    EXPECT_TRUE(garbage.data == nullptr || garbage.data->Frames() > 0);

    ExpectCleanFailure(dir + "/missing.wav", "cannot open the file");
    ExpectCleanFailure(dir, "not a regular file");
    ExpectCleanFailure(Sine("rate.wav", kWav16, 44100), "unsupported mixer rate", 0);
    ExpectCleanFailure(dir + "/rate.wav", "unsupported mixer rate", 1000000);
    EXPECT_TRUE(CacheFiles().empty()) << "a failed load leaves nothing in the cache";
}

TEST_F(CSoundLoaderTest, ReadsTempoAndRootNoteFromTheAcidChunk) {
    // At another rate than the mixer's, so that it goes through the cache.
    const std::string loop = Sine("loop.wav", kWav16, 48000);
    ASSERT_TRUE(SoundFixtures::AppendAcidChunk(loop, 0x02, 60, 2, 120.0f));
    for (int pass = 0; pass < 2; ++pass) { // decoded, then from the cache
        const LoadedSound sound = CSoundLoader::Load(loop, 44100);
        ASSERT_NE(sound.data, nullptr) << sound.error;
        EXPECT_EQ(sound.fromCache, pass == 1);
        EXPECT_DOUBLE_EQ(sound.tempo, 120.0);
        EXPECT_EQ(sound.rootNote, 60);
        EXPECT_EQ(sound.beatCount, 2);
        EXPECT_DOUBLE_EQ(sound.beatLengthMs, 500.0);
        EXPECT_NEAR(static_cast<double>(sound.data->Frames()), 44100.0, 1.0);
    }
}

TEST_F(CSoundLoaderTest, ReusesTheCacheWithoutDecoding) {
    const std::string path = Sine("cached.wav", kWav16, 48000);
    const int64_t before = CSoundLoader::DecodeCount();
    const LoadedSound first = CSoundLoader::Load(path, 44100);
    ASSERT_NE(first.data, nullptr) << first.error;
    EXPECT_FALSE(first.fromCache);
    EXPECT_EQ(CSoundLoader::DecodeCount(), before + 1);
    ASSERT_FALSE(first.cachePath.empty());
    EXPECT_TRUE(fs::exists(first.cachePath));
    EXPECT_EQ(fs::path(first.cachePath).parent_path(), fs::path(cacheDir));
    EXPECT_EQ(fs::path(first.peakPath).extension(), ".ipk");

    LogCapture log;
    const LoadedSound second = CSoundLoader::Load(path, 44100);
    ASSERT_NE(second.data, nullptr) << second.error;
    EXPECT_TRUE(second.fromCache);
    EXPECT_EQ(CSoundLoader::DecodeCount(), before + 1);
    EXPECT_TRUE(log.Contains("reused from"));
    EXPECT_EQ(second.cachePath, first.cachePath);
    EXPECT_EQ(second.sourceRate, 48000);
    EXPECT_EQ(second.sourceChannels, 2);
    ASSERT_EQ(second.data->Frames(), first.data->Frames());
    EXPECT_EQ(std::memcmp(second.data->Samples(), first.data->Samples(),
                          static_cast<size_t>(first.data->Frames()) * 2 * sizeof(float)),
              0);

    const LoadedSound otherRate = CSoundLoader::Load(path, 48000);
    ASSERT_NE(otherRate.data, nullptr);
    EXPECT_FALSE(otherRate.fromCache) << "another mixer rate is another entry";
    EXPECT_NE(otherRate.cachePath, first.cachePath);
    for (const std::string& name : CacheFiles())
        EXPECT_EQ(name.find(".tmp"), std::string::npos) << name;
}

TEST_F(CSoundLoaderTest, ReadsASoundAtTheMixerRateFromItsOwnFile) {
    for (const char* name : {"plain.wav", "plain.flac"}) {
        const int format =
            fs::path(name).extension() == ".wav" ? kWav16 : SF_FORMAT_FLAC | SF_FORMAT_PCM_16;
        const std::string path = Sine(name, format, 44100, 1);
        const int64_t before = CSoundLoader::DecodeCount();
        const LoadedSound sound = CSoundLoader::Load(path, 44100);
        ASSERT_NE(sound.data, nullptr) << sound.error;
        EXPECT_TRUE(sound.data->IsStreamed());
        EXPECT_EQ(sound.data->Frames(), 44100);
        EXPECT_EQ(sound.data->Channels(), 1);
        EXPECT_TRUE(sound.cachePath.empty());
        EXPECT_EQ(CSoundLoader::DecodeCount(), before);
        EXPECT_TRUE(CacheFiles().empty()) << "no float copy on disk";
        // The frames are the file's, read where they are asked for.
        SF_INFO info{};
        SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
        ASSERT_NE(file, nullptr);
        std::vector<float> expected(100);
        sf_seek(file, 30000, SEEK_SET);
        ASSERT_EQ(sf_readf_float(file, expected.data(), 100), 100);
        sf_close(file);
        std::vector<float> read(100);
        sound.data->ReadFrames(30000, 100, read.data());
        EXPECT_EQ(read, expected);
        sound.data->ReadFrames(44050, 100, read.data());
        EXPECT_EQ(read[60], 0.0f) << "past the end is silence";
    }
    // Other rates, and compressed files that seek slowly, use the cache.
    EXPECT_FALSE(CSoundLoader::Load(Sine("fast.wav", kWav16, 48000), 44100).data->IsStreamed());
    EXPECT_FALSE(
        CSoundLoader::Load(Sine("tone.ogg", SF_FORMAT_OGG | SF_FORMAT_VORBIS, 44100), 44100)
            .data->IsStreamed());
}

TEST_F(CSoundLoaderTest, RebuildsTheCacheWhenTheSourceChanges) {
    const std::string path = Sine("changing.wav", kWav16, 48000);
    const LoadedSound first = CSoundLoader::Load(path, 44100);
    ASSERT_NE(first.data, nullptr) << first.error;

    // Same bytes, newer time: decoded again.
    fs::last_write_time(path, fs::last_write_time(path) + std::chrono::seconds(5));
    int64_t before = CSoundLoader::DecodeCount();
    const LoadedSound touched = CSoundLoader::Load(path, 44100);
    ASSERT_NE(touched.data, nullptr);
    EXPECT_FALSE(touched.fromCache);
    EXPECT_EQ(CSoundLoader::DecodeCount(), before + 1);
    EXPECT_NE(touched.cachePath, first.cachePath);
    EXPECT_FALSE(fs::exists(first.cachePath)) << "the outdated entry is removed";
    EXPECT_EQ(first.data->Samples()[100], touched.data->Samples()[100]) << "still mapped";

    // Rewritten with other content: the new content is what loads.
    Sine("changing.wav", kWav16, 48000, 1, 2.0, 220.0);
    before = CSoundLoader::DecodeCount();
    const LoadedSound rewritten = CSoundLoader::Load(path, 44100);
    ASSERT_NE(rewritten.data, nullptr);
    EXPECT_EQ(CSoundLoader::DecodeCount(), before + 1);
    EXPECT_EQ(rewritten.data->Channels(), 1);
    EXPECT_NEAR(static_cast<double>(rewritten.data->Frames()), 88200.0, 1.0);
    EXPECT_EQ(CacheFiles().size(), 2u) << "one .f32 and one .meta";
}

TEST_F(CSoundLoaderTest, DistrustsADamagedCacheEntry) {
    const std::string path = Sine("damaged.wav", kWav16, 48000);
    const LoadedSound first = CSoundLoader::Load(path, 44100);
    ASSERT_NE(first.data, nullptr);
    const std::string meta = fs::path(first.cachePath).replace_extension(".meta").string();
    ASSERT_TRUE(fs::exists(meta));

    ASSERT_TRUE(SoundFixtures::TruncateFile(first.cachePath, 4000));
    LoadedSound again = CSoundLoader::Load(path, 44100);
    ASSERT_NE(again.data, nullptr);
    EXPECT_FALSE(again.fromCache) << "data shorter than its metadata says";
    EXPECT_NEAR(static_cast<double>(again.data->Frames()), 44100.0, 1.0);

    ASSERT_TRUE(SoundFixtures::TruncateFile(meta, 20));
    again = CSoundLoader::Load(path, 44100);
    ASSERT_NE(again.data, nullptr);
    EXPECT_FALSE(again.fromCache) << "metadata cut short";

    ASSERT_TRUE(SoundFixtures::WriteBytes(meta, std::string(200, '\xff')));
    again = CSoundLoader::Load(path, 44100);
    ASSERT_NE(again.data, nullptr);
    EXPECT_FALSE(again.fromCache) << "metadata of garbage";

    fs::remove(meta);
    again = CSoundLoader::Load(path, 44100);
    ASSERT_NE(again.data, nullptr);
    EXPECT_FALSE(again.fromCache) << "data without metadata is an unfinished entry";
    EXPECT_TRUE(CSoundLoader::Load(path, 44100).fromCache);
}

TEST_F(CSoundLoaderTest, HoldsTheSoundInMemoryWithoutAUsableFolder) {
    const std::string path = Sine("memory.wav", kWav16, 48000);
    CSoundLoader::SetTempSndPath("");
    LogCapture log;
    LoadedSound sound = CSoundLoader::Load(path, 44100);
    ASSERT_NE(sound.data, nullptr) << sound.error;
    EXPECT_TRUE(sound.cachePath.empty());
    EXPECT_TRUE(sound.peakPath.empty());
    EXPECT_NEAR(static_cast<double>(sound.data->Frames()), 44100.0, 1.0);
    EXPECT_TRUE(log.Contains("holding '" + path + "' in memory"));

    // A folder that cannot be made: its parent is a file.
    const std::string blocker = dir + "/blocker";
    ASSERT_TRUE(SoundFixtures::WriteBytes(blocker, "x"));
    CSoundLoader::SetTempSndPath(blocker + "/cache");
    EXPECT_EQ(CSoundLoader::GetTempSndPath(), blocker + "/cache");
    LogCapture blockedLog;
    sound = CSoundLoader::Load(path, 44100);
    ASSERT_NE(sound.data, nullptr) << sound.error;
    EXPECT_TRUE(sound.cachePath.empty());
    EXPECT_TRUE(blockedLog.Contains("could not write the cache file"));
    EXPECT_NEAR(static_cast<double>(sound.data->Frames()), 44100.0, 1.0);
}

} // namespace
