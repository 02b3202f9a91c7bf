#pragma once

#include <cstdint>
#include <functional>
#include <map>

class CFileCommands;
class CMixDownCommand;
class CMRUList;
class CPCMMixer;
class CPrefs;
class CProject;
class CTrack;
class CUndoMgr;
class VRGuiWindow;

// The main window's commands as a table: each command's handler and, where
// it needs more than a project without file activity, when it is available.
// A new command is one line in the Add... function of its menu.
class CMainCommandTable {
public:
    struct Sources {
        VRGuiWindow& owner; // the dialogs' window
        CPrefs& prefs;
        CProject& project;
        CUndoMgr& undo;
        CPCMMixer& mixer;
        CMRUList& recent;
        CFileCommands& files;
        CMixDownCommand& mixDown;
    };
    // What the commands borrow of the main window.
    struct WindowHooks {
        std::function<void()> toggleDetails;
        std::function<void()> requestClose;
        std::function<void()> showGlobalEffects;
    };
    CMainCommandTable(const Sources& sources, WindowHooks hooks);

    // False when the command's own condition is not met; true for a command
    // the table does not hold.
    bool IsAvailable(int32_t command) const;
    // False when the table holds no handler for the command.
    bool Execute(int32_t command);
    // The master volume in a value dialog (also the master bar's double click).
    void AskMasterVolume();

private:
    using Handler = std::function<void()>;
    using Condition = std::function<bool()>;
    struct Entry {
        Handler handler; // none: another part of the window runs the command
        Condition available;
    };
    void Add(int32_t command, Handler handler, Condition available = {});
    // count commands from first on; the handler gets the offset from first.
    void AddRange(int32_t first, int32_t count, const std::function<void(int32_t)>& handler,
                  const Condition& available = {});
    void AddFileCommands();
    void AddEditCommands();
    void AddMixCommands();
    void AddTrackCommands();
    void AddViewCommands();

    CTrack* SelectedTrack() const;
    bool HasSelectedTrack() const { return SelectedTrack() != nullptr; }
    void Undo(bool redo);
    void AddTrack(bool midi, bool atSelection);
    void ToggleTrackState(int32_t command);
    void SetTrackHeight(int32_t size);
    void SetMasterVolume(double volume);
    void SetTrackVolume(double volume);
    void SetTrackPan(double pan);
    void AskTrackVolume();
    void AskTrackPan();

    Sources m_sources;
    WindowHooks m_hooks;
    std::map<int32_t, Entry> m_entries;
};
