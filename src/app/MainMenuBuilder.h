#pragma once

#include <cstdint>
#include <string>

class GuiMenu;
class GuiMenuBar;

// The sub-menus whose entries change with the document.
struct MainMenuLists {
    GuiMenu* recentProjects = nullptr;
    GuiMenu* playFromMarker = nullptr;
    GuiMenu* editMarker = nullptr;
};

// Fills the bar with the File, Edit, Mix, Track, Sound, View and Help menus,
// every text localized by its string key ("FileMenu", "FileMenu:New", ...).
MainMenuLists BuildMainMenus(GuiMenuBar& bar);

// The text of a menu item's key as a title: no shortcut, no access key mark.
std::string MenuItemText(const std::string& key);

// Sets a command's label and shortcut from a string key whose text may carry
// the shortcut after a tab ("Stop\tSpace").
void SetLocalizedItem(GuiMenu& menu, int32_t command, const std::string& key);
