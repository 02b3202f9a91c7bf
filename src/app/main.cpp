#include "app/BypassReport.h"
#include "app/CPrefs.h"
#include "app/CSystemDeviceCatalog.h"
#include "app/CdImageCommand.h"
#include "app/CrashTestCommand.h"
#include "app/LoomtoneApp.h"
#include "app/LoomtoneMainWindow.h"
#include "app/MixDownSettings.h"
#include "app/PlayCommand.h"
#include "app/PrefsReport.h"
#include "app/ProjectInfoReport.h"
#include "app/ProjectPreferencesFrom.h"
#include "app/ScreenshotCommand.h"
#include "app/StartupDevices.h"
#include "app/TempSoundFolder.h"
#include "engine/CGMInstrument.h"
#include "engine/CLV2Catalog.h"
#include "engine/CPCMMixer.h"
#include "engine/EffectsFactory.h"
#include "engine/FormatDetails.h"
#include "gui/COffscreenGuiHost.h"
#include "gui/CSdlGuiHost.h"
#include "gui/MessageBoxes.h"
#include "gui/VRGuiWindow.h"
#include "project/CMidiFileExport.h"
#include "project/CProject.h"
#include "project/CProjectMixdown.h"
#include "project/MissingSoundFolders.h"
#include "project/ProjectFilesInUse.h"
#include "support/CRegStore.h"
#include "support/CUndoMgr.h"
#include "support/LocalizedStrings.h"
#include "support/Paths.h"
#include "support/SystemInfo.h"

#include <SDL.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <string>

