#include "GuiTestObjects.h"

#include "gui/CustomDropDown.h"
#include "gui/GuiEditBox.h"
#include "gui/GuiEditDrop.h"
#include "gui/GuiEditDropCallback.h"
#include "gui/GuiEditField.h"
#include "support/Observer.h"

#include <glib.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <utility>
#include <vector>

namespace {

struct NotificationLog : Observer {
    std::vector<std::pair<int, intptr_t>> seen;
    void OnNotification(int message, void* parameter) override {
        seen.emplace_back(message, reinterpret_cast<intptr_t>(parameter));
    }
};

class TextFields : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(window.Initialize(&host, 300, 200));
        window.color = 0x404040;
        host.Advance(40);
    }
    void Click(int32_t x, int32_t y) {
        host.LeftDown(x, y);
        host.LeftUp(x, y);
    }
    // Keys for the modal loop, one per step; Escape once they run out.
    void DriveKeys(std::vector<int32_t> keys) {
        // The host runs a copy of the driver per step: the count lives outside it.
        auto step = std::make_shared<size_t>(0);
        host.SetModalDriver([keys, step](COffscreenGuiHost& h, int) {
            h.Advance(40);
            h.KeyDown(*step < keys.size() ? keys[*step] : VK_ESCAPE);
            ++*step;
        });
    }

    COffscreenGuiHost host;
    TestWindow window;
    NotificationLog log;
};

} // namespace

TEST_F(TextFields, EscapeKeepsTheOldTextAndSendsNothing) {
    GuiEditBox box(7, 120, 20);
    window.AddChild(&box, 10, 10);
    box.SetText("old");
    box.AddObserver(&log);
    Click(20, 20);
    ASSERT_TRUE(box.IsEditing());
    EXPECT_EQ(box.GetEditField().GetSelectedText(), "old");
    host.Text("new");
    host.KeyDown(VK_ESCAPE);
    EXPECT_FALSE(box.IsEditing());
    EXPECT_EQ(box.GetText(), "old");
    EXPECT_TRUE(log.seen.empty());
}

TEST_F(TextFields, PressElsewhereOrEnterKeepsTheTypedTextAndSends1057) {
    GuiEditBox box(7, 120, 20);
    window.AddChild(&box, 10, 10);
    box.SetText("old");
    box.AddObserver(&log);
    Click(20, 20);
    host.Text("typed");
    host.LeftDown(250, 150);
    EXPECT_FALSE(box.IsEditing());
    EXPECT_EQ(box.GetText(), "typed");
    ASSERT_EQ(log.seen.size(), 1u);
    EXPECT_EQ(log.seen[0], (std::pair<int, intptr_t>{GuiEditBox::kNotifyTextChanged, 7}));

    Click(20, 20);
    host.KeyDown(VK_END);
    host.Text("!");
    host.KeyDown(VK_RETURN);
    EXPECT_EQ(box.GetText(), "typed!");
    EXPECT_EQ(log.seen.size(), 2u);
}

TEST_F(TextFields, PanelColoursAndToolTip) {
    GuiTextPanel panel(100, 20);
    EXPECT_EQ(panel.GetBackgroundColor(), GuiTextPanel::kWhite);
    panel.SetTextColor(0xFFFFFF);
    EXPECT_EQ(panel.GetBackgroundColor(), 0xFEFEFEu);
    panel.SetTextColor(0x00FF00);
    EXPECT_EQ(panel.GetBackgroundColor(), 0xFFFFFFu);

    std::string tip;
    EXPECT_FALSE(panel.GetToolTip({0, 0}, tip));
    EXPECT_EQ(panel.GetTextHeight(), 0);
    panel.SetText("first\r\nsecond\nthird");
    EXPECT_GT(panel.GetTextHeight(), 0);
    ASSERT_TRUE(panel.GetToolTip({0, 0}, tip));
    EXPECT_EQ(tip, "first second third");
}

