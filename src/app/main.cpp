#include "app/CPrefs.h"
#include "app/PrefsReport.h"
#include "app/ProjectInfoReport.h"
#include "engine/CPCMMixer.h"
#include "gui/COffscreenGuiHost.h"
#include "gui/MessageBoxes.h"
#include "project/CProject.h"
#include "support/CRegStore.h"
#include "support/CUndoMgr.h"
#include "support/LocalizedStrings.h"
#include "support/Paths.h"

#include <cstdio>
#include <cstring>
#include <string>

namespace {

constexpr const char* kVersion = LOOMTONE_VERSION;

void PrintUsage(FILE* out) {
    std::fprintf(out, "Usage: loomtone [--version | --help | --prefs | --info FILE | --new FILE]\n"
                      "  --version     print the program's version\n"
                      "  --help        print this text\n"
                      "  --prefs       print every preference and where the settings are kept\n"
                      "  --info FILE   print a project's settings, markers and tracks as JSON\n"
                      "  --new FILE    write a new default project\n");
}

int PrintPrefs() {
    CPrefs prefs;
    prefs.Load(prefs.ShouldReadOldVersionSettings());
    std::fputs(FormatPrefsReport(prefs, CRegStore::CurrentUserPath()).c_str(), stdout);
    return 0;
}

ProjectPreferences ProjectPreferencesFrom(const CPrefs& prefs) {
    ProjectPreferences project;
    project.DefRecDir = prefs.DefRecDir;
    project.defaultAuthor = prefs.defaultAuthor;
    project.defaultCopyright = prefs.defaultCopyright;
    project.defaultTempo = prefs.defaultTempo;
    project.defaultKey = prefs.defaultKey;
    project.defaultTimeSigNumerator = prefs.defaultTimeSigNumerator;
    project.defaultTimeSigDenominator = prefs.defaultTimeSigDenominator;
    project.bUseMetronome = prefs.bUseMetronome;
    project.metronomeBeatSoundFilePath = prefs.metronomeBeatSoundFilePath;
    project.metronomeMeasureSoundFilePath = prefs.metronomeMeasureSoundFilePath;
    project.metronomeVolume = prefs.metronomeVolume;
    project.defaultAudioShade = prefs.defaultAudioShade;
    project.bDeleteUnusedRecordings = prefs.bDeleteUnusedRecordings;
    project.bShowNewProjectDialog = prefs.bShowNewProjectDialog;
    project.recInputInUseBehavior = prefs.recInputInUseBehavior;
    project.mixWaveInput = prefs.mixWaveInput;
    project.mixWaveRTInput = prefs.mixWaveRTInput;
    project.mixASIOInput = prefs.mixASIOInput;
    project.mixMidiInDevice = prefs.mixMidiInDevice;
    project.defaultVirtualInstrument = prefs.defaultVirtualInstrument;
    return project;
}

// Runs one project operation without a window: the project lives on the
// offscreen host, and what would be a message box becomes the reason
// printed on failure.
int RunOnProject(const char* path, bool (*operation)(CProject&, const std::string&)) {
    CPrefs prefs;
    prefs.Load(prefs.ShouldReadOldVersionSettings());
    SetStringFile(GetExeDirectory() + "loomstrings.ini");
    ProjectPreferences projectPrefs = ProjectPreferencesFrom(prefs);
    std::string reason;
    SetMessageBoxHook([&reason](const MessageBoxRequest& request, bool&) {
        if (reason.empty() && !(request.flags & MB_ICONQUESTION))
            reason = request.text;
        return CDeluxeMessageBox::CloseAnswerFor(request.flags);
    });
    CPCMMixer mixer;
    CUndoMgr undo(400);
    COffscreenGuiHost host;
    int result = 0;
    {
        CProject project(mixer, undo, projectPrefs);
        project.Initialize(&host, 800, 600);
        project.NewProject(true);
        reason.clear();
        if (!operation(project, path)) {
            for (char& c : reason)
                c = (c == '\n' || c == '\r') ? ' ' : c;
            std::fprintf(stderr, "loomtone: %s: %s\n", path,
                         reason.empty() ? "no such file" : reason.c_str());
            result = 1;
        }
    }
    SetMessageBoxHook(nullptr);
    return result;
}

bool PrintInfo(CProject& project, const std::string& path) {
    bool cancelled = false;
    if (!project.LoadProject(path, cancelled))
        return false;
    std::fputs(FormatProjectInfo(project).c_str(), stdout);
    return true;
}

bool WriteNewProject(CProject& project, const std::string& path) {
    return project.SaveProject(path, false, false, false);
}

} // namespace

int main(int argc, char** argv) {
    if (argc == 1) {
        std::fprintf(stderr, "Loomtone %s: the editor window is not built yet.\n", kVersion);
        return 1;
    }
    const char* option = argv[1];
    if (argc == 2 && std::strcmp(option, "--version") == 0) {
        std::printf("Loomtone %s\n", kVersion);
        return 0;
    }
    if (argc == 2 && std::strcmp(option, "--help") == 0) {
        PrintUsage(stdout);
        return 0;
    }
    if (argc == 2 && std::strcmp(option, "--prefs") == 0)
        return PrintPrefs();
    if (argc == 3 && std::strcmp(option, "--info") == 0)
        return RunOnProject(argv[2], PrintInfo);
    if (argc == 3 && std::strcmp(option, "--new") == 0)
        return RunOnProject(argv[2], WriteNewProject);
    PrintUsage(stderr);
    return 2;
}
