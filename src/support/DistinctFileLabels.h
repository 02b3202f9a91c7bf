#pragma once

#include <string>
#include <vector>

// Short names for a list of files, as recent-file lists show them: each
// file's name, with as many of its folders before it as it takes to tell it
// from another file of the same name ("a/Song.lt4", "b/Song.lt4").
std::vector<std::string> DistinctFileLabels(const std::vector<std::string>& paths);
