#include "gui/GuiMenuBar.h"

#include "gui/CImage.h"
#include "gui/GuiInput.h"
#include "gui/GuiNotifications.h"
#include "gui/GuiPopupMenu.h"
#include "gui/GuiSkinColor.h"
#include "gui/VRGuiWindow.h"

#include <cairo.h>

namespace {

bool IsAltKey(int32_t key) {
    return key == VK_MENU || key == VK_LMENU || key == VK_RMENU;
}

} // namespace

GuiMenuBar::GuiMenuBar(int32_t width, int32_t height) : VRGuiObject(width, height) {}

GuiMenu& GuiMenuBar::AddMenu(const std::string& title) {
    const int32_t width =
        GuiTextLayout(m_font, GuiMenu::DisplayText(title)).Width() + 2 * kTitlePadding;
    m_menus.push_back({title, std::make_unique<GuiMenu>(), width});
    Invalidate(nullptr);
    return *m_menus.back().menu;
}

GuiRect GuiMenuBar::TitleRect(int index) const {
    int32_t left = 0;
    for (int i = 0; i < index; ++i)
        left += m_menus[i].width;
    return {left, 0, left + m_menus.at(index).width, GetHeight()};
}

int GuiMenuBar::TitleAt(GuiPoint p) const {
    for (int i = 0; i < MenuCount(); ++i) {
        if (TitleRect(i).Contains(p.x, p.y))
            return i;
    }
    return -1;
}

void GuiMenuBar::SetHot(int index) {
    if (index == m_hot)
        return;
    m_hot = index;
    Invalidate(nullptr);
}

void GuiMenuBar::SetKeyboard(bool keyboard) {
    m_keyboard = keyboard && MenuCount() > 0;
    SetHot(m_keyboard ? 0 : -1);
}

void GuiMenuBar::OpenMenu(int index, bool highlightFirst) {
    int32_t chosen = 0;
    for (int next = index; next >= 0 && next < MenuCount() && chosen == 0;) {
        chosen = RunMenu(next, highlightFirst);
        next = m_switchTo;
        highlightFirst = m_switchByKeyboard;
    }
    m_open = -1;
    m_keyboard = false;
    SetHot(-1);
    Invalidate(nullptr);
    // Last: an observer may do anything, even close the window.
    if (chosen != 0)
        Notify<kNotifyMenuCommand>(*this, chosen);
}

int32_t GuiMenuBar::RunMenu(int index, bool highlightFirst) {
    m_switchTo = -1;
    VRGuiWindow* window = GetWindow();
    if (!window)
        return 0;
    m_open = index;
    SetHot(index);
    if (m_beforeOpen)
        m_beforeOpen(index, *m_menus[index].menu);
    GuiPopupMenu popup(*m_menus[index].menu);
    popup.SetOutsideHandler([this](int32_t event, GuiPoint windowPoint) {
        const int title = TitleAt({windowPoint.x - GetAbsX(), windowPoint.y - GetAbsY()});
        const bool press = event == kMouseLeftDown || event == kMouseRightDown;
        if (title >= 0 && title != m_open && (press || event == kMouseMove)) {
            m_switchTo = title;
            m_switchByKeyboard = false;
            return true;
        }
        // A press on the open menu's own title closes it, like any press outside.
        return false;
    });
    popup.SetSidewaysHandler([this](int direction) {
        m_switchTo = (m_open + direction + MenuCount()) % MenuCount();
        m_switchByKeyboard = true;
        return true;
    });
    if (highlightFirst)
        popup.HighlightFirst();
    const GuiRect title = LocalToAbsRect(TitleRect(index));
    return popup.Run(window, title.left, title.bottom);
}

bool GuiMenuBar::OnMouse(int32_t event, GuiPoint p, uint32_t) {
    const int title = TitleAt(p);
    switch (event) {
    case kMouseMove:
    case kMouseEnter:
        if (!m_keyboard)
            SetHot(title);
        return true;
    case kMouseLeave:
        if (!m_keyboard)
            SetHot(-1);
        return true;
    case kMouseLeftDown:
    case kMouseLeftDoubleClick:
        if (title >= 0)
            OpenMenu(title, false);
        else
            SetKeyboard(false);
        return true;
    default:
        return false;
    }
}

bool GuiMenuBar::OnKey(int32_t event, int32_t key, uint32_t) {
    if (IsAltKey(key)) {
        if (event == kKeyDown) {
            m_altAlone = true;
        } else if (m_altAlone) {
            m_altAlone = false;
            SetKeyboard(!m_keyboard);
            return true;
        }
        return false;
    }
    if (event != kKeyDown)
        return m_keyboard;
    m_altAlone = false;
    if (key == VK_F10) {
        SetKeyboard(!m_keyboard);
        return true;
    }
    return m_keyboard && OnKeyWithKeyboard(key);
}

bool GuiMenuBar::OnKeyWithKeyboard(int32_t key) {
    const int count = MenuCount();
    switch (key) {
    case VK_LEFT:
        SetHot((m_hot - 1 + count) % count);
        return true;
    case VK_RIGHT:
        SetHot((m_hot + 1) % count);
        return true;
    case VK_DOWN:
    case VK_UP:
    case VK_RETURN:
        OpenMenu(m_hot, true);
        return true;
    case VK_ESCAPE:
        SetKeyboard(false);
        return true;
    default:
        // Other keys go on to the window's content; the strip lets go of the keyboard.
        SetKeyboard(false);
        return false;
    }
}

void GuiMenuBar::OnDraw(const GuiRect& r) {
    cairo_t* cr = GetWindow()->GetDrawContext();
    CImage::SetSourceColor(cr, GuiSkinColor("gui-menu background"));
    cairo_rectangle(cr, r.left, r.top, r.Width(), r.Height());
    cairo_fill(cr);
    for (int i = 0; i < MenuCount(); ++i) {
        const GuiRect title = TitleRect(i);
        if (!title.Intersects(r))
            continue;
        const bool hot = i == m_hot || i == m_open;
        if (hot) {
            CImage::SetSourceColor(cr, GuiSkinColor("gui-menu highlight"));
            cairo_rectangle(cr, title.left, title.top, title.Width(), title.Height());
            cairo_fill(cr);
        }
        GuiTextLayout text(m_font, GuiMenu::DisplayText(m_menus[i].title));
        text.DrawIn(cr, title.left, title.top, title.Width(), title.Height(),
                    kTextCenter | kTextVCenter,
                    GuiSkinColor(hot ? "gui-menu highlight text" : "gui-menu text"));
    }
}
