#include "gui/GuiPopupMenu.h"

#include "gui/CImage.h"
#include "gui/GuiInput.h"
#include "gui/GuiSkinColor.h"
#include "gui/VRGuiWindow.h"

#include <cairo.h>

#include <algorithm>
#include <string>

namespace {

constexpr int32_t kSubMenuOverlap = 3;
constexpr int32_t kSeparatorInset = 4;

} // namespace

GuiPopupMenu::GuiPopupMenu(const GuiMenu& menu) : GuiPopupMenu(menu, nullptr) {}

GuiPopupMenu::GuiPopupMenu(const GuiMenu& menu, GuiPopupMenu* root)
    : VRGuiLayer(1, 1), m_menu(menu), m_root(root ? root : this) {
    UpdateSize();
}

void GuiPopupMenu::UpdateSize() {
    int32_t labelWidth = 0;
    int32_t shortcutWidth = 0;
    int32_t height = 2 * kBorder;
    for (int i = 0; i < m_menu.ItemCount(); ++i) {
        const GuiMenu::Item& item = m_menu.ItemAt(i);
        height += ItemHeight(i);
        if (item.separator)
            continue;
        labelWidth =
            std::max(labelWidth, GuiTextLayout(m_font, GuiMenu::DisplayText(item.label)).Width());
        if (!item.shortcut.empty())
            shortcutWidth = std::max(shortcutWidth, GuiTextLayout(m_font, item.shortcut).Width());
    }
    const int32_t shortcuts = shortcutWidth > 0 ? kShortcutGap + shortcutWidth : 0;
    m_contentHeight = std::max(height, 2 * kBorder + 1);
    m_scroll = 0;
    SetSize(2 * kBorder + kCheckColumn + labelWidth + shortcuts + kArrowColumn, m_contentHeight);
}

void GuiPopupMenu::FitHeight(const VRGuiWindow& window) {
    if (m_contentHeight > window.GetHeight())
        SetSize(GetWidth(), std::max(window.GetHeight(), 2 * kBorder + kItemHeight));
}

void GuiPopupMenu::ScrollTo(int32_t scroll) {
    const int32_t last = std::max(0, m_contentHeight - GetHeight());
    scroll = std::clamp(scroll, 0, last);
    if (scroll == m_scroll)
        return;
    // A sub-menu stands beside its item, which moves away.
    CloseSubMenu();
    m_scroll = scroll;
    Invalidate(nullptr);
}

void GuiPopupMenu::ScrollIntoView(int index) {
    const int32_t top = ItemTop(index);
    if (top < kBorder)
        ScrollTo(m_scroll - (kBorder - top));
    else if (top + ItemHeight(index) > GetHeight() - kBorder)
        ScrollTo(m_scroll + top + ItemHeight(index) - (GetHeight() - kBorder));
}

bool GuiPopupMenu::OnWheel(GuiPoint, int32_t delta, uint32_t) {
    constexpr int32_t kNotch = 120;
    const int notches = delta / kNotch != 0 ? delta / kNotch : (delta > 0 ? 1 : -1);
    ScrollTo(m_scroll - notches * kWheelItems * kItemHeight);
    return true;
}

int32_t GuiPopupMenu::ItemHeight(int index) const {
    return m_menu.ItemAt(index).separator ? kSeparatorHeight : kItemHeight;
}

int32_t GuiPopupMenu::ItemTop(int index) const {
    int32_t top = kBorder - m_scroll;
    for (int i = 0; i < index && i < m_menu.ItemCount(); ++i)
        top += ItemHeight(i);
    return top;
}

int GuiPopupMenu::ItemAt(GuiPoint p) const {
    if (p.x < 0 || p.x >= GetWidth() || p.y < kBorder || p.y >= GetHeight() - kBorder)
        return -1;
    int32_t top = kBorder - m_scroll;
    for (int i = 0; i < m_menu.ItemCount(); ++i) {
        const int32_t bottom = top + ItemHeight(i);
        if (p.y >= top && p.y < bottom)
            return m_menu.ItemAt(i).separator ? -1 : i;
        top = bottom;
    }
    return -1;
}

int32_t GuiPopupMenu::Run(VRGuiWindow* window, int32_t x, int32_t y) {
    if (!window || IsOpen())
        return 0;
    m_chosen = 0;
    m_done = false;
    m_armed = false;
    UpdateSize();
    FitHeight(*window);
    window->OpenLayer(this, x, y);
    window->SetCapture(this);
    window->RunModal([this] { return m_done; });
    CloseSubMenu();
    window->CloseLayer(this);
    m_highlighted = -1;
    return m_done ? m_chosen : 0;
}

void GuiPopupMenu::Finish(int32_t id) {
    m_root->m_chosen = id;
    m_root->m_done = true;
}

void GuiPopupMenu::HighlightFirst() {
    SetHighlighted(NextSelectable(-1, 1));
}

void GuiPopupMenu::SetHighlighted(int index) {
    if (index == m_highlighted)
        return;
    m_highlighted = index;
    if (index >= 0)
        ScrollIntoView(index);
    Invalidate(nullptr);
}

