#include "engine/CSoundReader.h"

#include "engine/CMixRoutine.h"
#include "engine/CNullDevice.h"
#include "engine/CPCMMixer.h"
#include "engine/CPCMSound.h"
#include "engine/CSoundGroup.h"
#include "engine/SoundFixtures.h"
#include "support/LogCapture.h"

#include <gtest/gtest.h>
#include <sndfile.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <memory>
#include <thread>
#include <vector>

namespace {

using SoundPtr = SoundFixtures::AtomPtr<CPCMSound>;

constexpr int kRate = kMixerSampleRate;
constexpr int kBlock = 512;

// A sample every frame can be told by: frame / 2^20, exact in a float.
float RampValue(int64_t frame) {
    return static_cast<float>(frame) / 1048576.0f;
}

std::shared_ptr<const CSoundData> Ramp(int64_t frames) {
    std::vector<float> samples(static_cast<size_t>(frames));
    for (int64_t frame = 0; frame < frames; ++frame)
        samples[static_cast<size_t>(frame)] = RampValue(frame);
    return CSoundData::FromSamples(std::move(samples), 1, kRate);
}

// One track with one ramp sound at 0; nothing else changes its samples.
struct RampMix {
    explicit RampMix(int64_t frames) : sound(new CPCMSound()) {
        EXPECT_TRUE(sound->SetSoundData(Ramp(frames)));
        sound->SetTrackNumber(0);
        mixer.AddTrack();
        mixer.GetSoundGroup()->Add(sound.get(), 0.0);
    }
    std::vector<float> Render(int64_t frames) {
        std::vector<float> out(static_cast<size_t>(frames) * 2, 1.0f);
        mixer.GetNullDevice().RenderOffline(out.data(), frames);
        return out;
    }

    // Adds a second ramp of one second at atMs while the mix plays.
    SoundPtr AddRampAt(double atMs) {
        SoundPtr added(new CPCMSound());
        EXPECT_TRUE(added->SetSoundData(Ramp(kRate)));
        added->SetTrackNumber(0);
        mixer.Lock();
        mixer.GetSoundGroup()->Add(added.get(), atMs);
        mixer.Unlock();
        return added;
    }
    // The first frame of out (from timeline frame `first` on) that is not the
    // two ramps summed, the second one starting at frame addedAt; -1 when
    // every frame is.
    static int64_t FirstMismatchOfTwo(const std::vector<float>& out, int64_t first,
                                      int64_t addedAt);

