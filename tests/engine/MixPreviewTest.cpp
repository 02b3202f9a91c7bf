#include "engine/CGMInstrument.h"
#include "engine/CMidiScheduler.h"
#include "engine/CMidiSound.h"
#include "engine/CPCMMixer.h"
#include "engine/CSoundGroup.h"
#include "engine/SoundFixtures.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <memory>
#include <thread>
#include <vector>

namespace {

constexpr int kBlock = 512;

// Mixes blocks as a device would, giving the instrument's worker the time a
// device's period gives it; returns the loudest sample of each block.
std::vector<float> MixPaced(CPCMMixer& mixer, const CGMInstrument& instrument, int blocks,
                            std::vector<float>* all = nullptr) {
    std::vector<float> block(2 * kBlock);
    std::vector<float> peaks;
    for (int index = 0; index < blocks; ++index) {
        for (int tries = 0; tries < 2000 && instrument.LiveFramesReady() < kBlock; ++tries)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        mixer.Mix(block.data(), kBlock);
        float peak = 0.0f;
        for (float sample : block)
            peak = std::max(peak, std::fabs(sample));
        peaks.push_back(peak);
        if (all)
            all->insert(all->end(), block.begin(), block.end());
    }
    return peaks;
}

class MixPreview : public ::testing::Test {
protected:
    void SetUp() override {
        if (CGMInstrument::FindSoundFont("").empty())
            GTEST_SKIP() << "no General MIDI SoundFont installed";
        mixer.AddTrack();
        mixer.AddTrack();
        auto made = std::make_unique<CGMInstrument>();
        instrument = made.get();
        ASSERT_TRUE(mixer.GetTrack(1)->GetInstrumentChain()->Insert(std::move(made), -1));
        std::vector<float> block(2 * kBlock);
        mixer.Mix(block.data(), kBlock); // the instrument goes live
    }

    CPCMMixer mixer;
    CGMInstrument* instrument = nullptr;
};

TEST_F(MixPreview, APreviewNoteSoundsWhileStoppedAndItsNoteOffEndsIt) {
    mixer.SetPreviewTrack(0); // no instrument there
    EXPECT_FALSE(mixer.MidiNoteOnNow(60, 100, 0));
    mixer.SetPreviewTrack(CPCMMixer::kFirstInstrumentTrack);
    ASSERT_FALSE(mixer.Playing());
    std::vector<float> peaks = MixPaced(mixer, *instrument, 4);
    EXPECT_EQ(*std::max_element(peaks.begin(), peaks.end()), 0.0f);

    ASSERT_TRUE(mixer.MidiNoteOnNow(60, 100, 0));
    peaks = MixPaced(mixer, *instrument, 40);
    EXPECT_GT(peaks.back(), 0.01f);
    ASSERT_TRUE(mixer.MidiNoteOffNow(60, 0, 0));
    const int release = static_cast<int>(3.0 * kMixerSampleRate / kBlock);
    peaks = MixPaced(mixer, *instrument, release);
    EXPECT_LT(peaks.back(), 1e-4f);
    EXPECT_TRUE(mixer.MidiAllNotesOffNow());
}

TEST_F(MixPreview, TheStoppedMixLeavesTheInstrumentsToARunningRender) {
    mixer.BeginOfflineRender();
    ASSERT_TRUE(mixer.MidiNoteOnNow(60, 100, 0));
    std::vector<float> block(2 * kBlock);
    for (int index = 0; index < 20; ++index) {
        mixer.Mix(block.data(), kBlock);
        EXPECT_EQ(*std::max_element(block.begin(), block.end()), 0.0f);
    }
    mixer.EndOfflineRender();
    const std::vector<float> peaks = MixPaced(mixer, *instrument, 40);
    EXPECT_GT(peaks.back(), 0.01f);
}

TEST_F(MixPreview, LivePlaybackKeepsNotesOnTimeWithTheTransport) {
    SoundFixtures::AtomPtr<CMidiSound> sound(new CMidiSound());
    sound->SetMediaLength(2000);
    sound->SetVirtualLength(2000);
    sound->SetTrackNumber(1);
    TMidiSndNoteData note;
    note.start = 500;
    note.end = 900;
    note.pitch = 60;
    note.velocity = 100;
    ASSERT_NE(sound->AddMidiNote(note, nullptr), nullptr);
    mixer.Lock();
    mixer.GetSoundGroup()->Add(sound.get(), 0.0);
    mixer.Unlock();
    MixPaced(mixer, *instrument, 3); // live before the transport starts
    ASSERT_TRUE(mixer.Play(mixer.GetSoundGroup(), 0.0, 0));
    std::vector<float> out;
    MixPaced(mixer, *instrument, 2 * 44100 / kBlock, &out);
    const auto first = std::find_if(out.begin(), out.end(), [](float s) { return s != 0.0f; });
    const int frame = static_cast<int>((first - out.begin()) / 2);
    const int noteFrame = static_cast<int>(std::lround(500 * kMixerSampleRate / 1000.0));
    EXPECT_GE(frame, noteFrame);
    EXPECT_LT(frame, noteFrame + 64 + 8); // a step, and the voice's first samples
    EXPECT_EQ(instrument->LiveUnderrunFrames(), 0u);
}

// Notes from frame `from` on, on and off the 64-frame grid, each 150 ms long.
void AddNotesFrom(CMidiSound& sound, int64_t from) {
    const int offsets[] = {0, 3, 8, 9, 63, 64, 500, 1234, 4097, 9000, 15000};
    int pitch = 48;
    for (int offset : offsets) {
        TMidiSndNoteData note;
        note.start = static_cast<double>(from + offset) * 1000.0 / kMixerSampleRate;
        note.end = note.start + 150.0;
        note.pitch = pitch;
        note.velocity = 100;
        ASSERT_NE(sound.AddMidiNote(note, nullptr), nullptr);
        pitch += 5;
    }
}

// The sound through an instrument of its own, offline from the start, as a
// render plays it.
std::vector<float> RenderFromTheStart(CMidiSound& sound, int frames) {
    CGMInstrument instrument;
    EXPECT_TRUE(instrument.Prepare(kMixerSampleRate, kBlock));
    CMidiScheduler scheduler;
    std::vector<float> out(static_cast<size_t>(frames) * 2, 0.0f);
    for (int start = 0; start < frames; start += kBlock) {
        const int count = std::min(kBlock, frames - start);
        scheduler.ScheduleBlock(sound, start, count, kMixerSampleRate);
        for (int i = 0; i < scheduler.NumEvents(); ++i)
            instrument.HandleMidiEvent(scheduler.Events()[i]);
        instrument.Process(out.data() + 2 * static_cast<size_t>(start), count);
    }
    return out;
}

// The RMS of the difference between count frames of live from liveFrom and
// of render from renderFrom, in dB below full scale.
double DifferenceDbfs(const std::vector<float>& live, int64_t liveFrom,
                      const std::vector<float>& render, int64_t renderFrom, int64_t count) {
    double sum = 0.0;
    for (int64_t i = 0; i < count * 2; ++i) {
        const double difference = live[static_cast<size_t>(liveFrom * 2 + i)] -
                                  render[static_cast<size_t>(renderFrom * 2 + i)];
        sum += difference * difference;
    }
    const double mean = sum / static_cast<double>(count * 2);
    return mean > 0.0 ? 10.0 * std::log10(mean) : -300.0;
}

float Loudest(const std::vector<float>& samples) {
    float loudest = 0.0f;
    for (float sample : samples)
        loudest = std::max(loudest, std::fabs(sample));
    return loudest;
}

} // namespace