namespace {

constexpr const char* kVersion = LOOMTONE_VERSION;

// The build number the crash web page is told: the version's last part.
int BuildNumber() {
    const std::string version = kVersion;
    return std::atoi(version.substr(version.rfind('.') + 1).c_str());
}

// Exit statuses of the commands without a window.
constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;
constexpr int kExitPartlyLoaded = 3;

void PrintUsage(FILE* out) {
    std::fprintf(
        out,
        "Usage: loomtone [FILE | --version | --help | --prefs | --info FILE |\n"
        "                 --new FILE [--force] | --render FILE OUT [OPTIONS] |\n"
        "                 --export-midi FILE OUT.mid | --cd-image FILE OUT.cue |\n"
        "                 --play FILE [--driver pulse|jack|alsa|null] [--from SECONDS]\n"
        "                        [--seconds N] |\n"
        "                 --screenshot OUT.png [--size WxH] [--piano-roll]\n"
        "                              [--open-effect T:N] [FILE]]\n"
        "  FILE          open the editor with a project or a MIDI file, or a new project with\n"
        "                a sound\n"
        "  --version     print the program's version\n"
        "  --help        print this text\n"
        "  --prefs       print every preference and where the settings are kept\n"
        "  --info FILE   print a project's settings, markers and tracks as JSON\n"
        "  --new FILE [--force]\n"
        "                write a new default project; an existing FILE only with --force\n"
        "  --render FILE OUT [OPTIONS]\n"
        "                mix a project down to OUT (.wav, .mp3, .ogg or .wma) as the editor's\n"
        "                mix-down does with the preferences; these OPTIONS override them:\n"
        "                --normalize LUFS, --no-normalize  loudness normalisation (-70 to 0)\n"
        "                --true-peak DBTP  the normalised peak's ceiling (-20 to 0)\n"
        "                --files-per-marker, --one-file  one numbered file per CD marker\n"
        "                --marker-titles, --no-marker-titles  the markers' names as titles\n"
        "  --export-midi FILE OUT.mid  write a project's MIDI tracks as a MIDI file\n"
        "  --cd-image FILE OUT.cue  write a project as an audio CD image (OUT.bin and its\n"
        "                cue sheet), one CD track per CD marker\n"
        "  --play FILE [--driver pulse|jack|alsa|null] [--from SECONDS] [--seconds N]\n"
        "                play a project on the sound card or server (the preferences'\n"
        "                driver and devices unless --driver names one), from SECONDS,\n"
        "                for N seconds or to the end; the position goes to stderr\n"
        "  --screenshot OUT.png [--size WxH] [--piano-roll] [--open-effect T:N] [FILE]\n"
        "                write a picture of the main window with FILE or a new project;\n"
        "                with --piano-roll, of the piano roll of its first MIDI clip;\n"
        "                with --open-effect, of track T's effects and the dialog of its\n"
        "                Nth effect (both counted from 1)\n"
        "The commands other than FILE leave the settings and the recent files as they are.\n"
        "Exit status: 0 done; 1 failed, with the reason on standard error; 2 wrong arguments;\n"
        "3 done, but parts of the project could not be read (the warning is on standard error).\n");
}

int PrintPrefs() {
    CPrefs prefs;
    prefs.Load(prefs.ShouldReadOldVersionSettings());
    std::fputs(FormatPrefsReport(prefs, CRegStore::CurrentUserPath()).c_str(), stdout);
    return 0;
}

void PrintError(std::string message) {
    for (char& c : message)
        c = (c == '\n' || c == '\r') ? ' ' : c;
    std::fprintf(stderr, "loomtone: %s\n", message.c_str());
}

// Runs one project operation without a window: the project lives on the
// offscreen host, and what would be a message box becomes the reason
// printed on failure. The partial-load warning is printed too, and gives its
// own exit status, so that scripts can tell.
// An operation may put the reason for its failure, naming what failed, in
// its last argument.
using ProjectOperation =
    std::function<bool(CProject&, CPCMMixer&, const std::string&, std::string&)>;

int RunOnProject(const std::string& path, const ProjectOperation& operation) {
    CPrefs prefs;
    prefs.Load(prefs.ShouldReadOldVersionSettings());
    // Converted sounds go where the editor keeps them, not into memory.
    UseTempSoundFolder(prefs.TempDirM);
    SetStringFile(GetExeDirectory() + "loomstrings.ini");
    ProjectPreferences projectPrefs = ProjectPreferencesFrom(prefs);
    const std::string partialLoadTitle = MyLoadString("PL_PartialLoad_Title");
    std::string boxText;
    std::string partialLoadText;
    SetMessageBoxHook([&](const MessageBoxRequest& request, bool&) {
        if (request.title == partialLoadTitle)
            partialLoadText = request.text;
        else if (boxText.empty() && (request.flags & MB_ICONMASK) != MB_ICONQUESTION)
            boxText = request.text;
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
        boxText.clear();
        partialLoadText.clear();
        std::string reason;
        if (!operation(project, mixer, path, reason)) {
            PrintError(reason.empty() ? path + ": " + (boxText.empty() ? "no such file" : boxText)
                                      : reason);
            result = kExitFailed;
        } else if (!partialLoadText.empty()) {
            PrintError(path + ": " + partialLoadText);
            result = kExitPartlyLoaded;
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
    return project.SaveProject(path);
}

// --new FILE [--force], the two in either order.
int NewCommand(int count, char** arguments) {
    std::string file;
    bool force = false;
    for (int index = 0; index < count; ++index) {
        if (std::strcmp(arguments[index], "--force") == 0 && !force)
            force = true;
        else if (file.empty() && arguments[index][0] != '\0')
            file = MakeAbsolutePath(arguments[index]);
        else {
            PrintUsage(stderr);
            return kExitUsage;
        }
    }
    if (file.empty()) {
        PrintUsage(stderr);
        return kExitUsage;
    }
    std::error_code error;
    if (!force && std::filesystem::symlink_status(file, error).type() !=
                      std::filesystem::file_type::not_found) {
        PrintError(file + ": the file exists; add --force to replace it");
        return kExitFailed;
    }
    return RunOnProject(file, WriteNewProject);
}

// Loads the project and mixes it down as the mix-down command does, with
// progress on standard error.
bool RenderProjectFile(CProject& project, CPCMMixer& mixer, const std::string& path,
                       const std::string& out, const MixDownSettings& settings,
                       std::string& reason) {
    bool cancelled = false;
    if (!project.LoadProject(path, cancelled))
        return false;
    CProjectMixdown mixdown(mixer, project.Authoring(),
                            std::string(CPrefs::kCurrentKeyPath) + "\\Render");
    mixdown.SetFilesInUse(ProjectFilesInUse(project));
    settings.ApplyTo(mixdown, project, mixer);
    // Whatever runs past the last sound is said, so that a longer file is no surprise.
    if (const double tailMs = mixdown.RingingTailMs(); tailMs > 0)
        std::fprintf(stderr,
                     "loomtone: the mix-down runs %.1f s past the last sound, for instruments "
                     "and effects to ring out\n",
                     tailMs / 1000.0);
    int lastPercent = -1;
    const bool rendered = mixdown.Render(out, [&lastPercent](double fraction, const std::string&) {
        const int percent = static_cast<int>(fraction * 100.0);
        if (percent != lastPercent)
            std::fprintf(stderr, "\rloomtone: rendering %3d%%", percent);
        lastPercent = percent;
        return true;
    });
    if (lastPercent >= 0)
        std::fputc('\n', stderr);
    PrintBypassedEffects();
    if (!rendered)
        reason = out + ": " + mixdown.Error();
    return rendered;
}

// The mix-down preferences, as the editor would use them, with the command
// line's overrides.
int RenderCommand(int argc, char** argv) {
    const std::string out = MakeAbsolutePath(argv[3]);
    ConversionType type;
    if (!ConversionTypeForExtension(ExtractExtension(out), &type)) {
        PrintError(out + ": the file name must end in .wav, .mp3, .ogg or .wma");
        return kExitUsage;
    }
    CPrefs prefs;
    prefs.Load(prefs.ShouldReadOldVersionSettings());
    MixDownSettings settings = MixDownSettings::FromPrefs(prefs);
    std::string reason;
    if (!settings.ParseOverrides(argc - 4, argv + 4, reason)) {
        PrintError(reason);
        return kExitUsage;
    }
    return RunOnProject(
        MakeAbsolutePath(argv[2]),
        [&](CProject& project, CPCMMixer& mixer, const std::string& file, std::string& failure) {
            return RenderProjectFile(project, mixer, file, out, settings, failure);
        });
}

int ExportMidiCommand(const char* path, const char* outArgument) {
    const std::string out = MakeAbsolutePath(outArgument);
    return RunOnProject(
        MakeAbsolutePath(path),
        [&out](CProject& project, CPCMMixer&, const std::string& file, std::string& reason) {
            bool cancelled = false;
            return project.LoadProject(file, cancelled) &&
                   CMidiFileExport::WriteFile(project, out, reason);
        });
}

int CdImageCommand(const char* path, const char* outArgument) {
    const std::string out = MakeAbsolutePath(outArgument);
    return RunOnProject(
        MakeAbsolutePath(path),
        [&out](CProject& project, CPCMMixer& mixer, const std::string& file, std::string& reason) {
            return WriteCdImageOfProjectFile(project, mixer, file, out, reason);
        });
}

// The remembered devices, or the named driver's default devices.
AudioDeviceChoice PlayDevices(const PlayRequest& request) {
    CPrefs prefs;
    prefs.Load(prefs.ShouldReadOldVersionSettings());
    AudioDeviceChoice choice;
    if (request.driverType == PlayRequest::kPreferredDriver)
        choice = ChooseAudioDevices(prefs, CSystemDeviceCatalog());
    else
        choice.driverType = request.driverType;
    choice.inputChannels = 0;
    return choice;
}

int PlayCommand(int argc, char** argv) {
    PlayRequest request;
    std::string reason;
    if (!ParsePlayArguments(argc - 2, argv + 2, request, reason)) {
        PrintError(reason);
        return kExitUsage;
    }
    const AudioDeviceChoice device = PlayDevices(request);
    return RunOnProject(
        MakeAbsolutePath(request.file),
        [&](CProject& project, CPCMMixer& mixer, const std::string& file, std::string& failure) {
            bool cancelled = false;
            return project.LoadProject(file, cancelled) &&
                   PlayLoadedProject(mixer, device, request, failure);
        });
}

int ScreenshotCommand(int argc, char** argv) {
    ScreenshotRequest request;
    std::string reason;
    if (!ParseScreenshotArguments(argc - 2, argv + 2, request, reason)) {
        PrintError(reason);
        return kExitUsage;
    }
    request.outPath = MakeAbsolutePath(request.outPath);
    request.file = MakeAbsolutePath(request.file);
    return RunScreenshotCommand(request);
}

// The editor: start-up, the message loop, shutdown.
int RunEditor(const std::string& file) {
    // The effect list is ready before the window opens.
    CLV2Catalog::Instance().ScanAndRegister();
    // The close button asks the save question, which may keep the window open.
    SDL_SetHint(SDL_HINT_QUIT_ON_LAST_WINDOW_CLOSE, "0");
    CSystemDeviceCatalog devices;
    CSdlGuiHost host("Loomtone");
    LoomtoneApp app(devices);
    StartupOptions options;
    options.commandLineFile = file;
    options.openAudioDevices = true;
    options.handleCrashes = true;
    options.buildNumber = BuildNumber();
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
    // The installed LV2 effects, likewise, for chains that name them and for
    // the effect list. Scanning them takes a noticeable part of a short
    // command's time, so the commands without a window scan only when a
    // project names an effect the factory does not know; the editor scans
    // at its start.
    EffectsFactory::GetInstance()->SetLateRegistration(
        [] { CLV2Catalog::Instance().ScanAndRegister(); });
    if (argc == 1)
        return RunEditor("");
    const char* option = argv[1];
    if (argc == 2 && option[0] != '-')
        return RunEditor(MakeAbsolutePath(option));
    if (argc == 2 && std::strcmp(option, "--version") == 0) {
        std::printf("Loomtone %s\n", kVersion);
        return 0;
    }
    if (argc == 2 && std::strcmp(option, "--help") == 0) {
        PrintUsage(stdout);
        return 0;
    }
    // The commands without a window only read the user's settings: what they
    // change (recent files, remembered formats, the settings' migration)
    // stays in memory.
    CRegStore::SetReadOnlyProcess(true);
    if (argc >= 3 && std::strcmp(option, "--screenshot") == 0)
        return ScreenshotCommand(argc, argv);
    if (argc == 4 && std::strcmp(option, "--crash-test") == 0)
        return RunCrashTestCommand(argv[2], MakeAbsolutePath(argv[3]), BuildNumber());
    if (argc == 2 && std::strcmp(option, "--prefs") == 0)
        return PrintPrefs();
    if (argc == 3 && std::strcmp(option, "--info") == 0)
        return RunOnProject(MakeAbsolutePath(argv[2]), PrintInfo);
    if (argc >= 3 && std::strcmp(option, "--new") == 0)
        return NewCommand(argc - 2, argv + 2);
    if (argc >= 4 && std::strcmp(option, "--render") == 0)
        return RenderCommand(argc, argv);
    if (argc >= 3 && std::strcmp(option, "--play") == 0)
        return PlayCommand(argc, argv);
    if (argc == 4 && std::strcmp(option, "--cd-image") == 0)
        return CdImageCommand(argv[2], argv[3]);
    if (argc == 4 && std::strcmp(option, "--export-midi") == 0)
        return ExportMidiCommand(argv[2], argv[3]);
    PrintUsage(stderr);
    return kExitUsage;
}
