// A mix-down as a user meets it: 32 tracks of 16-bit stereo 44.1 kHz WAV
// files made by sox, one clip per track with a three-point volume envelope,
// mixed to a 16-bit WAV by `loomtone --render`, and the same files mixed by
// ecasound with a gain per track, in the same run. Counters: both times in
// seconds, speedup (ecasound's time over loomtone's: above 1, loomtone is
// faster) and loomtone's peak resident size in megabytes.
//
// The default run renders a 3-minute song. LOOMTONE_BENCH_LONG=1 adds a
// 30-minute one (about 10 GB of sound files), to show that the peak resident
// size does not grow with the song. LOOMTONE_BENCH_COLD=1 drops the page
// cache before every render (needs root), for a cold read from disk.
// The files are made once and kept under the temporary folder.

#include "app/ProjectPreferencesFrom.h"
#include "engine/CPCMMixer.h"
#include "engine/CPCMSound.h"
#include "project/CAudioClip.h"
#include "project/CProject.h"
#include "support/CUndoMgr.h"

#include <benchmark/benchmark.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

constexpr int kTracks = 32;
constexpr int kRate = 44100;

struct RunResult {
    bool ok = false;
    double seconds = 0.0;
    double peakMegabytes = 0.0;
};

// Runs a program with its arguments, its output thrown away; its wall time
// and peak resident size.
RunResult Run(const std::vector<std::string>& arguments) {
    std::vector<char*> argv;
    for (const std::string& argument : arguments)
        argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    const auto start = std::chrono::steady_clock::now();
    const pid_t child = fork();
    if (child == 0) {
        std::freopen("/dev/null", "w", stdout);
        std::freopen("/dev/null", "w", stderr);
        execvp(argv[0], argv.data());
        _exit(127);
    }
    RunResult result;
    int status = 0;
    rusage usage{};
    if (child < 0 || wait4(child, &status, 0, &usage) != child)
        return result;
    result.seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    result.peakMegabytes = static_cast<double>(usage.ru_maxrss) / 1024.0;
    result.ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
    return result;
}

std::string TrackPath(const fs::path& dir, int track) {
    char name[32];
    std::snprintf(name, sizeof(name), "track%02d.wav", track + 1);
    return (dir / name).string();
}

// The sound files and the project for a song of that many seconds, made
// once; empty when sox is missing or fails.
std::string MakeSong(int seconds) {
    const fs::path dir =
        fs::temp_directory_path() / "loomtone-render-bench" / std::to_string(seconds);
    fs::create_directories(dir);
    const auto bytes = static_cast<uintmax_t>(seconds) * kRate * 4 + 44;
    for (int track = 0; track < kTracks; ++track) {
        const std::string path = TrackPath(dir, track);
        std::error_code failed;
        if (fs::file_size(path, failed) == bytes)
            continue;
        const std::string tone = std::to_string(110 + 17 * track);
        const std::string command = "sox -n -r 44100 -c 2 -b 16 '" + path + "' synth " +
                                    std::to_string(seconds) + " sine " + tone +
                                    " brownnoise vol 0.2 2>/dev/null";
        if (std::system(command.c_str()) != 0)
            return "";
    }
    const std::string project = (dir / "song.lt4").string();
    if (fs::exists(project))
        return project;
    CPCMMixer mixer;
    CUndoMgr undo(400);
    ProjectPreferences prefs;
    prefs.DefRecDir = dir.string() + "/";
    prefs.bSwitchKeyTempoOnFirstSound = false;
    CProject document(mixer, undo, prefs);
    document.NewProject(true);
    const double endMs = seconds * 1000.0;
    for (int track = 0; track < kTracks; ++track) {
        if (track >= document.GetNumTracks())
            document.AddAudioTrack(track, false);
        document.SelectTrack(track, false);
        auto* clip = dynamic_cast<CAudioClip*>(document.AddAudioClip(TrackPath(dir, track)));
        if (!clip || !clip->GetAtom())
            return "";
        CEnvelope& volume = clip->GetAtom()->GetClipAudioBuffer().GetVolumeEnvelope();
        volume.Insert(0.0, 0.5);
        volume.Insert(endMs / 2, 1.0);
        volume.Insert(endMs, 0.5);
    }
    return document.SaveProject(project) ? project : "";
}

void DropPageCache() {
    ::sync();
    std::ofstream("/proc/sys/vm/drop_caches") << "1\n";
}

void BM_RenderAgainstEcasound(benchmark::State& state) {
    const int seconds = static_cast<int>(state.range(0));
    const bool cold = std::getenv("LOOMTONE_BENCH_COLD") != nullptr;
    const std::string project = MakeSong(seconds);
    if (project.empty()) {
        state.SkipWithError("sox could not make the song");
        return;
    }
    const fs::path dir = fs::path(project).parent_path();
    const std::string loomtone = std::string(LOOMTONE_BINARY_DIR) + "/loomtone";
    std::vector<std::string> ecasound = {"ecasound", "-q", "-z:mixmode,sum"};
    for (int track = 0; track < kTracks; ++track) {
        ecasound.push_back("-a:" + std::to_string(track + 1));
        ecasound.push_back("-i:" + TrackPath(dir, track));
        ecasound.push_back("-ea:75");
    }
    for (const char* tail : {"-a:all", "-f:16,2,44100"})
        ecasound.emplace_back(tail);
    ecasound.push_back("-o:" + (dir / "ecasound.wav").string());

    RunResult ours, theirs;
    for (auto _ : state) {
        if (cold)
            DropPageCache();
        ours = Run({loomtone, "--render", project, (dir / "loomtone.wav").string()});
        if (cold)
            DropPageCache();
        theirs = Run(ecasound);
        if (!ours.ok || !theirs.ok) {
            state.SkipWithError(ours.ok ? "ecasound failed" : "loomtone --render failed");
            return;
        }
        state.SetIterationTime(ours.seconds);
    }
    state.counters["loomtone_s"] = ours.seconds;
    state.counters["ecasound_s"] = theirs.seconds;
    state.counters["speedup"] = theirs.seconds / ours.seconds;
    state.counters["peak_MB"] = ours.peakMegabytes;
    std::printf("%d s song: loomtone --render %.2f s, ecasound %.2f s, loomtone %.2fx as fast, "
                "peak %.0f MB%s\n",
                seconds, ours.seconds, theirs.seconds, theirs.seconds / ours.seconds,
                ours.peakMegabytes, cold ? " (page cache dropped)" : "");
}

void Songs(benchmark::internal::Benchmark* benchmark) {
    benchmark->Arg(180);
    if (std::getenv("LOOMTONE_BENCH_LONG"))
        benchmark->Arg(1800);
}

BENCHMARK(BM_RenderAgainstEcasound)
    ->Apply(Songs)
    ->UseManualTime()
    ->Iterations(1)
    ->Unit(benchmark::kSecond);

} // namespace
