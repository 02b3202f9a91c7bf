#pragma once

#include <string>

class CPCMMixer;
class CProject;

// `loomtone --cd-image FILE OUT.cue`: loads the project and writes it as a
// BIN/CUE disc image (OUT.bin beside OUT.cue), the progress on standard error.
// False with the reason when the load or the image fails.
bool WriteCdImageOfProjectFile(CProject& project, CPCMMixer& mixer, const std::string& path,
                               const std::string& cuePath, std::string& reason);
