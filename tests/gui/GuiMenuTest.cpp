#include "GuiTestObjects.h"

#include "gui/CSkin.h"
#include "gui/CustomDropDown.h"
#include "gui/GuiMenu.h"
#include "gui/GuiMenuBar.h"
#include "gui/GuiPopupMenu.h"
#include "gui/GuiSkinColor.h"
#include "support/Observer.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace {

// One, ---, Two (disabled), Three (checked), More > {Four, Five}.
void FillMenu(GuiMenu& menu) {
    menu.AddItem(1, "&One", "Ctrl+1");
    menu.AddSeparator();
    menu.AddItem(2, "Two");
    menu.Enable(2, false);
    menu.AddItem(3, "Three", "Shift+F3");
    menu.Check(3, true);
    GuiMenu& more = menu.AddSubMenu("More");
    more.AddItem(4, "Four");
    more.AddItem(5, "Five");
}

class Menus : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(window.Initialize(&host, 400, 300));
        FillMenu(menu);
        host.Advance(40);
    }
    // Runs the steps in turn, one per step of the modal loop; Escape once they run out.
    void Drive(std::vector<std::function<void()>> steps) {
        auto next = std::make_shared<size_t>(0);
        host.SetModalDriver([steps, next](COffscreenGuiHost& h, int) {
            h.Advance(40);
            if (*next < steps.size())
                steps[(*next)++]();
            else
                h.KeyDown(VK_ESCAPE);
        });
    }
    GuiPopupMenu* Top() { return dynamic_cast<GuiPopupMenu*>(window.TopLayer()); }
    // The middle of an item of an open menu, in window coordinates.
    GuiPoint ItemPoint(GuiPopupMenu* popup, int index) {
        return {popup->GetAbsX() + 30, popup->GetAbsY() + popup->ItemTop(index) + 5};
    }
    void Key(int32_t key) { host.KeyDown(key); }

    COffscreenGuiHost host;
    TestWindow window;
    GuiMenu menu;
};

struct CommandLog : Observer {
    std::vector<intptr_t> ids;
    void OnNotification(int message, void* parameter) override {
        if (message == GuiMenuBar::kNotifyMenuCommand)
            ids.push_back(reinterpret_cast<intptr_t>(parameter));
    }
};

} // namespace

TEST_F(Menus, ModelFindsItemsInSubMenusAndShowsLabels) {
    EXPECT_TRUE(menu.SetLabel(5, "Fifth"));
    EXPECT_EQ(menu.ItemAt(4).subMenu->ItemAt(1).label, "Fifth");
    EXPECT_FALSE(menu.Enable(99, true));
    EXPECT_EQ(menu.FindItem(0), nullptr); // the separator's id is no command
    EXPECT_FALSE(menu.ItemAt(1).IsSelectable());
    EXPECT_FALSE(menu.ItemAt(2).IsSelectable());
    EXPECT_TRUE(menu.ItemAt(4).IsSelectable());
    EXPECT_EQ(GuiMenu::DisplayText("&Save && Quit"), "Save & Quit");
    EXPECT_EQ(GuiMenu::DisplayText("End&"), "End");
}

TEST_F(Menus, KeyboardSkipsSeparatorsAndDisabledItems) {
    std::vector<int> highlights;
    auto note = [&] { highlights.push_back(Top()->GetHighlighted()); };
    Drive({[&] { Key(VK_DOWN); }, note, [&] { Key(VK_DOWN); }, note, [&] { Key(VK_DOWN); }, note,
           [&] { Key(VK_DOWN); }, note, [&] { Key(VK_UP); }, note, [&] { Key(VK_UP); },
           [&] { Key(VK_RETURN); }});
    GuiPopupMenu popup(menu);
    EXPECT_EQ(popup.Run(&window, 10, 10), 3);
    EXPECT_EQ(highlights, (std::vector<int>{0, 3, 4, 0, 4}));
    EXPECT_EQ(window.LayerCount(), 0);
}

