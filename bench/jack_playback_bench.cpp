// Playback through a JACK server at 128 frames per period, as a user plays a
// large session: 64 tracks with one minute-long sound each, every sound with a
// moving volume envelope, and the six built-in effects on 8 of the tracks. The
// benchmarks start their own JACK server on the dummy backend (no sound card
// needed), play for LOOMTONE_BENCH_SECONDS (60 by default) and report the
// device callback's average and worst time, its share of one core (the
// average over the period's length), the process's CPU share, and the xruns
// the server reported, with the underruns and lost-lock blocks the engine
// counted, in all and after the first second (the start, when every track's
// stream is filled, is told apart). The server's own messages tell its late
// cycles apart: its dummy backend's timer woke late (the machine's doing,
// seen with no client at all on a busy machine), or a client had not
// finished its callback in time.
//
// The server runs its clients' callbacks real-time (SCHED_FIFO), as on a
// user's machine set up for audio, when this machine lets the benchmark do
// so; otherwise, or with LOOMTONE_BENCH_JACK_REALTIME=0, it runs them as
// ordinary threads. The label and the "realtime" counter say which ran.
//
// BM_ReferenceClientOnJack measures a client that does no more than keep
// busy, the machine's share of the late callbacks.
// BM_Play64TracksOnJack plays the session on the mixer alone.
// BM_Play64TracksOnJackWhileEditing plays it as a project in the main window
// on the headless host, while this thread, the window's, repaints the whole
// track area every frame (16 ms), runs the window's timers (the playback
// line's tick among them) and drags a clip back and forth along its track
// with the mouse. Skipped when jackd is not installed.

#include "BenchSounds.h"
#include "BenchWindow.h"
#include "ToneWav.h"
#include "app/LoomtoneMainWindow.h"
#include "engine/CAudioDevice.h"
#include "engine/CClipAudioBuffer.h"
#include "engine/CEffectChain.h"
#include "engine/CEnvelope.h"
#include "engine/CJackDevice.h"
#include "engine/CPCMMixer.h"
#include "engine/CPCMSound.h"
#include "engine/CPCMTrack.h"
#include "engine/CSoundGroup.h"
#include "engine/EffectsFactory.h"
#include "gui/COffscreenGuiHost.h"
#include "project/CAudioClip.h"
#include "project/CMixerLock.h"
#include "project/CProject.h"
#include "project/CTrack.h"
#include "support/CUndoMgr.h"

#include <benchmark/benchmark.h>
#include <jack/jack.h>
#include <pthread.h>
#include <sched.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr int kTracks = 64;
constexpr int kTracksWithEffects = 8;
constexpr int kPeriodFrames = 128;
constexpr double kSoundSeconds = 60.0;

// Whether a thread of this process may be scheduled real-time: a thread of
// its own tries it. JACK gives its clients' callbacks that scheduling only
// where the machine allows it.
bool RealtimeAllowed() {
    bool allowed = false;
    std::thread probe([&allowed] {
        sched_param param{};
        param.sched_priority = 10;
        allowed = pthread_setschedparam(pthread_self(), SCHED_FIFO, &param) == 0;
    });
    probe.join();
    return allowed;
}

bool RealtimeWanted() {
    const char* wanted = std::getenv("LOOMTONE_BENCH_JACK_REALTIME");
    return !(wanted && std::string(wanted) == "0") && RealtimeAllowed();
}

// A JACK server of the benchmark's own, found by the clients through
// JACK_DEFAULT_SERVER; real-time when asked.
class BenchJackServer {
public:
    explicit BenchJackServer(bool realtime) {
        static int servers = 0;
        const std::string name =
            "loomtone-bench-" + std::to_string(getpid()) + "-" + std::to_string(++servers);
        m_log = fs::temp_directory_path() / (name + ".log");
        setenv("JACK_DEFAULT_SERVER", name.c_str(), 1);
        m_pid = fork();
        if (m_pid == 0) {
            prctl(PR_SET_PDEATHSIG, SIGTERM);
            freopen("/dev/null", "w", stdout);
            freopen(m_log.c_str(), "w", stderr);
            const std::string rate = std::to_string(kMixerSampleRate);
            const std::string period = std::to_string(kPeriodFrames);
            execlp("jackd", "jackd", realtime ? "--realtime" : "--no-realtime", "-n", name.c_str(),
                   "-d", "dummy", "-r", rate.c_str(), "-p", period.c_str(),
                   static_cast<char*>(nullptr));
            _exit(127);
        }
        m_started = m_pid > 0 && std::system("jack_wait -w -t 10 > /dev/null 2>&1") == 0;
        if (m_started)
            m_realtime = ServerRunsRealtime();
    }
    ~BenchJackServer() {
        if (m_pid > 0) {
            kill(m_pid, SIGTERM);
            waitpid(m_pid, nullptr, 0);
        }
        fs::remove(m_log);
    }
    BenchJackServer(const BenchJackServer&) = delete;
    BenchJackServer& operator=(const BenchJackServer&) = delete;

