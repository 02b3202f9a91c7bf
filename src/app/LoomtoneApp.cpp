#include "app/LoomtoneApp.h"

#include "app/CAudioDevices.h"
#include "app/CAutosave.h"
#include "app/CCrashHandler.h"
#include "app/DeviceCatalog.h"
#include "app/LoomtoneMainWindow.h"
#include "app/ProjectPreferencesFrom.h"
#include "app/SoundCacheFolder.h"
#include "app/StartupDevices.h"
#include "engine/CAudioDevice.h"
#include "engine/CPCMMixer.h"
#include "engine/CSoundLoader.h"
#include "gui/CJpegWriter.h"
#include "project/CProject.h"
#include "project/CRecoverySave.h"
#include "project/MissingSoundFolders.h"
#include "support/LocalizedStrings.h"
#include "support/Log.h"
#include "support/Paths.h"
#include "support/SystemInfo.h"
#include "transport/CDeviceCheck.h"
#include "transport/CRecordSession.h"

#include <ctime>

namespace {

constexpr const char* kLogFileName = "Loomtone-Log.txt";

void CreateFolder(const std::string& folder) {
    if (!CreateMultiLevelDir(folder))
        LogFmt("Globals - unable to create the folder %s", folder.c_str());
}

} // namespace

LoomtoneApp::LoomtoneApp(const DeviceCatalog& devices) : m_devices(devices) {}

LoomtoneApp::~LoomtoneApp() {
    Shutdown();
}

bool LoomtoneApp::Fail(const std::string& reason) {
    m_error = reason;
    Log(reason.c_str());
    // Only a start that stops while opening the device is to be asked about next time.
    if (m_prefs.bAttemptToOpenDevice) {
        m_prefs.bAttemptToOpenDevice = false;
        m_prefs.Save();
    }
    return false;
}

void LoomtoneApp::MakeFolders(const std::string& programFolder) {
    m_programFolder = programFolder.empty() ? GetExeDirectory() : programFolder;
    const std::string userBase = GetCurrentUserAppDataPath();
    m_userDataFolder = userBase.empty() ? std::string() : userBase + kVendorFolder;
    // Ordinary users cannot write the shared folder; the program does without it then.
    CreateFolder(GetCommonAppDataPath() + kVendorFolder);
    if (!m_userDataFolder.empty()) {
        CreateFolder(m_userDataFolder);
        CreateFolder(m_userDataFolder + "icons/");
    }
}

void LoomtoneApp::StartLog() {
    LogInit(m_userDataFolder + kLogFileName);
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    LogFmt("Starting up on %d/%02d/%4d!", local.tm_mon + 1, local.tm_mday, local.tm_year + 1900);
    Log(GetSystemVersion().c_str());
    LogCurrentMemory();
    LogCurrentHardDriveSpace();
    if (const int speed = CPUSpeed(); speed > 0)
        LogFmt("CPU Speed: %f GHz", speed * 0.001);
}

// Between setting the guard and clearing it again, a crash leaves it set for
// the next start to see.
void LoomtoneApp::OpenDevices() {
    OfferDeviceResetAfterInterruptedStart(m_prefs);
    CSoundLoader::SetTempSndPath(SoundCacheFolder::Choose(m_prefs.TempDirM));
    m_mixer = std::make_unique<CPCMMixer>();
    m_mixer->SetAppThread();
    m_prefs.bAttemptToOpenDevice = true;
    m_prefs.Save();
    ChooseFirstRunDevices(m_prefs, m_devices, CPUSpeed());
    FindDevicesAgain(m_prefs, m_devices);
    if (!m_presets.Init(m_prefs.instPresetFolder))
        LogFmt("Globals - unable to initialize Inst Preset Manager @ %s",
               m_prefs.instPresetFolder.c_str());
    PrepareOutputDevice(m_prefs, m_devices);
}

