#pragma once

#include <cstddef>
#include <string>
#include <vector>

// The list of recently used files (projects), most recent first, without repeats, kept in a
// key of the current user's settings store as "RecentFile-0", "RecentFile-1", ... Every change
// is written to disk at once, so the list survives a crash of the program.
class CMRUList {
public:
    static constexpr size_t kDefaultMaxFiles = 8;
    static constexpr size_t kMostMaxFiles = 32;
    // Longest path kept; a longer stored path is dropped.
    static constexpr size_t kMaxPathLength = 4095;

    // Reads the list from the key at the path below the store's root (names joined by '\').
    // maxFiles is limited to 1..kMostMaxFiles. Stored paths that are empty, too long or
    // repeated are dropped and '\' becomes '/'. False when the key path is not valid.
    bool Init(const std::string& keyPath, size_t maxFiles = kDefaultMaxFiles);

    // Puts the file first, taking it out of where it stood; the oldest file falls off the end
    // when the list is full. False for an empty or too long path or when the list could not be
    // written.
    bool AddFile(const std::string& path);
    // False when the file is not listed or the list could not be written.
    bool RemoveFile(const std::string& path);

    // The file's full path, "" when the index is out of range.
    std::string GetFileWithPath(size_t index) const;
    // The file's name without its folder, "" when the index is out of range.
    std::string GetFileNameOnly(size_t index) const;
    size_t NumMRUFiles() const { return m_files.size(); }

private:
    bool Save();
    static std::string ValueName(size_t index);

    std::string m_keyPath;
    size_t m_maxFiles = kDefaultMaxFiles;
    std::vector<std::string> m_files;
};
