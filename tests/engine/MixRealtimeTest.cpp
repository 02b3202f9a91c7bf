// The mixing routine runs on the device's real-time thread: it must never
// allocate or free memory and never wait for a lock.

#include "engine/AllocationCounter.h"
#include "engine/CChorusEffect.h"
#include "engine/CCompressorEffect.h"
#include "engine/CDelayEffect.h"
#include "engine/CEffectChain.h"
#include "engine/CEqualizerEffect.h"
#include "engine/CGainEffect.h"
#include "engine/CMidiSound.h"
#include "engine/CNullDevice.h"
#include "engine/CPCMMixer.h"
#include "engine/CPCMSound.h"
#include "engine/CReverbEffect.h"
#include "engine/CSoundGroup.h"
#include "engine/CSoundReader.h"
#include "engine/SoundFixtures.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <memory>
#include <thread>
#include <vector>

namespace {

using SoundPtr = SoundFixtures::AtomPtr<CPCMSound>;

constexpr int kRate = kMixerSampleRate;

using SoundFixtures::SineData;

SoundPtr MakeSound(std::shared_ptr<const CSoundData> data, int track) {
    SoundPtr sound(new CPCMSound());
    EXPECT_TRUE(sound->SetSoundData(std::move(data)));
    sound->SetTrackNumber(track);
    return sound;
}

using MidiPtr = SoundFixtures::AtomPtr<CMidiSound>;

// A MIDI sound of a note every 100 ms, on a track.
MidiPtr MakeMidi(int track) {
    MidiPtr sound(new CMidiSound());
    sound->SetMediaLength(4000.0);
    sound->SetVirtualLength(4000.0);
    for (int index = 0; index < 40; ++index) {
        TMidiSndNoteData note;
        note.start = index * 100.0;
        note.end = index * 100.0 + 150.0;
        note.pitch = 40 + index % 30;
        EXPECT_NE(sound->AddMidiNote(note, nullptr), nullptr);
    }
    sound->AddController(7, 90, 500.0, 0);
    sound->SetTrackNumber(track);
    return sound;
}

// A project that uses every part of the routine: tracks with solo, mono and
// stereo sounds, loops, fades, moving volume, pan and filter envelopes, MIDI
// sounds, the metronome, the loop range and master volume.
struct BusyProject {
    BusyProject() {
        for (int track = 0; track < 4; ++track)
            mixer.AddTrack();
        mixer.GetTrack(1)->SetPan(-0.5);
        mixer.GetTrack(2)->SetIsSolo(true);
        mixer.GetTrack(3)->SetIsSolo(true);
        for (int index = 0; index < 8; ++index) {
            SoundPtr sound =
                MakeSound(SineData(1.0, 220.0 * (index + 1), index % 2 + 1), index % 4);
            sound->SetLoopStart(100.0);
            sound->SetLoopEnd(300.0 + index * 10);
            sound->SetVirtualLength(4000.0);
            CClipAudioBuffer& buffer = sound->GetClipAudioBuffer();
            buffer.SetFadeInMs(50.0);
            buffer.SetFadeOutMs(500.0);
            buffer.GetVolumeEnvelope().Insert(0.0, 0.2);
            buffer.GetVolumeEnvelope().Insert(2000.0, 1.5);
            buffer.GetPanEnvelope().Insert(500.0, -1.0);
            buffer.GetPanEnvelope().Insert(1500.0, 1.0);
            buffer.GetLowPassCutoffEnvelope().Insert(0.0, 300.0);
            buffer.GetLowPassCutoffEnvelope().Insert(3000.0, 15000.0);
            buffer.GetLowPassResonanceEnvelope().Insert(0.0, 50.0);
            buffer.GetHighPassCutoffEnvelope().Insert(1000.0, 2000.0);
            mixer.GetSoundGroup()->Add(sound.get(), index * 100.0);
            sounds.push_back(std::move(sound));
        }
        for (int track : {0, 2}) {
            midi.push_back(MakeMidi(track));
            mixer.GetSoundGroup()->Add(midi.back().get(), 200.0);
        }
        beat = MakeSound(SineData(0.05, 1000.0, 1), -1);
        measure = MakeSound(SineData(0.05, 2000.0, 1), -1);
        mixer.SetMetronome(true, beat.get(), measure.get(), 0.7);
        mixer.SetLoop(true, 1000.0, 3500.0);
        mixer.SetMasterVolume(0.8);
        mixer.Play(mixer.GetSoundGroup(), 0.0, 0);
    }

