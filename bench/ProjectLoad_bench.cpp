// Loading cost of very large projects: a project of many markers (each a
// tempo event, with every tenth a tempo change) and one of many empty audio
// tracks, each loaded into the track area in a window on the headless host.
// A load should grow about linearly with what the file holds.

#include "engine/CPCMMixer.h"
#include "gui/COffscreenGuiHost.h"
#include "gui/MessageBoxes.h"
#include "gui/VRGuiWindow.h"
#include "project/CProject.h"
#include "project/CProjectFile.h"
#include "project/ProjectFileContents.h"
#include "project/ProjectPreferences.h"
#include "support/CUndoMgr.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

namespace {

namespace fs = std::filesystem;

std::string BenchFile(const std::string& name) {
    const fs::path folder = fs::temp_directory_path() / "loomtone-load-bench";
    fs::create_directories(folder);
    return (folder / name).string();
}

ProjectFileContents Empty() {
    ProjectFileContents contents;
    contents.project.recordingFolder = fs::temp_directory_path().string();
    MarkerRecord start;
    start.name = "Start";
    start.tempoEvent = {0.0, 120.0, 3, 4, 4, true, true, true, 1};
    contents.markers.markers.push_back(start);
    return contents;
}

std::string ProjectOfMarkers(int count) {
    const std::string path = BenchFile("markers-" + std::to_string(count) + ".lt4");
    ProjectFileContents contents = Empty();
    for (int i = 1; i < count; ++i) {
        MarkerRecord marker;
        marker.time = i * 250;
        marker.name = "M" + std::to_string(i);
        marker.tempoEvent.time = marker.time;
        marker.tempoEvent.tempoChange = i % 10 == 0;
        marker.tempoEvent.tempo = 100.0 + i % 40;
        contents.markers.markers.push_back(marker);
    }
    contents.tracks.emplace_back(AudioTrackRecord{});
    CProjectFile(contents).SaveToFile(path);
    return path;
}

std::string ProjectOfTracks(int count) {
    const std::string path = BenchFile("tracks-" + std::to_string(count) + ".lt4");
    ProjectFileContents contents = Empty();
    for (int i = 0; i < count; ++i) {
        AudioTrackRecord track;
        track.name = "Track " + std::to_string(i);
        contents.tracks.emplace_back(track);
    }
    CProjectFile(contents).SaveToFile(path);
    return path;
}

class TrackArea {
public:
    TrackArea() {
        SetMessageBoxHook([](const MessageBoxRequest&, bool&) { return IDOK; });
        m_prefs.bShowNewProjectDialog = false;
        m_prefs.DefRecDir = fs::temp_directory_path().string();
        m_window.Initialize(&m_host, 1600, 1000);
        m_project = std::make_unique<CProject>(m_mixer, m_undo, m_prefs);
        m_project->Initialize(&m_window, 0, 0, 1600, 1000);
        m_project->NewProject(true);
    }
    ~TrackArea() {
        m_project.reset();
        SetMessageBoxHook(nullptr);
    }
    bool Load(const std::string& path) {
        bool cancelled = false;
        return m_project->LoadProject(path, cancelled);
    }
    CProject& Project() { return *m_project; }

private:
    COffscreenGuiHost m_host;
    VRGuiWindow m_window;
    CPCMMixer m_mixer;
    CUndoMgr m_undo{400};
    ProjectPreferences m_prefs;
    std::unique_ptr<CProject> m_project;
};

// Loads the project again and again, starting a new one in between.
void LoadRepeatedly(benchmark::State& state, const std::string& path) {
    TrackArea area;
    for (auto _ : state) {
        if (!area.Load(path))
            state.SkipWithError("the project did not load");
        area.Project().NewProject(true);
    }
    state.SetComplexityN(state.range(0));
}

void BM_LoadMarkers(benchmark::State& state) {
    LoadRepeatedly(state, ProjectOfMarkers(static_cast<int>(state.range(0))));
}
BENCHMARK(BM_LoadMarkers)
    ->Arg(10000)
    ->Arg(100000)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1)
    ->Complexity();

void BM_LoadTracks(benchmark::State& state) {
    LoadRepeatedly(state, ProjectOfTracks(static_cast<int>(state.range(0))));
}
BENCHMARK(BM_LoadTracks)
    ->Arg(1000)
    ->Arg(10000)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1)
    ->Complexity();

} // namespace
