#pragma once

#include "support/Observable.h"
#include "gui/GuiMenu.h"
#include "gui/GuiTextLayout.h"
#include "gui/VRGuiObject.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

// The strip of menu titles at the top of the main window. A press on a title
// opens its menu under it (GuiPopupMenu); while one is open, moving over
// another title, or Left/Right at the top level, switches to that menu. Alt
// pressed and released alone, or F10, gives the strip the keyboard: Left and
// Right move between titles, Down, Up or Enter opens, Escape leaves.
//
// Just before a menu opens the owner hears of it (SetBeforeOpen) and may
// change labels and flags, e.g. "Undo Cut" instead of "Undo". A chosen command
// goes to the observers as kNotifyMenuCommand with the command identifier as
// the parameter.
class GuiMenuBar : public VRGuiObject, public Observable {
public:
    // Outside the range used between the other GUI objects, the tracks and the project.
    static constexpr int kNotifyMenuCommand = 1070;
    static constexpr int32_t kTitlePadding = 8;
    using BeforeOpen = std::function<void(int menuIndex, GuiMenu& menu)>;

    GuiMenuBar(int32_t width, int32_t height);

    // Adds a title with a new, empty menu and answers the menu.
    GuiMenu& AddMenu(const std::string& title);
    int MenuCount() const { return static_cast<int>(m_menus.size()); }
    GuiMenu& MenuAt(int index) { return *m_menus.at(index).menu; }
    void SetBeforeOpen(BeforeOpen beforeOpen) { m_beforeOpen = std::move(beforeOpen); }
    GuiRect TitleRect(int index) const;
    // The title under a point of the bar; -1 when none.
    int TitleAt(GuiPoint p) const;
    // The menu shown right now; -1 when none is.
    int GetOpenMenu() const { return m_open; }
    // The highlighted title (under the pointer, open or chosen by keyboard); -1 when none.
    int GetHotTitle() const { return m_hot; }
    bool HasKeyboard() const { return m_keyboard; }
    // Opens a menu and keeps menus open, switching between them as the user
    // asks, until a command is chosen or the menus close.
    void OpenMenu(int index, bool highlightFirst);

    bool OnMouse(int32_t event, GuiPoint p, uint32_t keys) override;
    bool OnKey(int32_t event, int32_t key, uint32_t modifiers) override;
    void OnDraw(const GuiRect& r) override;

private:
    struct Menu {
        std::string title;
        std::unique_ptr<GuiMenu> menu;
        int32_t width;
    };

    // Runs one menu; answers the chosen command, or 0. A switch asked for
    // meanwhile is left in m_switchTo.
    int32_t RunMenu(int index, bool highlightFirst);
    void SetHot(int index);
    void SetKeyboard(bool keyboard);
    bool OnKeyWithKeyboard(int32_t key);

    std::vector<Menu> m_menus;
    BeforeOpen m_beforeOpen;
    GuiFont m_font;
    int m_open = -1;
    int m_hot = -1;
    bool m_keyboard = false;
    // Alt went down and nothing else happened since.
    bool m_altAlone = false;
    int m_switchTo = -1;
    bool m_switchByKeyboard = false;
};
