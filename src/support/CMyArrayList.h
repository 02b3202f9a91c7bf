#pragma once

#include "support/CMyList.h"

#include <cstdint>

// The typed face of CMyList: the same ordered pointer list with a 32-bit sort value
// per element, holding pointers to T only, so callers need no casts. It adds no
// behaviour of its own.
template <class T> class CMyArrayList : private CMyList {
public:
    bool AppendToTail(T* elem, int32_t sortValue = 0) {
        return CMyList::AppendToTail(elem, sortValue);
    }
    bool AddSorted(T* elem, int32_t sortValue) { return CMyList::AddSorted(elem, sortValue); }
    bool InsertAt(int index, T* elem, int32_t sortValue = 0) {
        return CMyList::InsertAt(index, elem, sortValue);
    }

    T* Index(int index) const { return static_cast<T*>(CMyList::Index(index)); }
    T* ElemBySortValue(int32_t sortValue) const {
        return static_cast<T*>(CMyList::ElemBySortValue(sortValue));
    }
    int IndexOf(const T* elem) const { return CMyList::IndexOf(elem); }
    bool Contains(const T* elem) const { return CMyList::Contains(elem); }
    bool Remove(const T* elem) { return CMyList::Remove(elem); }
    T* RemoveByIndex(int index) { return static_cast<T*>(CMyList::RemoveByIndex(index)); }
    template <class Pick> int RemoveWhere(Pick pick) {
        return CMyList::RemoveWhere([&pick](void* elem) { return pick(static_cast<T*>(elem)); });
    }

    using CMyList::Count;
    using CMyList::IsEmpty;
    using CMyList::RemoveAll;
    using CMyList::SortValueAt;
};
