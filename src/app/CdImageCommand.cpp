#include "app/CdImageCommand.h"

#include "burn/CProjectCdImage.h"
#include "project/CProject.h"

#include <cstdio>

bool WriteCdImageOfProjectFile(CProject& project, CPCMMixer& mixer, const std::string& path,
                               const std::string& cuePath, std::string& reason) {
    bool cancelled = false;
    if (!project.LoadProject(path, cancelled))
        return false;
    CProjectCdImage image(project, mixer);
    int lastPercent = -1;
    const bool written = image.Write(cuePath, [&lastPercent](double fraction) {
        const int percent = static_cast<int>(fraction * 100.0);
        if (percent != lastPercent)
            std::fprintf(stderr, "\rloomtone: rendering the CD %3d%%", percent);
        lastPercent = percent;
        return true;
    });
    if (lastPercent >= 0)
        std::fputc('\n', stderr);
    if (!written)
        reason = cuePath + ": " + image.Error();
    return written;
}
