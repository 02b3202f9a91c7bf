#include "engine/CPCMMixer.h"
#include "engine/CNullDevice.h"
#include "engine/CPCMSound.h"
#include "engine/CSoundGroup.h"
#include "engine/SoundFixtures.h"

#include <sndfile.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <limits>
#include <memory>
#include <numbers>
#include <thread>
#include <vector>

namespace {

using SoundPtr = SoundFixtures::AtomPtr<CPCMSound>;

constexpr int kRate = kMixerSampleRate;

using SoundFixtures::SineData;

std::shared_ptr<const CSoundData> Constant(int64_t frames, float value) {
    return CSoundData::FromSamples(std::vector<float>(static_cast<size_t>(frames), value), 1,
                                   kRate);
}

SoundPtr MakeSound(std::shared_ptr<const CSoundData> data, int track = 0) {
    SoundPtr sound(new CPCMSound());
    EXPECT_TRUE(sound->SetSoundData(std::move(data)));
    sound->SetTrackNumber(track);
    return sound;
}

std::vector<float> Render(CPCMMixer& mixer, int64_t frames) {
    std::vector<float> out(static_cast<size_t>(frames) * 2, 1.0f);
    mixer.GetNullDevice().RenderOffline(out.data(), frames);
    return out;
}

double Rms(const std::vector<float>& out, int64_t from, int64_t to, int channel) {
    double sum = 0.0;
    for (int64_t frame = from; frame < to; ++frame)
        sum += out[frame * 2 + channel] * out[frame * 2 + channel];
    return std::sqrt(sum / static_cast<double>(to - from));
}

// One track, one sound on it, playing from 0.
struct OneSoundMix {
    explicit OneSoundMix(std::shared_ptr<const CSoundData> data, double at = 0.0)
        : sound(MakeSound(std::move(data))) {
        mixer.AddTrack();
        mixer.GetSoundGroup()->Add(sound.get(), at);
    }
    void Play() { ASSERT_TRUE(mixer.Play(mixer.GetSoundGroup(), 0.0, 0)); }

