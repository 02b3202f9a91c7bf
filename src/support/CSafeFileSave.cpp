#include "support/CSafeFileSave.h"

#include "support/CFileObj.h"
#include "support/Log.h"

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Flushes a closed file, or a folder, to the disk; a read-only descriptor is
// enough for fsync.
bool FlushPathToDisk(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool ok = ::fsync(fd) == 0;
    ::close(fd);
    return ok;
}

std::string FolderOf(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

} // namespace

CSafeFileSave::CSafeFileSave(std::string targetPath) : m_targetPath(std::move(targetPath)) {}

CSafeFileSave::~CSafeFileSave() {
    Abandon();
}

std::string CSafeFileSave::BackupPathFor(const std::string& targetPath) {
    return targetPath + ".backup";
}

CFileObj* CSafeFileSave::Begin() {
    if (m_file != nullptr || m_targetPath.empty() || !CreateTempFile())
        return nullptr;
    m_file = new CFileObj;
    if (!m_file->Create(m_tempPath)) {
        LogFmt("CSafeFileSave - cannot open temporary file %s", m_tempPath.c_str());
        Abandon();
        return nullptr;
    }
    return m_file;
}

// Makes a new file next to the target under a name nobody else uses (O_EXCL),
// with the target's permissions when it exists, so the rename does not change
// who may read the user's file.
bool CSafeFileSave::CreateTempFile() {
    static std::atomic<unsigned> counter{0};
    struct stat target {};
    const bool targetExists = ::stat(m_targetPath.c_str(), &target) == 0;
    for (int attempt = 0; attempt < 100; ++attempt) {
        char suffix[64];
        std::snprintf(suffix, sizeof suffix, ".saving-%d-%u", static_cast<int>(::getpid()),
                      counter.fetch_add(1));
        const std::string candidate = m_targetPath + suffix;
        const int fd = ::open(candidate.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0) {
            if (errno == EEXIST)
                continue;
            LogFmt("CSafeFileSave - cannot create %s: %s", candidate.c_str(), std::strerror(errno));
            return false;
        }
        if (targetExists)
            ::fchmod(fd, target.st_mode & 07777);
        ::close(fd);
        m_tempPath = candidate;
        return true;
    }
    return false;
}

bool CSafeFileSave::Commit() {
    if (m_file == nullptr)
        return false;
    if (!CloseAndFlushTemp()) {
        LogFmt("CSafeFileSave - writing %s failed, %s left as it was", m_tempPath.c_str(),
               m_targetPath.c_str());
        Abandon();
        return false;
    }
    KeepBackupOfTarget();
    if (::rename(m_tempPath.c_str(), m_targetPath.c_str()) != 0) {
        LogFmt("CSafeFileSave - cannot rename %s to %s: %s", m_tempPath.c_str(),
               m_targetPath.c_str(), std::strerror(errno));
        Abandon();
        return false;
    }
    m_tempPath.clear();
    // The rename itself lives in the folder; without this a crash right after
    // the save could bring the old name back.
    FlushPathToDisk(FolderOf(m_targetPath));
    return true;
}

bool CSafeFileSave::CloseAndFlushTemp() {
    const bool closed = m_file->Close();
    m_file->DeleteRefObject();
    m_file = nullptr;
    return closed && FlushPathToDisk(m_tempPath);
}

void CSafeFileSave::KeepBackupOfTarget() const {
    std::error_code error;
    if (!std::filesystem::is_regular_file(m_targetPath, error))
        return;
    const std::string backup = BackupPathFor(m_targetPath);
    std::filesystem::copy_file(m_targetPath, backup,
                               std::filesystem::copy_options::overwrite_existing, error);
    if (error)
        LogFmt("CSafeFileSave - could not keep backup %s: %s", backup.c_str(),
               error.message().c_str());
}

void CSafeFileSave::Abandon() {
    if (m_file != nullptr) {
        m_file->Close();
        m_file->DeleteRefObject();
        m_file = nullptr;
    }
    if (!m_tempPath.empty()) {
        ::unlink(m_tempPath.c_str());
        m_tempPath.clear();
    }
}
