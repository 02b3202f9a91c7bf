// Mixing cost of a full session: tracks with one minute-long sound each,
// every sound with a moving volume envelope, mixed block by block as a device
// would ask for it. The sound reader fills the sounds' streams on its own
// thread: the 32-track case mixes as fast as it can and waits for the reader
// where it must (as a render does); the 64-track cases are paced like a device
// playing 128-frame blocks and time the mixing routine alone, counting the
// blocks in which a sound was not read in time.
//
// The 64-track case from disk plays 16-bit stereo WAV files streamed from
// their own files (made once under the temporary folder). With
// LOOMTONE_BENCH_COLD=1 the page cache is dropped first (needs root), so the
// reader starts from the disk; underruns are counted apart for the first
// second and for the rest.

#include "BenchSounds.h"
#include "engine/CPCMMixer.h"
#include "engine/CPCMSound.h"
#include "engine/CSoundGroup.h"

#include <benchmark/benchmark.h>
#include <sndfile.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <numbers>
#include <string>
#include <thread>
#include <vector>

namespace {

constexpr int kTracks = 32;
constexpr int kBlockFrames = 512;
constexpr double kSoundSeconds = 60.0;

// Tracks of one sound each, playing round a loop of the whole sound; load
// gives each track's sound its material.
struct Session {
    using Loader = std::function<bool(CPCMSound& sound, int track)>;

    static bool SineOf(CPCMSound& sound, int track) {
        return sound.SetSoundData(BenchSine(110.0 + 20.0 * track, kSoundSeconds, 0.1));
    }

    explicit Session(int tracks, const Loader& load = SineOf) {
        for (int track = 0; track < tracks; ++track) {
            mixer.AddTrack();
            loaded = AddEnvelopedSound(mixer, track,
                                       [&](CPCMSound& sound) { return load(sound, track); }) &&
                     loaded;
        }
        mixer.SetLoop(true, 0.0, kSoundSeconds * 1000.0);
        mixer.Play(mixer.GetSoundGroup(), 0.0, 0);
    }
    ~Session() { mixer.Stop(0); }

    CPCMMixer mixer;
    bool loaded = true;
};

// Plays the session in 128-frame blocks at a device's pace, timing each
// block's mix; underruns in the first second and after it are counted apart.
void PlayPaced(benchmark::State& state, Session& session) {
    constexpr int kBlock = 128;
    constexpr int64_t kFirstSecondBlocks = kMixerSampleRate / kBlock;
    std::vector<float> block(kBlock * 2);
    const auto period = std::chrono::duration_cast<std::chrono::steady_clock::duration>(
        std::chrono::duration<double>(static_cast<double>(kBlock) / kMixerSampleRate));
    auto deadline = std::chrono::steady_clock::now();
    const int64_t underrunsBefore = session.mixer.GetUnderruns();
    int64_t underrunsAfterFirstSecond = 0;
    int64_t late = 0;
    int64_t blocks = 0;
    for (auto _ : state) {
        if (blocks++ == kFirstSecondBlocks)
            underrunsAfterFirstSecond = session.mixer.GetUnderruns();
        const auto start = std::chrono::steady_clock::now();
        session.mixer.Mix(block.data(), kBlock);
        const auto end = std::chrono::steady_clock::now();
        state.SetIterationTime(std::chrono::duration<double>(end - start).count());
        late += end > deadline + period;
        deadline += period;
        std::this_thread::sleep_until(deadline);
    }
    const int64_t underruns = session.mixer.GetUnderruns();
    if (blocks <= kFirstSecondBlocks)
        underrunsAfterFirstSecond = underruns;
    state.counters["underruns"] = static_cast<double>(underruns - underrunsBefore);
    state.counters["underruns_after_1s"] =
        static_cast<double>(underruns - underrunsAfterFirstSecond);
    state.counters["lost_lock"] = static_cast<double>(session.mixer.GetLostLockBlocks());
    state.counters["late_blocks"] = static_cast<double>(late);
}

void BM_Mix64TracksLive(benchmark::State& state) {
    Session session(64);
    PlayPaced(state, session);
}

// A 16-bit stereo WAV of a minute's sine for each track, written once.
std::string DiskSound(int track) {
    const std::filesystem::path dir = std::filesystem::temp_directory_path() / "loomtone-mix-bench";
    std::filesystem::create_directories(dir);
    const std::string path = (dir / ("track" + std::to_string(track) + ".wav")).string();
    const auto frames = static_cast<sf_count_t>(kSoundSeconds * kMixerSampleRate);
    std::error_code failed;
    if (std::filesystem::file_size(path, failed) == static_cast<uintmax_t>(frames) * 4 + 44)
        return path;
    const std::shared_ptr<const CSoundData> sine =
        BenchSine(110.0 + 20.0 * track, kSoundSeconds, 0.1);
    std::vector<float> stereo(static_cast<size_t>(frames) * 2);
    for (sf_count_t frame = 0; frame < frames; ++frame)
        stereo[frame * 2] = stereo[frame * 2 + 1] = sine->Samples()[frame];
    SF_INFO info{};
    info.samplerate = kMixerSampleRate;
    info.channels = 2;
    info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
    SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
    if (!file)
        return "";
    const bool written = sf_writef_float(file, stereo.data(), frames) == frames;
    return sf_close(file) == 0 && written ? path : "";
}

void BM_Mix64TracksLiveFromDisk(benchmark::State& state) {
    std::vector<std::string> paths;
    for (int track = 0; track < 64; ++track)
        paths.push_back(DiskSound(track));
    if (std::getenv("LOOMTONE_BENCH_COLD")) {
        ::sync();
        std::ofstream("/proc/sys/vm/drop_caches") << "1\n";
    }
    Session session(64, [&paths](CPCMSound& sound, int track) {
        return sound.EasyLoad(paths[static_cast<size_t>(track)]);
    });
    if (!session.loaded) {
        state.SkipWithError("the sound files could not be made or loaded");
        return;
    }
    PlayPaced(state, session);
}

// About six seconds of 128-frame blocks at the device's pace.
BENCHMARK(BM_Mix64TracksLive)->UseManualTime()->Iterations(2000)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Mix64TracksLiveFromDisk)
    ->UseManualTime()
    ->Iterations(2000)
    ->Unit(benchmark::kMicrosecond);

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
