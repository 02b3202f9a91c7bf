#pragma once

#include "app/CFileCommands.h"
#include "app/CFilledStrip.h"
#include "app/CMainCommandTable.h"
#include "app/CMainMenuState.h"
#include "app/CMainToolbarCommands.h"
#include "app/CMixDownCommand.h"
#include "app/CPianoRollDock.h"
#include "app/CTransportCommands.h"
#include "details/CCustomEffectView.h"
#include "gui/GuiMenuBar.h"
#include "gui/GuiTexturePanel.h"
#include "gui/VRGuiWindow.h"
#include "support/CMRUList.h"
#include "support/Observer.h"
#include "support/SystemInfo.h"
#include "timeline/CToolbar.h"
#include "transport/CMixMasterBar.h"

#include <cstdint>
#include <functional>
#include <string>

class CAudioDevices;
class CPCMMixer;
class CPrefs;
class CProject;
class CTrack;
class CUndoMgr;
class GuiMenu;

// What the main window works with; everything outlives the window.
struct MainWindowSetup {
    CPrefs& prefs;
    CProject& project;
    CUndoMgr& undo;
    CPCMMixer& mixer;
    std::string programFolder;  // ends in '/'
    std::string userDataFolder; // ends in '/'
    std::string commandLineFile;
    CAudioDevices* audioDevices = nullptr; // what the preferences dialog reopens; none in tests
};

// The top-level window: the menu bar at the top, the project's track area
// below it, the details area and the status bar at the bottom. It turns menu
// commands and keyboard shortcuts into calls on the project, guards file
// operations with the save question and the file activity state, and decides
// what is opened right after start-up.
class LoomtoneMainWindow : public VRGuiWindow, public Observer {
public:
    static constexpr int32_t kMenuBarHeight = 22;
    static constexpr int32_t kStatusBarHeight = 20;
    static constexpr int32_t kHiddenDetailsHeight = 20;
    static constexpr int32_t kMinTrackAreaHeight = 228;
    static constexpr uint32_t kTitleTimer = 700;
    static constexpr uint32_t kTitlePeriodMs = 250;
    static constexpr const char* kRecoveryFileName = "Loomtone-CrashRecovery.lt4";
    static constexpr const char* kRecentFilesKey = "SOFTWARE\\Veranth\\Loomtone4\\Recent File List";

    struct Heights {
        int32_t trackArea;
        int32_t details;
    };
    // The track area takes what the bars and the details area leave, but
    // never less than kMinTrackAreaHeight; the details area gives way.
    static Heights LayoutHeights(int32_t clientHeight, int32_t detailsHeight);
    // The program name alone for a project without file, else with the file
    // name; " *" marks unsaved changes of a named project.
    static std::string TitleFor(const std::string& programName, const std::string& projectPath,
                                bool changed);

    explicit LoomtoneMainWindow(const MainWindowSetup& setup);
    ~LoomtoneMainWindow() override;

    bool Initialize(IGuiHost* host, int32_t width, int32_t height) override;
    void SetSize(int32_t width, int32_t height) override;
    // An open layer (a text field, a dialog, a menu) has the keyboard to
    // itself; otherwise the menu bar, then the shortcuts, then the content.
    bool OnKey(int32_t event, int32_t key, uint32_t modifiers) override;
    // The close request asks the save question first.
    intptr_t WindowProc(const GuiMessage& message) override;
    void OnNotification(int message, void* parameter) override;
    void OnTimer(uint32_t id) override;

    // Shows the window where it was, then opens the crash-recovery project,
    // the file of the command line, the example project of a first run, or a
    // new project.
    void RunAfterCreationSequence();
    // A project file is loaded, any other file becomes the sound of a new
    // project; no file gives a new project without asking about its kind.
    // Answers whether a project file was opened.
    bool OpenFileOrNewProject(const std::string& path);
    // False when the command cannot run right now.
    bool ExecuteCommand(int32_t command);
    bool IsCommandEnabled(int32_t command) const;
    // The save question, then the placement is stored and the loop ended.
    bool RequestClose();
    // Whether the operation that asks may go on (saving first when the user says so).
    bool AskToSave();

    std::string Title() const;
    // Hears every new title (the native window shows it).
    void SetTitleSink(std::function<void(const std::string&)> sink);
    // What opens a finished mix-down and the help topics with the desktop's
    // default application (OpenWithDefaultApplication unless replaced; never empty).
    // The mix-down command keeps the one opener.
    void SetFileOpener(std::function<bool(const std::string&)> opener) {
        m_mixDown.SetFileOpener(std::move(opener));
    }
    int32_t MinimumHeight() const;
    GuiMenuBar& MenuBar() { return m_menuBar; }
    CFilledStrip& StatusBar() { return m_statusBar; }
    // Sets labels and flags of a menu that is about to open.
    void PrepareMenu(GuiMenu& menu);
    // Save, asking for a name when the project has no file of its own yet.
    bool SaveProject() { return m_files.Save(); }
    // Mixes down to a file of that extension (".WAV" ...), asking only for
    // the file.
    void RenderMixDown(const std::string& extension);
    void ShowDetailsArea();
    // The title and the toolbar's buttons follow the document.
    void RefreshState();
    CToolbar& Toolbar() { return m_toolbar; }
    CMixMasterBar& MasterBar() { return m_masterBar; }
    CPianoRollDock& PianoRollDock() { return m_pianoRollDock; }
    CCustomEffectView& EffectView() { return m_effectView; }

private:
    // The help topics and the About box; false for any other command.
    bool RunHelpCommand(int32_t command);
    void LayOut();
    int32_t DetailsHeight() const;
    void UpdateTitle();
    void SetWaitCursor(bool wait);
    bool WithFileActivity(const std::function<bool()>& operation);

    void ToggleDetails();
    // The piano roll and the effects share the details area: the one that
    // opens closes the other.
    void GiveDetailsAreaTo(const VRGuiObject& view);

    MainWindowSetup m_setup;
    CPrefs& m_prefs;
    CProject& m_project;
    CUndoMgr& m_undo;
    CPCMMixer& m_mixer;
    CFileCommands m_files;
    CMixDownCommand m_mixDown;
    CMainCommandTable m_commands;
    GuiMenuBar m_menuBar;
    CFilledStrip m_details;
    CFilledStrip m_statusBar;
    CPianoRollDock m_pianoRollDock;
    CCustomEffectView m_effectView;
    CMainToolbarCommands m_toolbarCommands;
    CTransportCommands m_transportCommands;
    CMainMenuState m_menuState;
    CToolbar m_toolbar;
    CMixMasterBar m_masterBar;
    CMRUList m_recent;
    std::function<void(const std::string&)> m_titleSink;
    std::string m_title;
};
