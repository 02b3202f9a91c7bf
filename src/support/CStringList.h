#pragma once

#include <string>
#include <string_view>
#include <vector>

// An ordered list of strings. Case-insensitive comparison folds ASCII letters only,
// so it is meant for file paths, extensions and keys rather than prose.
class CStringList {
public:
    // Adds at the end.
    void AddString(std::string_view text);
    // Puts the text first, taking it out of where it stood before if it is already
    // listed (exact match), so the list reads newest first without repeats.
    void AddLatestString(std::string_view text);
    // Adds at a position (0 to Count()); false when out of range.
    bool InsertAt(int index, std::string_view text);

    // The text at an index, "" when out of range.
    const std::string& Index(int index) const;
    // Position of the first match, -1 when absent.
    int Find(std::string_view text, bool ignoreCase = false) const;
    bool Contains(std::string_view text, bool ignoreCase = false) const {
        return Find(text, ignoreCase) >= 0;
    }
    int Count() const { return static_cast<int>(m_strings.size()); }
    bool IsEmpty() const { return m_strings.empty(); }
    const std::vector<std::string>& Strings() const { return m_strings; }

    // Removes the first match; false when absent.
    bool Remove(std::string_view text, bool ignoreCase = false);
    bool RemoveByIndex(int index);
    void RemoveAll() { m_strings.clear(); }

    // Ascending byte order, or ASCII case-insensitive; equal texts keep their order.
    void Sort(bool ignoreCase = false);

    static bool EqualsIgnoreCase(std::string_view a, std::string_view b);

private:
    std::vector<std::string> m_strings;
};
