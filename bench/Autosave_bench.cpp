// What an automatic copy of the project costs the editor: the snapshot taken
// on the main thread (the file is written on a thread of its own) for a
// project of 2,000 clips, 20 tracks of 100. It should stay well under a
// frame of the screen (16.7 ms at 60 Hz).

#include "ToneWav.h"
#include "app/CAutosave.h"
#include "engine/CPCMMixer.h"
#include "gui/MessageBoxes.h"
#include "project/CProject.h"
#include "project/ProjectPreferences.h"
#include "support/CUndoMgr.h"

#include <benchmark/benchmark.h>

#include <filesystem>
#include <string>

namespace {

namespace fs = std::filesystem;

void BM_AutosaveBlocksTheEditor(benchmark::State& state) {
    SetMessageBoxHook([](const MessageBoxRequest&, bool&) { return IDOK; });
    const fs::path folder = fs::temp_directory_path() / "loomtone-autosave-bench";
    fs::create_directories(folder);
    const std::string sound = (folder / "tone.wav").string();
    WriteToneWav(sound, 4410, 8000);
    CPCMMixer mixer;
    CUndoMgr undo(400);
    ProjectPreferences prefs;
    prefs.DefRecDir = folder.string();
    prefs.bSwitchKeyTempoOnFirstSound = false;
    CProject project(mixer, undo, prefs);
    project.NewProject(true);
    const int tracks = 20;
    const int clipsPerTrack = static_cast<int>(state.range(0)) / tracks;
    while (project.GetNumTracks() < tracks)
        project.AddAudioTrack(-1, false);
    for (int track = 0; track < tracks; ++track) {
        project.SelectTrack(track, false);
        for (int clip = 0; clip < clipsPerTrack; ++clip) {
            project.MoveCaretAndPlayback(clip * 200.0);
            if (!project.AddAudioClip(sound)) {
                state.SkipWithError("a clip could not be added");
                return;
            }
        }
    }
    CAutosave autosave(project, mixer, undo, (folder / "recovery.lt4").string());
    for (auto _ : state) {
        state.PauseTiming();
        autosave.WaitForWrite();
        undo.SetDirty(true);
        state.ResumeTiming();
        if (!autosave.SaveIfChanged())
            state.SkipWithError("no copy was started");
    }
    autosave.WaitForWrite();
    autosave.Finish();
    SetMessageBoxHook(nullptr);
}
BENCHMARK(BM_AutosaveBlocksTheEditor)->Arg(2000)->Unit(benchmark::kMillisecond)->Iterations(20);

} // namespace
