#include "app/CDownloadPages.h"

#include "app/CPrefs.h"
#include "app/MainCommands.h"
#include "gui/GuiMenu.h"
#include "support/CRegKey.h"
#include "support/LocalizedStrings.h"
#include "support/Log.h"
#include "support/SystemInfo.h"

#include <array>

namespace {

struct DownloadPage {
    int32_t command;
    const char* name; // the settings' value and the string file's key
};
constexpr std::array<DownloadPage, 3> kPages = {{
    {kCmdDownloadLoops, "loops url"},
    {kCmdDownloadSounds, "sounds url"},
    {kCmdDownloadEffects, "fx url"},
}};

const DownloadPage* PageOf(int32_t command) {
    for (const DownloadPage& page : kPages)
        if (page.command == command)
            return &page;
    return nullptr;
}

} // namespace

std::string CDownloadPages::Address(int32_t command) {
    const DownloadPage* page = PageOf(command);
    if (!page)
        return "";
    CRegKey root(RegRoot::CurrentUser);
    if (auto key = root.GetSubKey(CPrefs::kCurrentKeyPath)) {
        std::string stored;
        if (key->GetKeyString(page->name, &stored) && !stored.empty())
            return stored;
    }
    return HasLocalizedString(page->name) ? MyLoadString(page->name) : "";
}

void CDownloadPages::RemoveUnavailable(GuiMenu& menu) {
    for (const DownloadPage& page : kPages)
        if (Address(page.command).empty())
            menu.RemoveItem(page.command);
}

bool CDownloadPages::Open(int32_t command) {
    const std::string url = Address(command);
    if (url.empty()) {
        LogFmt("CDownloadPages: no address for command %d", command);
        return false;
    }
    if (LaunchBrowser(url))
        return true;
    LogFmt("CDownloadPages: could not open '%s'", url.c_str());
    return false;
}
