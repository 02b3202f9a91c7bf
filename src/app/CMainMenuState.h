#pragma once

#include "app/MainMenuBuilder.h"

#include <cstdint>
#include <functional>

class CMRUList;
class CPCMMixer;
class CPrefs;
class CProject;
class CTransportCommands;
class GuiMenu;

// What the main window's menus show when they open: the recent projects and
// the marker lists filled in, labels that follow a state (Play or Stop, Show
// or Hide details), check marks and the commands that are available.
class CMainMenuState {
public:
    struct Sources {
        CProject& project;
        CPCMMixer& mixer;
        CPrefs& prefs;
        CMRUList& recent;
        const CTransportCommands& transport;
    };
    // isEnabled: whether a command can run now.
    CMainMenuState(const Sources& sources, std::function<bool(int32_t)> isEnabled);

    // The lists the menu bar was built with.
    void SetLists(const MainMenuLists& lists) { m_lists = lists; }
    // Sets labels and flags of a menu that is about to open.
    void Prepare(GuiMenu& menu);

private:
    void SwapStateLabels(GuiMenu& menu);
    void FillRecentProjects();
    void FillMarkerList(GuiMenu& menu, int32_t firstCommand);
    void UpdateFlags(GuiMenu& menu);

    CProject& m_project;
    CPCMMixer& m_mixer;
    CPrefs& m_prefs;
    CMRUList& m_recent;
    const CTransportCommands& m_transport;
    std::function<bool(int32_t)> m_isEnabled;
    MainMenuLists m_lists;
};
