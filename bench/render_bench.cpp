// Cost of a project render: 32 tracks with one minute-long sound each, mixed
// through the render worker and encoded to 16-bit WAV, MP3 and OGG. The
// "realtime" counter is seconds of audio rendered per second of wall clock.

#include "BenchSounds.h"
#include "engine/CPCMMixer.h"
#include "engine/CPCMSound.h"
#include "engine/CRenderWorker.h"
#include "engine/CSoundGroup.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cmath>
#include <filesystem>
#include <numbers>
#include <thread>
#include <vector>

namespace {

constexpr int kTracks = 32;
constexpr double kSoundSeconds = 60.0;

void BM_Render32Tracks(benchmark::State& state, ConversionType type) {
    CPCMMixer mixer;
    for (int track = 0; track < kTracks; ++track) {
        mixer.AddTrack();
        auto* sound = new CPCMSound();
        sound->SetSoundData(BenchSine(110.0 + 20.0 * track, kSoundSeconds, 0.02));
        sound->SetTrackNumber(track);
        mixer.GetSoundGroup()->Add(sound, 0.0);
        CAudioAtom::DeleteAtom(sound); // the group keeps it
    }
    const std::filesystem::path dir = std::filesystem::temp_directory_path() / "render_bench";
    std::filesystem::create_directories(dir);
    CTrackRenderList list;
    list.AddTrackInfo(_renderWorkerTrackStruct{});
    CRenderWorker worker;
    const FormatDetails format = worker.FormatDetails(type);
    const std::string path = (dir / (std::string("mix.") + format.Extension())).string();

    for (auto _ : state) {
        if (!worker.Start(false, mixer.GetSoundGroup(), list, path, &mixer, type, format, false,
                          CRenderWorker::kAllTracks)) {
            state.SkipWithError("the render did not start");
            break;
        }
        while (worker.IsRunning())
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        const bool failed = worker.HasError();
        worker.CleanUp();
        if (failed) {
            state.SkipWithError("the render failed");
            break;
        }
    }
    state.counters["realtime"] = benchmark::Counter(
        static_cast<double>(state.iterations()) * kSoundSeconds, benchmark::Counter::kIsRate);
    std::filesystem::remove_all(dir);
}

BENCHMARK_CAPTURE(BM_Render32Tracks, wav16, ConversionType::Wav)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(2);
BENCHMARK_CAPTURE(BM_Render32Tracks, mp3, ConversionType::Mp3)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(2);
BENCHMARK_CAPTURE(BM_Render32Tracks, ogg, ConversionType::Ogg)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(2);

} // namespace
