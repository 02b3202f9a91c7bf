#include "project/CMissingSoundScan.h"

#include "support/LocalizedStrings.h"
#include "support/Log.h"
#include "support/Paths.h"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

// Trees of the system whose contents are generated or endless (/proc, /sys)
// or hang when read (/dev).
constexpr std::array<const char*, 3> kSystemTrees = {"/proc", "/sys", "/dev"};

std::string UserName() {
    if (const char* user = std::getenv("USER"); user && *user && !std::strchr(user, '/'))
        return user;
    const passwd* entry = getpwuid(getuid());
    return entry && entry->pw_name ? entry->pw_name : "";
}

bool IsWithin(const std::string& path, const std::string& tree) {
    return path == tree || (path.size() > tree.size() && path.compare(0, tree.size(), tree) == 0 &&
                            path[tree.size()] == '/');
}

void LogSkipped(const std::string& folder) {
    LogFmt("CMissingSounds::StartScan() - skipped '%s', as it is not valid.", folder.c_str());
}

} // namespace

CMissingSoundScan::~CMissingSoundScan() {
    Stop();
}

void CMissingSoundScan::Start(const std::vector<std::string>& folders,
                              const std::string& fileName) {
    Stop();
    m_fileName = fileName;
    m_stop = false;
    m_found = false;
    m_finished = false;
    m_visited.clear();
    {
        std::lock_guard<CLock> lock(m_lock);
        m_foundPath.clear();
        m_foundFolder.clear();
        m_searchingNow.clear();
    }
    m_thread = std::thread(&CMissingSoundScan::Run, this, folders);
}

void CMissingSoundScan::Stop() {
    m_stop = true;
    Wait();
}

void CMissingSoundScan::Wait() {
    if (m_thread.joinable())
        m_thread.join();
}

std::string CMissingSoundScan::FoundPath() const {
    std::lock_guard<CLock> lock(m_lock);
    return m_foundPath;
}

std::string CMissingSoundScan::FoundFolder() const {
    std::lock_guard<CLock> lock(m_lock);
    return m_foundFolder;
}

std::string CMissingSoundScan::SearchingNow() const {
    std::lock_guard<CLock> lock(m_lock);
    return m_searchingNow;
}

void CMissingSoundScan::SetSearchingNow(const std::string& text) {
    std::lock_guard<CLock> lock(m_lock);
    m_searchingNow = text;
}

void CMissingSoundScan::SetFound(const fs::path& folder, const fs::path& file) {
    {
        std::lock_guard<CLock> lock(m_lock);
        m_foundFolder = folder.string();
        m_foundPath = file.string();
    }
    m_found = true;
}

void CMissingSoundScan::Run(std::vector<std::string> folders) {
    // A name with a separator would let the search look outside the folders.
    const bool plainName = !m_fileName.empty() && m_fileName.find('/') == std::string::npos;
    for (const std::string& folder : folders) {
        if (m_stop || !plainName)
            break;
        if (!IsValidDirectory(folder) || IsSystemFolder(folder)) {
            LogSkipped(folder);
            continue;
        }
        if (SearchFolder(folder, 0))
            break;
    }
    SetSearchingNow(MyLoadString("FS_Done"));
    m_finished = true;
}

bool CMissingSoundScan::SearchFolder(const fs::path& folder, int depth) {
    if (!FirstVisit(folder))
        return false;
    const fs::path candidate = folder / m_fileName;
    std::error_code error;
    if (fs::is_regular_file(candidate, error)) {
        SetFound(folder, candidate);
        return true;
    }
    if (m_stop)
        return false;
    SetSearchingNow(folder.string());
    return depth < kMaxDepth && SearchSubFolders(folder, depth);
}

bool CMissingSoundScan::SearchSubFolders(const fs::path& folder, int depth) {
    std::error_code error;
    fs::directory_iterator entries(folder, fs::directory_options::skip_permission_denied, error);
    for (; !error && entries != fs::directory_iterator(); entries.increment(error)) {
        if (m_stop)
            return false;
        const fs::directory_entry& entry = *entries;
        if (entry.path().filename().string().starts_with('.'))
            continue;
        std::error_code typeError;
        if (!entry.is_directory(typeError))
            continue;
        // A link may lead anywhere, the system's trees included.
        if (entry.is_symlink(typeError) && IsSystemFolder(entry.path()))
            continue;
        if (SearchFolder(entry.path(), depth + 1))
            return true;
    }
    return false;
}

bool CMissingSoundScan::FirstVisit(const fs::path& folder) {
    struct stat info {};
    if (stat(folder.c_str(), &info) != 0)
        return false;
    return m_visited.insert({info.st_dev, info.st_ino}).second;
}

bool CMissingSoundScan::IsSystemFolder(const fs::path& folder) {
    std::error_code error;
    fs::path resolved = fs::weakly_canonical(folder, error);
    if (error)
        resolved = fs::absolute(folder, error).lexically_normal();
    std::string path = resolved.string();
    while (path.size() > 1 && path.back() == '/')
        path.pop_back();
    if (path.empty() || path == "/")
        return true;
    for (const char* tree : kSystemTrees)
        if (IsWithin(path, tree))
            return true;
    return false;
}

std::vector<std::string> CMissingSoundScan::MediaFolders() {
    std::vector<std::string> candidates = {GetHomeDirectory(), "/media", "/mnt"};
    if (const std::string user = UserName(); !user.empty())
        candidates.push_back("/run/media/" + user);
    std::vector<std::string> folders;
    for (const std::string& folder : candidates)
        if (!folder.empty() && IsValidDirectory(folder))
            folders.push_back(folder);
    return folders;
}

std::vector<std::string>
CMissingSoundScan::StartFolders(const std::vector<std::string>& userFolders) {
    const std::vector<std::string> candidates = userFolders.empty() ? MediaFolders() : userFolders;
    std::vector<std::string> folders;
    for (const std::string& folder : candidates) {
        if (IsSystemFolder(folder))
            LogSkipped(folder);
        else if (std::find(folders.begin(), folders.end(), folder) == folders.end())
            folders.push_back(folder);
    }
    return folders;
}
