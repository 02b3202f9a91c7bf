#pragma once

#include "gui/GuiTextLayout.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// Texts kept laid out between repaints. Laying text out costs more than
// drawing it, and a repaint draws every label again, mostly unchanged: a
// layout is made only for a text, font and wrap width not asked for lately.
// At most the capacity's number of layouts are kept; a new one then takes
// the place of the one asked for longest ago.
class GuiTextLayoutCache {
public:
    explicit GuiTextLayoutCache(size_t capacity = 1);
    GuiTextLayoutCache(const GuiTextLayoutCache&) = delete;
    GuiTextLayoutCache& operator=(const GuiTextLayoutCache&) = delete;

    // The text laid out in the font, wrapped at word boundaries to the width
    // (-1: every line whole). The layout lives until it makes room for another.
    GuiTextLayout& Get(const GuiFont& font, const std::string& text, int32_t wrapWidth = -1);

    size_t Size() const { return m_entries.size(); }
    size_t Capacity() const { return m_capacity; }
    // Layouts made since the cache was made: what asking for a text again saved.
    uint64_t LayoutsMade() const { return m_layoutsMade; }

private:
    struct Entry {
        GuiFont font;
        std::string text;
        int32_t wrapWidth = -1;
        uint64_t lastUse = 0;
        std::unique_ptr<GuiTextLayout> layout;
    };

    Entry& Slot();

    size_t m_capacity;
    std::vector<Entry> m_entries;
    uint64_t m_uses = 0;
    uint64_t m_layoutsMade = 0;
};
