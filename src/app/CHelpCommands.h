#pragma once

#include <functional>
#include <string>

class VRGuiWindow;

// The Help menu's own commands: the help topics, which are the README next
// to the program, opened with the desktop's default application, and the
// About box.
class CHelpCommands {
public:
    static constexpr const char* kReadmeName = "README.md";

    // Opens the README of the program folder (ending in '/') through the
    // opener; a README that is missing or does not open is told to the user.
    static bool OpenHelpTopics(const std::string& programFolder,
                               const std::function<bool(const std::string&)>& opener);
    // The program's name and version, its licence and where its log is.
    static std::string AboutText(const std::string& userDataFolder);
    static void ShowAbout(VRGuiWindow* owner, const std::string& userDataFolder);
};
