// Mixing cost of a full session: 32 tracks with one minute-long sound each,
// every sound with a moving volume envelope, mixed block by block as a device
// would ask for it.

#include "BenchSounds.h"
#include "engine/CPCMMixer.h"
#include "engine/CPCMSound.h"
#include "engine/CSoundGroup.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <numbers>
#include <vector>

namespace {

constexpr int kTracks = 32;
constexpr int kBlockFrames = 512;
constexpr double kSoundSeconds = 60.0;

void BM_Mix32Tracks(benchmark::State& state) {
    CPCMMixer mixer;
    std::vector<CPCMSound*> sounds;
    for (int track = 0; track < kTracks; ++track) {
        mixer.AddTrack();
        auto* sound = new CPCMSound();
        sound->SetSoundData(BenchSine(110.0 + 20.0 * track, kSoundSeconds, 0.1));
        sound->SetTrackNumber(track);
        CEnvelope& volume = sound->GetClipAudioBuffer().GetVolumeEnvelope();
        for (int point = 0; point <= 60; ++point)
            volume.Insert(point * 1000.0, point % 2 ? 1.0 : 0.3);
        mixer.GetSoundGroup()->Add(sound, 0.0);
        sounds.push_back(sound);
    }
    mixer.SetLoop(true, 0.0, kSoundSeconds * 1000.0);
    mixer.Play(mixer.GetSoundGroup(), 0.0, 0);

    std::vector<float> block(kBlockFrames * 2);
    for (auto _ : state) {
        mixer.Mix(block.data(), kBlockFrames);
        benchmark::DoNotOptimize(block.data());
        benchmark::ClobberMemory();
    }
    const double frames = static_cast<double>(state.iterations()) * kBlockFrames;
    state.counters["frames/s"] = benchmark::Counter(frames, benchmark::Counter::kIsRate);
    // Seconds of audio mixed per second of work.
    state.counters["realtime"] =
        benchmark::Counter(frames / kMixerSampleRate, benchmark::Counter::kIsRate);

    mixer.Stop(0);
    for (CPCMSound* sound : sounds)
        CAudioAtom::DeleteAtom(sound);
}

BENCHMARK(BM_Mix32Tracks)->Unit(benchmark::kMicrosecond);

} // namespace
