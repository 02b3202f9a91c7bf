#include "engine/CDelayEffect.h"
#include "engine/CEffectChain.h"
#include "engine/CGainEffect.h"
#include "engine/CMidiSound.h"
#include "engine/CPCMMixer.h"
#include "engine/CPCMSound.h"
#include "engine/CReverbEffect.h"
#include "engine/CSoundGroup.h"
#include "engine/SoundFixtures.h"

#include <gtest/gtest.h>

#include <array>
#include <memory>
#include <vector>

namespace {

constexpr int kRate = kMixerSampleRate;

using SoundPtr = SoundFixtures::AtomPtr<CPCMSound>;

SoundPtr AddConstant(CPCMMixer& mixer, int frames, float value, int track) {
    SoundPtr sound(new CPCMSound());
    EXPECT_TRUE(sound->SetSoundData(
        CSoundData::FromSamples(std::vector<float>(static_cast<size_t>(frames), value), 1, kRate)));
    sound->SetTrackNumber(track);
    mixer.Lock();
    mixer.GetSoundGroup()->Add(sound.get(), 0.0);
    mixer.Unlock();
    return sound;
}

std::unique_ptr<CGainEffect> Gain(float db) {
    auto gain = std::make_unique<CGainEffect>();
    gain->SetParameter(CGainEffect::kGainDb, db);
    return gain;
}

std::unique_ptr<CDelayEffect> Echo(float timeMs, float feedbackPercent, float mixPercent) {
    auto delay = std::make_unique<CDelayEffect>();
    delay->SetParameter(CDelayEffect::kTimeMs, timeMs);
    delay->SetParameter(CDelayEffect::kFeedback, feedbackPercent);
    delay->SetParameter(CDelayEffect::kMix, mixPercent);
    return delay;
}

// An instrument that sounds a constant 0.5 on both sides while any key is
// held, switching at the event's exact frame.
class HoldInstrument : public CAudioEffect {
public:
    HoldInstrument() : CAudioEffect(MakeEffectID("THld"), "Hold", {}, {}) {}
    bool IsInstrument() const override { return true; }
    void HandleMidiEvent(const EffectMidiEvent& event) override {
        if (m_count < static_cast<int>(m_events.size()))
            m_events[static_cast<size_t>(m_count++)] = event;
    }
    void Reset() override { m_held = 0; }
    int Held() const { return m_held; }

protected:
    void OnPrepare(double, int) override {}
    void OnProcess(float* stereo, int frames) override {
        int next = 0;
        for (int frame = 0; frame < frames; ++frame) {
            for (; next < m_count && m_events[static_cast<size_t>(next)].frameOffset <= frame;
                 ++next)
                Apply(m_events[static_cast<size_t>(next)]);
            if (m_held > 0) {
                stereo[frame * 2] += 0.5f;
                stereo[frame * 2 + 1] += 0.5f;
            }
        }
        for (; next < m_count; ++next)
            Apply(m_events[static_cast<size_t>(next)]);
        m_count = 0;
    }

private:
    void Apply(const EffectMidiEvent& event) {
        const int kind = event.status & 0xF0;
        if (kind == 0x90 && event.data2 > 0)
            ++m_held;
        else if ((kind == 0x80 || kind == 0x90) && m_held > 0)
            --m_held;
    }

