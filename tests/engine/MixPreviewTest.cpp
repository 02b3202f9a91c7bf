#include "engine/CGMInstrument.h"
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

} // namespace
