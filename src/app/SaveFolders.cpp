#include "app/SaveFolders.h"

#include "support/Paths.h"

#include <filesystem>

namespace fs = std::filesystem;

namespace {

fs::path Normal(const std::string& path) {
    fs::path normal = fs::path(path).lexically_normal();
    // "dir/" and "dir" name one folder.
    if (normal.has_relative_path() && !normal.has_filename())
        normal = normal.parent_path();
    return normal;
}

} // namespace

bool IsInsideFolder(const std::string& path, const std::string& folder) {
    if (path.empty() || folder.empty())
        return false;
    const fs::path relative = Normal(path).lexically_relative(Normal(folder));
    return !relative.empty() && *relative.begin() != "..";
}

std::string SaveAsStartFolder(const std::string& projectPath, const std::string& lastSaveFolder,
                              const std::string& programFolder, const std::string& documents) {
    auto usable = [&programFolder](const std::string& folder) {
        return !folder.empty() && IsValidDirectory(folder) &&
               !IsInsideFolder(folder, programFolder);
    };
    const std::string projectFolder = projectPath.empty() ? "" : ExtractDirectory(projectPath);
    if (usable(projectFolder))
        return projectFolder;
    if (usable(lastSaveFolder))
        return lastSaveFolder;
    return documents;
}