    CPCMMixer mixer;
    SoundPtr sound;
};

TEST(CPCMMixer, ASoundStartsOnItsExactSample) {
    OneSoundMix mix(SineData(2.0, 440.0), 1000.0);
    mix.Play();
    const std::vector<float> out = Render(mix.mixer, 3 * kRate);
    for (int64_t frame = 0; frame < kRate; ++frame)
        ASSERT_EQ(out[frame * 2], 0.0f) << frame;
    const float* data = mix.sound->PlayData()->Samples();
    for (int64_t frame = 0; frame < 2 * kRate; ++frame) {
        ASSERT_EQ(out[(kRate + frame) * 2], data[frame]) << frame;
        ASSERT_EQ(out[(kRate + frame) * 2 + 1], data[frame]) << frame;
    }
    EXPECT_NE(out[(kRate + 1) * 2], 0.0f);
}

TEST(CPCMMixer, OnlyTheClipsWindowSounds) {
    OneSoundMix mix(SineData(2.0, 440.0), 1000.0);
    mix.sound->SetVirtualTimeStart(250.0);
    mix.sound->SetVirtualLength(500.0);
    mix.Play();
    const std::vector<float> out = Render(mix.mixer, 2 * kRate);
    const float* data = mix.sound->PlayData()->Samples();
    const int64_t start = kRate, length = kRate / 2, offset = kRate / 4;
    for (int64_t frame = 0; frame < 2 * kRate; ++frame) {
        const bool inside = frame >= start && frame < start + length;
        const float expected = inside ? data[offset + frame - start] : 0.0f;
        ASSERT_EQ(out[frame * 2], expected) << frame;
    }
}

TEST(CPCMMixer, ALoopRepeatsSampleExactly) {
    OneSoundMix mix(SineData(1.0, 440.0), 500.0);
    mix.sound->SetLoopStart(0.0);
    mix.sound->SetLoopEnd(100.0);
    mix.sound->SetVirtualLength(1000.0);
    mix.Play();
    const std::vector<float> out = Render(mix.mixer, 2 * kRate);
    const float* data = mix.sound->PlayData()->Samples();
    const int64_t start = kRate / 2, loop = kRate / 10;
    for (int64_t frame = 0; frame < kRate; ++frame)
        ASSERT_EQ(out[(start + frame) * 2 + 1], data[frame % loop]) << frame;
    EXPECT_EQ(out[(start + kRate) * 2], 0.0f);
}

TEST(CPCMMixer, ALoopInsideTheMaterialReturnsToItsStart) {
    OneSoundMix mix(SineData(1.0, 440.0));
    mix.sound->SetVirtualTimeStart(50.0);
    mix.sound->SetLoopStart(100.0);
    mix.sound->SetLoopEnd(200.0);
    mix.sound->SetVirtualLength(600.0);
    mix.Play();
    const std::vector<float> out = Render(mix.mixer, kRate);
    const float* data = mix.sound->PlayData()->Samples();
    // 50..200 ms of the data, then 100..200 over and over.
    for (int64_t frame = 0; frame < kRate * 6 / 10; ++frame) {
        const int64_t source = frame < 6615 ? 2205 + frame : 4410 + (frame - 6615) % 4410;
        ASSERT_EQ(out[frame * 2], data[source]) << frame;
    }
}

TEST(CPCMMixer, VolumeEnvelopeAndPanShapeTheSound) {
    OneSoundMix mix(SineData(1.0, 440.0));
    mix.sound->GetClipAudioBuffer().GetVolumeEnvelope().Insert(0.0, 0.5);
    mix.Play();
    std::vector<float> out = Render(mix.mixer, kRate / 2);
    const float* data = mix.sound->PlayData()->Samples();
    for (int64_t frame = 0; frame < kRate / 2; ++frame)
        ASSERT_EQ(out[frame * 2], data[frame] * 0.5f) << frame;

    mix.sound->GetClipAudioBuffer().GetVolumeEnvelope().RemoveAll();
    mix.sound->GetClipAudioBuffer().GetPanEnvelope().Insert(0.0, -1.0);
    mix.Play();
    out = Render(mix.mixer, kRate / 2);
    for (int64_t frame = 0; frame < kRate / 2; ++frame) {
        ASSERT_EQ(out[frame * 2], data[frame]) << frame;
        ASSERT_EQ(out[frame * 2 + 1], 0.0f) << frame;
    }
}

TEST(CPCMMixer, AVolumeRampIsFollowedSmoothly) {
    OneSoundMix mix(Constant(kRate, 1.0f));
    CEnvelope& volume = mix.sound->GetClipAudioBuffer().GetVolumeEnvelope();
    volume.Insert(0.0, 0.0);
    volume.Insert(1000.0, 1.0);
    mix.Play();
    const std::vector<float> out = Render(mix.mixer, kRate);
    for (int64_t frame = 0; frame < kRate; frame += 7)
        ASSERT_NEAR(out[frame * 2], static_cast<double>(frame) / kRate, 1e-4) << frame;
}

TEST(CPCMMixer, FadesRampTheClipsEdges) {
    OneSoundMix mix(Constant(kRate, 1.0f));
    mix.sound->GetClipAudioBuffer().SetFadeInMs(100.0);
    mix.sound->GetClipAudioBuffer().SetFadeOutMs(100.0);
    mix.Play();
    const std::vector<float> out = Render(mix.mixer, kRate);
    EXPECT_EQ(out[0], 0.0f);
    EXPECT_NEAR(out[2205 * 2], 0.5, 1e-3);
    EXPECT_EQ(out[22050 * 2], 1.0f);
    EXPECT_NEAR(out[(kRate - 2205) * 2], 0.5, 1e-3);
}

TEST(CPCMMixer, TrackSettingsMuteAndSoloActAsExpected) {
    CPCMMixer mixer;
    mixer.AddTrack();
    mixer.AddTrack();
    SoundPtr quiet = MakeSound(Constant(kRate, 0.25f), 0);
    SoundPtr loud = MakeSound(Constant(kRate, 0.5f), 1);
    mixer.GetSoundGroup()->Add(quiet.get(), 0.0);
    mixer.GetSoundGroup()->Add(loud.get(), 0.0);
    const auto firstFrame = [&mixer] {
        mixer.Play(mixer.GetSoundGroup(), 0.0, 0);
        const std::vector<float> out = Render(mixer, 64);
        return std::pair<float, float>(out[40], out[41]);
    };
    EXPECT_EQ(firstFrame(), std::make_pair(0.75f, 0.75f));

    mixer.GetTrack(1)->SetIsSolo(true);
    EXPECT_EQ(firstFrame(), std::make_pair(0.5f, 0.5f));
    mixer.GetTrack(0)->SetIsSolo(true);
    EXPECT_EQ(firstFrame(), std::make_pair(0.75f, 0.75f));
    mixer.GetTrack(1)->SetIsMute(true); // mute wins on its own track
    EXPECT_EQ(firstFrame(), std::make_pair(0.25f, 0.25f));
    mixer.GetTrack(0)->SetIsSolo(false);
    EXPECT_EQ(firstFrame(), std::make_pair(0.0f, 0.0f));

    mixer.GetTrack(1)->SetIsSolo(false);
    mixer.GetTrack(1)->SetIsMute(false);
    quiet->Mute(true);
    EXPECT_EQ(firstFrame(), std::make_pair(0.5f, 0.5f));
    quiet->Mute(false);

    mixer.GetTrack(0)->SetVolume(2.0);
    mixer.GetTrack(1)->SetPan(1.0);
    EXPECT_EQ(firstFrame(), std::make_pair(0.5f, 1.0f));
    mixer.SetMasterVolume(0.5);
    EXPECT_EQ(firstFrame(), std::make_pair(0.25f, 0.5f));
    mixer.GetTrack(1)->SetPan(std::nan(""));
    EXPECT_DOUBLE_EQ(mixer.GetTrack(1)->GetPan(), 1.0);
}

TEST(CPCMMixer, SoundsNamingNoTrackGoToTheMasterOrNowhere) {
    CPCMMixer mixer;
    mixer.AddTrack();
    SoundPtr direct = MakeSound(Constant(kRate, 0.25f), -1);
    SoundPtr lost = MakeSound(Constant(kRate, 0.5f), 5);
    mixer.GetSoundGroup()->Add(direct.get(), 0.0);
    mixer.GetSoundGroup()->Add(lost.get(), 0.0);
    mixer.GetTrack(0)->SetIsSolo(true);
    mixer.Play(mixer.GetSoundGroup(), 0.0, 0);
    const std::vector<float> out = Render(mixer, 16);
    EXPECT_EQ(out[0], 0.25f);
    // A single sound plays too (previews).
    mixer.Play(lost.get(), 0.0, 0);
    EXPECT_EQ(Render(mixer, 16)[0], 0.0f);
    mixer.Play(direct.get(), 0.0, 0);
    EXPECT_EQ(Render(mixer, 16)[0], 0.25f);
}

TEST(CPCMMixer, ALowPassEnvelopeTakesTheHighsAway) {
    OneSoundMix mix(SineData(1.0, 8000.0));
    mix.Play();
    const std::vector<float> open = Render(mix.mixer, kRate);
    mix.sound->GetClipAudioBuffer().GetLowPassCutoffEnvelope().Insert(0.0, 500.0);
    mix.Play();
    const std::vector<float> filtered = Render(mix.mixer, kRate);
    const double before = Rms(open, kRate / 4, kRate, 0);
    const double after = Rms(filtered, kRate / 4, kRate, 0);
    EXPECT_NEAR(before, 0.5 / std::sqrt(2.0), 1e-3);
    EXPECT_LT(after, before * 0.02);

    // The high-pass does the same to the lows.
    OneSoundMix low(SineData(1.0, 100.0));
    low.sound->GetClipAudioBuffer().GetHighPassCutoffEnvelope().Insert(0.0, 4000.0);
    low.Play();
    EXPECT_LT(Rms(Render(low.mixer, kRate), kRate / 4, kRate, 1), 0.01);
}

TEST(CPCMMixer, RemovingATrackRenumbersLaterTracksAndTheirSounds) {
    CPCMMixer mixer;
    CPCMTrack* first = mixer.AddTrack();
    mixer.AddTrack();
    CPCMTrack* third = mixer.AddTrack();
    EXPECT_EQ(third->GetTrackNumber(), 2);
    SoundPtr a = MakeSound(Constant(10, 0.1f), 0);
    SoundPtr b = MakeSound(Constant(10, 0.1f), 1);
    SoundPtr c = MakeSound(Constant(10, 0.1f), 2);
    for (CPCMSound* sound : {a.get(), b.get(), c.get()})
        mixer.GetSoundGroup()->Add(sound, 0.0);

    EXPECT_FALSE(mixer.RemoveTrack(3));
    EXPECT_FALSE(mixer.RemoveTrack(-1));
    ASSERT_TRUE(mixer.RemoveTrack(1));
    EXPECT_EQ(mixer.GetNumTracks(), 2);
    EXPECT_EQ(mixer.GetTrack(0), first);
    EXPECT_EQ(mixer.GetTrack(1), third);
    EXPECT_EQ(third->GetTrackNumber(), 1);
    EXPECT_EQ(a->GetTrackNumber(), 0);
    EXPECT_EQ(c->GetTrackNumber(), 1);
    // The removed track's sound leaves the group rather than play elsewhere.
    EXPECT_EQ(b->GetTrackNumber(), -1);
    EXPECT_FALSE(mixer.GetSoundGroup()->Contains(b.get()));
    EXPECT_EQ(b->References(), 1);
    EXPECT_EQ(mixer.GetTrack(2), nullptr);
}

// The per-track buffers keep their size when tracks go: tracks added again
// afterwards start silent and carry only their own sounds.
TEST(CPCMMixer, TracksAddedAfterRemovalsMixOnlyTheirOwnSounds) {
    CPCMMixer mixer;
    for (int i = 0; i < 3; ++i)
        mixer.AddTrack();
    SoundPtr kept = MakeSound(Constant(kRate, 0.25f), 0);
    SoundPtr gone = MakeSound(Constant(kRate, 0.5f), 2);
    mixer.GetSoundGroup()->Add(kept.get(), 0.0);
    mixer.GetSoundGroup()->Add(gone.get(), 0.0);
    ASSERT_TRUE(mixer.Play(mixer.GetSoundGroup(), 0.0, 0));
    EXPECT_FLOAT_EQ(Render(mixer, 64)[40], 0.75f);

    ASSERT_TRUE(mixer.RemoveTrack(2));
    ASSERT_TRUE(mixer.RemoveTrack(1));
    mixer.AddTrack();
    mixer.AddTrack();
    SoundPtr added = MakeSound(Constant(kRate, 0.125f), 2);
    mixer.GetSoundGroup()->Add(added.get(), 0.0);
    ASSERT_TRUE(mixer.Play(mixer.GetSoundGroup(), 0.0, 0));
    const std::vector<float> out = Render(mixer, 64);
    EXPECT_FLOAT_EQ(out[40], 0.375f);
    EXPECT_FLOAT_EQ(out[41], 0.375f);
}

TEST(CPCMMixer, TransportPlaysPausesStopsAndEndsByItself) {
    OneSoundMix mix(Constant(kRate / 2, 0.5f));
    CPCMMixer& mixer = mix.mixer;
    EXPECT_FALSE(mixer.Playing());
    EXPECT_EQ(Render(mixer, 8)[0], 0.0f);
    EXPECT_FALSE(mixer.Play(nullptr, 0.0, 0));

    ASSERT_TRUE(mixer.Play(mixer.GetSoundGroup(), 100.0, 0));
    EXPECT_EQ(mixer.GetSoundGroup()->References(), 2);
    EXPECT_EQ(mixer.GetPositionFrames(), 4410);
    Render(mixer, 1000);
    EXPECT_EQ(mixer.GetPositionFrames(), 5410);

    mixer.Pause(true);
    EXPECT_TRUE(mixer.Playing());
    EXPECT_EQ(Render(mixer, 100)[0], 0.0f);
    EXPECT_EQ(mixer.GetPositionFrames(), 5410);
    mixer.Pause(false);
    EXPECT_EQ(Render(mixer, 100)[0], 0.5f);

    // The end of the last sound ends playback; the rest is silence.
    const std::vector<float> out = Render(mixer, kRate);
    EXPECT_FALSE(mixer.Playing());
    EXPECT_EQ(mixer.GetPositionFrames(), kRate / 2);
    EXPECT_EQ(out[(kRate / 2 - 5510 - 1) * 2], 0.5f);
    EXPECT_EQ(out[(kRate / 2 - 5510) * 2], 0.0f);
    EXPECT_NEAR(mixer.GetPositionMs(), 500.0, 1e-9);

    EXPECT_FALSE(mixer.Stop(0));
    EXPECT_EQ(mixer.GetSoundGroup()->References(), 1);
    ASSERT_TRUE(mixer.Play(mixer.GetSoundGroup(), 0.0, 0));
    EXPECT_TRUE(mixer.Stop(0));
    EXPECT_FALSE(mixer.Playing());
}

TEST(CPCMMixer, TheLoopRangeWrapsPlaybackSampleExactly) {
    OneSoundMix mix(SineData(1.0, 440.0));
    mix.mixer.SetLoop(true, 100.0, 200.0);
    EXPECT_TRUE(mix.mixer.IsLooping());
    EXPECT_DOUBLE_EQ(mix.mixer.GetLoopStartMs(), 100.0);
    mix.Play();
    const std::vector<float> out = Render(mix.mixer, 3 * kRate);
    EXPECT_TRUE(mix.mixer.Playing());
    const float* data = mix.sound->PlayData()->Samples();
    for (int64_t frame = 0; frame < 3 * kRate; ++frame) {
        const int64_t source = frame < 8820 ? frame : 4410 + (frame - 8820) % 4410;
        ASSERT_EQ(out[frame * 2], data[source]) << frame;
    }
    mix.mixer.SetLoop(true, 300.0, 200.0);
    EXPECT_FALSE(mix.mixer.IsLooping());
}

TEST(CPCMMixer, TheMetronomeClicksOnTheBeatsOfTheTempoMap) {
    OneSoundMix mix(Constant(5 * kRate, 0.0f));
    SoundPtr beat = MakeSound(Constant(5, 0.25f), -1);
    SoundPtr measure = MakeSound(Constant(5, 0.5f), -1);
    mix.mixer.SetMetronome(true, beat.get(), measure.get(), 1.0);
    EXPECT_TRUE(mix.mixer.IsMetronomeOn());
    EXPECT_EQ(beat->References(), 2);
    mix.Play();
    std::vector<float> out = Render(mix.mixer, 4 * kRate + 100);
    // 120 beats per minute in 4/4: a beat every 22050 frames, a measure every four.
    for (int index = 0; index < 9; ++index) {
        const int64_t frame = index * 22050;
        const float expected = index % 4 == 0 ? 0.5f : 0.25f;
        EXPECT_EQ(out[frame * 2], expected) << index;
        EXPECT_EQ(out[(frame + 4) * 2 + 1], expected) << index;
        EXPECT_EQ(out[(frame + 5) * 2], 0.0f) << index;
        if (frame > 0) {
            EXPECT_EQ(out[(frame - 1) * 2], 0.0f) << index;
        }
    }

    // Half the tempo: a beat every second.
    TempoEvent slow;
    slow.tempo = 60.0;
    slow.tempoChange = true;
    mix.mixer.Lock();
    ASSERT_EQ(mix.mixer.GetTempoMap().AddEvent(slow), 0);
    mix.mixer.Unlock();
    mix.Play();
    out = Render(mix.mixer, 3 * kRate);
    EXPECT_EQ(out[0], 0.5f);
    EXPECT_EQ(out[22050 * 2], 0.0f);
    EXPECT_EQ(out[kRate * 2], 0.25f);
    EXPECT_EQ(out[2 * kRate * 2], 0.25f);

    mix.mixer.SetMetronome(false, nullptr, nullptr, 1.0);
    EXPECT_EQ(beat->References(), 1);
    mix.Play();
    EXPECT_EQ(Render(mix.mixer, 10)[0], 0.0f);
}

TEST(CPCMMixer, AbsurdTimesMixToSilence) {
    OneSoundMix mix(Constant(kRate, 0.5f));
    mix.sound->SetAbsoluteOffset(1e300);
    mix.sound->SetVirtualLength(1e300);
    mix.sound->SetVirtualTimeStart(1e300);
    mix.sound->SetLoopEnd(std::numeric_limits<double>::infinity());
    mix.mixer.SetLoop(true, 0.0, 1000.0);
    mix.Play();
    EXPECT_EQ(Render(mix.mixer, 64)[0], 0.0f);
    mix.sound->SetAbsoluteOffset(-1e300);
    mix.sound->SetVirtualTimeStart(0.0);
    mix.Play();
    EXPECT_EQ(Render(mix.mixer, 64)[0], 0.0f);
}

TEST(CPCMMixer, FindsTheSoundOfAPath) {
    CPCMMixer mixer;
    SoundPtr sound(new CPCMSound());
    sound->SetSoundData(Constant(10, 0.0f), "/rec/take 1.wav");
    EXPECT_EQ(mixer.SoundExists("/rec/take 1.wav"), nullptr);
    mixer.GetSoundGroup()->Add(sound.get(), 0.0);
    EXPECT_EQ(mixer.SoundExists("/rec/take 1.wav"), sound.get());
    EXPECT_EQ(mixer.SoundExists("/rec/take 2.wav"), nullptr);
    EXPECT_EQ(mixer.SoundExists(""), nullptr);
    SoundPtr click(new CPCMSound());
    click->SetSoundData(Constant(10, 0.0f), "/clicks/beat.wav");
    mixer.SetMetronome(true, click.get(), nullptr, 0.5);
    EXPECT_EQ(mixer.SoundExists("/clicks/beat.wav"), click.get());
}

TEST(CNullDevice, PullsBlocksOnItsOwnThreadAndCapturesThem) {
    OneSoundMix mix(SineData(2.0, 440.0));
    CNullDevice& device = mix.mixer.GetNullDevice();
    const std::string dir = SoundFixtures::FreshDir("nulldevice");
    EXPECT_FALSE(device.Start(0));
    EXPECT_FALSE(device.Start(512, dir + "/no/such/folder/x.wav"));
    EXPECT_FALSE(device.IsRunning());

    mix.Play();
    ASSERT_TRUE(device.Start(512, dir + "/capture.wav"));
    EXPECT_FALSE(device.Start(512));
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    device.Stop();
    EXPECT_FALSE(device.IsRunning());
    const int64_t blocks = device.BlocksRendered();
    EXPECT_GT(blocks, 0);

    SF_INFO info{};
    SNDFILE* file = sf_open((dir + "/capture.wav").c_str(), SFM_READ, &info);
    ASSERT_NE(file, nullptr);
    EXPECT_EQ(info.channels, 2);
    EXPECT_EQ(info.samplerate, 44100);
    EXPECT_EQ(info.frames, blocks * 512);
    std::vector<float> captured(static_cast<size_t>(info.frames) * 2);
    EXPECT_EQ(sf_readf_float(file, captured.data(), info.frames), info.frames);
    sf_close(file);
    const float* data = mix.sound->PlayData()->Samples();
    const int64_t frames = std::min<int64_t>(info.frames, 2 * kRate);
    for (int64_t frame = 0; frame < frames; ++frame)
        ASSERT_EQ(captured[frame * 2 + 1], data[frame]) << frame;
    EXPECT_EQ(mix.mixer.GetPositionFrames(), std::min<int64_t>(blocks * 512, 2 * kRate));
}

TEST(CNullDevice, RunsWithoutCapturingAndStopsWithTheMixer) {
    auto mixer = std::make_unique<CPCMMixer>();
    ASSERT_TRUE(mixer->GetNullDevice().Start(256));
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    mixer.reset(); // stops the thread first
    SUCCEED();
}

} // namespace

TEST(CPCMMixerAppThread, NotificationsFromOtherThreadsWaitForTheAppThread) {
    CPCMMixer mixer;
    mixer.SetAppThread();
    bool onAppThreadElsewhere = true;
    std::thread([&] {
        onAppThreadElsewhere = CNotificationQueue::Instance().OnAppThread();
    }).join();
    EXPECT_TRUE(CNotificationQueue::Instance().OnAppThread());
    EXPECT_FALSE(onAppThreadElsewhere);
    CNotificationQueue::Instance().ClearAppThread();
}