    CPCMMixer mixer;
    std::vector<SoundPtr> sounds;
    std::vector<MidiPtr> midi;
    SoundPtr beat;
    SoundPtr measure;
};

#if defined(LOOMTONE_CAN_COUNT_ALLOCATIONS)

TEST(MixRealtime, MixingAllocatesAndFreesNothing) {
    BusyProject project;
    std::vector<float> block(4096 * 2);
    double energy = 0.0;
    {
        AllocationCounter count;
        // Ten seconds of blocks of several sizes, through loop wraps and clicks.
        for (int index = 0; index < 860; ++index)
            project.mixer.Mix(block.data(), index % 3 == 0 ? 4096 : 333);
        // Playing stops at the end of a sound played alone.
        project.mixer.SetLoop(false, 0.0, 0.0);
        for (int index = 0; index < 300; ++index)
            project.mixer.Mix(block.data(), 512);
        EXPECT_EQ(count.Count(), 0);
    }
    EXPECT_FALSE(project.mixer.Playing());
    project.mixer.Play(project.mixer.GetSoundGroup(), 1000.0, 0);
    project.mixer.Mix(block.data(), 4096);
    for (float sample : block)
        energy += sample * sample;
    EXPECT_GT(energy, 0.0);
}

TEST(MixRealtime, MixingThroughTrackAndMasterEffectsAllocatesNothing) {
    BusyProject project;
    for (int number = 0; number < project.mixer.GetNumTracks(); ++number) {
        CPCMTrack& track = *project.mixer.GetTrack(number);
        ASSERT_TRUE(
            track.GetInstrumentEffectsChain()->Insert(std::make_unique<CChorusEffect>(), -1));
        ASSERT_TRUE(track.GetEffectChain()->Insert(std::make_unique<CEqualizerEffect>(), -1));
        ASSERT_TRUE(track.GetEffectChain()->Insert(std::make_unique<CDelayEffect>(), -1));
    }
    CEffectChain& master = *project.mixer.GetMasterEffectChain();
    ASSERT_TRUE(master.Insert(std::make_unique<CGainEffect>(), -1));
    ASSERT_TRUE(master.Insert(std::make_unique<CReverbEffect>(), -1));
    ASSERT_TRUE(master.Insert(std::make_unique<CCompressorEffect>(), -1));
    project.mixer.Play(project.mixer.GetSoundGroup(), 0.0, 0);
    std::vector<float> block(4096 * 2);
    {
        AllocationCounter count;
        for (int index = 0; index < 400; ++index)
            project.mixer.Mix(block.data(), index % 3 == 0 ? 4096 : 333);
        // Switching an effect off and on again while playing.
        master.GetEffect(1)->setActive(false);
        project.mixer.Mix(block.data(), 512);
        master.GetEffect(1)->setActive(true);
        project.mixer.Mix(block.data(), 512);
        EXPECT_EQ(count.Count(), 0);
    }
}

#endif

TEST(MixRealtime, ABlockWhoseLockIsTakenIsSilenceAndReturnsAtOnce) {
    BusyProject project;
    std::atomic<bool> held{false};
    std::atomic<bool> mixed{false};
    std::atomic<bool> mixedWhileHeld{false};
    std::thread holder([&] {
        project.mixer.Lock();
        held = true;
        // Gives up after ten seconds so that a routine that waits fails
        // instead of hanging.
        for (int wait = 0; wait < 10000 && !mixed.load(); ++wait)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        mixedWhileHeld = mixed.load();
        project.mixer.Unlock();
    });
    while (!held.load())
        std::this_thread::yield();
    std::vector<float> block(512 * 2, 1.0f);
    const int64_t position = project.mixer.GetPositionFrames();
    project.mixer.Mix(block.data(), 512);
    mixed = true;
    holder.join();
    EXPECT_TRUE(mixedWhileHeld.load());
    for (float sample : block)
        ASSERT_EQ(sample, 0.0f);
    EXPECT_EQ(project.mixer.GetPositionFrames(), position);
    EXPECT_EQ(project.mixer.GetLostLockBlocks(), 1);
}

TEST(MixRealtime, ASoundWhoseLockIsTakenIsLeftOutOfTheBlock) {
    CPCMMixer mixer;
    mixer.AddTrack();
    SoundPtr kept =
        MakeSound(CSoundData::FromSamples(std::vector<float>(1000, 0.25f), 1, kRate), 0);
    SoundPtr busy = MakeSound(CSoundData::FromSamples(std::vector<float>(1000, 0.5f), 1, kRate), 0);
    mixer.GetSoundGroup()->Add(kept.get(), 0.0);
    mixer.GetSoundGroup()->Add(busy.get(), 0.0);
    mixer.Play(mixer.GetSoundGroup(), 0.0, 0);

    std::atomic<bool> held{false};
    std::atomic<bool> mixed{false};
    std::thread holder([&] {
        busy->Lock();
        held = true;
        for (int wait = 0; wait < 10000 && !mixed.load(); ++wait)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        busy->Unlock();
    });
    while (!held.load())
        std::this_thread::yield();
    std::vector<float> block(64 * 2);
    mixer.Mix(block.data(), 64);
    mixed = true;
    holder.join();
    EXPECT_EQ(block[0], 0.25f);
    mixer.Mix(block.data(), 64);
    EXPECT_EQ(block[0], 0.75f);
}

// A session of many tracks, one sine of its own on each from the start.
struct ManyTracks {
    static constexpr int kTracks = 64;
    ManyTracks() {
        for (int track = 0; track < kTracks; ++track) {
            mixer.AddTrack();
            sounds.push_back(MakeSound(SineData(2.0, 110.0 + 20.0 * track, 1, 0.01), track));
            mixer.GetSoundGroup()->Add(sounds.back().get(), 0.0);
        }
    }
    // The mix at a timeline frame: the tracks summed in their order, as the
    // routine sums them.
    float MixAt(int64_t frame) const {
        float sum = 0.0f;
        for (const SoundPtr& sound : sounds)
            sum += sound->PlayData()->Samples()[frame];
        return sum;
    }

