#pragma once

#include <algorithm>
#include <cstdint>
#include <vector>

// An ordered list of pointers, each with a 32-bit sort value. The list never owns
// what it points to. Lists kept with AddSorted stay in ascending sort-value order,
// elements with equal values in the order they were added. Null is never stored,
// so a null result always means "none".
class CMyList {
public:
    // Adds at the end, whatever the sort value. False for a null element.
    bool AppendToTail(void* elem, int32_t sortValue = 0);
    // Adds before the first element with a greater sort value, found by a
    // binary search of a list kept in order. False for null.
    bool AddSorted(void* elem, int32_t sortValue);
    // Adds at a position (0 to Count()). False for null or a position out of range.
    bool InsertAt(int index, void* elem, int32_t sortValue = 0);

    // The element at an index, null when out of range.
    void* Index(int index) const;
    // The sort value at an index, 0 when out of range.
    int32_t SortValueAt(int index) const;
    // The first element whose sort value equals the one given, null when none.
    void* ElemBySortValue(int32_t sortValue) const;
    // Position of the first occurrence of the element, -1 when absent.
    int IndexOf(const void* elem) const;
    bool Contains(const void* elem) const { return IndexOf(elem) >= 0; }
    int Count() const { return static_cast<int>(m_entries.size()); }
    bool IsEmpty() const { return m_entries.empty(); }

    // Removes the first occurrence; false when absent.
    bool Remove(const void* elem);
    // Removes and returns the element at an index, null when out of range.
    void* RemoveByIndex(int index);
    // Removes every element the predicate picks, in one pass; returns how
    // many went.
    template <class Pick> int RemoveWhere(Pick pick) {
        const auto kept = std::remove_if(m_entries.begin(), m_entries.end(),
                                         [&pick](const Entry& e) { return pick(e.elem); });
        const auto removed = static_cast<int>(m_entries.end() - kept);
        m_entries.erase(kept, m_entries.end());
        return removed;
    }
    void RemoveAll() { m_entries.clear(); }

private:
    struct Entry {
        void* elem;
        int32_t sortValue;
    };

    bool IsValidIndex(int index) const { return index >= 0 && index < Count(); }

    std::vector<Entry> m_entries;
};
