#pragma once

#include "app/CPrefs.h"
#include "engine/InstPresetManager.h"
#include "gui/CSkin.h"
#include "project/ProjectPreferences.h"
#include "support/CUndoMgr.h"

#include <cstdint>
#include <memory>
#include <string>

class CAudioDevices;
class CAutosave;
class CDeviceCheck;
class CPCMMixer;
class CProject;
class DeviceCatalog;
class IGuiHost;
class LoomtoneMainWindow;

// How the program starts.
struct StartupOptions {
    std::string programFolder; // where the skin and strings are; "" for the executable's folder
    std::string commandLineFile;
    int32_t width = 1024;
    int32_t height = 720;
    // Opens the remembered sound card or server; off, the mixer keeps to its
    // null device (tests, screenshots).
    bool openAudioDevices = false;
    // Installs the crash handler (CCrashHandler) for the program's life; off
    // for tests that start the program inside their own process.
    bool handleCrashes = false;
    int buildNumber = 0;
};

// The program's life: start-up makes the folders, the log, the preferences,
// the engine with the remembered devices, the skin, the project and the main
// window, in that order; shutdown takes them down again.
class LoomtoneApp {
public:
    static constexpr int kMaxUndoSets = 400;
    static constexpr const char* kVendorFolder = "Veranth/Loomtone/";

    explicit LoomtoneApp(const DeviceCatalog& devices);
    ~LoomtoneApp();
    LoomtoneApp(const LoomtoneApp&) = delete;
    LoomtoneApp& operator=(const LoomtoneApp&) = delete;

    // False when the program cannot run; Error() then says why, and the log
    // has the same line.
    bool Startup(IGuiHost& host, const StartupOptions& options);
    // What start-up would open: recovery, command-line file, example or new.
    void RunAfterCreationSequence();
    void Shutdown();

    const std::string& Error() const { return m_error; }
    CPrefs& Prefs() { return m_prefs; }
    CProject* Project() { return m_project.get(); }
    LoomtoneMainWindow* MainWindow() { return m_window.get(); }
    CAutosave* Autosave() { return m_autosave.get(); }
    const std::string& UserDataFolder() const { return m_userDataFolder; }
    CPCMMixer& Mixer() { return *m_mixer; }

private:
    void MakeFolders(const std::string& programFolder);
    void StartLog();
    void OpenDevices();
    void InstallCrashHandler(int buildNumber);
    // Timer 558 of the master bar counts the devices every second.
    void StartDeviceCheck();
    bool Fail(const std::string& reason);

    const DeviceCatalog& m_devices;
    std::string m_error;
    std::string m_programFolder;
    std::string m_userDataFolder;
    CPrefs m_prefs;
    ProjectPreferences m_projectPrefs;
    CUndoMgr m_undo{kMaxUndoSets};
    CSkin m_skin;
    InstPresetManager m_presets;
    std::unique_ptr<CPCMMixer> m_mixer;
    std::unique_ptr<CProject> m_project;
    std::unique_ptr<CAudioDevices> m_audio;
    std::unique_ptr<CDeviceCheck> m_deviceCheck;
    std::unique_ptr<LoomtoneMainWindow> m_window;
    std::unique_ptr<CAutosave> m_autosave;
    bool m_started = false;
};
