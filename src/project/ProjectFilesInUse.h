#pragma once

#include <string>
#include <vector>

class CProject;

// The files a project needs as they are: its own file, the sound of every audio clip and
// every frozen track's file. A mix-down must never write over one of them.
std::vector<std::string> ProjectFilesInUse(const CProject& project);

// Whether the target would write over one of the files: the same file by another name (a
// link, "..") counts; paths are compared as they are spelled only when the target does not
// exist yet.
bool IsFileInUse(const std::string& target, const std::vector<std::string>& files);
