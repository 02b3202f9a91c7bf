#pragma once

#include <string>

class CProject;

// The project as one JSON object: its settings and authoring information,
// the master volume, every marker and every track with its effects and its
// clips.
std::string FormatProjectInfo(const CProject& project);
