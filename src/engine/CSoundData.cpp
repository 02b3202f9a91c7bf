#include "engine/CSoundData.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>

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

CSoundData::~CSoundData() {
    if (m_mapping)
        ::munmap(m_mapping, m_mappingSize);
}

void CSoundData::ReadStereo(int64_t frame, int64_t count, float* out) const {
    for (int64_t index = 0; index < count; ++index) {
        const int64_t source = frame + index;
        float left = 0.0f;
        float right = 0.0f;
        if (source >= 0 && source < m_frames) {
            left = m_samples[source * m_channels];
            right = m_channels == 2 ? m_samples[source * m_channels + 1] : left;
        }
        out[index * 2] = left;
        out[index * 2 + 1] = right;
    }
}