TEST_F(Menus, SubMenuChoiceByKeyboardAndByMouse) {
    GuiPopupMenu popup(menu);
    Drive({[&] { Key(VK_END); }, [&] { Key(VK_RIGHT); }, [&] { Key(VK_DOWN); },
           [&] { Key(VK_RETURN); }});
    EXPECT_EQ(popup.Run(&window, 10, 10), 5);

    Drive({[&] {
               const GuiPoint more = ItemPoint(Top(), 4);
               host.MouseMove(more.x, more.y);
           },
           [&] {
               ASSERT_NE(popup.GetSubMenu(), nullptr);
               EXPECT_EQ(window.LayerCount(), 2);
               const GuiPoint four = ItemPoint(popup.GetSubMenu(), 0);
               host.MouseMove(four.x, four.y);
               host.LeftDown(four.x, four.y);
               host.LeftUp(four.x, four.y);
           }});
    EXPECT_EQ(popup.Run(&window, 10, 10), 4);
    EXPECT_EQ(window.LayerCount(), 0);
}

TEST_F(Menus, PressOutsideEscapeAndDisabledItemsGiveNothing) {
    GuiPopupMenu popup(menu);
    Drive({[&] { host.LeftDown(390, 290); }});
    EXPECT_EQ(popup.Run(&window, 10, 10), 0);

    // Escape closes the sub-menu first, then the menu.
    std::vector<int> layers;
    Drive({[&] { Key(VK_END); }, [&] { Key(VK_RIGHT); },
           [&] { layers.push_back(window.LayerCount()); }, [&] { Key(VK_ESCAPE); },
           [&] { layers.push_back(window.LayerCount()); }, [&] { Key(VK_ESCAPE); }});
    EXPECT_EQ(popup.Run(&window, 10, 10), 0);
    EXPECT_EQ(layers, (std::vector<int>{2, 1}));

    // A click on the disabled item leaves the menu open.
    bool stillOpen = false;
    Drive({[&] {
               const GuiPoint two = ItemPoint(Top(), 2);
               host.MouseMove(two.x, two.y);
               host.LeftDown(two.x, two.y);
               host.LeftUp(two.x, two.y);
           },
           [&] { stillOpen = window.LayerCount() == 1; }});
    EXPECT_EQ(popup.Run(&window, 10, 10), 0);
    EXPECT_TRUE(stillOpen);
}

TEST_F(Menus, AMenuTallerThanTheWindowFitsAndScrollsByWheelAndKeys) {
    GuiMenu tall;
    for (int i = 0; i < 30; ++i)
        tall.AddItem(100 + i, "Item " + std::to_string(i));
    GuiPopupMenu popup(tall);
    const auto lastFullyShown = [&](GuiPopupMenu* open) {
        const int32_t bottom = open->ItemTop(29) + GuiPopupMenu::kItemHeight;
        return bottom <= open->GetHeight() - GuiPopupMenu::kBorder &&
               bottom > open->GetHeight() - GuiPopupMenu::kBorder - GuiPopupMenu::kItemHeight;
    };
    Drive({[&] {
               EXPECT_EQ(Top()->GetY(), 0);
               EXPECT_EQ(Top()->GetHeight(), 300);
               host.Wheel(50, 100, -120);
               EXPECT_EQ(Top()->GetScroll(), GuiPopupMenu::kWheelItems * GuiPopupMenu::kItemHeight);
               host.Wheel(50, 100, 240);
               EXPECT_EQ(Top()->GetScroll(), 0);
               host.Wheel(50, 100, -50 * 120);
               EXPECT_TRUE(lastFullyShown(Top()));
           },
           [&] {
               const GuiPoint last = ItemPoint(Top(), 29);
               host.MouseMove(last.x, last.y);
               host.LeftDown(last.x, last.y);
               host.LeftUp(last.x, last.y);
           }});
    EXPECT_EQ(popup.Run(&window, 10, 10), 129);

    Drive({[&] { Key(VK_END); },
           [&] {
               EXPECT_TRUE(lastFullyShown(Top()));
               Key(VK_HOME);
           },
           [&] {
               EXPECT_EQ(Top()->GetScroll(), 0);
               Key(VK_RETURN);
           }});
    EXPECT_EQ(popup.Run(&window, 10, 10), 100);
}