int GuiPopupMenu::NextSelectable(int from, int step) const {
    const int count = m_menu.ItemCount();
    for (int n = 1; n <= count; ++n) {
        const int index = ((from + step * n) % count + count) % count;
        if (m_menu.ItemAt(index).IsSelectable())
            return index;
    }
    return -1;
}

GuiPopupMenu* GuiPopupMenu::Innermost() {
    GuiPopupMenu* menu = this;
    while (menu->m_subMenu)
        menu = menu->m_subMenu.get();
    return menu;
}

GuiPopupMenu* GuiPopupMenu::ParentOf(const GuiPopupMenu* menu) {
    for (GuiPopupMenu* parent = this; parent->m_subMenu; parent = parent->m_subMenu.get()) {
        if (parent->m_subMenu.get() == menu)
            return parent;
    }
    return nullptr;
}

GuiPopupMenu* GuiPopupMenu::MenuAt(GuiPoint windowPoint) {
    // Sub-menus lie above their parents, so the innermost one wins.
    GuiPopupMenu* found = nullptr;
    for (GuiPopupMenu* menu = this; menu; menu = menu->m_subMenu.get()) {
        if (menu->GetAbsRect().Contains(windowPoint.x, windowPoint.y))
            found = menu;
    }
    return found;
}

void GuiPopupMenu::OpenSubMenu(int index, bool highlightFirst) {
    if (m_subMenu && m_subMenuItem == index) {
        if (highlightFirst)
            m_subMenu->HighlightFirst();
        return;
    }
    CloseSubMenu();
    VRGuiWindow* window = GetWindow();
    const GuiMenu::Item& item = m_menu.ItemAt(index);
    if (!window || !item.OpensSubMenu())
        return;
    m_subMenu.reset(new GuiPopupMenu(*item.subMenu, m_root));
    m_subMenuItem = index;
    m_subMenu->FitHeight(*window);
    int32_t x = GetAbsX() + GetWidth() - kSubMenuOverlap;
    if (x + m_subMenu->GetWidth() > window->GetWidth())
        x = GetAbsX() - m_subMenu->GetWidth() + kSubMenuOverlap;
    window->OpenLayer(m_subMenu.get(), x, GetAbsY() + ItemTop(index) - kBorder);
    // Opening a layer takes the capture; the top menu keeps handling the mouse.
    window->SetCapture(m_root);
    if (highlightFirst)
        m_subMenu->HighlightFirst();
}

void GuiPopupMenu::CloseSubMenu() {
    if (!m_subMenu)
        return;
    m_subMenu->CloseSubMenu();
    if (VRGuiWindow* window = GetWindow())
        window->CloseLayer(m_subMenu.get());
    m_subMenu.reset();
    m_subMenuItem = -1;
}

bool GuiPopupMenu::OnMouse(int32_t event, GuiPoint p, uint32_t) {
    m_root->HandleMouse(event, LocalToAbsPoint(p));
    return event != kMouseEnter && event != kMouseLeave;
}

void GuiPopupMenu::OnPressOutside(GuiPoint windowPoint) {
    m_root->HandleMouse(kMouseLeftDown, windowPoint);
}

void GuiPopupMenu::HandleMouse(int32_t event, GuiPoint windowPoint) {
    GuiPopupMenu* menu = MenuAt(windowPoint);
    const bool press =
        event == kMouseLeftDown || event == kMouseRightDown || event == kMouseLeftDoubleClick;
    if (!menu) {
        const bool close = m_onOutside && m_onOutside(event, windowPoint);
        if (close || press)
            Finish(0);
        return;
    }
    const int index =
        menu->ItemAt({windowPoint.x - menu->GetAbsX(), windowPoint.y - menu->GetAbsY()});
    if (press) {
        m_armed = true;
        return;
    }
    if (event == kMouseMove) {
        if (index < 0)
            return;
        if (index != menu->m_highlighted)
            m_armed = true;
        menu->SetHighlighted(index);
        if (menu->m_menu.ItemAt(index).OpensSubMenu())
            menu->OpenSubMenu(index, false);
        else
            menu->CloseSubMenu();
        return;
    }
    const bool release =
        event == kMouseLeftUp || event == kMouseRightUp || event == kMouseLeftUpAfterDoubleClick;
    if (release && m_armed && index >= 0)
        menu->Choose(index);
}

void GuiPopupMenu::Choose(int index) {
    const GuiMenu::Item& item = m_menu.ItemAt(index);
    if (item.IsChoosable())
        Finish(item.id);
    else if (item.OpensSubMenu())
        OpenSubMenu(index, true);
}

bool GuiPopupMenu::OnKey(int32_t event, int32_t key, uint32_t) {
    if (event == kKeyDown)
        m_root->HandleKey(key);
    return true;
}

