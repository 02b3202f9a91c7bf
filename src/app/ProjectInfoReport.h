#pragma once

#include <string>

class CProject;

// The project as one JSON object: its settings and authoring information,
// the master volume, every marker and every track with its effects and, as
// far as they are known yet, its clips.
std::string FormatProjectInfo(const CProject& project);