// Playing from 2 s (frame 88200, 8 past the synthesizer's 64-frame grid) and
// looping a span whose length is no multiple of 64 both keep the instrument's
// notes where a render of the song starts them; notes a step off give -30
// to -40 dBFS of difference. Not sample for sample: a synthesizer whose
// voices have played before starts some sounds a little differently (about
// -85 dBFS here). The block the transport starts with is silent (the worker
// starts on the new place after it).
TEST_F(MixPreview, LivePlaybackFromAnywhereAndAroundALoopPlaysTheRender) {
    constexpr int64_t kFrom = 88200;
    constexpr int64_t kLoopStart = 4410; // 100 ms
    constexpr int64_t kLoopEnd = 74970;  // 1700 ms
    constexpr double kMostDbfs = -80.0;
    SoundFixtures::AtomPtr<CMidiSound> sound(new CMidiSound());
    sound->SetMediaLength(3000);
    sound->SetVirtualLength(3000);
    sound->SetTrackNumber(1);
    AddNotesFrom(*sound, kLoopStart);
    AddNotesFrom(*sound, kFrom);
    mixer.Lock();
    mixer.GetSoundGroup()->Add(sound.get(), 0.0);
    mixer.Unlock();
    const int renderFrames = static_cast<int>(kFrom) + 30 * kBlock;
    const std::vector<float> render = RenderFromTheStart(*sound, renderFrames);

    MixPaced(mixer, *instrument, 3);
    ASSERT_TRUE(mixer.Play(mixer.GetSoundGroup(), 2000.0, 0));
    std::vector<float> out;
    MixPaced(mixer, *instrument, 30, &out);
    ASSERT_GT(Loudest(out), 0.01f);
    EXPECT_LT(DifferenceDbfs(out, kBlock, render, kFrom + kBlock, 29 * kBlock), kMostDbfs);

    mixer.Stop(0);
    mixer.SetLoop(true, 100.0, 1700.0);
    ASSERT_TRUE(mixer.Play(mixer.GetSoundGroup(), 100.0, 0));
    constexpr int64_t kLength = kLoopEnd - kLoopStart;
    out.clear();
    MixPaced(mixer, *instrument, static_cast<int>(2 * kLength / kBlock), &out);
    EXPECT_LT(DifferenceDbfs(out, kBlock, render, kLoopStart + kBlock, kLength - kBlock), kMostDbfs)
        << "first pass";
    // The first pass still rings faintly into the second.
    EXPECT_LT(DifferenceDbfs(out, kLength, render, kLoopStart, kLength - kBlock), kMostDbfs)
        << "second pass";
    EXPECT_GT(Loudest({out.begin() + 2 * kLength, out.end()}), 0.01f);
}
