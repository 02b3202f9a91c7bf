// Playback through a JACK server at 128 frames per period, as a user plays a
// large session: 64 tracks with one minute-long sound each, every sound with a
// moving volume envelope, and the six built-in effects on 8 of the tracks. The
// benchmark starts its own JACK server on the dummy backend (no sound card
// needed), plays for LOOMTONE_BENCH_SECONDS (60 by default) and reports the
// device callback's average and worst time, its share of one core (the
// average over the period's length), the process's CPU share, and the xruns
// the server reported, with the underruns and lost-lock blocks the engine
// counted, in all and after the first second (the start, when every track's
// stream is filled, is told apart). Skipped when jackd is not installed.

#include "BenchSounds.h"
#include "engine/CAudioDevice.h"
#include "engine/CEffectChain.h"
#include "engine/CJackDevice.h"
#include "engine/CPCMMixer.h"
#include "engine/CPCMSound.h"
#include "engine/CPCMTrack.h"
#include "engine/CSoundGroup.h"
#include "engine/EffectsFactory.h"

#include <benchmark/benchmark.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>

namespace {

constexpr int kTracks = 64;
constexpr int kTracksWithEffects = 8;
constexpr int kPeriodFrames = 128;
constexpr double kSoundSeconds = 60.0;

// A JACK server of the benchmark's own, found by the clients through
// JACK_DEFAULT_SERVER.
class BenchJackServer {
public:
    BenchJackServer() {
        const std::string name = "loomtone-bench-" + std::to_string(getpid());
        setenv("JACK_DEFAULT_SERVER", name.c_str(), 1);
        m_pid = fork();
        if (m_pid == 0) {
            prctl(PR_SET_PDEATHSIG, SIGTERM);
            freopen("/dev/null", "w", stdout);
            freopen("/dev/null", "w", stderr);
            execlp("jackd", "jackd", "--no-realtime", "-n", name.c_str(), "-d", "dummy", "-r",
                   std::to_string(kMixerSampleRate).c_str(), "-p",
                   std::to_string(kPeriodFrames).c_str(), static_cast<char*>(nullptr));
            _exit(127);
        }
        m_started = m_pid > 0 && std::system("jack_wait -w -t 10 > /dev/null 2>&1") == 0;
    }
    ~BenchJackServer() {
        if (m_pid > 0) {
            kill(m_pid, SIGTERM);
            waitpid(m_pid, nullptr, 0);
        }
    }
    BenchJackServer(const BenchJackServer&) = delete;
    BenchJackServer& operator=(const BenchJackServer&) = delete;

    bool Started() const { return m_started; }

private:
    pid_t m_pid = -1;
    bool m_started = false;
};

void FillSession(CPCMMixer& mixer) {
    for (int track = 0; track < kTracks; ++track) {
        CPCMTrack* engineTrack = mixer.AddTrack();
        AddEnvelopedSound(mixer, track, [track](CPCMSound& sound) {
            return sound.SetSoundData(BenchSine(110.0 + 20.0 * track, kSoundSeconds, 0.1));
        });
        if (track >= kTracksWithEffects)
            continue;
        for (const EffectDescription& effect : EffectsFactory::GetInstance()->GetAvailableEffects())
            if (effect.group == EffectGroup::BuiltIn && !effect.isInstrument)
                engineTrack->GetEffectChain()->Insert(
                    EffectsFactory::GetInstance()->LoadEffect(effect.id), -1);
    }
    mixer.SetLoop(true, 0.0, kSoundSeconds * 1000.0);
}

double CpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const auto seconds = [](const timeval& time) { return time.tv_sec + time.tv_usec / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

void BM_Play64TracksOnJack(benchmark::State& state) {
    if (std::system("command -v jackd > /dev/null 2>&1") != 0) {
        state.SkipWithError("jackd is not installed");
        return;
    }
    const char* seconds = std::getenv("LOOMTONE_BENCH_SECONDS");
    const double playSeconds = seconds ? std::atof(seconds) : 60.0;
    BenchJackServer server;
    if (!server.Started()) {
        state.SkipWithError("the JACK dummy server did not start");
        return;
    }
    CPCMMixer mixer;
    FillSession(mixer);
    AudioDeviceChoice choice;
    choice.driverType = AudioDeviceChoice::kJack;
    choice.clientName = "loomtone-bench";
    std::string reason;
    if (!mixer.OpenDevice(choice, reason)) {
        state.SkipWithError(reason.c_str());
        return;
    }
    auto* jack = dynamic_cast<CJackDevice*>(&mixer.GetDevice());
    int64_t lostLockAtOneSecond = 0;
    int64_t underrunsAtOneSecond = 0;
    int64_t xrunsAtOneSecond = 0;
    for (auto _ : state) {
        mixer.Play(mixer.GetSoundGroup(), 0.0, 0);
        // Starting playback fills every track's stream; what the first
        // second counts is told apart from the rest.
        std::this_thread::sleep_for(std::chrono::seconds(1));
        lostLockAtOneSecond = mixer.GetLostLockBlocks();
        underrunsAtOneSecond = mixer.GetUnderruns();
        xrunsAtOneSecond = jack ? jack->Xruns() : 0;
        const double cpuBefore = CpuSeconds();
        const auto start = std::chrono::steady_clock::now();
        std::this_thread::sleep_for(std::chrono::duration<double>(playSeconds));
        const double wall =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        state.counters["process_cpu_pct"] = 100.0 * (CpuSeconds() - cpuBefore) / wall;
        mixer.Stop(0);
    }
    const CDeviceCallbackTimes& times = mixer.GetDevice().CallbackTimes();
    const double periodUs = 1e6 * kPeriodFrames / kMixerSampleRate;
    state.counters["callbacks"] = static_cast<double>(times.Count());
    state.counters["callback_avg_us"] = times.AverageMicroseconds();
    state.counters["callback_worst_us"] = times.WorstMicroseconds();
    state.counters["callback_core_pct"] = 100.0 * times.AverageMicroseconds() / periodUs;
    state.counters["worst_of_period_pct"] = 100.0 * times.WorstMicroseconds() / periodUs;
    state.counters["xruns"] = jack ? static_cast<double>(jack->Xruns()) : -1.0;
    state.counters["underruns"] = static_cast<double>(mixer.GetUnderruns());
    state.counters["lost_lock"] = static_cast<double>(mixer.GetLostLockBlocks());
    state.counters["xruns_after_1s"] =
        jack ? static_cast<double>(jack->Xruns() - xrunsAtOneSecond) : -1.0;
    state.counters["underruns_after_1s"] =
        static_cast<double>(mixer.GetUnderruns() - underrunsAtOneSecond);
    state.counters["lost_lock_after_1s"] =
        static_cast<double>(mixer.GetLostLockBlocks() - lostLockAtOneSecond);
    mixer.CloseDevice();
}

} // namespace

BENCHMARK(BM_Play64TracksOnJack)->Iterations(1)->Unit(benchmark::kSecond);