    bool Started() const { return m_started; }
    // What the server says, not what it was asked: a server that may not
    // schedule real-time falls back to ordinary threads.
    bool Realtime() const { return m_realtime; }

    // The server's reports so far of late cycles: the dummy backend's timer
    // woke late (no client's doing), or a client had not finished its
    // callback when the cycle was due.
    struct LateCycles {
        int64_t timer = 0;
        int64_t client = 0;
    };
    LateCycles CountLateCycles() const {
        LateCycles late;
        std::ifstream log(m_log);
        for (std::string line; std::getline(log, line);) {
            if (line.find("JackTimedDriver::Process XRun") != std::string::npos)
                ++late.timer;
            else if (line.find("was not finished") != std::string::npos)
                ++late.client;
        }
        return late;
    }

private:
    static bool ServerRunsRealtime() {
        jack_status_t status{};
        jack_client_t* client =
            jack_client_open("loomtone-bench-probe", JackNoStartServer, &status);
        if (!client)
            return false;
        const bool realtime = jack_is_realtime(client) != 0;
        jack_client_close(client);
        return realtime;
    }

    fs::path m_log; // the server's messages
    pid_t m_pid = -1;
    bool m_started = false;
    bool m_realtime = false;
};

bool StartServer(benchmark::State& state, BenchJackServer& server) {
    if (!server.Started()) {
        state.SkipWithError("the JACK dummy server did not start");
        return false;
    }
    state.SetLabel(server.Realtime() ? "realtime JACK" : "JACK without realtime");
    state.counters["realtime"] = server.Realtime() ? 1.0 : 0.0;
    return true;
}

bool JackInstalled(benchmark::State& state) {
    if (std::system("command -v jackd > /dev/null 2>&1") == 0)
        return true;
    state.SkipWithError("jackd is not installed");
    return false;
}

double PlaySeconds() {
    const char* seconds = std::getenv("LOOMTONE_BENCH_SECONDS");
    return seconds ? std::atof(seconds) : 60.0;
}

bool OpenJack(benchmark::State& state, CPCMMixer& mixer) {
    AudioDeviceChoice choice;
    choice.driverType = AudioDeviceChoice::kJack;
    choice.clientName = "loomtone-bench";
    std::string reason;
    if (mixer.OpenDevice(choice, reason))
        return true;
    state.SkipWithError(reason.c_str());
    return false;
}

// The six built-in effects, in the factory's order, at the end of the chain.
void InsertBuiltInEffects(CEffectChain& chain) {
    for (const EffectDescription& effect : EffectsFactory::GetInstance()->GetAvailableEffects())
        if (effect.group == EffectGroup::BuiltIn && !effect.isInstrument)
            chain.Insert(EffectsFactory::GetInstance()->LoadEffect(effect.id), -1);
}

double CpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const auto seconds = [](const timeval& time) { return time.tv_sec + time.tv_usec / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

// The faults the server and the engine counted, at one moment.
struct FaultCounts {
    int64_t xruns = 0;
    int64_t underruns = 0;
    int64_t lostLock = 0;

    static FaultCounts Of(CPCMMixer& mixer) {
        const auto* jack = dynamic_cast<const CJackDevice*>(&mixer.GetDevice());
        return {jack ? jack->Xruns() : 0, mixer.GetUnderruns(), mixer.GetLostLockBlocks()};
    }
};

// Plays the mixer's sound group in a loop: a second for the start, then
// `during` for the play time, while which the process's CPU share is taken.
// Returns the counts at the end of the start.
FaultCounts PlayLooped(benchmark::State& state, CPCMMixer& mixer,
                       const std::function<void(double seconds)>& during) {
    mixer.SetLoop(true, 0.0, kSoundSeconds * 1000.0);
    mixer.Play(mixer.GetSoundGroup(), 0.0, 0);
    // Starting playback fills every track's stream; what the first
    // second counts is told apart from the rest.
    std::this_thread::sleep_for(std::chrono::seconds(1));
    const FaultCounts atOneSecond = FaultCounts::Of(mixer);
    const double cpuBefore = CpuSeconds();
    const auto start = Clock::now();
    during(PlaySeconds());
    const double wall = std::chrono::duration<double>(Clock::now() - start).count();
    state.counters["process_cpu_pct"] = 100.0 * (CpuSeconds() - cpuBefore) / wall;
    mixer.Stop(0);
    return atOneSecond;
}

// What a client's callbacks took; late on the clock but not in their own
// work, the system held the callback's thread off the processor.
void ReportCallbacks(benchmark::State& state, const CDeviceCallbackTimes& times) {
    const double periodUs = 1e6 * kPeriodFrames / kMixerSampleRate;
    state.counters["callbacks"] = static_cast<double>(times.Count());
    state.counters["callback_avg_us"] = times.AverageMicroseconds();
    state.counters["callback_worst_us"] = times.WorstMicroseconds();
    state.counters["callback_core_pct"] = 100.0 * times.AverageMicroseconds() / periodUs;
    state.counters["worst_of_period_pct"] = 100.0 * times.WorstMicroseconds() / periodUs;
    state.counters["callback_worst_work_us"] = times.WorstWorkMicroseconds();
    state.counters["over_half_period"] = static_cast<double>(times.OverHalfPeriod());
    state.counters["work_over_half_period"] = static_cast<double>(times.WorkOverHalfPeriod());
}

void ReportLateCycles(benchmark::State& state, const BenchJackServer& server) {
    const BenchJackServer::LateCycles late = server.CountLateCycles();
    state.counters["xruns_timer_late"] = static_cast<double>(late.timer);
    state.counters["xruns_client_late"] = static_cast<double>(late.client);
}

void ReportPlayback(benchmark::State& state, const BenchJackServer& server, CPCMMixer& mixer,
                    const FaultCounts& atOneSecond) {
    ReportCallbacks(state, mixer.GetDevice().CallbackTimes());
    const FaultCounts end = FaultCounts::Of(mixer);
    state.counters["xruns"] = static_cast<double>(end.xruns);
    state.counters["underruns"] = static_cast<double>(end.underruns);
    state.counters["lost_lock"] = static_cast<double>(end.lostLock);
    state.counters["xruns_after_1s"] = static_cast<double>(end.xruns - atOneSecond.xruns);
    state.counters["underruns_after_1s"] =
        static_cast<double>(end.underruns - atOneSecond.underruns);
    state.counters["lost_lock_after_1s"] = static_cast<double>(end.lostLock - atOneSecond.lostLock);
    ReportLateCycles(state, server);
}

void FillSession(CPCMMixer& mixer) {
    for (int track = 0; track < kTracks; ++track) {
        CPCMTrack* engineTrack = mixer.AddTrack();
        AddEnvelopedSound(mixer, track, [track](CPCMSound& sound) {
            return sound.SetSoundData(BenchSine(110.0 + 20.0 * track, kSoundSeconds, 0.1));
        });
        if (track < kTracksWithEffects)
            InsertBuiltInEffects(*engineTrack->GetEffectChain());
    }
}

void BM_Play64TracksOnJack(benchmark::State& state) {
    if (!JackInstalled(state))
        return;
    BenchJackServer server(RealtimeWanted());
    if (!StartServer(state, server))
        return;
    CPCMMixer mixer;
    FillSession(mixer);
    if (!OpenJack(state, mixer))
        return;
    FaultCounts atOneSecond;
    for (auto _ : state)
        atOneSecond = PlayLooped(state, mixer, [](double seconds) {
            std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
        });
    ReportPlayback(state, server, mixer, atOneSecond);
    mixer.CloseDevice();
}

// The machine's own share of the late callbacks: a client that mixes
// nothing, writes silence to two ports and, with an argument, keeps its
// thread busy for that many microseconds of its own processor time each
// callback (260 is about what the 64 tracks take), timed like the mixer's
// device. What it counts on the same server is not the mixer's doing.
class BenchReferenceClient {
public:
    explicit BenchReferenceClient(std::chrono::microseconds work) : m_work(work) {
        jack_status_t status{};
        m_client = jack_client_open("loomtone-bench-reference", JackNoStartServer, &status);
        if (!m_client)
            return;
        for (const char* name : {"out_1", "out_2"})
            m_ports.push_back(
                jack_port_register(m_client, name, JACK_DEFAULT_AUDIO_TYPE, JackPortIsOutput, 0));
        jack_set_process_callback(m_client, &BenchReferenceClient::Process, this);
        jack_set_xrun_callback(m_client, &BenchReferenceClient::Xrun, this);
        m_active = jack_activate(m_client) == 0;
    }
    ~BenchReferenceClient() {
        if (m_client)
            jack_client_close(m_client);
    }
    BenchReferenceClient(const BenchReferenceClient&) = delete;
    BenchReferenceClient& operator=(const BenchReferenceClient&) = delete;

    bool Active() const { return m_active; }
    const CDeviceCallbackTimes& Times() const { return m_times; }
    int64_t Xruns() const { return m_xruns.load(); }

private:
    static int Process(jack_nframes_t frames, void* self) {
        auto& client = *static_cast<BenchReferenceClient*>(self);
        CCallbackStopwatch watch(client.m_times, static_cast<int>(frames));
        for (jack_port_t* port : client.m_ports)
            std::fill_n(static_cast<float*>(jack_port_get_buffer(port, frames)), frames, 0.0f);
        const auto start = CCallbackStopwatch::ThreadTime();
        while (CCallbackStopwatch::ThreadTime() - start < client.m_work) {
        }
        return 0;
    }
    static int Xrun(void* self) {
        ++static_cast<BenchReferenceClient*>(self)->m_xruns;
        return 0;
    }

    std::chrono::microseconds m_work;
    jack_client_t* m_client = nullptr;
    std::vector<jack_port_t*> m_ports;
    bool m_active = false;
    CDeviceCallbackTimes m_times;
    std::atomic<int64_t> m_xruns{0};
};

void BM_ReferenceClientOnJack(benchmark::State& state) {
    if (!JackInstalled(state))
        return;
    BenchJackServer server(RealtimeWanted());
    if (!StartServer(state, server))
        return;
    BenchReferenceClient client{std::chrono::microseconds(state.range(0))};
    if (!client.Active()) {
        state.SkipWithError("the reference client did not start");
        return;
    }
    for (auto _ : state)
        std::this_thread::sleep_for(std::chrono::duration<double>(PlaySeconds()));
    ReportCallbacks(state, client.Times());
    state.counters["xruns"] = static_cast<double>(client.Xruns());
    ReportLateCycles(state, server);
}

// The same session as a project in the main window on the headless host:
// one tone file a track (read from disk as it plays), its clip's volume
// envelope changing every second, the built-in effects on the first tracks.
// The settings store and the files live in a folder of their own.
class WindowSession {
public:
    static constexpr int32_t kWidth = 1920;
    static constexpr int32_t kHeight = 1080;

    WindowSession() {
        m_loaded = AddTracks();
        m_bench.Undo().ClearUndoHistory();
        m_bench.Host().DeliverPaint();
    }

    bool Loaded() const { return m_loaded; }
    CPCMMixer& Mixer() { return m_bench.Mixer(); }
    COffscreenGuiHost& Host() { return m_bench.Host(); }
    CProject& Project() { return m_bench.Project(); }

    // One frame of the window: its timers fall due as the time passed, then
    // the whole track area is painted again.
    void Frame(uint64_t elapsedMs) {
        m_bench.Host().Advance(elapsedMs);
        m_bench.Project().Invalidate(nullptr);
        m_bench.Window().FlushInvalidRegion();
        m_bench.Host().DeliverPaint();
    }

private:
    bool AddTracks() {
        while (m_bench.Project().GetNumTracks() < kTracks)
            m_bench.Project().AddAudioTrack(-1, false);
        for (int index = 0; index < kTracks; ++index) {
            CTrack* track = m_bench.Project().GetTrack(index);
            const std::string sound = m_bench.Folder() + "Tone" + std::to_string(index) + ".wav";
            WriteToneWav(sound, static_cast<uint32_t>(kSoundSeconds * kMixerSampleRate), 3000,
                         110.0 + 20.0 * index);
            auto* clip = new CAudioClip(m_bench.Project().Clips());
            const bool added = clip->LoadFromFile(sound, false) && track->AddClip(clip, 0.0, false);
            if (added)
                AddVolumeEnvelope(*clip);
            clip->DeleteRefObject();
            if (!added)
                return false;
            if (index < kTracksWithEffects)
                InsertBuiltInEffects(*track->GetEffectChain());
        }
        m_bench.Project().RecomputeScrollRanges(true, true);
        return true;
    }
    void AddVolumeEnvelope(CClip& clip) {
        CEnvelope* volume = clip.GetEnvelopeByType(kEnvelopeVolume);
        CMixerLock lock(m_bench.Mixer());
        for (int point = 0; volume && point <= 60; ++point)
            volume->Insert(point * 1000.0, point % 2 ? 1.0 : 0.3);
    }

    BenchWindow m_bench{"loomtone-jack-edit-bench", kWidth, kHeight};
    bool m_loaded = false;
};

// A clip dragged back and forth along its track by its title strip, as a
// user's mouse does it: a press, kSteps moves of kStepPixels, one a frame,
// the release, then the same the other way.
class ClipDragger {
public:
    static constexpr int kSteps = 50;
    static constexpr int32_t kStepPixels = 4;

    ClipDragger(COffscreenGuiHost& host, CClip& clip) : m_host(host), m_clip(clip) {}

    void Step() {
        if (!m_pressed) {
            Press();
        } else if (m_step < kSteps) {
            ++m_step;
            m_host.MouseMove(Pointer(), m_y, MK_LBUTTON);
        } else {
            m_host.LeftUp(Pointer(), m_y);
            m_pressed = false;
            m_direction = -m_direction;
            ++m_drops;
            if (m_clip.GetStartMs() != m_startAtPress)
                ++m_moves;
        }
    }
    int Drops() const { return m_drops; }
    // Drops that left the clip elsewhere than it was.
    int Moves() const { return m_moves; }

private:
    // Well inside the visible part of the clip (the view follows playback
    // and may have scrolled its start away), and far enough from the
    // window's edges that the drag never scrolls the view.
    void Press() {
        constexpr int32_t kTrackAreaLeft = 300;
        m_x = std::max(m_clip.GetAbsX(), kTrackAreaLeft) + 400;
        m_y = m_clip.GetAbsY() + 5;
        m_step = 0;
        m_startAtPress = m_clip.GetStartMs();
        m_host.MouseMove(m_x, m_y);
        m_host.LeftDown(m_x, m_y);
        m_pressed = true;
    }
    int32_t Pointer() const { return m_x + m_direction * m_step * kStepPixels; }

    COffscreenGuiHost& m_host;
    CClip& m_clip;
    bool m_pressed = false;
    int m_step = 0;
    int32_t m_direction = 1;
    int32_t m_x = 0;
    int32_t m_y = 0;
    double m_startAtPress = 0.0;
    int m_drops = 0;
    int m_moves = 0;
};

void BM_Play64TracksOnJackWhileEditing(benchmark::State& state) {
    if (!JackInstalled(state))
        return;
    BenchJackServer server(RealtimeWanted());
    if (!StartServer(state, server))
        return;
    WindowSession session;
    if (!session.Loaded()) {
        state.SkipWithError("the session's sounds did not load");
        return;
    }
    if (!OpenJack(state, session.Mixer()))
        return;
    CClip* dragged = session.Project().GetTrack(1)->Clips().front();
    ClipDragger dragger(session.Host(), *dragged);
    constexpr auto kFrame = std::chrono::milliseconds(16);
    int64_t frames = 0;
    Clock::duration worstFrame{};
    Clock::duration busy{};
    FaultCounts atOneSecond;
    for (auto _ : state)
        atOneSecond = PlayLooped(state, session.Mixer(), [&](double seconds) {
            const auto start = Clock::now();
            const auto end = start + std::chrono::duration<double>(seconds);
            uint64_t windowMs = 0; // how far the window's timers have been run
            for (auto now = start; now < end; now = Clock::now()) {
                const auto sinceStart =
                    std::chrono::duration_cast<std::chrono::milliseconds>(now - start).count();
                dragger.Step();
                session.Frame(static_cast<uint64_t>(sinceStart) - windowMs);
                windowMs = static_cast<uint64_t>(sinceStart);
                const auto took = Clock::now() - now;
                busy += took;
                worstFrame = std::max(worstFrame, took);
                ++frames;
                std::this_thread::sleep_until(now + kFrame);
            }
        });
    ReportPlayback(state, server, session.Mixer(), atOneSecond);
    state.counters["ui_frames"] = static_cast<double>(frames);
    state.counters["ui_frame_avg_ms"] =
        frames ? std::chrono::duration<double, std::milli>(busy).count() / frames : 0.0;
    state.counters["ui_frame_worst_ms"] =
        std::chrono::duration<double, std::milli>(worstFrame).count();
    state.counters["drops"] = dragger.Drops();
    state.counters["drops_moved"] = dragger.Moves();
}

} // namespace

BENCHMARK(BM_ReferenceClientOnJack)->Arg(0)->Arg(260)->Iterations(1)->Unit(benchmark::kSecond);
BENCHMARK(BM_Play64TracksOnJack)->Iterations(1)->Unit(benchmark::kSecond);
BENCHMARK(BM_Play64TracksOnJackWhileEditing)->Iterations(1)->Unit(benchmark::kSecond);
