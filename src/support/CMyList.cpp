#include "support/CMyList.h"

#include <algorithm>

bool CMyList::AppendToTail(void* elem, int32_t sortValue) {
    if (!elem)
        return false;
    m_entries.push_back({elem, sortValue});
    return true;
}

// A linear search rather than a binary one: it keeps equal values in insertion
// order and stays well defined on a list filled with AppendToTail in any order.
bool CMyList::AddSorted(void* elem, int32_t sortValue) {
    if (!elem)
        return false;
    // Lists of thousands of GUI objects are built this way: no linear search.
    auto pos = std::upper_bound(m_entries.begin(), m_entries.end(), sortValue,
                                [](int32_t value, const Entry& e) { return value < e.sortValue; });
    m_entries.insert(pos, {elem, sortValue});
    return true;
}

bool CMyList::InsertAt(int index, void* elem, int32_t sortValue) {
    if (!elem || index < 0 || index > Count())
        return false;
    m_entries.insert(m_entries.begin() + index, {elem, sortValue});
    return true;
}

void* CMyList::Index(int index) const {
    return IsValidIndex(index) ? m_entries[index].elem : nullptr;
}

int32_t CMyList::SortValueAt(int index) const {
    return IsValidIndex(index) ? m_entries[index].sortValue : 0;
}

void* CMyList::ElemBySortValue(int32_t sortValue) const {
    for (const Entry& e : m_entries) {
        if (e.sortValue == sortValue)
            return e.elem;
    }
    return nullptr;
}

int CMyList::IndexOf(const void* elem) const {
    if (!elem)
        return -1;
    for (int i = 0; i < Count(); ++i) {
        if (m_entries[i].elem == elem)
            return i;
    }
    return -1;
}

bool CMyList::Remove(const void* elem) {
    return RemoveByIndex(IndexOf(elem)) != nullptr;
}

void* CMyList::RemoveByIndex(int index) {
    if (!IsValidIndex(index))
        return nullptr;
    void* elem = m_entries[index].elem;
    m_entries.erase(m_entries.begin() + index);
    return elem;
}
