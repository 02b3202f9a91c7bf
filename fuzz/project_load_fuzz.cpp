// Loads arbitrary bytes through the editor's own project load, on a window
// of the headless host. Besides the sanitizers, the project must keep its
// promises after every load: a failed load leaves a fresh untitled project
// of eight tracks, and a project never ends without a track or with a
// marker the tempo map would refuse.
#include "engine/CPCMMixer.h"
#include "engine/TempoMap.h"
#include "gui/COffscreenGuiHost.h"
#include "gui/MessageBoxes.h"
#include "gui/VRGuiWindow.h"
#include "project/CProject.h"
#include "support/CUndoMgr.h"

#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>

namespace {

void Check(bool condition) {
    if (!condition)
        __builtin_trap();
}

// One project for the whole run: the program too keeps one for its life.
struct Editor {
    Editor() : path("/dev/shm/project_load_fuzz-" + std::to_string(getpid()) + ".lt4") {
        SetMessageBoxHook([](const MessageBoxRequest&, bool&) { return IDOK; });
        prefs.bShowNewProjectDialog = false;
        prefs.bDeleteUnusedRecordings = false;
        window.Initialize(&host, 900, 600);
        project = std::make_unique<CProject>(mixer, undo, prefs);
        project->Initialize(&window, 0, 0, 900, 600);
        project->NewProject(true);
    }

    CPCMMixer mixer;
    CUndoMgr undo{50};
    ProjectPreferences prefs;
    COffscreenGuiHost host;
    VRGuiWindow window;
    std::unique_ptr<CProject> project;
    std::string path;
};

bool WriteBytes(const std::string& path, const uint8_t* data, size_t size) {
    FILE* file = std::fopen(path.c_str(), "wb");
    if (!file)
        return false;
    const bool written = std::fwrite(data, 1, size, file) == size;
    return std::fclose(file) == 0 && written;
}

} // namespace

// The track area draws text, so the font libraries fill their caches for the
// life of the process; the leak checker is told they are known.
extern "C" __attribute__((visibility("default"), used)) const char* __lsan_default_suppressions() {
    return "leak:libfontconfig.so\n"
           "leak:libpango-1.0.so\n"
           "leak:libpangoft2-1.0.so\n"
           "leak:libpangocairo-1.0.so\n"
           "leak:libcairo.so\n";
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static Editor* const editor = new Editor;
    // An empty file is a request for a new project, not a file to read.
    if (size == 0 || !WriteBytes(editor->path, data, size))
        return 0;
    CProject& project = *editor->project;
    bool cancelled = false;
    const bool loaded = project.LoadProject(editor->path, cancelled);
    Check(!cancelled);
    if (!loaded) {
        Check(project.GetNumTracks() == 8);
        Check(project.GetProjectFilePath().empty());
    } else {
        Check(project.GetProjectFilePath() == editor->path);
    }
    Check(project.Markers().Count() >= 1 && project.Markers().At(0).time == 0);
    for (int index = 0; index < project.Markers().Count(); ++index)
        Check(TempoMap::IsValidEvent(project.Markers().At(index).tempoEvent));
    editor->host.DeliverPaint();
    std::remove(editor->path.c_str());
    return 0;
}