void GuiPopupMenu::HandleKey(int32_t key) {
    GuiPopupMenu* menu = Innermost();
    GuiPopupMenu* parent = ParentOf(menu);
    const int highlighted = menu->m_highlighted;
    const GuiMenu::Item* item = highlighted >= 0 ? &menu->m_menu.ItemAt(highlighted) : nullptr;
    switch (key) {
    case VK_DOWN:
        menu->SetHighlighted(menu->NextSelectable(highlighted, 1));
        break;
    case VK_UP:
        menu->SetHighlighted(menu->NextSelectable(highlighted < 0 ? 0 : highlighted, -1));
        break;
    case VK_HOME:
        menu->SetHighlighted(menu->NextSelectable(-1, 1));
        break;
    case VK_END:
        menu->SetHighlighted(menu->NextSelectable(0, -1));
        break;
    case VK_RIGHT:
        if (item && item->OpensSubMenu())
            menu->OpenSubMenu(highlighted, true);
        else if (m_onSideways && m_onSideways(1))
            Finish(0);
        break;
    case VK_LEFT:
        if (parent)
            parent->CloseSubMenu();
        else if (m_onSideways && m_onSideways(-1))
            Finish(0);
        break;
    case VK_RETURN:
    case VK_SPACE:
        if (item)
            menu->Choose(highlighted);
        break;
    case VK_ESCAPE:
        if (parent)
            parent->CloseSubMenu();
        else
            Finish(0);
        break;
    default:
        break;
    }
}

void GuiPopupMenu::OnDraw(const GuiRect& r) {
    cairo_t* cr = GetWindow()->GetDrawContext();
    CImage::SetSourceColor(cr, GuiSkinColor("gui-menu background"));
    cairo_rectangle(cr, r.left, r.top, r.Width(), r.Height());
    cairo_fill(cr);
    CImage::SetSourceColor(cr, GuiSkinColor("gui-menu separator"));
    cairo_set_line_width(cr, 1);
    cairo_rectangle(cr, 0.5, 0.5, GetWidth() - 1, GetHeight() - 1);
    cairo_stroke(cr);
    // Scrolled items stop at the border.
    cairo_save(cr);
    cairo_rectangle(cr, kBorder, kBorder, GetWidth() - 2 * kBorder, GetHeight() - 2 * kBorder);
    cairo_clip(cr);
    for (int i = 0; i < m_menu.ItemCount(); ++i) {
        const int32_t top = ItemTop(i);
        if (top < r.bottom && top + ItemHeight(i) > r.top)
            DrawItem(cr, i, top);
    }
    cairo_restore(cr);
}

void GuiPopupMenu::DrawItem(cairo_t* cr, int index, int32_t top) {
    const GuiMenu::Item& item = m_menu.ItemAt(index);
    const int32_t inner = GetWidth() - 2 * kBorder;
    if (item.separator) {
        CImage::SetSourceColor(cr, GuiSkinColor("gui-menu separator"));
        const double middle = top + kSeparatorHeight / 2 + 0.5;
        cairo_move_to(cr, kBorder + kSeparatorInset, middle);
        cairo_line_to(cr, kBorder + inner - kSeparatorInset, middle);
        cairo_stroke(cr);
        return;
    }
    const bool highlighted = index == m_highlighted;
    if (highlighted) {
        CImage::SetSourceColor(cr, GuiSkinColor("gui-menu highlight"));
        cairo_rectangle(cr, kBorder, top, inner, kItemHeight);
        cairo_fill(cr);
    }
    uint32_t color = GuiSkinColor(highlighted ? "gui-menu highlight text" : "gui-menu text");
    if (!item.enabled)
        color = GuiSkinColor("gui-menu disabled text");
    GuiTextLayout label(m_font, GuiMenu::DisplayText(item.label));
    label.DrawIn(cr, kBorder + kCheckColumn, top, inner, kItemHeight, kTextVCenter, color);
    if (!item.shortcut.empty()) {
        GuiTextLayout shortcut(m_font, item.shortcut);
        shortcut.DrawIn(cr, kBorder, top, inner - kArrowColumn, kItemHeight,
                        kTextRight | kTextVCenter, color);
    }
    if (item.checked)
        DrawCheckMark(cr, top, color);
    if (item.subMenu)
        DrawArrow(cr, top, color);
}

void GuiPopupMenu::DrawCheckMark(cairo_t* cr, int32_t top, uint32_t color) const {
    const double x = kBorder + 6;
    const double y = top + kItemHeight / 2.0;
    CImage::SetSourceColor(cr, color);
    cairo_set_line_width(cr, 2);
    cairo_move_to(cr, x, y);
    cairo_line_to(cr, x + 3, y + 3);
    cairo_line_to(cr, x + 9, y - 4);
    cairo_stroke(cr);
    cairo_set_line_width(cr, 1);
}

void GuiPopupMenu::DrawArrow(cairo_t* cr, int32_t top, uint32_t color) const {
    const double x = GetWidth() - kBorder - kArrowColumn / 2.0 - 2;
    const double y = top + kItemHeight / 2.0;
    CImage::SetSourceColor(cr, color);
    cairo_move_to(cr, x, y - 4);
    cairo_line_to(cr, x + 4, y);
    cairo_line_to(cr, x, y + 4);
    cairo_close_path(cr);
    cairo_fill(cr);
}
