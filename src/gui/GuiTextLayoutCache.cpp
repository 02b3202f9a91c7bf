#include "gui/GuiTextLayoutCache.h"

#include <algorithm>

GuiTextLayoutCache::GuiTextLayoutCache(size_t capacity)
    : m_capacity(std::max<size_t>(capacity, 1)) {
    m_entries.reserve(m_capacity);
}

GuiTextLayout& GuiTextLayoutCache::Get(const GuiFont& font, const std::string& text,
                                       int32_t wrapWidth) {
    const int32_t wrap = std::max(wrapWidth, -1);
    ++m_uses;
    // The caches are small (a label, a ruler's worth of labels): a linear
    // search beats hashing every text.
    for (Entry& entry : m_entries) {
        if (entry.wrapWidth == wrap && entry.font == font && entry.text == text) {
            entry.lastUse = m_uses;
            return *entry.layout;
        }
    }
    Entry& entry = Slot();
    entry.font = font;
    entry.text = text;
    entry.wrapWidth = wrap;
    entry.lastUse = m_uses;
    entry.layout = std::make_unique<GuiTextLayout>(font, text);
    if (wrap >= 0)
        entry.layout->SetWrapWidth(wrap);
    ++m_layoutsMade;
    return *entry.layout;
}

GuiTextLayoutCache::Entry& GuiTextLayoutCache::Slot() {
    if (m_entries.size() < m_capacity)
        return m_entries.emplace_back();
    return *std::min_element(m_entries.begin(), m_entries.end(),
                             [](const Entry& a, const Entry& b) { return a.lastUse < b.lastUse; });
}
