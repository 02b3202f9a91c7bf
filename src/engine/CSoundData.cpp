#include "engine/CSoundData.h"

#include "engine/CPcm16WavFile.h"
#include "support/Log.h"

#include <fcntl.h>
#include <sndfile.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstring>

namespace {

// A streamed file is looked at again (size and time) at most this often.
constexpr int64_t kCheckIntervalNs = 250'000'000;

bool FileSizeAndTime(const std::string& path, uint64_t& size, int64_t& timeNs) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0)
        return false;
    size = static_cast<uint64_t>(info.st_size);
    timeNs = static_cast<int64_t>(info.st_mtim.tv_sec) * 1000000000 + info.st_mtim.tv_nsec;
    return true;
}

int64_t NowNs() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// Formats whose seeking costs a decode from an earlier point: those go
// through the float cache instead.
bool SeeksQuickly(int format) {
    const int major = format & SF_FORMAT_TYPEMASK;
    const int subtype = format & SF_FORMAT_SUBMASK;
    return major != SF_FORMAT_OGG && major != SF_FORMAT_MPEG && subtype != SF_FORMAT_VORBIS &&
           subtype != SF_FORMAT_OPUS;
}

// 16-bit PCM in a little-endian WAV file: read by CPcm16WavFile.
bool IsPcm16Wav(int format) {
    const int major = format & SF_FORMAT_TYPEMASK;
    const int endian = format & SF_FORMAT_ENDMASK;
    return (major == SF_FORMAT_WAV || major == SF_FORMAT_WAVEX) &&
           (format & SF_FORMAT_SUBMASK) == SF_FORMAT_PCM_16 &&
           (endian == SF_ENDIAN_FILE || endian == SF_ENDIAN_LITTLE);
}

} // namespace

std::shared_ptr<const CSoundData> CSoundData::FromSamples(std::vector<float> interleaved,
                                                          int channels, int rate) {
    if (channels < 1 || channels > 2 || rate <= 0 || interleaved.size() % channels != 0)
        return nullptr;
    std::shared_ptr<CSoundData> data(new CSoundData());
    data->m_owned = std::move(interleaved);
    data->m_samples = data->m_owned.data();
    data->m_frames = static_cast<int64_t>(data->m_owned.size() / channels);
    data->m_channels = channels;
    data->m_rate = rate;
    return data;
}

std::shared_ptr<const CSoundData> CSoundData::MapFile(const std::string& path, int channels,
                                                      int rate) {
    if (channels < 1 || channels > 2 || rate <= 0)
        return nullptr;
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return nullptr;
    struct stat info {};
    const size_t frameBytes = sizeof(float) * static_cast<size_t>(channels);
    if (::fstat(fd, &info) != 0 || info.st_size <= 0 ||
        static_cast<size_t>(info.st_size) % frameBytes != 0) {
        ::close(fd);
        return nullptr;
    }
    void* mapping =
        ::mmap(nullptr, static_cast<size_t>(info.st_size), PROT_READ, MAP_SHARED, fd, 0);
    ::close(fd);
    if (mapping == MAP_FAILED)
        return nullptr;
    std::shared_ptr<CSoundData> data(new CSoundData());
    data->m_mapping = mapping;
    data->m_mappingSize = static_cast<size_t>(info.st_size);
    data->m_samples = static_cast<const float*>(mapping);
    data->m_frames = static_cast<int64_t>(data->m_mappingSize / frameBytes);
    data->m_channels = channels;
    data->m_rate = rate;
    return data;
}

