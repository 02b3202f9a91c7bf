#include "support/CFileObj.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

static_assert(sizeof(off_t) == 8, "files need 64-bit offsets");

CFileObj::~CFileObj() {
    Close();
}

bool CFileObj::Create(const std::string& path) {
    if (IsOpen())
        return false;
    m_fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (m_fd < 0)
        return false;
    m_writable = true;
    m_path = path;
    return true;
}

bool CFileObj::Open(const std::string& path) {
    if (IsOpen())
        return false;
    m_fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (m_fd < 0)
        return false;
    struct stat info {};
    if (::fstat(m_fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        Close();
        return false;
    }
    m_writable = false;
    m_path = path;
    return true;
}

bool CFileObj::OpenMemory(const void* data, size_t size) {
    if (IsOpen() || (data == nullptr && size != 0))
        return false;
    const auto* bytes = static_cast<const unsigned char*>(data);
    m_memory.assign(bytes, bytes + size);
    m_memoryPos = 0;
    m_inMemory = true;
    m_writable = false;
    m_path.clear();
    return true;
}

bool CFileObj::CreateMemory() {
    if (!OpenMemory(nullptr, 0))
        return false;
    m_writable = true;
    return true;
}

bool CFileObj::Close() {
    bool ok = true;
    if (m_fd >= 0)
        ok = ::close(m_fd) == 0;
    m_fd = -1;
    m_inMemory = false;
    m_memory.clear();
    m_memoryPos = 0;
    m_writable = false;
    m_path.clear();
    return ok;
}

bool CFileObj::IsOpen() const {
    return m_fd >= 0 || m_inMemory;
}

size_t CFileObj::Read(void* buffer, size_t size) {
    if (m_inMemory) {
        const auto length = static_cast<int64_t>(m_memory.size());
        const size_t count =
            m_memoryPos >= length ? 0 : std::min(size, static_cast<size_t>(length - m_memoryPos));
        if (count > 0)
            std::memcpy(buffer, m_memory.data() + m_memoryPos, count);
        m_memoryPos += static_cast<int64_t>(count);
        return count;
    }
    if (m_fd < 0)
        return 0;
    auto* out = static_cast<unsigned char*>(buffer);
    size_t done = 0;
    while (done < size) {
        const ssize_t got = ::read(m_fd, out + done, size - done);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            break;
        done += static_cast<size_t>(got);
    }
    return done;
}

bool CFileObj::Write(const void* data, size_t size) {
    if (m_inMemory && m_writable) {
        const auto end = static_cast<size_t>(m_memoryPos) + size;
        if (end > m_memory.size())
            m_memory.resize(end);
        if (size > 0)
            std::memcpy(m_memory.data() + m_memoryPos, data, size);
        m_memoryPos = static_cast<int64_t>(end);
        return true;
    }
    if (m_fd < 0 || !m_writable)
        return false;
    const auto* in = static_cast<const unsigned char*>(data);
    size_t done = 0;
    while (done < size) {
        const ssize_t put = ::write(m_fd, in + done, size - done);
        if (put < 0 && errno == EINTR)
            continue;
        if (put <= 0)
            return false;
        done += static_cast<size_t>(put);
    }
    return true;
}

bool CFileObj::Seek(int64_t offset) {
    if (offset < 0)
        return false;
    if (m_inMemory) {
        m_memoryPos = offset;
        return true;
    }
    return m_fd >= 0 && ::lseek(m_fd, static_cast<off_t>(offset), SEEK_SET) == offset;
}

int64_t CFileObj::Tell() const {
    if (m_inMemory)
        return m_memoryPos;
    if (m_fd < 0)
        return -1;
    return ::lseek(m_fd, 0, SEEK_CUR);
}

int64_t CFileObj::Size() const {
    if (m_inMemory)
        return static_cast<int64_t>(m_memory.size());
    struct stat info {};
    if (m_fd < 0 || ::fstat(m_fd, &info) != 0)
        return -1;
    return info.st_size;
}
