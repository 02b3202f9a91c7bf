#pragma once

#include "gui/GuiTextLayout.h"
#include "gui/VRGuiLayer.h"

#include <cstdint>
#include <string>
#include <vector>

class VRGuiWindow;

// The pop-up list opened under a field (GuiEditDrop, the effect chain
// editor): entries drawn by the list itself, an empty text as a separator
// line, highlighted entries in the highlighted font, the current entry in
// blue, the selected one white on the selection colour. Longer lists than
// the window can show scroll, with a bar at the right.
//
// Run shows the list and waits, in a nested message loop, until the user
// chooses an entry (click, Enter) or closes the list (Escape, a press
// elsewhere). Colours are 0x00BBGGRR.
class CustomDropDown : public VRGuiLayer {
public:
    static constexpr uint32_t kSelectionColor = 0xC56A31;
    static constexpr uint32_t kSeparatorColor = 0x808080;
    static constexpr uint32_t kCurrentColor = 0xFF0000;
    static constexpr uint32_t kTextColor = 0x000000;
    static constexpr uint32_t kSelectedTextColor = 0xFFFFFF;
    static constexpr int32_t kEntryHeight = 18;
    static constexpr int32_t kMaxVisibleEntries = 16;
    static constexpr int32_t kScrollBarWidth = 10;
    static constexpr int32_t kSeparatorInset = 5;

    // A list opening at a point of the window, at least `width` wide.
    CustomDropDown(VRGuiWindow* window, GuiPoint windowPoint, int32_t width, const GuiFont& normal,
                   const GuiFont& highlighted);

    // An empty text makes a separator; `index` is what Run answers for the entry.
    void AddEntry(const std::string& text, int32_t index, bool current, bool highlighted);
    int EntryCount() const { return static_cast<int>(m_entries.size()); }
    // The text shown for an entry (with its indent).
    const std::string& EntryText(int entry) const { return m_entries.at(entry).text; }
    // Selects an entry by position in the list (-1: none) and scrolls it into view.
    void SetSelection(int entry);
    int GetSelection() const { return m_selection; }
    int GetFirstVisible() const { return m_firstVisible; }
    int VisibleEntries() const;
    // Shows the list and answers the chosen entry's index, or -1 when none was chosen.
    int Run();

    bool OnKey(int32_t event, int32_t key, uint32_t modifiers) override;
    bool OnMouse(int32_t event, GuiPoint p, uint32_t keys) override;
    // The wheel scrolls the list, three entries a notch.
    bool OnWheel(GuiPoint p, int32_t delta, uint32_t keys) override;
    void OnDraw(const GuiRect& r) override;
    void OnPressOutside(GuiPoint windowPoint) override;

private:
    struct Entry {
        std::string text;
        int32_t index;
        bool highlighted;
    };

    bool IsSeparator(int entry) const { return m_entries[entry].text.empty(); }
    bool NeedsScrollBar() const { return EntryCount() > VisibleEntries(); }
    void UpdateSize();
    // The entry under a point of the list; -1 on none or the scroll bar.
    int EntryAt(GuiPoint p) const;
    // The nearest entry from `entry` on in the direction that is not a separator.
    int ChoosableFrom(int entry, int step) const;
    void MoveSelection(int step);
    void ScrollTo(int firstVisible);
    void Finish(int entry);
    void DrawEntry(cairo_t* cr, int entry, int32_t top, int32_t width);
    void DrawScrollBar(cairo_t* cr);

    VRGuiWindow* m_window;
    GuiPoint m_point;
    int32_t m_minWidth;
    int32_t m_textWidth = 0;
    GuiFont m_normalFont;
    GuiFont m_highlightedFont;
    std::vector<Entry> m_entries;
    int m_current = -1;
    int m_selection = -1;
    int m_firstVisible = 0;
    int32_t m_chosen = -1;
    bool m_done = false;
};