std::shared_ptr<const CSoundData> CSoundData::StreamFile(const std::string& path, int rate) {
    uint64_t size = 0;
    int64_t timeNs = 0;
    if (!FileSizeAndTime(path, size, timeNs))
        return nullptr;
    SF_INFO info{};
    SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
    if (!file)
        return nullptr;
    if (info.samplerate != rate || info.channels < 1 || info.channels > 2 || info.frames <= 0 ||
        !info.seekable || !SeeksQuickly(info.format)) {
        sf_close(file);
        return nullptr;
    }
    std::shared_ptr<CSoundData> data(new CSoundData());
    if (IsPcm16Wav(info.format)) {
        auto pcm16 = std::make_unique<CPcm16WavFile>();
        if (pcm16->Open(path, info.channels, info.frames)) {
            sf_close(file);
            file = nullptr;
            data->m_pcm16 = std::move(pcm16);
        }
    }
    data->m_file = file;
    data->m_path = path;
    data->m_fileSize = size;
    data->m_fileTimeNs = timeNs;
    data->m_frames = info.frames;
    data->m_channels = info.channels;
    data->m_rate = rate;
    data->m_filePosition = 0;
    return data;
}

CSoundData::~CSoundData() {
    if (m_mapping)
        ::munmap(m_mapping, m_mappingSize);
    if (m_file)
        sf_close(static_cast<SNDFILE*>(m_file));
}

void CSoundData::ReadFrames(int64_t frame, int64_t count, float* out) const {
    if (count <= 0)
        return;
    const int64_t first = std::max<int64_t>(frame, 0);
    const int64_t end = std::min(frame + count, m_frames);
    if (first >= end) {
        std::fill(out, out + count * m_channels, 0.0f);
        return;
    }
    // Each sample is written once: silence only outside the data.
    float* target = out + (first - frame) * m_channels;
    std::fill(out, target, 0.0f);
    std::fill(out + (end - frame) * m_channels, out + count * m_channels, 0.0f);
    if (m_samples) {
        std::memcpy(target, m_samples + first * m_channels,
                    static_cast<size_t>(end - first) * m_channels * sizeof(float));
        return;
    }
    std::lock_guard lock(m_fileMutex);
    ReadFromFile(first, end - first, target);
}

void CSoundData::ReadStereo(int64_t frame, int64_t count, float* out) const {
    if (m_channels == 2) {
        ReadFrames(frame, count, out);
        return;
    }
    // Mono: read into the first half of out, then spread from the back so
    // nothing is overwritten before it is read.
    ReadFrames(frame, count, out);
    for (int64_t index = count - 1; index >= 0; --index) {
        out[index * 2] = out[index];
        out[index * 2 + 1] = out[index];
    }
}

// Frames the file no longer holds are silence.
void CSoundData::ReadFromFile(int64_t frame, int64_t count, float* out) const {
    CheckFileUnchanged();
    if (m_pcm16) {
        const int64_t read = m_pcm16->Read(frame, count, out);
        std::fill(out + read * m_channels, out + count * m_channels, 0.0f);
        return;
    }
    auto* file = static_cast<SNDFILE*>(m_file);
    sf_count_t read = 0;
    if (m_filePosition == frame || sf_seek(file, frame, SEEK_SET) == frame)
        read = std::max<sf_count_t>(sf_readf_float(file, out, count), 0);
    m_filePosition = read > 0 ? frame + read : -1;
    std::fill(out + read * m_channels, out + count * m_channels, 0.0f);
}

void CSoundData::CheckSource() const {
    if (!IsStreamed())
        return;
    std::lock_guard lock(m_fileMutex);
    CheckFileUnchanged();
}

// A file changed or removed under us is logged once; from then on reads that
// find nothing give silence.
void CSoundData::CheckFileUnchanged() const {
    const int64_t now = NowNs();
    if (m_fileChanged || now - m_lastCheckNs < kCheckIntervalNs)
        return;
    m_lastCheckNs = now;
    uint64_t size = 0;
    int64_t timeNs = 0;
    const bool present = FileSizeAndTime(m_path, size, timeNs);
    if (present && size == m_fileSize && timeNs == m_fileTimeNs)
        return;
    m_fileChanged = true;
    m_filePosition = -1;
    m_generation.fetch_add(1, std::memory_order_relaxed);
    LogFmt("CSoundData - '%s' changed on disk while in use (%s); it is silent where it no longer "
           "has sound",
           m_path.c_str(), present ? "size or time differs" : "gone");
}
