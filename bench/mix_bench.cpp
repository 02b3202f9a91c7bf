// Mixing cost of a full session: tracks with one minute-long sound each,
// every sound with a moving volume envelope, mixed block by block as a device
// would ask for it. The sound reader fills the sounds' streams on its own
// thread: the 32-track case mixes as fast as it can and waits for the reader
// where it must (as a render does); the 64-track case is paced like a device
// playing 128-frame blocks and times the mixing routine alone, counting the
// blocks in which a sound was not read in time.

#include "BenchSounds.h"
#include "engine/CPCMMixer.h"
#include "engine/CPCMSound.h"
#include "engine/CSoundGroup.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cmath>
#include <memory>
#include <numbers>
#include <thread>
#include <vector>

namespace {

constexpr int kTracks = 32;
constexpr int kBlockFrames = 512;
constexpr double kSoundSeconds = 60.0;

// Tracks of one sound each, playing round a loop of the whole sound.
struct Session {
    explicit Session(int tracks) {
        for (int track = 0; track < tracks; ++track) {
            mixer.AddTrack();
            auto* sound = new CPCMSound();
            sound->SetSoundData(BenchSine(110.0 + 20.0 * track, kSoundSeconds, 0.1));
            sound->SetTrackNumber(track);
            CEnvelope& volume = sound->GetClipAudioBuffer().GetVolumeEnvelope();
            for (int point = 0; point <= 60; ++point)
                volume.Insert(point * 1000.0, point % 2 ? 1.0 : 0.3);
            mixer.GetSoundGroup()->Add(sound, 0.0);
            CAudioAtom::DeleteAtom(sound); // the group keeps it
        }
        mixer.SetLoop(true, 0.0, kSoundSeconds * 1000.0);
        mixer.Play(mixer.GetSoundGroup(), 0.0, 0);
    }
    ~Session() { mixer.Stop(0); }

    CPCMMixer mixer;
};

void BM_Mix64TracksLive(benchmark::State& state) {
    constexpr int kBlock = 128;
    Session session(64);
    std::vector<float> block(kBlock * 2);
    const auto period = std::chrono::duration_cast<std::chrono::steady_clock::duration>(
        std::chrono::duration<double>(static_cast<double>(kBlock) / kMixerSampleRate));
    auto deadline = std::chrono::steady_clock::now();
    const int64_t underrunsBefore = session.mixer.GetUnderruns();
    int64_t late = 0;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        session.mixer.Mix(block.data(), kBlock);
        const auto end = std::chrono::steady_clock::now();
        state.SetIterationTime(std::chrono::duration<double>(end - start).count());
        late += end > deadline + period;
        deadline += period;
        std::this_thread::sleep_until(deadline);
    }
    state.counters["underruns"] =
        static_cast<double>(session.mixer.GetUnderruns() - underrunsBefore);
    state.counters["lost_lock"] = static_cast<double>(session.mixer.GetLostLockBlocks());
    state.counters["late_blocks"] = static_cast<double>(late);
}

// About six seconds of 128-frame blocks at the device's pace.
BENCHMARK(BM_Mix64TracksLive)->UseManualTime()->Iterations(2000)->Unit(benchmark::kMicrosecond);

void BM_Mix32Tracks(benchmark::State& state) {
    Session session(kTracks);
    std::vector<float> block(kBlockFrames * 2);
    for (auto _ : state) {
        session.mixer.MixWaitingForReader(block.data(), kBlockFrames);
        benchmark::DoNotOptimize(block.data());
        benchmark::ClobberMemory();
    }
    const double frames = static_cast<double>(state.iterations()) * kBlockFrames;
    state.counters["frames/s"] = benchmark::Counter(frames, benchmark::Counter::kIsRate);
    // Seconds of audio mixed per second of work.
    state.counters["realtime"] =
        benchmark::Counter(frames / kMixerSampleRate, benchmark::Counter::kIsRate);
}

BENCHMARK(BM_Mix32Tracks)->Unit(benchmark::kMicrosecond);

} // namespace