    std::array<EffectMidiEvent, 256> m_events{};
    int m_count = 0;
    int m_held = 0;
};

using MidiPtr = SoundFixtures::AtomPtr<CMidiSound>;

MidiPtr AddMidi(CPCMMixer& mixer, double noteStart, double noteEnd, double lengthMs, int track) {
    MidiPtr sound(new CMidiSound());
    sound->SetMediaLength(lengthMs);
    sound->SetVirtualLength(lengthMs);
    TMidiSndNoteData note;
    note.start = noteStart;
    note.end = noteEnd;
    EXPECT_NE(sound->AddMidiNote(note, nullptr), nullptr);
    sound->SetTrackNumber(track);
    mixer.Lock();
    mixer.GetSoundGroup()->Add(sound.get(), 0.0);
    mixer.Unlock();
    return sound;
}

std::vector<float> MixInBlocks(CPCMMixer& mixer, int frames, int block) {
    std::vector<float> out(static_cast<size_t>(frames) * 2);
    for (int done = 0; done < frames; done += block)
        mixer.Mix(out.data() + static_cast<size_t>(done) * 2, std::min(block, frames - done));
    return out;
}

TEST(MixEffects, AnInstrumentPlaysItsTracksMidiSoundsOnTime) {
    CPCMMixer mixer;
    mixer.AddTrack();
    mixer.AddTrack();
    MidiPtr sound = AddMidi(mixer, 100.0, 200.0, 300.0, 1);
    ASSERT_TRUE(
        mixer.GetTrack(1)->GetInstrumentChain()->Insert(std::make_unique<HoldInstrument>(), -1));
    ASSERT_TRUE(
        mixer.GetTrack(0)->GetInstrumentChain()->Insert(std::make_unique<HoldInstrument>(), -1));
    mixer.GetTrack(1)->SetVolume(0.5);
    mixer.Play(mixer.GetSoundGroup(), 0.0, 0);
    const std::vector<float> out = MixInBlocks(mixer, 12000, 300);
    const int on = kRate / 10;
    EXPECT_EQ(out[(on - 1) * 2], 0.0f);
    EXPECT_FLOAT_EQ(out[on * 2], 0.25f); // through the track's volume; track 0 stays silent
    EXPECT_FLOAT_EQ(out[(2 * on - 1) * 2 + 1], 0.25f);
    EXPECT_EQ(out[2 * on * 2], 0.0f);
}

TEST(MixEffects, AMidiSoundLeavingTheGroupLetsGoOfItsNotes) {
    CPCMMixer mixer;
    mixer.AddTrack();
    MidiPtr sound = AddMidi(mixer, 0.0, 1000.0, 2000.0, 0);
    MidiPtr other = AddMidi(mixer, 1500.0, 1600.0, 2000.0, 0);
    auto instrument = std::make_unique<HoldInstrument>();
    const HoldInstrument* held = instrument.get();
    ASSERT_TRUE(mixer.GetTrack(0)->GetInstrumentChain()->Insert(std::move(instrument), -1));
    mixer.Play(mixer.GetSoundGroup(), 0.0, 0);
    std::vector<float> out = MixInBlocks(mixer, 1024, 512);
    EXPECT_EQ(held->Held(), 1);
    EXPECT_FLOAT_EQ(out[1000], 0.5f);
    mixer.Lock();
    mixer.GetSoundGroup()->Remove(sound.get());
    mixer.Unlock();
    out = MixInBlocks(mixer, 512, 512);
    EXPECT_EQ(held->Held(), 0);
    EXPECT_EQ(out[0], 0.0f);
}

TEST(MixEffects, MinusSixDecibelsOnATrackHalvesItsShare) {
    CPCMMixer mixer;
    mixer.AddTrack();
    mixer.AddTrack();
    SoundPtr first = AddConstant(mixer, 4096, 0.4f, 0);
    SoundPtr second = AddConstant(mixer, 4096, 0.2f, 1);
    ASSERT_TRUE(mixer.GetTrack(0)->GetEffectChain()->Insert(Gain(-6.0206f), -1));
    mixer.Play(mixer.GetSoundGroup(), 0.0, 0);
    std::vector<float> block(1024 * 2);
    mixer.Mix(block.data(), 1024);
    EXPECT_NEAR(block[100], 0.2f + 0.2f, 1e-4);
    EXPECT_NEAR(block[101], 0.2f + 0.2f, 1e-4);
    EXPECT_NEAR(block[2047], 0.4f, 1e-4);
}

TEST(MixEffects, ADelayOnTheMasterEchoesAndPlaybackLastsForItsTail) {
    CPCMMixer mixer;
    mixer.AddTrack();
    SoundPtr click = AddConstant(mixer, 100, 0.5f, 0);
    ASSERT_TRUE(mixer.GetMasterEffectChain()->Insert(Echo(100.0f, 0.0f, 50.0f), -1));
    EXPECT_DOUBLE_EQ(mixer.GetProjectTailTime(), 100.0);
    mixer.Play(mixer.GetSoundGroup(), 0.0, 0);
    std::vector<float> out(8192 * 2);
    mixer.Mix(out.data(), 8192);
    const int echo = kRate / 10;                    // 100 ms
    EXPECT_NEAR(out[10], 0.25f, 1e-4);              // the dry half
    EXPECT_NEAR(out[(echo - 10) * 2], 0.0f, 1e-4);  // quiet in between
    EXPECT_NEAR(out[(echo + 10) * 2], 0.25f, 1e-4); // the echo
    EXPECT_NEAR(out[(echo + 10) * 2 + 1], 0.25f, 1e-4);
    // Playback ran on past the sound's end for the tail, then stopped.
    EXPECT_FALSE(mixer.Playing());
    EXPECT_NEAR(mixer.GetPositionMs(), 100.0 / kRate * 1000.0 + 100.0, 0.1);
}

TEST(MixEffects, ATrackChainRingsOnAfterItsSoundsEnd) {
    CPCMMixer mixer;
    mixer.AddTrack();
    SoundPtr click = AddConstant(mixer, 100, 0.5f, 0);
    CPCMTrack& track = *mixer.GetTrack(0);
    ASSERT_TRUE(track.GetEffectChain()->Insert(Echo(200.0f, 0.0f, 100.0f), -1));
    track.SetVolume(0.5);
    mixer.Play(mixer.GetSoundGroup(), 0.0, 0);
    // Small blocks, so the echo falls in blocks where the track has no sound.
    std::vector<float> out(12000 * 2);
    for (int done = 0; done < 12000; done += 256)
        mixer.Mix(out.data() + done * 2, std::min(256, 12000 - done));
    const int echo = kRate / 5;
    EXPECT_NEAR(out[10], 0.0f, 1e-4); // fully wet: no dry sound
    EXPECT_NEAR(out[(echo + 10) * 2], 0.25f, 1e-4);
}

TEST(MixEffects, TheTailIsTheLongestTrackPlusTheMaster) {
    CPCMMixer mixer;
    mixer.AddTrack();
    mixer.AddTrack();
    ASSERT_TRUE(mixer.GetTrack(0)->GetEffectChain()->Insert(Echo(100.0f, 0.0f, 50.0f), -1));
    ASSERT_TRUE(
        mixer.GetTrack(1)->GetInstrumentEffectsChain()->Insert(Echo(300.0f, 0.0f, 50.0f), -1));
    ASSERT_TRUE(mixer.GetTrack(1)->GetEffectChain()->Insert(Echo(50.0f, 0.0f, 50.0f), -1));
    EXPECT_DOUBLE_EQ(mixer.GetProjectTailTime(), 350.0);
    ASSERT_TRUE(mixer.GetMasterEffectChain()->Insert(Echo(20.0f, 0.0f, 50.0f), -1));
    EXPECT_DOUBLE_EQ(mixer.GetProjectTailTime(), 370.0);
}

// The render's end: only tracks that play a sound of the group ring on, each
// from the end of its own last sound, and the master's tail comes on top.
TEST(MixEffects, OnlyTracksThatPlayRingOnPastTheLastSound) {
    CPCMMixer mixer;
    for (int track = 0; track < 3; ++track)
        mixer.AddTrack();
    SoundPtr late = AddConstant(mixer, kRate, 0.5f, 0);       // 0 to 1000 ms
    SoundPtr early = AddConstant(mixer, kRate / 10, 0.5f, 1); // 0 to 100 ms
    CSoundGroup& group = *mixer.GetSoundGroup();
    EXPECT_DOUBLE_EQ(mixer.GetRingingEndTime(group), 1000.0);

    // Effects that do not ring, and ringing effects on a track without sounds, add nothing.
    ASSERT_TRUE(mixer.GetTrack(0)->GetEffectChain()->Insert(Gain(-6.0f), -1));
    ASSERT_TRUE(mixer.GetTrack(2)->GetEffectChain()->Insert(Echo(500.0f, 0.0f, 50.0f), -1));
    EXPECT_DOUBLE_EQ(mixer.GetRingingEndTime(group), 1000.0);
    EXPECT_DOUBLE_EQ(mixer.GetProjectTailTime(), 500.0); // what playback still allows for

    // An echo on the early track rings out before the late sound ends...
    ASSERT_TRUE(mixer.GetTrack(1)->GetEffectChain()->Insert(Echo(400.0f, 0.0f, 50.0f), -1));
    EXPECT_DOUBLE_EQ(mixer.GetRingingEndTime(group), 1000.0);
    // ...and past it once it is longer.
    mixer.GetTrack(1)->GetEffectChain()->GetEffect(0)->SetParameter(CDelayEffect::kTimeMs, 1500.0f);
    EXPECT_DOUBLE_EQ(mixer.GetRingingEndTime(group), 1600.0);
    // A muted track, or one left out by a solo, rings nothing; a freeze of it still does.
    mixer.GetTrack(1)->SetIsMute(true);
    EXPECT_DOUBLE_EQ(mixer.GetRingingEndTime(group), 1000.0);
    EXPECT_DOUBLE_EQ(mixer.GetRingingEndTime(group, 1), 1600.0);
    mixer.GetTrack(1)->SetIsMute(false);
    mixer.GetTrack(0)->SetIsSolo(true);
    EXPECT_DOUBLE_EQ(mixer.GetRingingEndTime(group), 1000.0);
    mixer.GetTrack(0)->SetIsSolo(false);

    ASSERT_TRUE(mixer.GetMasterEffectChain()->Insert(Echo(20.0f, 0.0f, 50.0f), -1));
    EXPECT_DOUBLE_EQ(mixer.GetRingingEndTime(group), 1620.0);
    mixer.Lock();
    group.RemoveAll();
    mixer.Unlock();
    EXPECT_DOUBLE_EQ(mixer.GetRingingEndTime(group), 0.0); // nothing plays, nothing rings
}

} // namespace
