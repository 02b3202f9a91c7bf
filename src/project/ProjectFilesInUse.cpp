#include "project/ProjectFilesInUse.h"

#include "project/CAudioClip.h"
#include "project/CProject.h"
#include "project/CTrack.h"
#include "support/Paths.h"

#include <filesystem>
#include <system_error>

std::vector<std::string> ProjectFilesInUse(const CProject& project) {
    std::vector<std::string> files;
    if (!project.GetProjectFilePath().empty())
        files.push_back(project.GetProjectFilePath());
    for (int index = 0; index < project.GetNumTracks(); ++index) {
        const CTrack* track = project.GetTrack(index);
        if (!track->GetFrozenFilePath().empty())
            files.push_back(track->GetFrozenFilePath());
        for (const CClip* clip : track->Clips()) {
            if (clip->GetClipKind() != ClipKind::kAudio)
                continue;
            const std::string sound = static_cast<const CAudioClip*>(clip)->GetFilePath();
            if (!sound.empty())
                files.push_back(sound);
        }
    }
    return files;
}

bool IsFileInUse(const std::string& target, const std::vector<std::string>& files) {
    namespace fs = std::filesystem;
    std::error_code error;
    const bool targetExists = fs::exists(target, error);
    const std::string spelled = NormalizePath(target);
    for (const std::string& file : files) {
        if (targetExists ? fs::equivalent(target, file, error) : NormalizePath(file) == spelled)
            return true;
    }
    return false;
}