    CPCMMixer mixer;
    SoundPtr sound;
};

// The first frame of out (from the timeline frame `first` on) whose left side
// is not the ramp at expected(frame); -1 when every frame is.
template <typename Expected>
int64_t FirstMismatch(const std::vector<float>& out, int64_t first, Expected expected) {
    for (size_t index = 0; index < out.size() / 2; ++index) {
        const int64_t frame = first + static_cast<int64_t>(index);
        const float want = expected(frame);
        if (out[index * 2] != want || out[index * 2 + 1] != want)
            return frame;
    }
    return -1;
}

int64_t RampMix::FirstMismatchOfTwo(const std::vector<float>& out, int64_t first, int64_t addedAt) {
    return FirstMismatch(out, first, [addedAt](int64_t frame) {
        const int64_t at = frame - addedAt;
        return RampValue(frame) + (at >= 0 ? RampValue(at) : 0.0f);
    });
}

TEST(CSoundReader, ASlowReaderMeansCountedSilenceNeverAWaitAndThenTheRightSample) {
    RampMix mix(10 * kRate);
    std::atomic<bool> open{false};
    std::atomic<int> held{0};
    mix.mixer.GetSoundReader().SetReadHook([&] {
        while (!open.load()) {
            held = 1;
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    });
    ASSERT_TRUE(mix.mixer.Play(mix.mixer.GetSoundGroup(), 0.0, 0));
    // On a busy machine the reader thread may start late: it is held before
    // the mixing begins, so that the blocks below surely find it held.
    for (int tries = 0; tries < 10000 && held.load() == 0; ++tries)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    ASSERT_EQ(held.load(), 1);
    std::vector<float> block(kBlock * 2);
    // The reader is held for as long as this takes: a mixing thread that
    // waited for it would never get through these blocks.
    int64_t mixed = 0;
    for (; mixed + kBlock <= CSoundReader::kPrefillFrames; mixed += kBlock) {
        mix.mixer.Mix(block.data(), kBlock);
        for (int frame = 0; frame < kBlock; ++frame)
            ASSERT_EQ(block[frame * 2], RampValue(mixed + frame)) << mixed + frame;
    }
    EXPECT_EQ(mix.mixer.GetUnderruns(), 0);
    for (int index = 0; index < 40; ++index, mixed += kBlock) {
        mix.mixer.Mix(block.data(), kBlock);
        for (float sample : block)
            ASSERT_EQ(sample, 0.0f);
    }
    EXPECT_GE(mix.mixer.GetUnderruns(), 40);

    open = true;
    // Live playback goes on while the reader catches up; once it has, the
    // sound plays on at the transport's place.
    bool caughtUp = false;
    for (int tries = 0; tries < 2000 && !caughtUp; ++tries, mixed += kBlock) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
        mix.mixer.Mix(block.data(), kBlock);
        caughtUp = block[2] != 0.0f;
        if (caughtUp) {
            EXPECT_EQ(block[0], RampValue(mixed));
        }
    }
    ASSERT_TRUE(caughtUp);
    const int64_t underruns = mix.mixer.GetUnderruns();
    const std::vector<float> after = mix.Render(kRate);
    EXPECT_EQ(FirstMismatch(after, mixed, RampValue), -1);
    EXPECT_EQ(mix.mixer.GetUnderruns(), underruns);
}

// Plays the ramp round a transport loop through the null device for `seconds`
// and checks every frame.
void CheckTransportLoop(double loopStartMs, double loopEndMs, double seconds) {
    RampMix mix(static_cast<int64_t>(loopEndMs / 1000.0 * kRate) + kRate);
    mix.mixer.SetLoop(true, loopStartMs, loopEndMs);
    ASSERT_TRUE(mix.mixer.Play(mix.mixer.GetSoundGroup(), 0.0, 0));
    const int64_t loopStart = CPCMMixer::FramesOf(loopStartMs);
    const int64_t loopEnd = CPCMMixer::FramesOf(loopEndMs);
    const std::vector<float> out = mix.Render(static_cast<int64_t>(seconds * kRate));
    const auto expected = [&](int64_t sequence) {
        const int64_t frame = sequence < loopEnd
                                  ? sequence
                                  : loopStart + (sequence - loopEnd) % (loopEnd - loopStart);
        return RampValue(frame);
    };
    EXPECT_EQ(FirstMismatch(out, 0, expected), -1);
    EXPECT_EQ(mix.mixer.GetUnderruns(), 0);
}

TEST(CSoundReader, AShortTransportLoopRepeatsSampleExactly) {
    CheckTransportLoop(1000.0, 1100.0, 20.0);
}

TEST(CSoundReader, ALongTransportLoopRepeatsSampleExactly) {
    CheckTransportLoop(2000.0, 32000.0, 70.0);
}

TEST(CSoundReader, AnOfflineMixReadsOnUnchangedWhereTheStreamsRingWraps) {
    // The stream wraps after kStreamFrames, in the middle of a sub-block of
    // the mix: those frames are mixed from both ends of the ring.
    static_assert(CSoundReader::kStreamFrames % CMixRoutine::kSubBlockFrames != 0);
    RampMix mix(3 * CSoundReader::kStreamFrames);
    ASSERT_TRUE(mix.mixer.Play(mix.mixer.GetSoundGroup(), 0.0, 0));
    const std::vector<float> out = mix.Render(2 * CSoundReader::kStreamFrames + kBlock);
    EXPECT_EQ(FirstMismatch(out, 0, RampValue), -1);
    EXPECT_EQ(mix.mixer.GetUnderruns(), 0);
}

// Fills the stream on from its end with frames that tell their sequence frame:
// left frame / 2^20, right the negative.
void FillStream(CSoundStream& stream, int64_t frames) {
    while (frames > 0) {
        const int64_t piece = std::min(frames, stream.ContiguousRoom());
        const int64_t first = stream.End();
        float* target = stream.PrepareWrite(piece);
        for (int64_t frame = 0; frame < piece; ++frame) {
            target[frame * 2] = RampValue(first + frame);
            target[frame * 2 + 1] = -RampValue(first + frame);
        }
        stream.Commit(piece);
        frames -= piece;
    }
}

TEST(CSoundStream, ViewShowsTheHeldFramesWhereTheyLieInOneOrTwoPieces) {
    CSoundStream stream(8);
    StreamStamp stamp;
    stamp.soundFrames = 100;
    stream.Restart(stamp, 0);
    FillStream(stream, 6);
    CSoundStream::Frames frames;
    ASSERT_TRUE(stream.View(stamp, 2, 4, frames));
    EXPECT_EQ(frames.firstFrames, 4);
    EXPECT_EQ(frames.first[0], RampValue(2));
    EXPECT_EQ(frames.first[7], -RampValue(5));

    // Frames 8 and 9 go to the ring's start, over frames 0 and 1.
    FillStream(stream, 4);
    ASSERT_TRUE(stream.View(stamp, 5, 5, frames));
    EXPECT_EQ(frames.firstFrames, 3);
    EXPECT_EQ(frames.first[0], RampValue(5));
    EXPECT_EQ(frames.first[5], -RampValue(7));
    EXPECT_EQ(frames.second[0], RampValue(8));
    EXPECT_EQ(frames.second[3], -RampValue(9));

    EXPECT_FALSE(stream.View(stamp, 1, 2, frames)) << "overwritten";
    EXPECT_FALSE(stream.View(stamp, 9, 2, frames)) << "not filled yet";
    EXPECT_FALSE(stream.View(stamp, 2, 9, frames)) << "more than the stream holds";
    StreamStamp moved = stamp;
    moved.soundStart = 1;
    EXPECT_FALSE(stream.View(moved, 2, 4, frames)) << "filled for another placing";
}

TEST(CSoundReader, AClipLoopRepeatsSampleExactly) {
    RampMix mix(2 * kRate);
    mix.sound->SetLoopStart(500.0);
    mix.sound->SetLoopEnd(600.0);
    mix.sound->SetVirtualLength(60000.0);
    ASSERT_TRUE(mix.mixer.Play(mix.mixer.GetSoundGroup(), 0.0, 0));
    const std::vector<float> out = mix.Render(60 * kRate);
    const int64_t loopStart = kRate / 2;
    const int64_t loopEnd = kRate * 6 / 10;
    EXPECT_EQ(FirstMismatch(out, 0,
                            [&](int64_t frame) {
                                return RampValue(frame < loopEnd
                                                     ? frame
                                                     : loopStart + (frame - loopEnd) %
                                                                       (loopEnd - loopStart));
                            }),
              -1);
}

TEST(CSoundReader, AClipMovedWhilePlayingIsReadAgainAtItsNewPlace) {
    RampMix mix(10 * kRate);
    ASSERT_TRUE(mix.mixer.Play(mix.mixer.GetSoundGroup(), 0.0, 0));
    std::vector<float> out = mix.Render(kRate);
    EXPECT_EQ(FirstMismatch(out, 0, RampValue), -1);
    mix.mixer.Lock();
    mix.sound->SetAbsoluteOffset(-500.0); // half a second earlier
    mix.sound->SetVirtualTimeStart(0.0);
    mix.mixer.Unlock();
    out = mix.Render(kRate);
    EXPECT_EQ(FirstMismatch(out, kRate, [](int64_t frame) { return RampValue(frame + kRate / 2); }),
              -1);
    // Trimmed: the clip now starts two seconds into its data.
    mix.mixer.Lock();
    mix.sound->SetVirtualTimeStart(2000.0);
    mix.mixer.Unlock();
    out = mix.Render(kRate);
    EXPECT_EQ(FirstMismatch(out, 2 * kRate,
                            [](int64_t frame) { return RampValue(frame + kRate / 2 + 2 * kRate); }),
              -1);
}

TEST(CSoundReader, AClipMovedWhilePlayingIsHeardAtItsNewPlaceAtTheNextBlockOnceTold) {
    RampMix mix(10 * kRate);
    // The reader is held throughout: only the refill on this thread can
    // give the moved sound its frames. The hook owns its flags, since the
    // reader may still be in it when this test's body has ended.
    auto open = std::make_shared<std::atomic<bool>>(false);
    auto held = std::make_shared<std::atomic<bool>>(false);
    mix.mixer.GetSoundReader().SetReadHook([open, held] {
        while (!open->load()) {
            *held = true;
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    });
    // Let go before the mixer goes, also when a check below gives up.
    struct LetGo {
        ~LetGo() { *open = true; }
        std::shared_ptr<std::atomic<bool>> open;
    } letGo{open};
    ASSERT_TRUE(mix.mixer.Play(mix.mixer.GetSoundGroup(), 0.0, 0));
    for (int tries = 0; tries < 10000 && !held->load(); ++tries)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    ASSERT_TRUE(held->load());
    std::vector<float> block(kBlock * 2);
    int64_t mixed = 0;
    for (; mixed < 4 * kBlock; mixed += kBlock)
        mix.mixer.Mix(block.data(), kBlock);
    EXPECT_EQ(block[0], RampValue(mixed - kBlock));
    ASSERT_EQ(mix.mixer.GetUnderruns(), 0);

    const auto moveBy = [&](double ms) {
        mix.mixer.Lock();
        mix.sound->SetAbsoluteOffset(mix.sound->AbsoluteOffset() + ms);
        mix.mixer.Unlock();
    };
    // Untold, the stream still holds the frames of the old place: silence.
    moveBy(-500.0);
    mix.mixer.Mix(block.data(), kBlock);
    mixed += kBlock;
    EXPECT_EQ(block[0], 0.0f);
    EXPECT_EQ(mix.mixer.GetUnderruns(), 1);

    moveBy(-500.0);
    mix.mixer.SoundMoved(*mix.sound);
    for (int index = 0; index < 4; ++index, mixed += kBlock) {
        mix.mixer.Mix(block.data(), kBlock);
        for (int frame = 0; frame < kBlock; ++frame)
            ASSERT_EQ(block[frame * 2], RampValue(mixed + frame + kRate)) << mixed + frame;
    }
    EXPECT_EQ(mix.mixer.GetUnderruns(), 1);
}

TEST(CSoundReader, SoundsAddedAheadAndSeeksAreHeardFromTheirFirstFrame) {
    RampMix mix(10 * kRate);
    ASSERT_TRUE(mix.mixer.Play(mix.mixer.GetSoundGroup(), 0.0, 0));
    mix.Render(kRate);
    const SoundPtr later = mix.AddRampAt(1500.0);
    std::vector<float> out = mix.Render(kRate);
    EXPECT_EQ(RampMix::FirstMismatchOfTwo(out, kRate, kRate * 3 / 2), -1);
    mix.mixer.SetPositionMs(7000.0);
    out = mix.Render(kRate / 2);
    EXPECT_EQ(FirstMismatch(out, 7 * kRate, RampValue), -1);
    EXPECT_EQ(mix.mixer.GetUnderruns(), 0);
}

TEST(CSoundReader, ARenderWaitsForASoundAddedWhileTheReaderLagsBehindItsWindows) {
    RampMix mix(10 * kRate);
    // A reader that looks only every 20 ms leaves each window it was handed
    // waiting while the render races through many blocks.
    mix.mixer.GetSoundReader().SetReadHook(
        [] { std::this_thread::sleep_for(std::chrono::milliseconds(20)); });
    ASSERT_TRUE(mix.mixer.Play(mix.mixer.GetSoundGroup(), 0.0, 0));
    mix.Render(kRate);
    const SoundPtr later = mix.AddRampAt(1100.0);
    const std::vector<float> out = mix.Render(kRate / 2);
    EXPECT_EQ(RampMix::FirstMismatchOfTwo(out, kRate, kRate * 11 / 10), -1);
    EXPECT_EQ(mix.mixer.GetUnderruns(), 0);
}

// The first `frames` frames of a sound file's first channel, as libsndfile reads them.
std::vector<float> FileFrames(const std::string& path, int64_t frames) {
    SF_INFO info{};
    SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
    std::vector<float> samples(static_cast<size_t>(frames * info.channels));
    if (file) {
        sf_readf_float(file, samples.data(), frames);
        sf_close(file);
    }
    std::vector<float> first(static_cast<size_t>(frames));
    for (int64_t frame = 0; frame < frames; ++frame)
        first[static_cast<size_t>(frame)] = samples[static_cast<size_t>(frame * info.channels)];
    return first;
}

TEST(CSoundReader, ASourceFileCutShortWhilePlayingIsSilentPastItsNewEnd) {
    const std::string dir = SoundFixtures::FreshDir("reader-cut");
    const std::string path = SoundFixtures::WriteSineFile(
        dir + "/cut.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_16, kRate, 1, 5.0, 330.0, 0.5);
    ASSERT_FALSE(path.empty());
    const std::vector<float> original = FileFrames(path, 5 * kRate);
    SoundPtr sound(new CPCMSound());
    ASSERT_TRUE(sound->EasyLoad(path));
    ASSERT_TRUE(sound->PlayData()->IsStreamed());
    sound->SetTrackNumber(0);
    CPCMMixer mixer;
    mixer.AddTrack();
    mixer.GetSoundGroup()->Add(sound.get(), 0.0);
    ASSERT_TRUE(mixer.Play(mixer.GetSoundGroup(), 0.0, 0));
    std::vector<float> out(static_cast<size_t>(kRate) * 2);
    mixer.GetNullDevice().RenderOffline(out.data(), kRate);
    EXPECT_EQ(
        FirstMismatch(out, 0, [&](int64_t frame) { return original[static_cast<size_t>(frame)]; }),
        -1);

    // Two seconds are left in the file; the reader has read further ahead.
    LogCapture log;
    ASSERT_TRUE(SoundFixtures::TruncateFile(path, 44 + 2 * kRate * 2));
    std::this_thread::sleep_for(std::chrono::milliseconds(400));
    out.assign(static_cast<size_t>(3 * kRate) * 2, 1.0f);
    mixer.GetNullDevice().RenderOffline(out.data(), 3 * kRate);
    EXPECT_EQ(FirstMismatch(out, kRate,
                            [&](int64_t frame) {
                                return frame < 2 * kRate ? original[static_cast<size_t>(frame)]
                                                         : 0.0f;
                            }),
              -1);
    EXPECT_TRUE(log.Contains("changed on disk"));
}

} // namespace