TEST_F(TextFields, PanelDrawsOnlyItsText) {
    GuiTextPanel panel(100, 20);
    window.AddChild(&panel, 0, 0);
    panel.SetTextColor(0x0000FF); // red
    panel.SetText("WWWW");
    host.Advance(40);
    auto redPixels = [&] {
        int red = 0;
        for (int x = 0; x < 100; ++x)
            for (int y = 0; y < 20; ++y)
                red += host.ScreenPixel(x, y) == (kOpaque | 0xFF0000);
        return red;
    };
    const int fourLetters = redPixels();
    EXPECT_GT(fourLetters, 10);
    EXPECT_EQ(host.ScreenPixel(99, 0), kOpaque | 0x404040); // the window shows through
    // The panel keeps its text laid out between repaints; a new text or font
    // must not draw the old layout.
    panel.SetText("W");
    host.Advance(40);
    const int oneLetter = redPixels();
    EXPECT_GT(oneLetter, 0);
    EXPECT_LT(oneLetter * 2, fourLetters);
    const int32_t smallHeight = panel.GetTextHeight();
    panel.SetFont(GuiFont{18, true});
    host.Advance(40);
    EXPECT_GT(panel.GetTextHeight(), smallHeight);
    EXPECT_GT(redPixels(), oneLetter);
}

// "añb€": a (1 byte), ñ (2), b (1), € (3).
TEST_F(TextFields, EditingKeysMoveAndDeleteWholeCharacters) {
    GuiEditField field;
    field.Begin(&window, {10, 10, 200, 30}, "añb€", GuiFont{}, nullptr);
    EXPECT_EQ(field.GetAnchor(), 0u);
    EXPECT_EQ(field.GetCaret(), 7u);
    host.KeyDown(VK_END);
    host.KeyDown(VK_BACK);
    EXPECT_EQ(field.GetText(), "añb");
    host.KeyDown(VK_HOME);
    host.KeyDown(VK_RIGHT);
    host.KeyDown(VK_RIGHT);
    EXPECT_EQ(field.GetCaret(), 3u);
    host.KeyDown(VK_LEFT);
    host.KeyDown(VK_DELETE);
    EXPECT_EQ(field.GetText(), "ab");
    host.KeyDown(VK_END, kModShift);
    EXPECT_EQ(field.GetSelectedText(), "b");
    host.Text("€");
    EXPECT_EQ(field.GetText(), "a€");
    host.KeyDown(VK_LEFT, kModShift);
    host.KeyDown(VK_LEFT, kModShift);
    EXPECT_EQ(field.GetSelectedText(), "a€");
    host.KeyDown(VK_LEFT); // collapses to the selection's start
    EXPECT_EQ(field.GetCaret(), 0u);
    host.KeyDown(VK_BACK); // nothing before the caret
    host.KeyDown(VK_END);
    host.KeyDown(VK_DELETE); // nothing after it
    EXPECT_EQ(field.GetText(), "a€");
    // Positions from outside are put back on character boundaries.
    field.SetSelection(2, 100);
    EXPECT_EQ(field.GetAnchor(), 1u);
    EXPECT_EQ(field.GetCaret(), 4u);
}

TEST_F(TextFields, ClipboardRoundTrip) {
    GuiEditField field;
    field.Begin(&window, {10, 10, 200, 30}, "añ", GuiFont{}, nullptr);
    host.KeyDown('A', kModControl);
    host.KeyDown('C', kModControl);
    EXPECT_EQ(host.GetClipboardText(), "añ");
    host.KeyDown('X', kModControl);
    EXPECT_EQ(field.GetText(), "");
    host.KeyDown('V', kModControl);
    host.KeyDown('V', kModControl);
    EXPECT_EQ(field.GetText(), "añañ");
    // Only the first line of a paste, without control characters.
    host.SetClipboardText("x\ty\nsecond line");
    host.KeyDown('V', kModControl);
    EXPECT_EQ(field.GetText(), "añañxy");
}