TEST_F(Menus, ReleaseOfTheOpeningClickChoosesNothing) {
    GuiPopupMenu popup(menu);
    // The pointer rests on the first item, as after a right click that opened the menu.
    Drive({[&] { host.RightUp(15, 15); }, [&] { Key(VK_ESCAPE); }});
    EXPECT_EQ(popup.Run(&window, 10, 10), 0);
}

TEST_F(Menus, MenuBarSwitchesMenusAndSendsTheCommand) {
    GuiMenuBar bar(400, 20);
    window.AddChild(&bar, 0, 0);
    GuiMenu& file = bar.AddMenu("&File");
    file.AddItem(10, "Open");
    GuiMenu& edit = bar.AddMenu("&Edit");
    edit.AddItem(20, "Undo");
    std::vector<int> opened;
    bar.SetBeforeOpen([&](int index, GuiMenu& m) {
        opened.push_back(index);
        if (index == 1)
            m.SetLabel(20, "Undo Cut");
    });
    CommandLog log;
    bar.AddObserver(&log);

    const GuiRect editTitle = bar.TitleRect(1);
    Drive({[&] {
               EXPECT_EQ(bar.GetOpenMenu(), 0);
               host.MouseMove(editTitle.left + 3, 10);
           },
           [&] {
               EXPECT_EQ(bar.GetOpenMenu(), 1);
               const GuiPoint undo = ItemPoint(Top(), 0);
               host.MouseMove(undo.x, undo.y);
               host.LeftDown(undo.x, undo.y);
               host.LeftUp(undo.x, undo.y);
           }});
    host.LeftDown(5, 10);
    host.LeftUp(5, 10);
    EXPECT_EQ(opened, (std::vector<int>{0, 1}));
    EXPECT_EQ(edit.ItemAt(0).label, "Undo Cut");
    EXPECT_EQ(log.ids, std::vector<intptr_t>{20});
    EXPECT_EQ(bar.GetOpenMenu(), -1);
    EXPECT_EQ(window.LayerCount(), 0);
}

TEST_F(Menus, MenuBarByKeyboard) {
    GuiMenuBar bar(400, 20);
    window.AddChild(&bar, 0, 0);
    bar.AddMenu("File").AddItem(10, "Open");
    GuiMenu& edit = bar.AddMenu("Edit");
    edit.AddItem(20, "Undo");
    edit.AddItem(21, "Redo");
    CommandLog log;
    bar.AddObserver(&log);

    host.KeyDown(VK_MENU);
    host.KeyUp(VK_MENU);
    EXPECT_TRUE(bar.HasKeyboard());
    host.KeyDown(VK_RIGHT);
    EXPECT_EQ(bar.GetHotTitle(), 1);
    // Down opens with the first item highlighted; Left at the top switches menus.
    Drive({[&] { Key(VK_LEFT); }, [&] { EXPECT_EQ(bar.GetOpenMenu(), 0); }, [&] { Key(VK_RIGHT); },
           [&] { Key(VK_DOWN); }, [&] { Key(VK_RETURN); }});
    host.KeyDown(VK_DOWN);
    EXPECT_EQ(log.ids, std::vector<intptr_t>{21});
    EXPECT_FALSE(bar.HasKeyboard());

    host.KeyDown(VK_F10);
    EXPECT_TRUE(bar.HasKeyboard());
    host.KeyDown(VK_ESCAPE);
    EXPECT_FALSE(bar.HasKeyboard());
}

TEST(GuiSkinColors, SkinItemsWinOverBuiltInColours) {
    EXPECT_EQ(GuiSkinColor("gui-menu text"), 0x000000u);
    CSkin skin;
    skin.InitFromMemory("[gui-menu text]\nsolid color.r=255\nsolid color.g=0\nsolid color.b=0\n",
                        "/");
    CSkin::SetCurrent(&skin);
    EXPECT_EQ(GuiSkinColor("gui-menu text"), 0x0000FFu);
    // Not in this skin: still readable, not the skin's fallback grey.
    EXPECT_EQ(GuiSkinColor("gui-menu background"), 0xF2F2F2u);
    CSkin::SetCurrent(nullptr);
}
