#include "app/CPrefs.h"
#include "app/CSystemDeviceCatalog.h"
#include "app/LoomtoneApp.h"
#include "app/LoomtoneMainWindow.h"
#include "app/PrefsReport.h"
#include "app/ProjectInfoReport.h"
#include "app/ProjectPreferencesFrom.h"
#include "app/ScreenshotCommand.h"
#include "app/TempSoundFolder.h"
#include "engine/CGMInstrument.h"
#include "engine/CPCMMixer.h"
#include "engine/FormatDetails.h"
#include "gui/COffscreenGuiHost.h"
#include "gui/CSdlGuiHost.h"
#include "gui/MessageBoxes.h"
#include "gui/VRGuiWindow.h"
#include "project/CProject.h"
#include "project/CProjectMixdown.h"
#include "project/MissingSoundFolders.h"
#include "support/CRegStore.h"
#include "support/CUndoMgr.h"
#include "support/LocalizedStrings.h"
#include "support/Paths.h"
#include "support/SystemInfo.h"

#include <SDL.h>

#include <cstdio>
#include <cstring>
#include <functional>
#include <string>

namespace {

constexpr const char* kVersion = LOOMTONE_VERSION;

void PrintUsage(FILE* out) {
    std::fprintf(
        out, "Usage: loomtone [FILE | --version | --help | --prefs | --info FILE | --new FILE |\n"
             "                 --render FILE OUT | --screenshot OUT.png [--size WxH] [FILE]]\n"
             "  FILE          open the editor with a project, or a new project with a sound\n"
             "  --version     print the program's version\n"
             "  --help        print this text\n"
             "  --prefs       print every preference and where the settings are kept\n"
             "  --info FILE   print a project's settings, markers and tracks as JSON\n"
             "  --new FILE    write a new default project\n"
             "  --render FILE OUT  mix a project down to OUT (.wav, .mp3, .ogg or .wma)\n"
             "  --screenshot OUT.png [--size WxH] [FILE]\n"
             "                write a picture of the main window with FILE or a new project\n");
}

int PrintPrefs() {
    CPrefs prefs;
    prefs.Load(prefs.ShouldReadOldVersionSettings());
    std::fputs(FormatPrefsReport(prefs, CRegStore::CurrentUserPath()).c_str(), stdout);
    return 0;
}

// Runs one project operation without a window: the project lives on the
// offscreen host, and what would be a message box becomes the reason
// printed on failure.
// An operation may put the reason for its failure in its last argument.
using ProjectOperation =
    std::function<bool(CProject&, CPCMMixer&, const std::string&, std::string&)>;

int RunOnProject(const char* path, const ProjectOperation& operation) {
    CPrefs prefs;
    prefs.Load(prefs.ShouldReadOldVersionSettings());
    // Converted sounds go where the editor keeps them, not into memory.
    UseTempSoundFolder(prefs.TempDirM);
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
        VRGuiWindow window;
        window.Initialize(&host, 800, 600);
        CProject project(mixer, undo, projectPrefs);
        window.AddChild(&project, 0, 0);
        project.SetMissingSoundFolders(
            {prefs.missingSoundFolders.folders, prefs.missingSoundFolders.bAutoAddFolders});
        project.NewProject(true);
        reason.clear();
        if (!operation(project, mixer, path, reason)) {
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

bool PrintInfo(CProject& project, CPCMMixer&, const std::string& path, std::string&) {
    bool cancelled = false;
    if (!project.LoadProject(path, cancelled))
        return false;
    std::fputs(FormatProjectInfo(project).c_str(), stdout);
    return true;
}

bool WriteNewProject(CProject& project, CPCMMixer&, const std::string& path, std::string&) {
    return project.SaveProject(path, false, false, false);
}

// Loads the project and mixes it down as the mix-down command does, with
// progress on standard error.
bool RenderProjectFile(CProject& project, CPCMMixer& mixer, const std::string& path,
                       const std::string& out, std::string& reason) {
    bool cancelled = false;
    if (!project.LoadProject(path, cancelled))
        return false;
    CProjectMixdown mixdown(mixer, project.Authoring(),
                            std::string(CPrefs::kCurrentKeyPath) + "\\Render");
    int lastPercent = -1;
    const bool rendered = mixdown.Render(out, [&lastPercent](double fraction, const std::string&) {
        const int percent = static_cast<int>(fraction * 100.0);
        if (percent != lastPercent)
            std::fprintf(stderr, "\rloomtone: rendering %3d%%", percent);
        lastPercent = percent;
        return true;
    });
    std::fputc('\n', stderr);
    if (!rendered)
        reason = mixdown.Error();
    return rendered;
}

int RenderCommand(const char* path, const char* out) {
    ConversionType type;
    if (!ConversionTypeForExtension(ExtractExtension(out), &type)) {
        std::fprintf(stderr, "loomtone: %s: the file name must end in .wav, .mp3, .ogg or .wma\n",
                     out);
        return 2;
    }
    return RunOnProject(path, [out](CProject& project, CPCMMixer& mixer, const std::string& file,
                                    std::string& reason) {
        return RenderProjectFile(project, mixer, file, out, reason);
    });
}

int ScreenshotCommand(int argc, char** argv) {
    ScreenshotRequest request;
    std::string reason;
    if (!ParseScreenshotArguments(argc - 2, argv + 2, request, reason)) {
        std::fprintf(stderr, "loomtone: %s\n", reason.c_str());
        return 2;
    }
    return RunScreenshotCommand(request);
}

// The editor: start-up, the message loop, shutdown.
int RunEditor(const std::string& file) {
    // The close button asks the save question, which may keep the window open.
    SDL_SetHint(SDL_HINT_QUIT_ON_LAST_WINDOW_CLOSE, "0");
    CSystemDeviceCatalog devices;
    CSdlGuiHost host("Loomtone");
    LoomtoneApp app(devices);
    StartupOptions options;
    options.commandLineFile = file;
    if (!app.Startup(host, options)) {
        std::fprintf(stderr, "loomtone: %s\n", app.Error().c_str());
        return 1;
    }
    app.MainWindow()->SetTitleSink([&host](const std::string& title) { host.SetTitle(title); });
    app.RunAfterCreationSequence();
    host.Run();
    app.Shutdown();
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    SetCommandLine(argc, argv);
    // Instrument tracks name their General MIDI instrument by its factory
    // identifier; without it their chains would load empty and play nothing.
    CGMInstrument::Register();
    if (argc == 1)
        return RunEditor("");
    const char* option = argv[1];
    if (argc == 2 && option[0] != '-')
        return RunEditor(option);
    if (argc >= 3 && std::strcmp(option, "--screenshot") == 0)
        return ScreenshotCommand(argc, argv);
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
    if (argc == 4 && std::strcmp(option, "--render") == 0)
        return RenderCommand(argv[2], argv[3]);
    PrintUsage(stderr);
    return 2;
}
