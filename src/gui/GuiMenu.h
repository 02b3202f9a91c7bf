#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// What a menu offers, apart from how it is shown (GuiPopupMenu, GuiMenuBar):
// commands with an identifier, a label, an optional shortcut text, enabled
// and checked flags; separators; sub-menus. Owners change labels and flags
// freely while the menu is closed (a menu bar lets them do so just before a
// menu opens). Identifier 0 means "nothing chosen" and is never a command.
class GuiMenu {
public:
    struct Item {
        int32_t id = 0;
        std::string label;
        std::string shortcut;
        bool enabled = true;
        bool checked = false;
        bool separator = false;
        std::unique_ptr<GuiMenu> subMenu;

        // A command the user can choose right now.
        bool IsChoosable() const { return !separator && !subMenu && enabled && id != 0; }
        // A sub-menu the user can open right now.
        bool OpensSubMenu() const { return subMenu && enabled; }
        // What the keyboard may move onto.
        bool IsSelectable() const { return IsChoosable() || OpensSubMenu(); }
    };

    void AddItem(int32_t id, const std::string& label, const std::string& shortcut = {});
    void AddSeparator();
    // Adds an item that opens a new, empty sub-menu, and answers that sub-menu.
    GuiMenu& AddSubMenu(const std::string& label);
    void Clear() { m_items.clear(); }
    // Takes the command out, here or in a sub-menu, with a separator that
    // would be left at an end or next to another; false when there is none.
    bool RemoveItem(int32_t id);

    int ItemCount() const { return static_cast<int>(m_items.size()); }
    const Item& ItemAt(int index) const { return m_items.at(index); }
    Item& ItemAt(int index) { return m_items.at(index); }
    // The command with the identifier here or in a sub-menu; null when there is none.
    Item* FindItem(int32_t id);
    // False when no command has the identifier.
    bool SetLabel(int32_t id, const std::string& label);
    bool Enable(int32_t id, bool enabled);
    bool Check(int32_t id, bool checked);

    // A label as shown: a single '&' marks the access key and is not shown,
    // "&&" shows one '&'.
    static std::string DisplayText(const std::string& label);

private:
    std::vector<Item> m_items;
};
