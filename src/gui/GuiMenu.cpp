#include "gui/GuiMenu.h"

void GuiMenu::AddItem(int32_t id, const std::string& label, const std::string& shortcut) {
    Item item;
    item.id = id;
    item.label = label;
    item.shortcut = shortcut;
    m_items.push_back(std::move(item));
}

void GuiMenu::AddSeparator() {
    Item item;
    item.separator = true;
    m_items.push_back(std::move(item));
}

GuiMenu& GuiMenu::AddSubMenu(const std::string& label) {
    Item item;
    item.label = label;
    item.subMenu = std::make_unique<GuiMenu>();
    m_items.push_back(std::move(item));
    return *m_items.back().subMenu;
}

GuiMenu::Item* GuiMenu::FindItem(int32_t id) {
    if (id == 0)
        return nullptr;
    for (Item& item : m_items) {
        if (item.subMenu) {
            if (Item* found = item.subMenu->FindItem(id))
                return found;
        } else if (!item.separator && item.id == id) {
            return &item;
        }
    }
    return nullptr;
}

bool GuiMenu::RemoveItem(int32_t id) {
    bool removed = false;
    for (size_t index = 0; index < m_items.size() && !removed; ++index) {
        Item& item = m_items[index];
        if (item.subMenu)
            removed = item.subMenu->RemoveItem(id);
        else if (!item.separator && id != 0 && item.id == id) {
            m_items.erase(m_items.begin() + static_cast<std::ptrdiff_t>(index));
            removed = true;
        }
    }
    if (!removed)
        return false;
    // Separators part groups: none at either end, never two in a row.
    for (size_t index = 0; index < m_items.size();) {
        const bool lone = m_items[index].separator && (index == 0 || index + 1 == m_items.size() ||
                                                       m_items[index + 1].separator);
        if (lone)
            m_items.erase(m_items.begin() + static_cast<std::ptrdiff_t>(index));
        else
            ++index;
    }
    return true;
}

bool GuiMenu::SetLabel(int32_t id, const std::string& label) {
    Item* item = FindItem(id);
    if (item)
        item->label = label;
    return item != nullptr;
}

bool GuiMenu::Enable(int32_t id, bool enabled) {
    Item* item = FindItem(id);
    if (item)
        item->enabled = enabled;
    return item != nullptr;
}

bool GuiMenu::Check(int32_t id, bool checked) {
    Item* item = FindItem(id);
    if (item)
        item->checked = checked;
    return item != nullptr;
}

std::string GuiMenu::DisplayText(const std::string& label) {
    std::string text;
    for (size_t i = 0; i < label.size(); ++i) {
        if (label[i] == '&') {
            if (i + 1 < label.size() && label[i + 1] == '&') {
                text += '&';
                ++i;
            }
            continue;
        }
        text += label[i];
    }
    return text;
}
