#pragma once

#include <cstdint>
#include <string>

class GuiMenu;

// The web pages of the Help menu's Download items. The address of each is
// the settings' value of its name, else the string file's text under that
// name; an item without an address is not offered at all, since choosing it
// could show nothing.
class CDownloadPages {
public:
    // The address for a Download command; "" when none is set.
    static std::string Address(int32_t command);
    // Takes the Download items without address out of the menu.
    static void RemoveUnavailable(GuiMenu& menu);
    // Opens the command's page in the browser; false when it has none or it
    // could not be opened.
    static bool Open(int32_t command);
};
