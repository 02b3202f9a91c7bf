#include "engine/CRenderWorker.h"

#include "engine/CEffectChain.h"
#include "engine/CGainEffect.h"
#include "engine/CPCMMixer.h"
#include "engine/CPCMSound.h"
#include "engine/CSoundGroup.h"
#include "engine/SoundFixtures.h"

#include <gtest/gtest.h>
#include <sndfile.h>

#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <thread>
#include <vector>

namespace {

constexpr int kRate = kMixerSampleRate;

using SoundPtr = SoundFixtures::AtomPtr<CPCMSound>;

// Adds a sound to the mixer's group on a track at a time.
SoundPtr AddSound(CPCMMixer& mixer, std::shared_ptr<const CSoundData> data, int track,
                  double atMs) {
    SoundPtr sound(new CPCMSound());
    EXPECT_TRUE(sound->SetSoundData(std::move(data)));
    sound->SetTrackNumber(track);
    mixer.Lock();
    mixer.GetSoundGroup()->Add(sound.get(), atMs);
    mixer.Unlock();
    return sound;
}

// A quiet sound lasting lengthMs: one second of near silence, repeated.
SoundPtr AddLongQuietSound(CPCMMixer& mixer, double lengthMs) {
    SoundPtr sound = AddSound(mixer, SoundFixtures::SineData(1.0, 100.0, 1, 0.001), 0, 0.0);
    sound->SetLoopStart(0.0);
    sound->SetLoopEnd(1000.0);
    sound->SetVirtualLength(lengthMs);
    return sound;
}

CTrackRenderList OneEntry(double startMs, double endMs) {
    CTrackRenderList list;
    _renderWorkerTrackStruct entry;
    entry.startMs = startMs;
    entry.endMs = endMs;
    EXPECT_TRUE(list.AddTrackInfo(entry));
    return list;
}

void WaitUntilStopped(const CRenderWorker& worker) {
    for (int wait = 0; wait < 12000 && worker.IsRunning(); ++wait)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    ASSERT_FALSE(worker.IsRunning());
}

struct ReadBack {
    int channels = 0;
    int rate = 0;
    int64_t frames = 0;
    std::vector<float> samples;
};

ReadBack ReadSound(const std::string& path) {
    ReadBack result;
    SF_INFO info{};
    SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
    if (!file)
        return result;
    result.channels = info.channels;
    result.rate = info.samplerate;
    result.frames = info.frames;
    result.samples.resize(static_cast<size_t>(info.frames * info.channels));
    sf_readf_float(file, result.samples.data(), info.frames);
    sf_close(file);
    return result;
}

std::string ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

uint32_t U32At(const std::string& bytes, size_t at) {
    uint32_t value = 0;
    for (int index = 3; index >= 0; --index)
        value = value << 8 | static_cast<uint8_t>(bytes[at + static_cast<size_t>(index)]);
    return value;
}

uint16_t U16At(const std::string& bytes, size_t at) {
    return static_cast<uint16_t>(static_cast<uint8_t>(bytes[at]) |
                                 static_cast<uint8_t>(bytes[at + 1]) << 8);
}

int FilesIn(const std::string& dir) {
    return static_cast<int>(std::distance(std::filesystem::directory_iterator(dir), {}));
}

TEST(CRenderWorker, RendersASineClipToWavWithItsDurationAndContent) {
    CPCMMixer mixer;
    mixer.AddTrack();
    SoundPtr sound = AddSound(mixer, SoundFixtures::SineData(2.0, 440.0, 1, 0.5), 0, 1000.0);
    mixer.SetPositionMs(500.0);
    const std::string path = SoundFixtures::FreshDir("render-sine") + "/mix.wav";

    CRenderWorker worker;
    const FormatDetails format = worker.FormatDetails(ConversionType::Wav);
    ASSERT_NE(worker.Start(false, mixer.GetSoundGroup(),
                           OneEntry(0.0, _renderWorkerTrackStruct::kToEnd), path, &mixer,
                           ConversionType::Wav, format, false, CRenderWorker::kAllTracks),
              0);
    WaitUntilStopped(worker);
    EXPECT_FALSE(worker.HasError());
    EXPECT_DOUBLE_EQ(worker.Progress(), 1.0);
    worker.CleanUp();

    const ReadBack file = ReadSound(path);
    ASSERT_EQ(file.channels, 2);
    EXPECT_EQ(file.rate, kRate);
    EXPECT_EQ(file.frames, 3 * kRate);
    const float* samples = file.samples.data();
    EXPECT_LT(SoundFixtures::Rms(samples, kRate, 2, 0), 1e-4);
    const float* tone = samples + 2 * kRate;
    EXPECT_NEAR(SoundFixtures::Rms(tone, 2 * kRate, 2, 0), 0.5 / std::sqrt(2.0), 0.01);
    EXPECT_NEAR(SoundFixtures::Rms(tone, 2 * kRate, 2, 1), 0.5 / std::sqrt(2.0), 0.01);
    EXPECT_NEAR(SoundFixtures::ToneFrequency(tone, 2 * kRate, 2, kRate), 440.0, 1.0);
    // Rendering leaves the playback position alone.
    EXPECT_DOUBLE_EQ(mixer.GetPositionMs(), 500.0);
}

TEST(CRenderWorker, AFreezeWritesAFloatWavHeader) {
    CPCMMixer mixer;
    mixer.AddTrack();
    SoundPtr sound = AddSound(mixer, SoundFixtures::SineData(0.5, 440.0, 1, 0.5), 0, 0.0);
    const std::string path = SoundFixtures::FreshDir("render-freeze-header") + "/frozen.WAV";
    const WaveFormat wave = mixer.GetFormat();

    CRenderWorker worker;
    ASSERT_NE(worker.Start(false, mixer.GetSoundGroup(), OneEntry(0.0, 501.0), path, &mixer,
                           ConversionType::Wav,
                           FormatDetails::FrozenTrack(wave.sampleRate, wave.channels), false, 0),
              0);
    WaitUntilStopped(worker);
    EXPECT_FALSE(worker.HasError());
    worker.CleanUp();

    const std::string bytes = ReadBytes(path);
    ASSERT_GE(bytes.size(), 44u);
    EXPECT_EQ(bytes.substr(0, 4), "RIFF");
    EXPECT_EQ(bytes.substr(8, 4), "WAVE");
    EXPECT_EQ(bytes.substr(12, 4), "fmt ");
    EXPECT_EQ(U16At(bytes, 20), 3);                         // IEEE float
    EXPECT_EQ(U16At(bytes, 22), wave.channels);             // channels
    EXPECT_EQ(U32At(bytes, 24), uint32_t(wave.sampleRate)); // rate
    EXPECT_EQ(U32At(bytes, 28), uint32_t(wave.sampleRate * wave.channels * 4));
    EXPECT_EQ(U16At(bytes, 32), wave.channels * 4); // block align
    EXPECT_EQ(U16At(bytes, 34), 32);                // bits per sample
    const ReadBack file = ReadSound(path);
    EXPECT_EQ(file.frames, std::llround(0.501 * kRate));
}

TEST(CRenderWorker, ThreeEntriesWriteThreeNumberedFiles) {
    CPCMMixer mixer;
    mixer.AddTrack();
    SoundPtr sound = AddLongQuietSound(mixer, 150000.0);
    const std::string dir = SoundFixtures::FreshDir("render-three");
    CTrackRenderList list;
    for (const auto& [start, end] : {std::pair{0.0, 60000.0}, std::pair{60000.0, 120000.0},
                                     std::pair{120000.0, _renderWorkerTrackStruct::kToEnd}}) {
        _renderWorkerTrackStruct entry;
        entry.startMs = start;
        entry.endMs = end;
        entry.trackNumber = list.Count() + 1;
        ASSERT_TRUE(list.AddTrackInfo(entry));
    }

    CRenderWorker worker;
    ASSERT_NE(worker.Start(true, mixer.GetSoundGroup(), list, dir + "/mix.wav", &mixer,
                           ConversionType::Wav, worker.FormatDetails(ConversionType::Wav), true,
                           CRenderWorker::kAllTracks),
              0);
    WaitUntilStopped(worker);
    EXPECT_FALSE(worker.HasError());
    worker.CleanUp();

    EXPECT_EQ(FilesIn(dir), 3);
    EXPECT_EQ(ReadSound(dir + "/mix-1.wav").frames, 60 * kRate);
    EXPECT_EQ(ReadSound(dir + "/mix-2.wav").frames, 60 * kRate);
    EXPECT_EQ(ReadSound(dir + "/mix-3.wav").frames, 30 * kRate);
}

TEST(CRenderWorker, AbortStopsSoonAndLeavesNoFile) {
    CPCMMixer mixer;
    mixer.AddTrack();
    SoundPtr sound = AddLongQuietSound(mixer, 3600000.0);
    const std::string dir = SoundFixtures::FreshDir("render-abort");

    CRenderWorker worker;
    ASSERT_NE(worker.Start(false, mixer.GetSoundGroup(),
                           OneEntry(0.0, _renderWorkerTrackStruct::kToEnd), dir + "/long.wav",
                           &mixer, ConversionType::Wav, worker.FormatDetails(ConversionType::Wav),
                           false, CRenderWorker::kAllTracks),
              0);
    while (worker.Progress() == 0.0 && worker.IsRunning())
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    ASSERT_TRUE(worker.IsRunning());
    const auto before = std::chrono::steady_clock::now();
    worker.Abort(1);
    const auto took = std::chrono::steady_clock::now() - before;
    EXPECT_LT(took, std::chrono::seconds(2));
    EXPECT_FALSE(worker.IsRunning());
    EXPECT_FALSE(worker.HasError());
    EXPECT_LT(worker.Progress(), 1.0);
    worker.CleanUp();
    EXPECT_EQ(FilesIn(dir), 0); // neither the file nor its temporary
}

TEST(CRenderWorker, AFolderThatCannotBeWrittenSetsTheErrorFlag) {
    CPCMMixer mixer;
    mixer.AddTrack();
    SoundPtr sound = AddSound(mixer, SoundFixtures::SineData(0.5, 440.0, 1, 0.5), 0, 0.0);
    const std::string dir = SoundFixtures::FreshDir("render-unwritable");
    ASSERT_TRUE(SoundFixtures::WriteBytes(dir + "/file.wav", "not a folder"));

    CRenderWorker worker;
    worker.Start(false, mixer.GetSoundGroup(), OneEntry(0.0, _renderWorkerTrackStruct::kToEnd),
                 dir + "/file.wav/out.wav", &mixer, ConversionType::Wav,
                 worker.FormatDetails(ConversionType::Wav), false, CRenderWorker::kAllTracks);
    WaitUntilStopped(worker);
    EXPECT_TRUE(worker.HasError());
    char text[CRenderWorker::kProgressTextSize];
    worker.ProgressText(text, sizeof(text));
    // The text names the file and the cause.
    EXPECT_EQ(std::string(text), "Render failed: could not start the file " + dir +
                                     "/file.wav/out.wav: cannot create a file in its folder: " +
                                     std::strerror(ENOTDIR));
    worker.CleanUp();
    EXPECT_EQ(FilesIn(dir), 1);
}

TEST(CRenderWorker, AFreezeHoldsOnlyItsTrackWithEffectsBeforeTheFader) {
    CPCMMixer mixer;
    mixer.AddTrack();
    mixer.AddTrack();
    SoundPtr low = AddSound(mixer, SoundFixtures::SineData(1.0, 440.0, 1, 0.5), 0, 0.0);
    SoundPtr high = AddSound(mixer, SoundFixtures::SineData(1.0, 1000.0, 1, 0.5), 1, 0.0);
    CPCMTrack& frozen = *mixer.GetTrack(1);
    frozen.SetVolume(0.25);
    frozen.SetPan(-1.0);
    frozen.SetIsMute(true);
    auto gain = std::make_unique<CGainEffect>();
    gain->SetParameter(CGainEffect::kGainDb, -6.0206f);
    ASSERT_TRUE(frozen.GetEffectChain()->Insert(std::move(gain), -1));
    const std::string path = SoundFixtures::FreshDir("render-freeze-track") + "/frozen.wav";

    CRenderWorker worker;
    ASSERT_NE(worker.Start(false, mixer.GetSoundGroup(), OneEntry(0.0, 1000.0), path, &mixer,
                           ConversionType::Wav, FormatDetails::FrozenTrack(kRate, 2), false, 1),
              0);
    WaitUntilStopped(worker);
    EXPECT_FALSE(worker.HasError());
    worker.CleanUp();

    const ReadBack file = ReadSound(path);
    ASSERT_EQ(file.frames, kRate);
    EXPECT_NEAR(SoundFixtures::ToneFrequency(file.samples.data(), kRate, 2, kRate), 1000.0, 2.0);
    for (int channel = 0; channel < 2; ++channel)
        EXPECT_NEAR(SoundFixtures::Rms(file.samples.data(), kRate, 2, channel),
                    0.25 / std::sqrt(2.0), 0.005);
}

TEST(CRenderWorker, StartRefusesBadArguments) {
    CPCMMixer mixer;
    mixer.AddTrack();
    const std::string path = SoundFixtures::FreshDir("render-refused") + "/x.wav";
    const CTrackRenderList one = OneEntry(0.0, 100.0);
    CTrackRenderList two = OneEntry(0.0, 100.0);
    ASSERT_TRUE(two.AddTrackInfo(*one.At(0)));
    CRenderWorker worker;
    const FormatDetails wav = worker.FormatDetails(ConversionType::Wav);
    CSoundGroup* group = mixer.GetSoundGroup();
    EXPECT_EQ(worker.Start(false, nullptr, one, path, &mixer, ConversionType::Wav, wav, false, -1),
              0);
    EXPECT_TRUE(worker.HasError());
    EXPECT_EQ(worker.Start(false, group, CTrackRenderList(), path, &mixer, ConversionType::Wav, wav,
                           false, -1),
              0);
    EXPECT_EQ(worker.Start(false, group, one, path, &mixer, ConversionType::Mp3, wav, false, -1),
              0);
    EXPECT_EQ(worker.Start(false, group, one, path, &mixer, ConversionType::Wav, wav, false, 5), 0);
    EXPECT_EQ(worker.Start(false, group, two, path, &mixer, ConversionType::Wav, wav, false, -1),
              0);
    FormatDetails mono = wav;
    mono.channels = 1;
    EXPECT_EQ(worker.Start(false, group, one, path, &mixer, ConversionType::Wav, mono, false, -1),
              0);
    worker.CleanUp();
    EXPECT_FALSE(std::filesystem::exists(path));
}

TEST(CRenderWorker, NumberedPathsKeepTheExtension) {
    EXPECT_EQ(CRenderWorker::NumberedPath("/a/song.wav", 2), "/a/song-2.wav");
    EXPECT_EQ(CRenderWorker::NumberedPath("/a.b/song", 3), "/a.b/song-3");
    EXPECT_EQ(CRenderWorker::NumberedPath("C:\\x.y\\mix.Mp3", 12), "C:\\x.y\\mix-12.Mp3");
}

TEST(CTrackRenderList, RefusesEntriesThatCoverNoRange) {
    CTrackRenderList list;
    _renderWorkerTrackStruct entry;
    entry.startMs = -1.0;
    EXPECT_FALSE(list.AddTrackInfo(entry));
    entry.startMs = NAN;
    EXPECT_FALSE(list.AddTrackInfo(entry));
    entry.startMs = 100.0;
    entry.endMs = 50.0;
    EXPECT_FALSE(list.AddTrackInfo(entry));
    entry.endMs = NAN;
    EXPECT_FALSE(list.AddTrackInfo(entry));
    entry.endMs = 100.0;
    EXPECT_TRUE(list.AddTrackInfo(entry));
    entry.endMs = _renderWorkerTrackStruct::kToEnd;
    EXPECT_TRUE(list.AddTrackInfo(entry));
    EXPECT_EQ(list.Count(), 2);
    EXPECT_EQ(list.At(2), nullptr);
    EXPECT_EQ(list.At(-1), nullptr);
}

} // namespace
