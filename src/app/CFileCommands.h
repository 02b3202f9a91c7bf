#pragma once

#include <cstddef>
#include <functional>
#include <string>

class CMRUList;
class CPCMMixer;
class CPrefs;
class CProject;
class CUndoMgr;
class VRGuiWindow;

// The File menu's project commands: new, open (also from the recent list),
// save, save as and the transfer of a project with its sounds to another
// folder, each guarded by the save question where changes would be lost.
class CFileCommands {
public:
    struct Sources {
        VRGuiWindow& owner; // the dialogs' and messages' window
        CPrefs& prefs;
        CProject& project;
        CUndoMgr& undo;
        CPCMMixer& mixer;
        CMRUList& recent;
        std::string programFolder; // ends in '/'
    };
    // What the commands borrow of the main window: running an operation as
    // file activity, and bringing the title up to date.
    struct WindowHooks {
        std::function<bool(const std::function<bool()>&)> withFileActivity;
        std::function<void()> updateTitle;
    };
    CFileCommands(const Sources& sources, WindowHooks hooks);

    // Whether the operation that asks may go on (saving first when the user says so).
    bool AskToSave();
    void NewProject();
    void OpenProject();
    bool OpenProjectFile(const std::string& path);
    void OpenRecentProject(size_t index);
    // Save, asking for a name when the project has no file of its own yet.
    bool Save();
    bool SaveAs();
    void DoProjectTransfer();
    // A project file is loaded, any other file becomes the sound of a new
    // project; no file gives a new project without asking about its kind.
    // Answers whether a project file was opened.
    bool OpenFileOrNewProject(const std::string& path);

private:
    bool SaveTo(const std::string& path);
    std::string ChooseTransferFolder();
    bool SaveTransferCopy(const std::string& path, bool librarySounds, bool recordHere);

    VRGuiWindow& m_owner;
    CPrefs& m_prefs;
    CProject& m_project;
    CUndoMgr& m_undo;
    CPCMMixer& m_mixer;
    CMRUList& m_recent;
    std::string m_programFolder;
    WindowHooks m_hooks;
};
