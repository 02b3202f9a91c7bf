#pragma once

#include "support/SystemInfo.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

class CPCMMixer;
class CPrefs;
class CProject;
class CUndoMgr;
class VRGuiWindow;

// A kind of file the project is mixed down to.
struct MixDownType {
    int32_t command;
    const char* menuKey; // as "FileMenu:MixDown:MP3"
    const char* extension;
    const char* filter;
};

// The mix-down commands: the save question, the choice between the time
// selection and the whole project, the file dialog, rendering with the
// progress dialog, then the result reported or opened.
class CMixDownCommand {
public:
    // What the command borrows of the main window: saving, and running an
    // operation as file activity (the window takes no input meanwhile).
    struct WindowHooks {
        std::function<bool()> save;
        std::function<bool(const std::function<bool()>&)> withFileActivity;
    };
    CMixDownCommand(VRGuiWindow& owner, CPrefs& prefs, CProject& project, CUndoMgr& undo,
                    CPCMMixer& mixer, WindowHooks hooks);

    // False when the command is no mix-down.
    bool Execute(int32_t command);
    // Mixes down to a file of that extension (".WAV" ...), asking only for the file.
    void RenderMixDown(const std::string& extension);
    // OpenWithDefaultApplication unless replaced; never empty.
    void SetFileOpener(std::function<bool(const std::string&)> opener) {
        if (opener)
            m_fileOpener = std::move(opener);
    }
    const std::function<bool(const std::string&)>& FileOpener() const { return m_fileOpener; }

private:
    void MixDown(const MixDownType& type);
    void RenderMixDownOf(const MixDownType& type);
    // With a time selection, whether to mix down only it: the preference,
    // else the user's answer; none when the user cancelled.
    std::optional<bool> ChooseSelectionOnly() const;
    void RunMixDown(const std::string& path, bool selectionOnly);

    VRGuiWindow& m_owner;
    CPrefs& m_prefs;
    CProject& m_project;
    CUndoMgr& m_undo;
    CPCMMixer& m_mixer;
    WindowHooks m_hooks;
    std::function<bool(const std::string&)> m_fileOpener = OpenWithDefaultApplication;
};
