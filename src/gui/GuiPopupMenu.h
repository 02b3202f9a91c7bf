#pragma once

#include "gui/GuiMenu.h"
#include "gui/GuiTextLayout.h"
#include "gui/VRGuiLayer.h"

#include <cstdint>
#include <functional>
#include <memory>

// A menu shown as a pop-up: Run(window, x, y) opens it at a window point,
// waits in a nested message loop and answers the chosen command's identifier,
// or 0 when the user closed it (Escape, a press outside every open menu).
//
// The pointer highlights items; an enabled sub-menu item opens its sub-menu
// beside the menu (at the left when the right has no room). Keys: Up/Down
// (skipping separators and disabled items), Home/End, Right or Enter opens a
// sub-menu, Left or Escape closes one, Enter chooses. A command is chosen by
// releasing a button over it once the pointer has moved over the menus or a
// button was pressed in them, so the release of the click that opened a
// context menu does not choose the item that happens to lie under it.
//
// A menu taller than the window is cut to the window's height and scrolled by
// the mouse wheel; a highlighted item is scrolled into view.
//
// The top menu holds the mouse capture while open, so that it sees the
// pointer everywhere; it handles the mouse and keys for every open sub-menu.
class GuiPopupMenu : public VRGuiLayer {
public:
    static constexpr int32_t kItemHeight = 20;
    static constexpr int32_t kSeparatorHeight = 9;
    static constexpr int32_t kBorder = 2;
    static constexpr int32_t kCheckColumn = 22;
    static constexpr int32_t kArrowColumn = 18;
    static constexpr int32_t kShortcutGap = 24;
    static constexpr int kWheelItems = 3;

    // A move or press at a window point outside every open menu; answering
    // true closes the menus (Run answers 0). Presses outside close them anyway.
    using OutsideHandler = std::function<bool(int32_t event, GuiPoint windowPoint)>;
    // Left on the top menu (-1) or Right on an item without sub-menu (+1);
    // answering true closes the menus. A menu bar moves to its next menu here.
    using SidewaysHandler = std::function<bool(int direction)>;

    explicit GuiPopupMenu(const GuiMenu& menu);

    int32_t Run(VRGuiWindow* window, int32_t x, int32_t y);
    void SetOutsideHandler(OutsideHandler handler) { m_onOutside = std::move(handler); }
    void SetSidewaysHandler(SidewaysHandler handler) { m_onSideways = std::move(handler); }
    // Highlights the first selectable item, as a menu opened by keyboard does.
    void HighlightFirst();
    int GetHighlighted() const { return m_highlighted; }
    // The open sub-menu, if any.
    GuiPopupMenu* GetSubMenu() const { return m_subMenu.get(); }
    // The top of an item in the menu, as scrolled.
    int32_t ItemTop(int index) const;
    // How far the items are scrolled up, in pixels.
    int32_t GetScroll() const { return m_scroll; }

    bool OnKey(int32_t event, int32_t key, uint32_t modifiers) override;
    bool OnMouse(int32_t event, GuiPoint p, uint32_t keys) override;
    bool OnWheel(GuiPoint p, int32_t delta, uint32_t keys) override;
    void OnDraw(const GuiRect& r) override;
    void OnPressOutside(GuiPoint windowPoint) override;

private:
    GuiPopupMenu(const GuiMenu& menu, GuiPopupMenu* root);

    void UpdateSize();
    // Cuts the menu to the window's height, so that it fits and scrolls.
    void FitHeight(const VRGuiWindow& window);
    void ScrollTo(int32_t scroll);
    void ScrollIntoView(int index);
    int32_t ItemHeight(int index) const;
    int ItemAt(GuiPoint p) const;
    void SetHighlighted(int index);
    // The next selectable item from `from` in the direction, wrapping around; -1 when none.
    int NextSelectable(int from, int step) const;
    // The innermost open menu of the chain.
    GuiPopupMenu* Innermost();
    GuiPopupMenu* ParentOf(const GuiPopupMenu* menu);
    // The innermost open menu containing the window point; null when none does.
    GuiPopupMenu* MenuAt(GuiPoint windowPoint);
    void OpenSubMenu(int index, bool highlightFirst);
    void CloseSubMenu();
    void HandleMouse(int32_t event, GuiPoint windowPoint);
    void HandleKey(int32_t key);
    void Choose(int index);
    void Finish(int32_t id);
    void DrawItem(cairo_t* cr, int index, int32_t top);
    void DrawCheckMark(cairo_t* cr, int32_t top, uint32_t color) const;
    void DrawArrow(cairo_t* cr, int32_t top, uint32_t color) const;

    const GuiMenu& m_menu;
    // The top menu of the chain (this one for the top menu itself).
    GuiPopupMenu* m_root;
    std::unique_ptr<GuiPopupMenu> m_subMenu;
    int m_subMenuItem = -1;
    int m_highlighted = -1;
    // The height of all items with the border, of which the menu shows GetHeight().
    int32_t m_contentHeight = 0;
    int32_t m_scroll = 0;
    GuiFont m_font;
    // Only on the top menu:
    OutsideHandler m_onOutside;
    SidewaysHandler m_onSideways;
    int32_t m_chosen = 0;
    bool m_done = false;
    bool m_armed = false;
};
