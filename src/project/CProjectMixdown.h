#pragma once

#include "project/ProjectAuthoring.h"

#include <functional>
#include <string>

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

    // False, with Error() saying why, when the extension names no format, the
    // render cannot start, fails or is aborted; the target is then untouched.
    bool Render(const std::string& path, const Progress& progress);
    const std::string& Error() const { return m_error; }

private:
    CPCMMixer& m_mixer;
    ProjectAuthoring m_authoring;
    std::string m_formatKeyPath;
    std::string m_error;
};
