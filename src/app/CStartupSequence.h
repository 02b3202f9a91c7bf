#pragma once

#include <cstdint>
#include <functional>
#include <string>

class VRGuiWindow;
struct MainWindowSetup;

// What the program opens once its main window stands, in this order: the
// project a crash left behind, when the user wants it back; else the file
// of the command line; else, on a first run, the example project, playing;
// else a new project. The first run ends here whichever opened.
class CStartupSequence {
public:
    // What only the window can do.
    struct Hooks {
        // Runs a load with the file activity state on; answers the load's result.
        std::function<bool(const std::function<bool()>&)> withFileActivity;
        // Loads a project file, or makes a new project of any other file.
        std::function<bool(const std::string&)> openFileOrNewProject;
        std::function<bool(int32_t)> executeCommand;
    };

    // The setup outlives the sequence; dialogOwner may be null.
    CStartupSequence(const MainWindowSetup& setup, VRGuiWindow* dialogOwner, Hooks hooks);

    void OpenFirstProject();

private:
    bool OpenRecoveredProject();
    std::string StartupFile() const;
    // Whether the file opened at start is the example of a first run.
    bool IsExampleStart(const std::string& file) const;

    const MainWindowSetup& m_setup;
    VRGuiWindow* m_owner;
    Hooks m_hooks;
};