TEST_F(TextFields, TextIsLimitedWithoutSplittingCharacters) {
    GuiEditField field;
    std::string euros;
    for (int i = 0; i < 200; ++i)
        euros += "€";
    field.Begin(&window, {10, 10, 200, 30}, euros, GuiFont{}, nullptr);
    EXPECT_EQ(field.GetText().size(), 510u); // 170 whole characters
    host.KeyDown(VK_END);
    host.Text("é");
    EXPECT_EQ(field.GetText().size(), 512u);
    host.Text("x");
    EXPECT_EQ(field.GetText().size(), 512u);
    host.KeyDown('A', kModControl);
    host.Text("\xff\xfe ok");
    EXPECT_TRUE(g_utf8_validate(field.GetText().c_str(), -1, nullptr));
    EXPECT_NE(field.GetText().find(" ok"), std::string::npos);
}

TEST_F(TextFields, MouseDragAndDoubleClickSelect) {
    GuiEditField field;
    field.Begin(&window, {10, 10, 250, 30}, "hello world", GuiFont{}, nullptr);
    GuiTextLayout layout(GuiFont{}, "hello world");
    auto xOf = [&](size_t index) {
        return 10 + GuiEditField::kPadding + layout.XOfIndex(index) + 1;
    };
    host.LeftDown(xOf(0) - 1, 20);
    host.MouseMove(xOf(5) - 1, 20);
    host.LeftUp(xOf(5) - 1, 20);
    EXPECT_EQ(field.GetSelectedText(), "hello");
    host.Advance(1000);
    host.LeftDown(xOf(8), 20);
    host.LeftUp(xOf(8), 20);
    host.LeftDown(xOf(8), 20);
    host.LeftUp(xOf(8), 20);
    EXPECT_EQ(field.GetSelectedText(), "world");
}

TEST_F(TextFields, DropDownKeysSkipSeparatorsAndChoose) {
    CustomDropDown list(&window, {10, 10}, 80, GuiFont{}, GuiFont{12, true});
    list.AddEntry("Alpha", 10, false, false);
    list.AddEntry("", 11, false, false);
    list.AddEntry("Beta", 12, true, true);
    EXPECT_EQ(list.EntryText(0), "   Alpha");
    list.SetSelection(0);
    DriveKeys({VK_DOWN, VK_RETURN});
    EXPECT_EQ(list.Run(), 12);
    EXPECT_EQ(window.LayerCount(), 0);
    DriveKeys({VK_DOWN});
    EXPECT_EQ(list.Run(), -1);
}

TEST_F(TextFields, DropDownClosesOnAPressOutsideAndDrawsSeparators) {
    CustomDropDown list(&window, {10, 10}, 80, GuiFont{}, GuiFont{12, true});
    list.AddEntry("Alpha", 0, false, false);
    list.AddEntry("", 1, false, false);
    list.AddEntry("Beta", 2, false, false);
    list.SetSelection(0);
    uint32_t separator = 0, selected = 0, beside = 0;
    host.SetModalDriver([&](COffscreenGuiHost& h, int) {
        h.Advance(40);
        const int32_t middle =
            10 + 1 + CustomDropDown::kEntryHeight + CustomDropDown::kEntryHeight / 2;
        separator = h.ScreenPixel(40, middle);
        beside = h.ScreenPixel(10 + 1 + 2, middle);
        selected = h.ScreenPixel(12, 12);
        h.LeftDown(250, 150);
    });
    EXPECT_EQ(list.Run(), -1);
    EXPECT_EQ(separator, kOpaque | 0x808080);
    EXPECT_EQ(beside, kOpaque | 0xFFFFFF); // inset from the side
    EXPECT_EQ(selected, kOpaque | 0x316AC5);
}

TEST_F(TextFields, LongDropDownScrollsToTheSelection) {
    CustomDropDown list(&window, {0, 0}, 80, GuiFont{}, GuiFont{});
    for (int i = 0; i < 40; ++i)
        list.AddEntry("entry " + std::to_string(i), i, false, false);
    EXPECT_EQ(list.VisibleEntries(), (200 - 2) / CustomDropDown::kEntryHeight);
    DriveKeys({VK_END, VK_RETURN});
    EXPECT_EQ(list.Run(), 39);
    EXPECT_EQ(list.GetFirstVisible(), 40 - list.VisibleEntries());
}

