#pragma once

#include <string>

// Where the program's own files end and the user's begin, for file dialogs
// and for projects opened from the program's folder.

// Whether path names folder itself or something inside it. Both are taken
// as absolute paths; "." and ".." parts are resolved by their spelling.
bool IsInsideFolder(const std::string& path, const std::string& folder);

// Where Save As starts: the open project's folder; for a project without a
// file the folder the user saved in last, or else the documents folder. The
// program's folder is never offered: what is there belongs to the program.
std::string SaveAsStartFolder(const std::string& projectPath, const std::string& lastSaveFolder,
                              const std::string& programFolder, const std::string& documents);
