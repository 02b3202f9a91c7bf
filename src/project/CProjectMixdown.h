#pragma once

#include "project/ProjectAuthoring.h"

#include <functional>
#include <string>
#include <vector>

class CPCMMixer;

// Mixes a whole project down to one sound file through the engine's render
// worker. The target's extension chooses the format (.wav, .mp3, .ogg or
// .wma, with the render formats remembered in the settings); the project's
// authoring information goes into the file's tags where the format has them.
// Used by the mix-down commands and by `loomtone --render`.
class CProjectMixdown {
public:
    // Called about ten times a second while rendering with the finished
    // fraction (0..1) and what the worker does; answering false aborts.
    using Progress = std::function<bool(double fraction, const std::string& text)>;

    // formatKeyPath: where the settings store keeps the render formats.
    CProjectMixdown(CPCMMixer& mixer, const ProjectAuthoring& authoring, std::string formatKeyPath);

    // The files the render must not write over (ProjectFilesInUse).
    void SetFilesInUse(std::vector<std::string> files) { m_filesInUse = std::move(files); }

    // False, with Error() saying why, when the extension names no format, the
    // target is a file in use, the render cannot start, fails or is aborted;
    // the target is then untouched.
    bool Render(const std::string& path, const Progress& progress);
    const std::string& Error() const { return m_error; }
    // Whether the last Render was refused because its target is in use.
    bool RefusedFileInUse() const { return m_refusedInUse; }

private:
    CPCMMixer& m_mixer;
    ProjectAuthoring m_authoring;
    std::string m_formatKeyPath;
    std::vector<std::string> m_filesInUse;
    std::string m_error;
    bool m_refusedInUse = false;
};