TEST_F(TextFields, TheWheelScrollsALongDropDown) {
    CustomDropDown list(&window, {0, 0}, 80, GuiFont{}, GuiFont{});
    for (int i = 0; i < 40; ++i)
        list.AddEntry("entry " + std::to_string(i), i, false, false);
    std::vector<int> firstSeen;
    host.SetModalDriver([&list, &firstSeen](COffscreenGuiHost& h, int) {
        h.Advance(40);
        if (firstSeen.empty()) {
            h.Wheel(20, 20, -2 * 120);
            firstSeen.push_back(list.GetFirstVisible());
            h.Wheel(20, 20, 120);
            firstSeen.push_back(list.GetFirstVisible());
            h.Wheel(20, 20, 100 * 120);
            firstSeen.push_back(list.GetFirstVisible());
        }
        h.KeyDown(VK_ESCAPE);
    });
    EXPECT_EQ(list.Run(), -1);
    EXPECT_EQ(firstSeen, (std::vector<int>{6, 3, 0}));
}

namespace {

struct Refill : GuiEditDropCallback {
    int calls = 0;
    void OnBeforeDropDown(GuiEditDrop& drop) override {
        ++calls;
        drop.ClearEntries();
        drop.AddEntry("Volume");
        drop.AddEntry("");
        drop.AddEntry("Pan", true);
    }
};

} // namespace

TEST_F(TextFields, EditDropLayoutWithoutSkinImages) {
    GuiEditDrop drop(5, "controller-drop", 120);
    EXPECT_EQ(drop.GetHeight(), GuiEditDrop::kDefaultHeight);
    EXPECT_EQ(drop.GetEditBox().GetX(), 2);
    EXPECT_EQ(drop.GetEditBox().GetWidth(), 120 - GuiEditDrop::kFallbackButtonWidth - 2);
    EXPECT_EQ(drop.GetEditBox().GetHeight(), GuiEditDrop::kDefaultHeight - 4);
}

TEST_F(TextFields, EditDropChoosingAndClosingTheList) {
    Refill refill;
    GuiEditDrop drop(5, "controller-drop", 120, &refill);
    window.AddChild(&drop, 20, 20);
    drop.AddObserver(&log);
    drop.SetText("pan");
    const GuiRect button = drop.ButtonRect();
    const int32_t bx = 20 + button.left + 2, by = 20 + button.top + 2;

    int selectionWhenOpened = -2;
    host.SetModalDriver([&](COffscreenGuiHost& h, int) {
        auto* list = dynamic_cast<CustomDropDown*>(window.TopLayer());
        selectionWhenOpened = list ? list->GetSelection() : -1;
        h.KeyDown(VK_ESCAPE);
    });
    Click(bx, by);
    EXPECT_EQ(refill.calls, 1);
    EXPECT_EQ(selectionWhenOpened, 2); // matched without regard to case
    EXPECT_EQ(drop.GetText(), "pan");
    EXPECT_TRUE(log.seen.empty());

    DriveKeys({VK_HOME, VK_RETURN});
    Click(bx, by);
    EXPECT_EQ(drop.GetText(), "Volume");
    ASSERT_EQ(log.seen.size(), 1u);
    EXPECT_EQ(log.seen[0], (std::pair<int, intptr_t>{GuiEditDrop::kNotifyEntryChosen, 5}));

    // Typing in the field reaches the drop's observers as the box's own notification.
    Click(24, 23);
    ASSERT_TRUE(drop.GetEditBox().IsEditing());
    host.Text("Mod");
    host.KeyDown(VK_RETURN);
    EXPECT_EQ(drop.GetText(), "Mod");
    ASSERT_EQ(log.seen.size(), 2u);
    EXPECT_EQ(log.seen[1], (std::pair<int, intptr_t>{GuiEditBox::kNotifyTextChanged, 5}));
}
