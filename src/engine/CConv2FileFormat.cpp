#include "engine/CConv2FileFormat.h"

#include "engine/CFFmpegEncoder.h"
#include "engine/CFloatWavEncoder.h"
#include "engine/CSndFileEncoder.h"
#include "support/Log.h"
#include "support/Paths.h"

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace {

std::unique_ptr<CAudioEncoder> MakeEncoder(FormatKind kind) {
    if (kind == FormatKind::Wma)
        return std::make_unique<CFFmpegEncoder>();
    if (kind == FormatKind::WavFloat)
        return std::make_unique<CFloatWavEncoder>();
    return std::make_unique<CSndFileEncoder>();
}

// Writes the file's data to the disk, so that the rename that follows never exposes a file
// whose contents are still in flight.
bool SyncFile(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool synced = ::fsync(fd) == 0;
    return ::close(fd) == 0 && synced;
}

} // namespace

CConv2FileFormat::CConv2FileFormat() = default;

CConv2FileFormat::~CConv2FileFormat() {
    Abort();
}

void CConv2FileFormat::Fail(const char* step, const std::string& reason) {
    if (m_lastError.empty())
        m_lastError = reason;
    LogFmt("CConv2FileFormat::%s failed for '%s': %s - returning false!", step, m_target.c_str(),
           reason.c_str());
}

bool CConv2FileFormat::Open(const std::string& path, const FormatDetails& details) {
    Abort();
    m_target = ToNativeSeparators(path);
    m_details = details;
    m_framesWritten = 0;
    m_failed = false;
    m_lastError.clear();
    LogFmt("CConv2FileFormat::Open() - %s as %s, %d Hz, %d channels", m_target.c_str(),
           details.KindName(), details.sampleRate, details.channels);
    std::string reason;
    if (!details.Validate(&reason)) {
        Fail("Open", reason);
        return false;
    }
    if (ExtractFileName(m_target).empty()) {
        Fail("Open", "the path names no file");
        return false;
    }
    if (!CreateTempFile(m_target))
        return false;
    std::unique_ptr<CAudioEncoder> encoder = MakeEncoder(details.kind);
    if (!encoder->Open(m_tempPath, details, reason)) {
        Fail("Open", std::string(encoder->Name()) + ": " + reason);
        encoder.reset();
        Discard();
        return false;
    }
    m_encoder = std::move(encoder);
    return true;
}

bool CConv2FileFormat::CreateTempFile(const std::string& target) {
    // Hidden, in the target's folder (so the final rename stays on one file system), and
    // made with O_EXCL so two encodings never share one.
    static std::atomic<unsigned> counter{0};
    const std::string stem = ExtractDirectory(target) + "." + ExtractFileName(target) + ".part-" +
                             std::to_string(::getpid()) + "-";
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::string candidate = stem + std::to_string(counter.fetch_add(1));
        const int fd = ::open(candidate.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0) {
            ::close(fd);
            m_tempPath = candidate;
            return true;
        }
        if (errno != EEXIST) {
            Fail("Open",
                 std::string("cannot create a file in its folder: ") + std::strerror(errno));
            return false;
        }
    }
    Fail("Open", "no free temporary file name");
    return false;
}

bool CConv2FileFormat::Write(const float* interleaved, int64_t frames) {
    if (!m_encoder || m_failed) {
        Fail("Write", m_failed ? "an earlier write failed" : "not open");
        return false;
    }
    if (frames < 0 || (frames > 0 && !interleaved)) {
        Fail("Write", "no frames given");
        return false;
    }
    if (frames == 0)
        return true;
    std::string reason;
    if (!m_encoder->Write(interleaved, frames, reason)) {
        m_failed = true;
        Fail("Write", reason);
        return false;
    }
    m_framesWritten += frames;
    return true;
}

bool CConv2FileFormat::Close() {
    if (!m_encoder) {
        Fail("Close", "not open");
        return false;
    }
    if (m_failed) {
        Fail("Close", "an earlier write failed");
        Abort();
        return false;
    }
    std::string reason;
    const bool finished = m_encoder->Finish(reason);
    m_encoder.reset();
    if (!finished) {
        Fail("Close", reason);
        Discard();
        return false;
    }
    if (!SyncFile(m_tempPath) || std::rename(m_tempPath.c_str(), m_target.c_str()) != 0) {
        Fail("Close", std::string("cannot put the file in place: ") + std::strerror(errno));
        Discard();
        return false;
    }
    m_tempPath.clear();
    LogFmt("CConv2FileFormat::Close() - wrote %s, %lld frames", m_target.c_str(),
           static_cast<long long>(m_framesWritten));
    return true;
}

void CConv2FileFormat::Abort() {
    if (!m_encoder && m_tempPath.empty())
        return;
    m_encoder.reset();
    Discard();
    LogFmt("CConv2FileFormat::Abort() - dropped %s", m_target.c_str());
}

void CConv2FileFormat::Discard() {
    if (!m_tempPath.empty() && std::remove(m_tempPath.c_str()) != 0 && errno != ENOENT)
        LogFmt("CConv2FileFormat: cannot remove '%s': %s", m_tempPath.c_str(),
               std::strerror(errno));
    m_tempPath.clear();
    m_failed = false;
}
