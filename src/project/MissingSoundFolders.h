#pragma once

#include "support/CStringList.h"

// The folders the missing-sound search looks in and whether a folder where a
// sound turns up joins them. Both belong to the program's preferences, which
// store them; the search reads and changes them in place.
struct MissingSoundFolders {
    CStringList& folders;
    bool& autoAddFolders;
};
