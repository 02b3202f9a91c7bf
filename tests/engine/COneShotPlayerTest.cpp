#include "engine/COneShotPlayer.h"

#include "engine/AllocationCounter.h"
#include "engine/CNullDevice.h"
#include "engine/CPCMMixer.h"
#include "engine/CPCMSound.h"
#include "engine/CSoundGroup.h"
#include "engine/HeardOnce.h"
#include "engine/SoundFixtures.h"
#include "support/LogCapture.h"

#include <sndfile.h>

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <string>
#include <vector>

namespace {

using SoundPtr = SoundFixtures::AtomPtr<CPCMSound>;

constexpr int kRate = kMixerSampleRate;

// A stereo float WAV at the mixer's rate whose sides differ: 440 Hz on the
// left, a quieter 660 Hz on the right. Returns its samples as written.
std::vector<float> WriteStereoCue(const std::string& path, int64_t frames) {
    std::vector<float> samples(static_cast<size_t>(frames) * 2);
    for (int64_t frame = 0; frame < frames; ++frame) {
        const double t = static_cast<double>(frame) / kRate;
        samples[frame * 2] = static_cast<float>(0.5 * std::sin(2 * std::numbers::pi * 440.0 * t));
        samples[frame * 2 + 1] =
            static_cast<float>(0.25 * std::sin(2 * std::numbers::pi * 660.0 * t));
    }
    SF_INFO info{};
    info.samplerate = kRate;
    info.channels = 2;
    info.format = SF_FORMAT_WAV | SF_FORMAT_FLOAT;
    SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
    EXPECT_NE(file, nullptr) << path;
    if (file) {
        EXPECT_EQ(sf_writef_float(file, samples.data(), frames), frames);
        sf_close(file);
    }
    return samples;
}

std::vector<float> RenderOffline(CPCMMixer& mixer, int64_t frames, int blockFrames) {
    std::vector<float> out(static_cast<size_t>(frames) * 2, 1.0f);
    mixer.GetNullDevice().RenderOffline(out.data(), frames, blockFrames);
    return out;
}

class OneShotTest : public ::testing::Test {
protected:
    void SetUp() override { dir = SoundFixtures::FreshDir("OneShot") + "/"; }

