#include "support/CStringList.h"

#include <algorithm>

namespace {

char FoldCase(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool LessIgnoreCase(const std::string& a, const std::string& b) {
    return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        return static_cast<unsigned char>(FoldCase(x)) < static_cast<unsigned char>(FoldCase(y));
    });
}

} // namespace

bool CStringList::EqualsIgnoreCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return FoldCase(x) == FoldCase(y);
           });
}

void CStringList::AddString(std::string_view text) {
    m_strings.emplace_back(text);
}

void CStringList::AddLatestString(std::string_view text) {
    std::string latest(text);
    Remove(latest);
    m_strings.insert(m_strings.begin(), std::move(latest));
}

bool CStringList::InsertAt(int index, std::string_view text) {
    if (index < 0 || index > Count())
        return false;
    m_strings.emplace(m_strings.begin() + index, text);
    return true;
}

const std::string& CStringList::Index(int index) const {
    static const std::string empty;
    return (index >= 0 && index < Count()) ? m_strings[index] : empty;
}

int CStringList::Find(std::string_view text, bool ignoreCase) const {
    for (int i = 0; i < Count(); ++i) {
        if (ignoreCase ? EqualsIgnoreCase(m_strings[i], text) : m_strings[i] == text)
            return i;
    }
    return -1;
}

bool CStringList::Remove(std::string_view text, bool ignoreCase) {
    return RemoveByIndex(Find(text, ignoreCase));
}

bool CStringList::RemoveByIndex(int index) {
    if (index < 0 || index >= Count())
        return false;
    m_strings.erase(m_strings.begin() + index);
    return true;
}

void CStringList::Sort(bool ignoreCase) {
    if (ignoreCase)
        std::stable_sort(m_strings.begin(), m_strings.end(), LessIgnoreCase);
    else
        std::stable_sort(m_strings.begin(), m_strings.end());
}
