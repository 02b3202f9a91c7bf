#include "engine/CPCMSound.h"
#include "engine/CSoundGroup.h"
#include "engine/SoundFixtures.h"
#include "engine/WaveFormat.h"
#include "support/LogCapture.h"

#include <sndfile.h>

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <numbers>
#include <vector>

namespace {

using SoundPtr = SoundFixtures::AtomPtr<CPCMSound>;

using SoundFixtures::SineData;

SoundPtr SineSound(double seconds, double hz) {
    SoundPtr sound(new CPCMSound());
    EXPECT_TRUE(sound->SetSoundData(SineData(seconds, hz), "sine.wav"));
    return sound;
}

TEST(CPCMSound, NewDataPlaysWholeOnce) {
    SoundPtr sound(new CPCMSound());
    ASSERT_TRUE(sound->SetSoundData(SineData(2.0, 440.0), "/snd/a.wav"));
    EXPECT_TRUE(sound->HasData());
    EXPECT_EQ(sound->GetFilePath(), "/snd/a.wav");
    EXPECT_DOUBLE_EQ(sound->DataLength(), 2000.0);
    EXPECT_EQ(sound->DataFrames(), 88200);
    EXPECT_DOUBLE_EQ(sound->Length(), 2000.0);
    EXPECT_DOUBLE_EQ(sound->GetVirtualTimeStart(), 0.0);
    EXPECT_DOUBLE_EQ(sound->GetLoopStart(), 0.0);
    EXPECT_DOUBLE_EQ(sound->GetLoopEnd(), 2000.0);
    EXPECT_DOUBLE_EQ(sound->GetClipAudioBuffer().GetVolumeEnvelope().GetEnvelopeLengthMs(), 2000.0);
}

TEST(CPCMSound, RefusesDataAtAnotherRate) {
    LogCapture log;
    SoundPtr sound(new CPCMSound());
    EXPECT_FALSE(sound->SetSoundData(nullptr));
    EXPECT_FALSE(sound->SetSoundData(CSoundData::FromSamples({0.f, 0.f}, 1, 48000)));
    EXPECT_FALSE(sound->HasData());
    EXPECT_TRUE(log.Contains("CPCMSound::SetSoundData refused"));
}

TEST(CPCMSound, TimingSettersKeepTimesNonNegative) {
    SoundPtr sound = SineSound(1.0, 440.0);
    sound->SetAbsoluteOffset(1500.0);
    sound->SetVirtualTimeStart(-10.0);
    sound->SetVirtualLength(std::nan(""));
    sound->SetLoopStart(-1.0);
    sound->SetLoopEnd(300.0);
    EXPECT_DOUBLE_EQ(sound->AbsoluteOffset(), 1500.0);
    EXPECT_DOUBLE_EQ(sound->GetVirtualTimeStart(), 0.0);
    EXPECT_DOUBLE_EQ(sound->Length(), 0.0);
    EXPECT_DOUBLE_EQ(sound->GetLoopStart(), 0.0);
    EXPECT_DOUBLE_EQ(sound->GetLoopEnd(), 300.0);
    sound->SetVirtualLength(750.0);
    EXPECT_DOUBLE_EQ(sound->EndTime(), 2250.0);
    sound->Mute(true);
    EXPECT_TRUE(sound->IsMuted());
    EXPECT_EQ(sound->StateFlags() & CAudioAtom::kStateMuted, CAudioAtom::kStateMuted);
    sound->Mute(false);
    EXPECT_FALSE(sound->IsMuted());
}

TEST(CPCMSound, CopiesWholeOrAPartWithItsEnvelopes) {
    SoundPtr sound = SineSound(1.0, 440.0);
    sound->SetAbsoluteOffset(1000.0);
    sound->SetVirtualTimeStart(100.0);
    sound->SetVirtualLength(800.0);
    sound->SetTrackNumber(3);
    sound->GetClipAudioBuffer().GetVolumeEnvelope().Insert(400.0, 0.5);

    SoundPtr whole(new CPCMSound(*sound));
    EXPECT_DOUBLE_EQ(whole->AbsoluteOffset(), 1000.0);
    EXPECT_DOUBLE_EQ(whole->GetVirtualTimeStart(), 100.0);
    EXPECT_DOUBLE_EQ(whole->Length(), 800.0);
    EXPECT_EQ(whole->GetTrackNumber(), 3);
    EXPECT_EQ(whole->PlayData(), sound->PlayData());
    EXPECT_EQ(whole->References(), 1);
    whole->GetClipAudioBuffer().GetVolumeEnvelope().RemoveAll();
    EXPECT_EQ(sound->GetClipAudioBuffer().GetVolumeEnvelope().GetNumPoints(), 1);

    SoundPtr part(new CPCMSound(*sound, 1300.0, 1500.0));
    EXPECT_DOUBLE_EQ(part->AbsoluteOffset(), 1300.0);
    EXPECT_DOUBLE_EQ(part->GetVirtualTimeStart(), 400.0);
    EXPECT_DOUBLE_EQ(part->Length(), 200.0);
    EnvelopePoint point;
    ASSERT_TRUE(part->GetClipAudioBuffer().GetVolumeEnvelope().GetPointAtIndex(0, point));
    EXPECT_DOUBLE_EQ(point.timeMs, 100.0);

    // A range beyond the sound is cut to it.
    SoundPtr clamped(new CPCMSound(*sound, 0.0, 99999.0));
    EXPECT_DOUBLE_EQ(clamped->AbsoluteOffset(), 1000.0);
    EXPECT_DOUBLE_EQ(clamped->Length(), 800.0);
}

TEST(CPCMSound, RangeCopyPastTheLoopEndStartsInsideTheLoop) {
    SoundPtr sound = SineSound(1.0, 440.0);
    sound->SetLoopStart(200.0);
    sound->SetLoopEnd(400.0);
    sound->SetVirtualLength(3000.0);
    SoundPtr part(new CPCMSound(*sound, 450.0, 900.0));
    EXPECT_DOUBLE_EQ(part->GetVirtualTimeStart(), 250.0);
}

TEST(CPCMSound, RateAndPitchReprocessTheData) {
    SoundPtr sound = SineSound(1.0, 440.0);
    const CSoundData* original = sound->PlayData();
    EXPECT_FALSE(sound->Rate(0.01));
    EXPECT_FALSE(sound->Rate(17.0));
    EXPECT_FALSE(sound->SetPitchShift(49.0, true));
    EXPECT_EQ(sound->PlayData(), original);

    ASSERT_TRUE(sound->Rate(2.0));
    EXPECT_DOUBLE_EQ(sound->Rate(), 2.0);
    EXPECT_NEAR(sound->DataLength(), 500.0, 20.0);
    // The stored times are the caller's to set.
    EXPECT_DOUBLE_EQ(sound->Length(), 1000.0);

    ASSERT_TRUE(sound->Rate(1.0));
    EXPECT_EQ(sound->PlayData(), original);
    ASSERT_TRUE(sound->SetPitchShift(12.0, true));
    EXPECT_DOUBLE_EQ(sound->PitchShift(), 12.0);
    EXPECT_NEAR(sound->DataLength(), 1000.0, 20.0);
    const CSoundData* shifted = sound->PlayData();
    ASSERT_NE(shifted, nullptr);
    EXPECT_NEAR(SoundFixtures::ToneFrequency(shifted->Samples() + 4410, shifted->Frames() - 8820, 1,
                                             kMixerSampleRate),
                880.0, 10.0);

    // Without correction the pitch follows the speed.
    ASSERT_TRUE(sound->SetPitchShift(0.0, false));
    ASSERT_TRUE(sound->Rate(2.0));
    EXPECT_FALSE(sound->GetClipAudioBuffer().GetRatePitchCorrect());
    const CSoundData* varispeed = sound->PlayData();
    EXPECT_NEAR(SoundFixtures::ToneFrequency(varispeed->Samples() + 2205,
                                             varispeed->Frames() - 4410, 1, kMixerSampleRate),
                880.0, 10.0);
}

TEST(CPCMSound, RateWithoutDataIsOnlyStored) {
    SoundPtr sound(new CPCMSound());
    EXPECT_TRUE(sound->Rate(0.5));
    EXPECT_DOUBLE_EQ(sound->Rate(), 0.5);
    EXPECT_EQ(sound->PlayData(), nullptr);
}

TEST(CPCMSound, EasyLoadsAFileWithItsTempo) {
    const std::string dir = SoundFixtures::FreshDir("pcmsound");
    const std::string path = SoundFixtures::WriteSineFile(
        dir + "/tone.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_16, 44100, 2, 0.5, 440.0, 0.5);
    ASSERT_FALSE(path.empty());
    ASSERT_TRUE(SoundFixtures::AppendAcidChunk(path, 0x02, 60, 4, 128.0f));
    SoundPtr sound(new CPCMSound());
    ASSERT_TRUE(sound->EasyLoad(path));
    EXPECT_EQ(sound->GetFilePath(), path);
    EXPECT_EQ(sound->DataFrames(), 22050);
    EXPECT_DOUBLE_EQ(sound->Length(), 500.0);
    EXPECT_NEAR(sound->GetSoundTempo(), 128.0, 1e-3);
    EXPECT_EQ(sound->GetSoundRootNote(), 60);
    EXPECT_TRUE(sound->GetSoundHasRootNote());
    EXPECT_EQ(sound->GetBeatCount(), 4);

    LogCapture log;
    SoundPtr missing(new CPCMSound());
    EXPECT_FALSE(missing->EasyLoad(dir + "/missing.wav"));
    EXPECT_FALSE(missing->HasData());
    EXPECT_TRUE(log.Contains("CPCMSound::EasyLoad failed on"));
}

TEST(CSoundGroup, HoldsAReferenceOnEachMember) {
    auto* group = new CSoundGroup();
    SoundPtr a = SineSound(1.0, 440.0);
    SoundPtr b = SineSound(0.5, 440.0);
    EXPECT_TRUE(group->Add(a.get(), 2000.0));
    EXPECT_DOUBLE_EQ(a->AbsoluteOffset(), 2000.0);
    EXPECT_EQ(a->References(), 2);
    EXPECT_FALSE(group->Add(a.get(), 0.0));
    EXPECT_DOUBLE_EQ(a->AbsoluteOffset(), 2000.0);
    EXPECT_FALSE(group->Add(nullptr));
    EXPECT_FALSE(group->Add(group));
    b->SetAbsoluteOffset(100.0);
    EXPECT_TRUE(group->Add(b.get()));
    EXPECT_EQ(group->Count(), 2);
    EXPECT_EQ(group->At(1), b.get());
    EXPECT_EQ(group->At(2), nullptr);
    EXPECT_DOUBLE_EQ(group->Length(), 3000.0);

    EXPECT_TRUE(group->Remove(a.get()));
    EXPECT_FALSE(group->Remove(a.get()));
    EXPECT_EQ(a->References(), 1);
    EXPECT_DOUBLE_EQ(group->Length(), 600.0);

    CAudioAtom::DeleteAtom(group);
    EXPECT_EQ(b->References(), 1);
}

} // namespace