    std::string dir;
};

TEST_F(OneShotTest, TheSoundIsMixedIntoTheOutputExactlyOnce) {
    const std::vector<float> written = WriteStereoCue(dir + "cue.wav", 3000);
    std::vector<float> decoded;
    std::string reason;
    ASSERT_TRUE(COneShotPlayer::Decode(dir + "cue.wav", decoded, reason)) << reason;
    EXPECT_EQ(decoded, written);
    CPCMMixer mixer;
    mixer.StartOneShot(decoded);
    EXPECT_TRUE(mixer.IsOneShotPlaying());
    // Blocks that do not divide the sound: it goes on where the last block left it.
    const std::vector<float> out = RenderOffline(mixer, 3 * 3000, 700);
    EXPECT_TRUE(HeardOnceOnSilence(out, written));
    EXPECT_EQ(std::vector<float>(out.begin(), out.begin() + 6000), written);
    EXPECT_FALSE(mixer.IsOneShotPlaying());
    const std::vector<float> later = RenderOffline(mixer, 2000, 512);
    EXPECT_EQ(later, std::vector<float>(4000, 0.0f));
}

TEST_F(OneShotTest, ItIsAddedOnTopOfWhatPlaysAndLeavesTheTransportAlone) {
    const std::vector<float> cue = WriteStereoCue(dir + "cue.wav", 2000);
    const auto playTone = [](CPCMMixer& mixer, SoundPtr& tone) {
        tone.reset(new CPCMSound());
        ASSERT_TRUE(tone->SetSoundData(SoundFixtures::SineData(1.0, 220.0, 2, 0.3)));
        tone->SetTrackNumber(0);
        mixer.AddTrack();
        mixer.GetSoundGroup()->Add(tone.get(), 0.0);
        ASSERT_TRUE(mixer.Play(mixer.GetSoundGroup(), 0.0, 0));
    };
    CPCMMixer plain;
    CPCMMixer withCue;
    SoundPtr plainTone;
    SoundPtr cueTone;
    playTone(plain, plainTone);
    playTone(withCue, cueTone);
    std::vector<float> decoded;
    std::string reason;
    ASSERT_TRUE(COneShotPlayer::Decode(dir + "cue.wav", decoded, reason)) << reason;
    withCue.StartOneShot(decoded);
    const std::vector<float> without = RenderOffline(plain, 4000, 512);
    const std::vector<float> with = RenderOffline(withCue, 4000, 512);
    for (size_t index = 0; index < with.size(); ++index) {
        const float added = index < cue.size() ? cue[index] : 0.0f;
        ASSERT_NEAR(with[index], without[index] + added, 1e-6f) << index;
    }
    EXPECT_EQ(withCue.GetPositionFrames(), plain.GetPositionFrames());
}

TEST_F(OneShotTest, AMonoSoundAtAnotherRateIsHeardOnBothSidesAtTheMixersRate) {
    const std::string path = SoundFixtures::WriteSineFile(
        dir + "mono.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_16, 22050, 1, 0.5, 500.0, 0.5);
    ASSERT_FALSE(path.empty());
    std::vector<float> decoded;
    std::string reason;
    ASSERT_TRUE(COneShotPlayer::Decode(path, decoded, reason)) << reason;
    const auto frames = static_cast<int64_t>(decoded.size() / 2);
    EXPECT_NEAR(static_cast<double>(frames), kRate / 2.0, 64.0);
    for (int64_t frame = 0; frame < frames; ++frame)
        ASSERT_EQ(decoded[frame * 2], decoded[frame * 2 + 1]) << frame;
    EXPECT_NEAR(SoundFixtures::ToneFrequency(decoded.data(), frames, 2, kRate), 500.0, 2.0);
}

TEST_F(OneShotTest, FilesThatAreNotShortSoundsAreRefusedWithAReason) {
    std::vector<float> decoded{1.0f};
    std::string reason;
    EXPECT_FALSE(COneShotPlayer::Decode(dir + "missing.wav", decoded, reason));
    EXPECT_FALSE(reason.empty());
    EXPECT_TRUE(decoded.empty());
    EXPECT_FALSE(COneShotPlayer::Decode("", decoded, reason));
    EXPECT_FALSE(COneShotPlayer::Decode(dir, decoded, reason));

    ASSERT_TRUE(SoundFixtures::WriteBytes(dir + "garbage.wav",
                                          std::string("RIFF\x10\0\0\0WAVEfmt junk junk", 24)));
    reason.clear();
    EXPECT_FALSE(COneShotPlayer::Decode(dir + "garbage.wav", decoded, reason));
    EXPECT_FALSE(reason.empty());
    ASSERT_TRUE(SoundFixtures::WriteBytes(dir + "empty.wav", ""));
    EXPECT_FALSE(COneShotPlayer::Decode(dir + "empty.wav", decoded, reason));

    // A header that promises no frames at all.
    const std::string silent = SoundFixtures::WriteSineFile(
        dir + "none.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_16, kRate, 1, 0.0, 440.0, 0.5);
    ASSERT_FALSE(silent.empty());
    EXPECT_FALSE(COneShotPlayer::Decode(silent, decoded, reason));

    const std::string longFile =
        SoundFixtures::WriteSineFile(dir + "long.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_16, 8000, 1,
                                     COneShotPlayer::kMaxSeconds + 1.0, 440.0, 0.5);
    ASSERT_FALSE(longFile.empty());
    reason.clear();
    EXPECT_FALSE(COneShotPlayer::Decode(longFile, decoded, reason));
    EXPECT_NE(reason.find("longer than"), std::string::npos) << reason;
    EXPECT_TRUE(decoded.empty());
}

TEST_F(OneShotTest, AFileThatCannotBePlayedIsLoggedAndNothingIsHeard) {
    ASSERT_TRUE(SoundFixtures::WriteBytes(dir + "garbage.wav", "not a sound at all"));
    CPCMMixer mixer;
    ASSERT_TRUE(mixer.GetNullDevice().Start(256));
    LogCapture log;
    EXPECT_FALSE(mixer.PlayOneShot(dir + "garbage.wav"));
    EXPECT_FALSE(mixer.PlayOneShot(dir + "missing.wav"));
    EXPECT_TRUE(log.Contains("CPCMMixer::PlayOneShot - cannot play '" + dir + "garbage.wav'"));
    EXPECT_TRUE(log.Contains("CPCMMixer::PlayOneShot - cannot play '" + dir + "missing.wav'"));
    EXPECT_FALSE(mixer.IsOneShotPlaying());
}

TEST_F(OneShotTest, WithoutARunningOutputTheSoundIsDroppedWithALogLine) {
    WriteStereoCue(dir + "cue.wav", 1000);
    CPCMMixer mixer;
    LogCapture log;
    EXPECT_FALSE(mixer.PlayOneShot(dir + "cue.wav"));
    EXPECT_TRUE(log.Contains("CPCMMixer::PlayOneShot - no output runs, '" + dir + "cue.wav'"));
    // Not kept for an output that starts later.
    EXPECT_EQ(RenderOffline(mixer, 1000, 512), std::vector<float>(2000, 0.0f));
}

TEST_F(OneShotTest, TheNullDeviceCarriesTheSoundToItsOutput) {
    const std::vector<float> cue = WriteStereoCue(dir + "cue.wav", 4000);
    CPCMMixer mixer;
    CNullDevice& device = mixer.GetNullDevice();
    ASSERT_TRUE(device.Start(256, dir + "out.wav"));
    ASSERT_TRUE(mixer.PlayOneShot(dir + "cue.wav"));
    // Far more blocks than the sound lasts.
    LetPlay(device, 4 * 4000 / 256);
    device.Stop();
    EXPECT_FALSE(mixer.IsOneShotPlaying());
    EXPECT_TRUE(HeardOnceOnSilence(ReadCapture(dir + "out.wav"), cue));
}

#ifdef LOOMTONE_CAN_COUNT_ALLOCATIONS
TEST_F(OneShotTest, MixingTheSoundAllocatesNothing) {
    WriteStereoCue(dir + "cue.wav", 3000);
    std::vector<float> decoded;
    std::string reason;
    ASSERT_TRUE(COneShotPlayer::Decode(dir + "cue.wav", decoded, reason)) << reason;
    CPCMMixer mixer;
    mixer.StartOneShot(std::move(decoded));
    std::vector<float> out(512 * 2);
    AllocationCounter count;
    for (int block = 0; block < 8; ++block)
        mixer.Mix(out.data(), 512);
    EXPECT_EQ(count.Count(), 0);
}
#endif

} // namespace