bool LoomtoneApp::Startup(IGuiHost& host, const StartupOptions& options) {
    MakeFolders(options.programFolder);
    SetStringFile(m_programFolder + "loomstrings.ini");
    StartLog();
    m_prefs.Load(m_prefs.ShouldReadOldVersionSettings());
    if (!options.programFolder.empty()) {
        m_prefs.skinFilePath = m_programFolder + "loomskin.ini";
        m_prefs.instPresetFolder = m_programFolder + "InstPresets/";
    }
    OpenDevices();
    if (!m_skin.Init(m_prefs.skinFilePath))
        return Fail("Problem initing skin file @ '" + m_prefs.skinFilePath + "'");
    CSkin::SetCurrent(&m_skin);

    m_projectPrefs = ProjectPreferencesFrom(m_prefs);
    if (!m_userDataFolder.empty())
        m_projectPrefs.pictureFolder = m_userDataFolder + "icons/";
    m_project = std::make_unique<CProject>(*m_mixer, m_undo, m_projectPrefs);
    m_project->SetMissingSoundFolders(
        {m_prefs.missingSoundFolders.folders, m_prefs.missingSoundFolders.bAutoAddFolders});
    m_audio = std::make_unique<CAudioDevices>(m_prefs, *m_mixer, m_devices);
    m_audio->SetProjectPreferences(&m_projectPrefs);
    MainWindowSetup setup{m_prefs,
                          *m_project,
                          m_undo,
                          *m_mixer,
                          m_programFolder,
                          m_userDataFolder,
                          options.commandLineFile,
                          m_audio.get()};
    m_window = std::make_unique<LoomtoneMainWindow>(setup);
    m_started = true;
    if (!m_window->Initialize(&host, options.width, options.height))
        return Fail("Could not open the main window");
    m_autosave = std::make_unique<CAutosave>(*m_project, *m_mixer, m_undo,
                                             m_userDataFolder + CCrashHandler::kRecoveryName);
    m_autosave->Start(*m_window);
    if (options.handleCrashes)
        InstallCrashHandler(options.buildNumber);
    m_audio->Attach(m_project.get(), m_window->MasterBar().GetRecorder(), nullptr);
    if (options.openAudioDevices) {
        m_audio->Open();
        StartDeviceCheck();
    }
    m_prefs.bAttemptToOpenDevice = false;
    m_prefs.Save();
    return true;
}

void LoomtoneApp::StartDeviceCheck() {
    CDeviceCheck::Hooks hooks;
    hooks.count = [this] {
        const int driver = m_prefs.mixDeviceType;
        return CDeviceCheck::Counts{static_cast<int>(m_devices.RecordingDevices(driver).size()),
                                    static_cast<int>(m_devices.PlaybackDevices(driver).size())};
    };
    hooks.failed = [this] { return m_mixer->IsOpen() && m_mixer->GetDevice().Failed(); };
    hooks.reopen = [this] { return m_audio->OpenAudio(); };
    hooks.midiCount = [this] {
        return CDeviceCheck::Counts{static_cast<int>(m_devices.MidiInputDevices().size()),
                                    static_cast<int>(m_devices.MidiOutputDevices().size())};
    };
    hooks.reopenMidiInput = [this] { m_audio->ReopenMidiInput(); };
    m_deviceCheck = std::make_unique<CDeviceCheck>(std::move(hooks));
    m_audio->Attach(m_project.get(), m_window->MasterBar().GetRecorder(), m_deviceCheck.get());
    m_window->MasterBar().StartDeviceCheck(m_deviceCheck.get());
}

void LoomtoneApp::InstallCrashHandler(int buildNumber) {
    CrashSetup setup;
    setup.userDataFolder = m_userDataFolder;
    setup.buildNumber = buildNumber;
    setup.closeMixer = [this] { m_mixer->CloseDevice(); };
    setup.saveScreenshot = [this](const std::string& path) {
        const CBackBuffer* picture = m_window->GetBackBuffer();
        return picture && CJpegWriter::Save(picture->Surface(), path, m_window->GetWidth(),
                                            m_window->GetHeight(), CCrashHandler::kJpegQuality);
    };
    // The device is closed by then, and the crashed thread may hold the
    // mixer's lock itself.
    setup.saveProject = [this](const std::string& path) {
        ProjectFileContents contents = CRecoverySave::Snapshot(*m_project, *m_mixer, path, false);
        return CRecoverySave::Write(contents, path);
    };
    CCrashHandler::Install(std::move(setup));
}

void LoomtoneApp::RunAfterCreationSequence() {
    if (m_window)
        m_window->RunAfterCreationSequence();
}

void LoomtoneApp::Shutdown() {
    if (!m_started)
        return;
    m_started = false;
    Log("Shutting down");
    CCrashHandler::Uninstall();
    // The user was asked about saving: nothing is left to recover.
    if (m_autosave)
        m_autosave->Finish();
    m_autosave.reset();
    m_undo.ClearUndoHistory();
    m_window.reset();
    m_audio.reset();
    m_deviceCheck.reset();
    CopyProjectPreferencesBack(m_projectPrefs, m_prefs);
    m_prefs.Save();
    m_project.reset();
    if (CSkin::Current() == &m_skin)
        CSkin::SetCurrent(nullptr);
    m_mixer.reset();
    Log("Shut down");
    LogClose();
}
