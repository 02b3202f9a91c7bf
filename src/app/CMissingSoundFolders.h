#pragma once

#include "support/CStringList.h"

class CRegKey;

// The folders searched for sound files that have moved, and whether a folder where one is found
// joins them. Kept in the preferences key as "bAutoAddFolders", "numMissingSoundsSearchPaths"
// and "MissingSoundPath-0", "MissingSoundPath-1", ... in list order.
class CMissingSoundFolders {
public:
    // More stored folders than this are not read.
    static constexpr int kMaxFolders = 256;
    // Longest folder path kept, as for every path of the preferences.
    static constexpr size_t kMaxPathLength = 259;

    bool bAutoAddFolders = true;
    CStringList folders;

    // Replaces the list with the stored one when a count is stored. Folders that are missing,
    // empty, too long or repeated are dropped; '\' becomes '/'.
    void Load(const CRegKey& key);
    // Writes the flag and the list, and removes values of folders no longer listed.
    void Save(CRegKey& key) const;

    static std::string ValueName(int index);
};
