#include "app/CHelpCommands.h"

#include "gui/MessageBoxes.h"
#include "support/LocalizedFormat.h"
#include "support/LocalizedStrings.h"
#include "support/Log.h"
#include "support/Paths.h"

bool CHelpCommands::OpenHelpTopics(const std::string& programFolder,
                                   const std::function<bool(const std::string&)>& opener) {
    const std::string readme = programFolder + kReadmeName;
    if (DoesFileExist(readme) && opener && opener(readme))
        return true;
    LogFmt("CHelpCommands::OpenHelpTopics could not open '%s'", readme.c_str());
    ShowFormattedMessage("HELP_NoTopicsTitle", "HELP_NoTopicsBody", MB_OK | MB_ICONEXCLAMATION,
                         readme);
    return false;
}

std::string CHelpCommands::AboutText(const std::string& userDataFolder) {
    return FormatLocalized(MyLoadString("ABOUT_Body"), MyLoadString("ProgramName"),
                           LOOMTONE_VERSION, userDataFolder);
}

void CHelpCommands::ShowAbout(VRGuiWindow* owner, const std::string& userDataFolder) {
    MessageBoxRequest request;
    request.owner = owner ? owner : GetMainWindow();
    request.title = FormatLocalized(MyLoadString("ABOUT_Title"), MyLoadString("ProgramName"));
    request.text = AboutText(userDataFolder);
    request.flags = MB_OK | MB_ICONASTERISK;
    RunMessageBox(request, nullptr);
}