    CPCMMixer mixer;
    std::vector<SoundPtr> sounds;
};

TEST(MixRealtime, StartingManyTracksFillsTheirStreamsWithoutTheLock) {
    ManyTracks session;
    CPCMMixer& mixer = session.mixer;
    // While the streams fill, the device asks for a block on its own thread:
    // it must find the lock free, and get silence without the position moving.
    int prefills = 0;
    std::vector<float> deviceBlock(128 * 2, 1.0f);
    mixer.GetSoundReader().SetPrefillHook([&] {
        ++prefills;
        std::thread device([&] { mixer.Mix(deviceBlock.data(), 128); });
        device.join();
    });
    const auto playsFrom = [&](int64_t start) {
        EXPECT_EQ(mixer.GetPositionFrames(), start);
        std::vector<float> block(256 * 2);
        for (int64_t done = 0; done < CSoundReader::kPrefillFrames; done += 256) {
            mixer.Mix(block.data(), 256);
            for (int frame = 0; frame < 256; ++frame) {
                ASSERT_EQ(block[frame * 2], session.MixAt(start + done + frame)) << done + frame;
                ASSERT_EQ(block[frame * 2 + 1], block[frame * 2]) << done + frame;
            }
        }
    };

    ASSERT_TRUE(mixer.Play(mixer.GetSoundGroup(), 250.0, 0));
    EXPECT_EQ(prefills, 1);
    for (float sample : deviceBlock)
        ASSERT_EQ(sample, 0.0f);
    playsFrom(kRate / 4);

    // A jump while playing fills the streams for the new place the same way.
    std::fill(deviceBlock.begin(), deviceBlock.end(), 1.0f);
    mixer.SetPositionMs(1000.0);
    EXPECT_EQ(prefills, 2);
    for (float sample : deviceBlock)
        ASSERT_EQ(sample, 0.0f);
    playsFrom(kRate);

    EXPECT_EQ(mixer.GetLostLockBlocks(), 0);
    EXPECT_EQ(mixer.GetUnderruns(), 0);
    EXPECT_TRUE(mixer.Playing());
}

TEST(MixRealtime, SoundsChangeSafelyWhileTheDevicePlays) {
    BusyProject project;
    ASSERT_TRUE(project.mixer.GetNullDevice().Start(128));
    const auto other = SineData(0.5, 330.0, 2);
    for (int round = 0; round < 200; ++round) {
        CPCMSound& sound = *project.sounds[static_cast<size_t>(round % 8)];
        sound.SetSoundData(round % 2 ? other : SineData(0.2, 440.0, 1));
        project.mixer.Lock();
        sound.GetClipAudioBuffer().GetVolumeEnvelope().Insert(round * 3.0, 0.5);
        if (round % 50 == 0) {
            project.mixer.AddTrack();
            project.mixer.RemoveTrack(0);
        }
        project.mixer.Unlock();
    }
    project.mixer.GetNullDevice().Stop();
    EXPECT_GT(project.mixer.GetNullDevice().BlocksRendered(), 0);
}

} // namespace
